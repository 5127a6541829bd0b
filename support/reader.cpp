#include "support/reader.hpp"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace boardmap::support {

namespace {

// The f_type of the kernel's /proc (linux/magic.h).
constexpr long proc_super_magic = 0x9fa0;

constexpr int read_flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

int open_retrying(int directory, const char* path, int flags) {
    int fd;
    do {
        fd = ::openat(directory, path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// The descriptor if it is the file found, else -1 (and it is closed).
int if_same_file(int fd, const struct stat& found) {
    struct stat opened {};
    if (fd >= 0 && (::fstat(fd, &opened) != 0 || opened.st_dev != found.st_dev ||
                    opened.st_ino != found.st_ino)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The calling process's /proc/self/fd, if it is the kernel's; -1 where /proc is missing, or is
// something else (a chroot whose /proc the mailbox's user may write), whose self/fd/N could
// lead to any file.
int kernels_fd_directory() {
    const int directory = ::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct statfs filesystem {};
    if (directory >= 0 &&
        (::fstatfs(directory, &filesystem) != 0 || filesystem.f_type != proc_super_magic)) {
        ::close(directory);
        return -1;
    }
    return directory;
}

// Opens for reading the regular file that located refers to, with the ordinary permission
// check. Through the kernel's /proc, which reaches that very file whatever has become of its
// name meanwhile. Without it, by name, kept only if it is still the same file: a FIFO or device
// put in its place in between would be opened, then refused. Non-blocking, so that a lease on
// the file cannot hold up the open.
int reopen(int located, const char* path, int name_flags, const struct stat& found) {
    const int fd_directory = kernels_fd_directory();
    if (fd_directory < 0) {
        return if_same_file(open_retrying(AT_FDCWD, path, read_flags | name_flags), found);
    }
    std::array<char, 16> name;
    std::snprintf(name.data(), name.size(), "%d", located);
    const int fd = open_retrying(fd_directory, name.data(), read_flags);
    ::close(fd_directory);
    return if_same_file(fd, found);
}

} // namespace

int locate(const char* path, int flags) {
    return ::open(path, O_PATH | O_CLOEXEC | flags);
}

int open_regular(int located, const char* path, std::uint64_t limit, int name_flags) {
    if (located < 0) {
        return -1;
    }
    struct stat found {};
    int fd = -1;
    if (::fstat(located, &found) == 0 && S_ISREG(found.st_mode) &&
        static_cast<std::uint64_t>(found.st_size) <= limit) {
        fd = reopen(located, path, name_flags, found);
    }
    ::close(located);
    return fd;
}

void start_reader(reader& r, int fd, const char* failure, std::uint64_t limit) {
    if (fd < 0) {
        fail("%s", failure);
    }
    r.fd = fd;
    r.failure = failure;
    r.limit = limit;
    r.consumed = 0;
    r.position = r.end = 0;
}

void open_reader(reader& r, const char* path, const char* failure, std::uint64_t limit) {
    const int fd =
        open_within_reach(path, limit, [&] { return open_regular(locate(path), path, limit); });
    start_reader(r, fd, failure, limit);
}

} // namespace boardmap::support
