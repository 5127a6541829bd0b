#pragma once

#include "support/fail.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <sys/types.h>
#include <type_traits>
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
// The buffer is part of the record, so reading allocates nothing.
// A plain record with nothing to destroy, so that a program's failure handler may longjmp out of
// a library routine past one: its file is closed by close_reader, and before any failure that
// comes while it is open.
struct plain_reader {
    int fd = -1;
    const char* failure = nullptr; // printed, with exit status 1, when the file cannot be read
    std::array<char, 4096> buffer;
    std::size_t position = 0;
    std::size_t end = 0;

    plain_reader() = default;
    plain_reader(const plain_reader&) = delete;
    plain_reader& operator=(const plain_reader&) = delete;
};
static_assert(std::is_trivially_destructible_v<plain_reader>,
              "a failure handler's longjmp passes over the library's readers");

inline void close_reader(plain_reader& r) {
    if (r.fd >= 0) {
        ::close(r.fd);
        r.fd = -1;
    }
}

// Closes the file, then ends the run with the reader's failure message.
[[noreturn]] inline void fail_reading(plain_reader& r) {
    close_reader(r);
    fail("%s", r.failure);
}

// The tool's reader, which closes its file at the end of its scope (the tool installs no failure
// handler).
struct reader : plain_reader {
    reader() = default;
    ~reader() { close_reader(*this); }
};

namespace detail {

inline int open_retrying(const char* path, int flags) {
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Opens for reading the regular file that located (an O_PATH descriptor of path) refers to, with
// the ordinary permission check. Through /proc, which reaches that very file whatever has become
// of its name meanwhile. Without /proc (a chroot that lacks it) by name, accepted only if it is
// still the same file: a FIFO or device put in its place in between would be opened, then
// refused. Non-blocking, so that a lease on the file cannot hold up the open.
inline int reopen(int located, const char* path, const struct stat& status) {
    constexpr int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    std::array<char, 32> through_proc;
    std::snprintf(through_proc.data(), through_proc.size(), "/proc/self/fd/%d", located);
    int fd = open_retrying(through_proc.data(), flags);
    if (fd >= 0 || errno != ENOENT) {
        return fd;
    }
    fd = open_retrying(path, flags);
    struct stat opened {};
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || opened.st_dev != status.st_dev ||
                    opened.st_ino != status.st_ino)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace detail

// Finds the file at path, following symbolic links, without opening it: an O_PATH descriptor,
// whose open has no effect on a device or FIFO; -1 if there is none.
inline int locate(const char* path, int flags = 0) {
    return ::open(path, O_PATH | O_CLOEXEC | flags);
}

// Opens for reading the file that located (from locate(path)) refers to, and closes located.
// Unless it is a regular file it is never opened: a FIFO's writer stays blocked, a device is
// never touched, and a directory or /dev/zero never read. If it is no regular file, cannot be
// opened, or later cannot be read, ends the run with the failure message, which must outlive
// the reader.
inline void open_located(plain_reader& r, int located, const char* path, const char* failure) {
    r.failure = failure;
    struct stat status {};
    if (located < 0 || ::fstat(located, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (located >= 0) {
            ::close(located);
        }
        fail_reading(r);
    }
    r.fd = detail::reopen(located, path, status);
    ::close(located);
    if (r.fd < 0) {
        fail_reading(r);
    }
    r.position = r.end = 0;
}

// Opens the file at path for reading, as open_located does.
inline void open_reader(plain_reader& r, const char* path, const char* failure) {
    open_located(r, locate(path), path, failure);
}

namespace detail {

// Refills the buffer; returns false at the end of the file.
inline bool refill(plain_reader& r) {
    ssize_t got;
    do {
        got = ::read(r.fd, r.buffer.data(), r.buffer.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        // An I/O error: never mistake it for a short file.
        fail_reading(r);
    }
    r.position = 0;
    r.end = static_cast<std::size_t>(got);
    return got > 0;
}

} // namespace detail

// Reads up to out.size() bytes, stopping after a line end; returns the number read, 0 only at
// the end of the file. A read error ends the run with the reader's failure message.
inline std::size_t read_piece(plain_reader& r, std::span<char> out) {
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
inline void skip_line(plain_reader& r) {
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
inline bool read_byte(plain_reader& r, char& byte) {
    if (r.position == r.end && !detail::refill(r)) {
        return false;
    }
    byte = r.buffer[r.position++];
    return true;
}

// Starts reading again from the first byte.
inline void rewind_reader(plain_reader& r) {
    if (::lseek(r.fd, 0, SEEK_SET) != 0) {
        fail_reading(r);
    }
    r.position = r.end = 0;
}

} // namespace boardmap::support
