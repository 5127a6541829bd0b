#pragma once

#include "support/fail.hpp"
#include "support/reach.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <span>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace boardmap::support {

// On a 32-bit host fstat fails with EOVERFLOW on an inode number or size past 32 bits (large XFS
// volumes, NFS) unless the program is built with _FILE_OFFSET_BITS=64, and on a time stamp past
// 2038-01-19 unless also with _TIME_BITS=64.
static_assert(sizeof(off_t) == 8 && sizeof(ino_t) == 8,
              "mailbox programs must be built with -D_FILE_OFFSET_BITS=64");
static_assert(sizeof(time_t) == 8, "mailbox programs must be built with -D_TIME_BITS=64");

// Reads a mailbox file in pieces the way the mailbox's own programs do (a piece ends after a
// line end or at a length limit), but by length: a NUL or any other byte is ordinary data.
// The buffer is part of the record, so reading allocates nothing. No more than limit bytes are
// ever read: a file of that kind holds less, and a larger one (a sparse file of terabytes, a
// /proc file that never ends) is the file's read failure, not a run without end.
struct reader {
    int fd = -1;
    const char* failure = nullptr; // printed, with exit status 1, when the file cannot be read
    std::uint64_t limit = 0;       // bytes the file may hold
    std::uint64_t consumed = 0;    // bytes read so far
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

// No limit on what a file may hold, for a file of which only a first piece is read.
constexpr std::uint64_t whole_file = std::numeric_limits<std::uint64_t>::max();

// Finds the file at path, following symbolic links, without opening it: an O_PATH descriptor,
// whose open has no effect on a device or FIFO; -1 if there is none.
int locate(const char* path, int flags = 0);

// Opens for reading the file that located (from locate(path), or -1) refers to, and closes
// located; returns the descriptor, or -1. Unless it is a regular file of at most limit bytes it
// is never opened: a FIFO's writer stays blocked, a device is never touched, and a directory,
// /dev/zero or a sparse file of terabytes never read. Where it must be opened by name again (no
// kernel's /proc), name_flags are added to that open. Never ends the run.
int open_regular(int located, const char* path, std::uint64_t limit, int name_flags = 0);

// Opens name within the run's reach (see reach.hpp) and returns the descriptor, or -1: where the
// reach is restricted, root's own file of that name as root, anything else by open_as_account()
// under the account's identity. open_as_account returns a descriptor or -1 and must not end the
// run, which would keep the account's identity.
template <typename OpenAsAccount>
int open_within_reach(const char* name, std::uint64_t limit, OpenAsAccount open_as_account) {
    const reach who = reach_of_working_directory();
    if (who.restricted) {
        if (const int own = locate_roots_own(name); own >= 0) {
            return open_regular(own, name, limit, O_NOFOLLOW);
        }
    }
    const account_identity as_account(who);
    return as_account.held() ? open_as_account() : -1;
}

// Starts r on fd, from open_regular, with its failure message and limit; a descriptor of -1 ends
// the run with the failure message, which must outlive the reader.
void start_reader(reader& r, int fd, const char* failure, std::uint64_t limit);

// Opens the file at path for reading, as open_regular does, within the run's reach (see
// reach.hpp), and starts r on it.
void open_reader(reader& r, const char* path, const char* failure, std::uint64_t limit);

namespace detail {

// Refills the buffer; returns false at the end of the file. One byte beyond the limit shows a
// file that holds more.
inline bool refill(reader& r) {
    const std::uint64_t left = r.limit - r.consumed;
    const std::size_t wanted =
        left < r.buffer.size() ? static_cast<std::size_t>(left) + 1 : r.buffer.size();
    ssize_t got;
    do {
        got = ::read(r.fd, r.buffer.data(), wanted);
    } while (got < 0 && errno == EINTR);
    // An I/O error: never mistake it for a short file.
    if (got < 0 || (r.consumed += static_cast<std::uint64_t>(got)) > r.limit) {
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
    r.consumed = 0;
}

} // namespace boardmap::support
