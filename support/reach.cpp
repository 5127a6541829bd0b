#include "support/reach.hpp"

#include <cstring>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace boardmap::support {

namespace {

// The kernel's overflow ids, nobody and nogroup on Debian: an identity no file is given to.
constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;

// setgroups of the calling thread alone: the C library's applies to every thread, and another
// thread of a program built on the module keeps root's groups. 32-bit x86 and ARM name the call
// with 32-bit group ids setgroups32.
int set_thread_groups(std::size_t count, const gid_t* groups) {
#ifdef SYS_setgroups32
    return static_cast<int>(::syscall(SYS_setgroups32, count, groups));
#else
    return static_cast<int>(::syscall(SYS_setgroups, count, groups));
#endif
}

// setfsuid and setfsgid tell no failure but by the identity they leave: asked for an invalid
// id (-1) they change nothing and return the one in force.
uid_t current_fsuid() {
    return static_cast<uid_t>(::setfsuid(static_cast<uid_t>(-1)));
}
gid_t current_fsgid() {
    return static_cast<gid_t>(::setfsgid(static_cast<gid_t>(-1)));
}

} // namespace

reach reach_of_working_directory() {
    if (::geteuid() != 0) {
        return {};
    }
    struct stat directory {};
    if (::stat(".", &directory) != 0) {
        return {true, nobody, nogroup};
    }
    if (directory.st_uid != 0) {
        return {true, directory.st_uid, directory.st_gid};
    }
    if ((directory.st_mode & S_IWOTH) != 0) {
        return {true, nobody, nogroup};
    }
    if ((directory.st_mode & S_IWGRP) != 0) {
        return {true, nobody, directory.st_gid};
    }
    return {};
}

int locate_roots_own(const char* name) {
    if (std::strchr(name, '/') != nullptr) {
        return -1;
    }
    const int located = ::open(name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    if (located >= 0 && ::fstat(located, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_uid == 0 && status.st_nlink == 1) {
        return located;
    }
    if (located >= 0) {
        ::close(located);
    }
    return -1;
}

// Supplementary groups first, while root may still set them; the uid last. A change of
// filesystem identity makes the process not dumpable (no core file, /proc entries root's), which
// is given back too: a program built on the module keeps what it had.
account_identity::account_identity(const reach& who) {
    if (!who.restricted) {
        return;
    }
    held_ = false;
    group_count_ = ::getgroups(static_cast<int>(groups_.size()), groups_.data());
    if (group_count_ < 0) {
        return; // more groups than can be given back
    }
    taken_ = true;
    dumpable_ = ::prctl(PR_GET_DUMPABLE);
    root_fsuid_ = current_fsuid();
    root_fsgid_ = current_fsgid();
    if (set_thread_groups(0, nullptr) != 0) {
        return;
    }
    ::setfsgid(who.gid);
    ::setfsuid(who.uid);
    held_ = current_fsuid() == who.uid && current_fsgid() == who.gid;
}

account_identity::~account_identity() {
    if (!taken_) {
        return;
    }
    ::setfsuid(root_fsuid_);
    ::setfsgid(root_fsgid_);
    set_thread_groups(static_cast<std::size_t>(group_count_), groups_.data());
    if (dumpable_ >= 0) {
        ::prctl(PR_SET_DUMPABLE, dumpable_);
    }
}

} // namespace boardmap::support
