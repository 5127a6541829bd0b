#pragma once

#include "support/fail.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace support {

// On a 32-bit host fstat fails with EOVERFLOW on an inode number or size past 32 bits (large XFS
// volumes, NFS) unless the program is built with _FILE_OFFSET_BITS=64, and on a time stamp past
// 2038-01-19 unless also with _TIME_BITS=64.
static_assert(sizeof(off_t) == 8 && sizeof(ino_t) == 8,
              "mailbox programs must be built with -D_FILE_OFFSET_BITS=64");
static_assert(sizeof(time_t) == 8, "mailbox programs must be built with -D_TIME_BITS=64");

// Reads a mailbox file in pieces the way the mailbox's own programs do (a piece ends after a
// line end or at a length limit), but by length: a NUL or any other byte is ordinary data.
// The buffer is part of the record, so reading allocates nothing.
struct reader {
    int fd = -1;
    const char* failure = nullptr; // printed, with exit status 1, when the file cannot be read
    std::array<char, 4096> buffer;
    std::size_t position = 0;
    std::size_t end = 0;

    reader() = default;
    reader(const reader&) = delete;
    reader& operator=(const reader&) = delete;
    ~reader() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

// Opens the file for reading; if it cannot be opened, is no regular file, or later cannot be
// read, ends the run with the failure message, which must outlive the reader.
inline void open_reader(reader& r, const char* path, const char* failure) {
    r.failure = failure;
    // Non-blocking, so that a FIFO in the file's place cannot hold up the open; it is refused
    // below, as is a device (/dev/zero would never end) or a directory.
    do {
        r.fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (r.fd < 0 && errno == EINTR);
    struct stat status {};
    if (r.fd < 0 || ::fstat(r.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        fail("%s", failure);
    }
    r.position = r.end = 0;
}

namespace detail {

// Refills the buffer; returns false at the end of the file.
inline bool refill(reader& r) {
    ssize_t got;
    do {
        got = ::read(r.fd, r.buffer.data(), r.buffer.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        // An I/O error: never mistake it for a short file.
        fail("%s", r.failure);
    }
    r.position = 0;
    r.end = static_cast<std::size_t>(got);
    return got > 0;
}

} // namespace detail

// Reads up to out.size() bytes, stopping after a line end; returns the number read, 0 only at
// the end of the file. A read error ends the run with the reader's failure message.
inline std::size_t read_piece(reader& r, std::span<char> out) {
    std::size_t size = 0;
    while (size < out.size()) {
        if (r.position == r.end && !detail::refill(r)) {
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

// Skips the rest of the line being read, its line end included: the rest of a line too long
// for its piece is no line of its own.
inline void skip_line(reader& r) {
    for (;;) {
        if (r.position == r.end && !detail::refill(r)) {
            return;
        }
        const char* from = r.buffer.data() + r.position;
        const void* line_end = std::memchr(from, '\n', r.end - r.position);
        if (line_end != nullptr) {
            r.position += static_cast<const char*>(line_end) - from + 1;
            return;
        }
        r.position = r.end;
    }
}

// Reads one byte; returns false at the end of the file.
inline bool read_byte(reader& r, char& byte) {
    if (r.position == r.end && !detail::refill(r)) {
        return false;
    }
    byte = r.buffer[r.position++];
    return true;
}

// Starts reading again from the first byte.
inline void rewind_reader(reader& r) {
    if (::lseek(r.fd, 0, SEEK_SET) != 0) {
        fail("%s", r.failure);
    }
    r.position = r.end = 0;
}

} // namespace support
