#include "support/fail.hpp"
#include "tool/table.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace boardmap {

namespace {

// Scratch names beside the table, used only while the change lock is held. Hidden and named
// after the table, so that no file a sysop keeps in the mailbox directory is ever taken for one.
constexpr const char* new_table_name = ".boardmap.kvd.new";
constexpr const char* previous_name = ".boardmap.kvd.old";

[[noreturn]] void abandon_rewrite() {
    ::unlink(new_table_name);
    ::unlink(previous_name);
    support::fail("%s", write_failure);
}

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
struct table_image {
    std::array<char, slot_count*(line_capacity + 1)> bytes;
    std::size_t size = 0;
    int lines = 0;
};

void append(table_image& image, std::span<const char> bytes) {
    std::memcpy(image.bytes.data() + image.size, bytes.data(), bytes.size());
    image.size += bytes.size();
}

void lay_out(const table& t, write_form form, table_image& image) {
    for (std::size_t i = 0; i < t.count; ++i) {
        const line& slot = t.slots[i];
        if (form == write_form::add_line_ends) {
            if (slot.size == 0 || slot.bytes[0] == '\n') {
                continue;
            }
            append(image, slot.text());
            append(image, std::span("\n", 1));
        } else {
            append(image, slot.text());
        }
        ++image.lines;
    }
}

// A change killed half-way leaves its scratch names, and no other writer can be using them
// now. An unfinished new table is dropped. A previous table that is still boardmap.kvd is a
// mere second name; one that no longer is was on its way to the backup, so it goes there.
void finish_interrupted_change() {
    ::unlink(new_table_name);
    struct stat previous {};
    struct stat current {};
    if (::lstat(previous_name, &previous) != 0 || !S_ISREG(previous.st_mode)) {
        return;
    }
    const bool still_the_table = ::stat(table_name, &current) == 0 &&
                                 current.st_dev == previous.st_dev &&
                                 current.st_ino == previous.st_ino;
    if (still_the_table) {
        ::unlink(previous_name);
    } else {
        ::rename(previous_name, backup_name);
    }
}

} // namespace

change_lock lock_table_for_change() {
    const int directory_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory_fd < 0) {
        support::fail("%s", write_failure);
    }
    while (::flock(directory_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            support::fail("%s", write_failure);
        }
    }
    finish_interrupted_change();
    return {directory_fd};
}

int rewrite_table(const table& t, write_form form, const support::reader& old_table,
                  change_lock lock) {
    static table_image image;
    image.size = 0;
    image.lines = 0;
    lay_out(t, form, image);

    struct stat old_status {};
    if (::fstat(old_table.fd, &old_status) != 0) {
        support::fail("%s", write_failure);
    }
    const mode_t permissions = old_status.st_mode & 07777;
    // Past a file size limit the write should fail and be cleaned up, not kill the run.
    std::signal(SIGXFSZ, SIG_IGN);
    const int fd = ::open(new_table_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
    if (fd < 0) {
        support::fail("%s", write_failure);
    }
    if (::fchmod(fd, permissions) != 0 || !write_all(fd, image.bytes.data(), image.size) ||
        ::fsync(fd) != 0) {
        ::close(fd);
        abandon_rewrite();
    }
    if (::close(fd) != 0) {
        abandon_rewrite();
    }
    // The previous table keeps a second name while the new one takes its place, so that
    // boardmap.kvd never disappears; only then does it replace the backup. Should that last
    // step fail, the previous table goes back into place and the old backup stays.
    if (::link(table_name, previous_name) != 0 || ::rename(new_table_name, table_name) != 0) {
        abandon_rewrite();
    }
    if (::rename(previous_name, backup_name) != 0) {
        if (::rename(previous_name, table_name) != 0) {
            // Keep the previous table under its scratch name rather than lose it.
            support::fail("%s", write_failure);
        }
        abandon_rewrite();
    }
    // The renames are done; making them durable is all that is left, and cannot be undone.
    static_cast<void>(::fsync(lock.directory_fd));
    return image.lines;
}

} // namespace boardmap
