#include "support/fail.hpp"
#include "tool/table.hpp"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace boardmap {

namespace {

// Scratch names beside the table, used only while the change lock is held. Hidden and named
// after the table, so that no file a sysop keeps in the mailbox directory is ever taken for one.
// The new table is written as new_table_name; previous_name is where the previous table waits,
// between leaving boardmap.kvd and replacing boardmap.bak.
constexpr const char* new_table_name = ".boardmap.kvd.new";
constexpr const char* previous_name = ".boardmap.kvd.old";

// Anyone who can open the mailbox directory can take the change lock and keep it: a change
// gives up after a while rather than hang the sysop's session.
constexpr auto lock_wait = std::chrono::seconds(10);
constexpr auto lock_poll = std::chrono::milliseconds(5);

constexpr const char* acl_name = "system.posix_acl_access";
// The kernel's limit for the value of one extended attribute.
constexpr std::size_t acl_capacity = 65536;

bool write_all(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The new table's bytes, laid out once so that it is written with as few calls as possible.
// Every slot holds its line as it is written, line end included.
struct table_image {
    std::array<char, slot_count * line_capacity> bytes;
    std::size_t size = 0;
};

void append(table_image& image, std::span<const char> bytes) {
    std::memcpy(image.bytes.data() + image.size, bytes.data(), bytes.size());
    image.size += bytes.size();
}

void lay_out(const table& t, table_image& image) {
    for (std::size_t i = 0; i < t.count; ++i) {
        append(image, t.slots[i].text());
    }
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Looks at a name without following it. False when it holds nothing the tool puts there (a
// table is a regular file or a symbolic link); a name that cannot be looked at ends the run.
bool holds_table(const char* name, struct stat& status) {
    if (::lstat(name, &status) != 0) {
        if (errno != ENOENT) {
            support::fail("%s", write_failure);
        }
        return false;
    }
    return S_ISREG(status.st_mode) || S_ISLNK(status.st_mode);
}

// A backup name that the previous table cannot take (a directory, a FIFO) would be found only
// once the new table is in place, and leave the previous one under its scratch name.
void refuse_unusable_backup() {
    struct stat status {};
    const bool usable = ::lstat(backup_name, &status) == 0
                            ? S_ISREG(status.st_mode) || S_ISLNK(status.st_mode)
                            : errno == ENOENT;
    if (!usable) {
        support::fail("%s", write_failure);
    }
}

void remove_name(const char* name) {
    if (::unlink(name) != 0 && errno != ENOENT) {
        support::fail("%s", write_failure);
    }
}

// Puts the previous table in the backup's place. A backup that is another name of the same file
// is left alone by rename, and then the scratch name is merely a second name of the backup.
bool back_up_previous() {
    return ::rename(previous_name, backup_name) == 0 &&
           (::unlink(previous_name) == 0 || errno == ENOENT);
}

// A change killed half-way leaves its scratch names, and no other writer can be using them
// now. The new table takes previous_name as a second name before it goes into place, which
// then leaves the previous table there. So a previous_name that is the same file as
// new_table_name is a new table that never went into place, one that is the table a mere second
// name, and any other the previous table on its way to the backup; it goes there, or the run
// ends with nothing changed. new_table_name is then either unfinished or a second name of the
// table, and goes; it goes last, so that an interrupted clean-up is still understood.
void finish_interrupted_change() {
    struct stat fresh {};
    struct stat previous {};
    struct stat current {};
    const bool have_new = holds_table(new_table_name, fresh);
    if (holds_table(previous_name, previous)) {
        const bool spare = (have_new && same_file(previous, fresh)) ||
                           (holds_table(table_name, current) && same_file(previous, current));
        if (spare) {
            remove_name(previous_name);
        } else if (!back_up_previous()) {
            support::fail("%s", write_failure);
        }
    }
    if (have_new) {
        remove_name(new_table_name);
    }
}

// Drops what the change made while the old table is still in place: the new table, and the
// second name that it or the old table took. The new table's name goes last (see above).
[[noreturn]] void abandon_rewrite(bool previous_name_taken) {
    if (!previous_name_taken || ::unlink(previous_name) == 0) {
        ::unlink(new_table_name);
    }
    support::fail("%s", write_failure);
}

// EPERM: this user may not give the file that owner or group; EINVAL: the user namespace
// cannot map the id. Either way the file keeps the one it has.
bool not_settable(int error) {
    return error == EPERM || error == EINVAL;
}

// Root sets both; any other user the group, when a member of it.
bool copy_owner(int fd, const struct stat& old_status) {
    if (::fchown(fd, old_status.st_uid, old_status.st_gid) == 0) {
        return true;
    }
    if (!not_settable(errno)) {
        return false;
    }
    return ::fchown(fd, static_cast<uid_t>(-1), old_status.st_gid) == 0 || not_settable(errno);
}

// No ACL, or none on this filesystem.
bool without_acl(int error) {
    return error == ENODATA || error == ENOTSUP;
}

// The old table's access ACL exactly: one inherited from a default ACL of the directory is
// dropped when the old table has none.
bool copy_acl(int fd, int old_fd) {
    static std::array<char, acl_capacity> acl;
    const ssize_t size = ::fgetxattr(old_fd, acl_name, acl.data(), acl.size());
    if (size >= 0) {
        return ::fsetxattr(fd, acl_name, acl.data(), static_cast<std::size_t>(size), 0) == 0;
    }
    if (!without_acl(errno)) {
        return false;
    }
    return ::fremovexattr(fd, acl_name) == 0 || without_acl(errno);
}

// The set-user-ID, set-group-ID and sticky bits of the old table, where the new one has its very
// owner and group: on a table that now belongs to the user who runs the change, a set-user-ID
// bit that the mailbox's user put on its table would make the table a program of that user's.
mode_t kept_bits(int fd, const struct stat& old_status) {
    struct stat status {};
    const bool same_owner = ::fstat(fd, &status) == 0 && status.st_uid == old_status.st_uid &&
                            status.st_gid == old_status.st_gid;
    return old_status.st_mode & (same_owner ? 07777 : 0777);
}

// The new table is created open to its creator alone (see rewrite_table) and closed to everyone
// before it takes the old table's owner and group, so that neither gains anything from the
// creator's bits. Setting the ACL sets the permission bits with it; the set-id bits, which a
// change of owner clears, come last. Until one of those last two calls nobody but the user
// who runs the change can open it.
bool copy_access(int fd, const support::reader& old_table, const struct stat& old_status) {
    return ::fchmod(fd, 0) == 0 && copy_owner(fd, old_status) && copy_acl(fd, old_table.fd) &&
           ::fchmod(fd, kept_bits(fd, old_status)) == 0;
}

// Puts the new table in boardmap.kvd's place in one step, so that the name never disappears;
// the previous table is left under previous_name. The exchange needs no link to the old table,
// which fs.protected_hardlinks allows only to its owner. Where the filesystem cannot exchange
// two names (NFS), the old table takes previous_name by a link and the new one is renamed over
// it. On failure ends the run with the old table in place.
void put_in_place() {
    if (::link(new_table_name, previous_name) != 0) {
        abandon_rewrite(false);
    }
    if (::renameat2(AT_FDCWD, previous_name, AT_FDCWD, table_name, RENAME_EXCHANGE) == 0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        abandon_rewrite(true);
    }
    if (::unlink(previous_name) != 0) {
        abandon_rewrite(true);
    }
    if (::link(table_name, previous_name) != 0) {
        abandon_rewrite(false);
    }
    if (::rename(new_table_name, table_name) != 0) {
        abandon_rewrite(true);
    }
}

} // namespace

change_lock lock_table_for_change() {
    const int directory_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd < 0) {
        support::fail("%s", write_failure);
    }
    const auto deadline = std::chrono::steady_clock::now() + lock_wait;
    while (::flock(directory_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            support::fail("%s", write_failure);
        }
        std::this_thread::sleep_for(lock_poll);
    }
    refuse_unusable_backup();
    finish_interrupted_change();
    return {directory_fd};
}

namespace {

// A link with one name, made by root or by the owner of the file it names. The mailbox's user,
// who may write the directory, must not make a sysop's change read a file that user cannot read
// and write it out as the table. A second name of a link made elsewhere (a hard link, where
// fs.protected_hardlinks allows one) would have its relative target read from here.
bool trusted_link(const struct stat& link_status, const struct stat& file_status) {
    return link_status.st_nlink == 1 &&
           (link_status.st_uid == 0 || link_status.st_uid == file_status.st_uid);
}

// Opens the table, or the file that a trusted link at it names; -1 if there is none or the
// link is not trusted. The text of the very link whose owner was looked at is followed, so
// swapping the link meanwhile gains nothing.
int open_table_or_trusted_link() {
    const int located = support::locate(table_name, O_NOFOLLOW);
    struct stat link_status {};
    if (located < 0 || ::fstat(located, &link_status) != 0 || !S_ISLNK(link_status.st_mode)) {
        return support::open_regular(located, table_name, table_size_limit);
    }
    static std::array<char, PATH_MAX> target;
    const ssize_t size = ::readlinkat(located, "", target.data(), target.size() - 1);
    ::close(located);
    if (size < 0 || static_cast<std::size_t>(size) == target.size() - 1) {
        return -1;
    }
    target[static_cast<std::size_t>(size)] = '\0';
    const int file = support::locate(target.data());
    struct stat file_status {};
    if (file >= 0 &&
        (::fstat(file, &file_status) != 0 || !trusted_link(link_status, file_status))) {
        ::close(file);
        return -1;
    }
    return support::open_regular(file, target.data(), table_size_limit);
}

} // namespace

void open_table_to_change(support::reader& table) {
    const int fd =
        support::open_within_reach(table_name, table_size_limit, open_table_or_trusted_link);
    support::start_reader(table, fd, read_failure, table_size_limit);
}

int rewrite_table(const table& t, const support::reader& old_table, change_lock lock) {
    static table_image image;
    image.size = 0;
    lay_out(t, image);

    struct stat old_status {};
    if (::fstat(old_table.fd, &old_status) != 0) {
        support::fail("%s", write_failure);
    }
    // Mode 0600: whatever the directory's setgid bit or default ACL, only the creator can open
    // it (an inherited ACL gets an empty mask). Written in full before anyone else may read it.
    const int fd = ::open(new_table_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        support::fail("%s", write_failure);
    }
    if (!write_all(fd, image.bytes.data(), image.size) || !copy_access(fd, old_table, old_status) ||
        ::fsync(fd) != 0) {
        ::close(fd);
        abandon_rewrite(false);
    }
    // The previous table becomes the backup by its inode: synced first, so that a power cut
    // cannot leave a backup that a hand edit just before had not yet brought to disk. Clean,
    // it costs nothing.
    if (::close(fd) != 0 || ::fsync(old_table.fd) != 0) {
        abandon_rewrite(false);
    }
    put_in_place();
    // The new table is in place. After an exchange new_table_name is a second name of the new
    // table. Should the backup fail, the previous table stays under its scratch name and the
    // next change completes it.
    ::unlink(new_table_name);
    static_cast<void>(back_up_previous());
    // Until the directory is synced, a power cut may bring the old table back: a failed sync is
    // a failed change, though the table may hold it.
    if (::fsync(lock.directory_fd) != 0) {
        support::fail("%s", write_failure);
    }
    return static_cast<int>(t.count);
}

} // namespace boardmap
