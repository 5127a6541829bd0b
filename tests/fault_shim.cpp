// Preloaded into the tool to make one file operation of the table rewrite fail, so the tests can
// show that the old table survives each of them. Chosen by the environment:
//   FAULT_SHIM_OP    create | write | fsync | close | link | rename
//   FAULT_SHIM_CALL  which call of that operation fails, counted from 1 (default 1)
// "create" counts the opens with O_EXCL; write, fsync and close count only the calls on the file
// descriptor that the last such open returned (the new table), never standard output.
// Every other call goes through to the next definition (libc, or a sanitizer's interceptor).

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

int created_fd = -1;
int calls_seen = 0;

template <typename F> F next_definition(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// Counts a call of op and tells whether it is the one that is to fail.
bool fails_now(const char* op) {
    const char* chosen = std::getenv("FAULT_SHIM_OP");
    if (chosen == nullptr || std::strcmp(chosen, op) != 0) {
        return false;
    }
    const char* call = std::getenv("FAULT_SHIM_CALL");
    const int wanted = call != nullptr ? std::atoi(call) : 1;
    return ++calls_seen == wanted;
}

bool fails_on_new_table(const char* op, int fd) {
    return fd >= 0 && fd == created_fd && fails_now(op);
}

int refuse(int error) {
    errno = error;
    return -1;
}

mode_t mode_argument(int flags, va_list args) {
    return (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

using open_fn = int (*)(const char*, int, ...);
using openat_fn = int (*)(int, const char*, int, ...);

// Every open goes on to next, but for the exclusive create chosen to fail. The exclusive create
// is where the rewrite makes its new table: its descriptor is the one whose calls can fail.
template <typename Next> int open_file(int flags, Next next) {
    const bool exclusive = (flags & O_EXCL) != 0;
    if (exclusive && fails_now("create")) {
        return refuse(ENOSPC);
    }
    const int fd = next();
    if (fd >= 0 && exclusive) {
        created_fd = fd;
    }
    return fd;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return open_file(flags, [&] { return next_definition<open_fn>("open")(path, flags, mode); });
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return open_file(flags, [&] { return next_definition<open_fn>("open64")(path, flags, mode); });
}

int openat(int dir_fd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return open_file(
        flags, [&] { return next_definition<openat_fn>("openat")(dir_fd, path, flags, mode); });
}

int openat64(int dir_fd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    return open_file(
        flags, [&] { return next_definition<openat_fn>("openat64")(dir_fd, path, flags, mode); });
}

ssize_t write(int fd, const void* bytes, size_t size) {
    if (fails_on_new_table("write", fd)) {
        return refuse(ENOSPC);
    }
    using write_fn = ssize_t (*)(int, const void*, size_t);
    return next_definition<write_fn>("write")(fd, bytes, size);
}

int fsync(int fd) {
    if (fails_on_new_table("fsync", fd)) {
        return refuse(EIO);
    }
    using fsync_fn = int (*)(int);
    return next_definition<fsync_fn>("fsync")(fd);
}

// A failed close still releases the descriptor, as the kernel's does.
int close(int fd) {
    using close_fn = int (*)(int);
    const bool fail = fails_on_new_table("close", fd);
    const int result = next_definition<close_fn>("close")(fd);
    if (fd == created_fd) {
        created_fd = -1;
    }
    return fail ? refuse(EIO) : result;
}

int link(const char* from, const char* to) {
    if (fails_now("link")) {
        return refuse(EIO);
    }
    using link_fn = int (*)(const char*, const char*);
    return next_definition<link_fn>("link")(from, to);
}

int rename(const char* from, const char* to) {
    if (fails_now("rename")) {
        return refuse(EIO);
    }
    using rename_fn = int (*)(const char*, const char*);
    return next_definition<rename_fn>("rename")(from, to);
}

} // extern "C"
