#include "support/reader.hpp"

#include "support/fail.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace support {

reader::~reader() {
    if (fd >= 0) {
        ::close(fd);
    }
}

void open_reader(reader& r, const char* path, const char* failure) {
    r.failure = failure;
    do {
        r.fd = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (r.fd < 0 && errno == EINTR);
    if (r.fd < 0) {
        fail("%s", failure);
    }
    r.position = r.end = 0;
}

namespace {

// Refills the buffer; returns false at the end of the file.
bool refill(reader& r) {
    ssize_t got;
    do {
        got = ::read(r.fd, r.buffer.data(), r.buffer.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        // A directory in the file's place, or an I/O error: never mistake it for a short file.
        fail("%s", r.failure);
    }
    r.position = 0;
    r.end = static_cast<std::size_t>(got);
    return got > 0;
}

} // namespace

std::size_t read_piece(reader& r, std::span<char> out) {
    std::size_t size = 0;
    while (size < out.size()) {
        if (r.position == r.end && !refill(r)) {
            break;
        }
        const std::size_t wanted = std::min(out.size() - size, r.end - r.position);
        const char* from = r.buffer.data() + r.position;
        const void* line_end = std::memchr(from, '\n', wanted);
        const std::size_t taken =
            line_end != nullptr ? static_cast<const char*>(line_end) - from + 1 : wanted;
        std::memcpy(out.data() + size, from, taken);
        size += taken;
        r.position += taken;
        if (line_end != nullptr) {
            break;
        }
    }
    return size;
}

bool read_byte(reader& r, char& byte) {
    if (r.position == r.end && !refill(r)) {
        return false;
    }
    byte = r.buffer[r.position++];
    return true;
}

void rewind_reader(reader& r) {
    if (::lseek(r.fd, 0, SEEK_SET) != 0) {
        fail("%s", r.failure);
    }
    r.position = r.end = 0;
}

} // namespace support
