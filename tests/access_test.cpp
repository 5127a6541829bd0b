// Mailbox hosts where the mailbox runs as its own user and a sysop changes the table from root
// or from a second account. A change keeps the table's owner and group as far as its user may
// set them (root: both; anyone else: the group, when a member of it), its permission bits and
// its access ACL, and the backup keeps the previous table's. Any user who may write the
// directory and read the table can change it, also under fs.protected_hardlinks. What the
// mailbox's own user, who may write the directory, can plant there gains it nothing from a root
// sysop's change: a link at the table to a file it may not read, a setgid bit or a default ACL
// on the directory to open the new table before it has the table's access. Needs root, to give
// files away and to run as other users (setpriv, numeric ids: no accounts needed); each test's
// name begins with NeedsRoot, so that a summary that lists them as skipped says why.

#include "tests/boardmap_run.hpp"

#include <boardmap/support/mailbox.hpp>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using scratch::mailbox_dir;
using scratch::outcome;

const std::string old_table = "alle      allgem  \ndx        dxnews  \n";
const char* const acl_name = "system.posix_acl_access";

// The kernel's form of a POSIX ACL: a version, then (tag, permissions, id) per entry.
struct acl_entry {
    std::uint16_t tag;
    std::uint16_t permissions;
    std::uint32_t id;
};
constexpr std::uint16_t user_obj = 0x01, named_user = 0x02, group_obj = 0x04, mask = 0x10,
                        other = 0x20;
constexpr std::uint32_t no_id = 0xFFFFFFFF;

std::string acl_bytes(const std::vector<acl_entry>& entries) {
    std::string bytes;
    const std::uint32_t version = 2;
    bytes.append(reinterpret_cast<const char*>(&version), sizeof version);
    for (const acl_entry& e : entries) {
        bytes.append(reinterpret_cast<const char*>(&e.tag), sizeof e.tag);
        bytes.append(reinterpret_cast<const char*>(&e.permissions), sizeof e.permissions);
        bytes.append(reinterpret_cast<const char*>(&e.id), sizeof e.id);
    }
    return bytes;
}

// What a change must keep of a file: owner, group, permission bits, access ACL.
struct access {
    uid_t uid;
    gid_t gid;
    mode_t mode;
    std::string acl; // empty: none

    bool operator==(const access&) const = default;
};

void PrintTo(const access& a, std::ostream* os) {
    *os << a.uid << ":" << a.gid << " " << std::oct << a.mode << std::dec << " ACL of "
        << a.acl.size() << " bytes";
}

access access_of(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    std::string acl(4096, '\0');
    const ssize_t size = ::lgetxattr(path.c_str(), acl_name, acl.data(), acl.size());
    acl.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return {status.st_uid, status.st_gid, status.st_mode & 07777, acl};
}

void set_default_acl(const std::string& directory, const std::vector<acl_entry>& entries) {
    const std::string bytes = acl_bytes(entries);
    ASSERT_EQ(
        ::setxattr(directory.c_str(), "system.posix_acl_default", bytes.data(), bytes.size(), 0),
        0);
}

void give(const std::string& path, const access& a) {
    ASSERT_EQ(::chown(path.c_str(), a.uid, a.gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), a.mode), 0);
    if (!a.acl.empty()) {
        ASSERT_EQ(::setxattr(path.c_str(), acl_name, a.acl.data(), a.acl.size(), 0), 0);
    }
}

// Runs the tool as another user; the tool is copied where every user can run it.
class other_users {
  public:
    other_users() {
        std::filesystem::copy_file(BOARDMAP_EXE, bin_.file("boardmap"));
        ::chmod(bin_.path().c_str(), 0755);
        ::chmod(bin_.file("boardmap").c_str(), 0755);
    }

    outcome run(const mailbox_dir& dir, uid_t uid, gid_t gid, const std::string& groups,
                const std::vector<std::string>& words) const {
        std::vector<std::string> argv = {
            SETPRIV_EXE, "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
            groups.empty() ? "--clear-groups" : "--groups=" + groups, bin_.file("boardmap")};
        argv.insert(argv.end(), words.begin(), words.end());
        return scratch::run_program(dir.path(), argv);
    }

  private:
    mailbox_dir bin_;
};

bool skip_unless_root() {
    return ::geteuid() != 0;
}

// The mailbox's user, a second sysop account, and the group they share.
constexpr uid_t bbs = 1000, second_sysop = 1002, third_user = 1003;
constexpr gid_t bbs_group = 1000, shared_group = 1100;

// The directory's entries before the table's access: the other way round, GCC 12 at -O3 takes
// the table's ACL string for uninitialised where a list of entries follows it.
struct kept_access {
    const char* name;
    std::vector<acl_entry> directory_default; // a default ACL on the directory, if any
    access table;
};

void PrintTo(const kept_access& k, std::ostream* os) {
    *os << k.name;
}

class RootChange : public ::testing::TestWithParam<kept_access> {};

// Root changes the mailbox's table: the new table and the backup are the mailbox's as before,
// and the mailbox's own user can still read it.
TEST_P(RootChange, KeepsOwnerGroupBitsAndAcl) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to give the table to another user";
    }
    const kept_access& k = GetParam();
    other_users users;
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(dir.file("rundat.kvd").c_str(), 0644);
    if (!k.directory_default.empty()) {
        set_default_acl(dir.path(), k.directory_default);
    }
    give(dir.file("boardmap.kvd"), k.table);
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"+", "b", "c"}, {"-", "b"}}) {
        SCOPED_TRACE(words[0]);
        const outcome change = scratch::boardmap(dir, words);
        EXPECT_EQ(change.status, 0) << change.out;
        EXPECT_EQ(access_of(dir.file("boardmap.kvd")), k.table);
        EXPECT_EQ(access_of(dir.file("boardmap.bak")), k.table);
    }
    const outcome search = users.run(dir, bbs, bbs_group, "", {"dx"});
    EXPECT_EQ(search.out, scratch::list_header + "dx        dxnews  \n");
    EXPECT_EQ(search.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    NeedsRoot, RootChange,
    ::testing::Values(kept_access{"mailbox_owned", {}, {bbs, bbs_group, 0640, ""}},
                      // A change of owner clears set-id bits: they must come back.
                      kept_access{"set_id_bits", {}, {bbs, shared_group, 06750, ""}},
                      kept_access{"with_acl",
                                  {},
                                  {bbs, bbs_group, 0640,
                                   acl_bytes({{user_obj, 6, no_id},
                                              {named_user, 4, third_user},
                                              {group_obj, 4, no_id},
                                              {mask, 4, no_id},
                                              {other, 0, no_id}})}},
                      // What the directory would give a new file is not the table's.
                      kept_access{"directory_default_acl",
                                  {{user_obj, 7, no_id},
                                   {named_user, 6, third_user},
                                   {group_obj, 5, no_id},
                                   {mask, 7, no_id},
                                   {other, 5, no_id}},
                                  {bbs, bbs_group, 0640, ""}}),
    [](const auto& info) { return std::string(info.param.name); });

// The mailbox's user and a second sysop account share a group that may read the table (not
// write it); each changes the table the other changed last. Under fs.protected_hardlinks no
// link to a table of another user may be made.
TEST(NeedsRootOtherUsers, ChangeTheTableTheOtherChanged) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to run as other users";
    }
    {
        std::ofstream protect("/proc/sys/fs/protected_hardlinks");
        protect << "1\n";
    }
    other_users users;
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    ::chmod(dir.file("rundat.kvd").c_str(), 0644);
    give(dir.path(), {bbs, shared_group, 0770, ""});
    give(dir.file("boardmap.kvd"), {bbs, shared_group, 0640, ""});

    // The second sysop's own group is another: the new table is given the shared one.
    const outcome added = users.run(dir, second_sysop, second_sysop, "1100", {"+", "b", "c"});
    EXPECT_EQ(added.out, "3 entries written.\n");
    EXPECT_EQ(access_of(dir.file("boardmap.kvd")), (access{second_sysop, shared_group, 0640, ""}));
    EXPECT_EQ(access_of(dir.file("boardmap.bak")), (access{bbs, shared_group, 0640, ""}));

    const outcome deleted = users.run(dir, bbs, bbs_group, "1100", {"-", "b"});
    EXPECT_EQ(deleted.out, "Entry \"b         c       \" deleted!\n2 entries written.\n");
    EXPECT_EQ(dir.read("boardmap.kvd"), old_table);
    EXPECT_EQ(access_of(dir.file("boardmap.kvd")), (access{bbs, shared_group, 0640, ""}));
    EXPECT_EQ(access_of(dir.file("boardmap.bak")), (access{second_sysop, shared_group, 0640, ""}));
    EXPECT_EQ(dir.names(), scratch::table_files(true));
}

// A symbolic link at the table, made by the mailbox's user or by root, to a file of root's or of
// another user, in a directory only root may enter. A change follows it only when root or the
// file's owner made the link; otherwise it changes nothing, writes nothing and says it cannot
// read the table. A search follows every link (it shows the file to the one who runs it).
struct planted_link {
    const char* name;
    uid_t link_owner;
    uid_t file_owner;
    bool followed_by_a_change;
    // A second name of the link, which root's link would have were it made elsewhere and hard
    // linked into the directory.
    bool second_name = false;
};

void PrintTo(const planted_link& p, std::ostream* os) {
    *os << p.name;
}

class LinkAtTheTable : public ::testing::TestWithParam<planted_link> {};

TEST_P(LinkAtTheTable, FollowedByAChangeOnlyWhenMadeByRootOrTheFilesOwner) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to give links and files to other users";
    }
    const planted_link& p = GetParam();
    mailbox_dir dir;
    mailbox_dir outside; // 0700, root's: the mailbox's user cannot read the file in it
    scratch::write_run_data(dir, true);
    outside.write("table", old_table);
    ASSERT_EQ(::chown(outside.file("table").c_str(), p.file_owner, p.file_owner), 0);
    std::filesystem::create_symlink(outside.file("table"), dir.file("boardmap.kvd"));
    ASSERT_EQ(::lchown(dir.file("boardmap.kvd").c_str(), p.link_owner, p.link_owner), 0);
    if (p.second_name) {
        ASSERT_EQ(::link(dir.file("boardmap.kvd").c_str(), outside.file("link").c_str()), 0);
    }

    const outcome search = scratch::boardmap(dir, {"dx"});
    EXPECT_EQ(search.out, scratch::list_header + "dx        dxnews  \n");
    const auto before = scratch::contents(dir);
    const outcome change = scratch::boardmap(dir, {"+", "b", "c"});
    EXPECT_EQ(outside.read("table"), old_table);
    if (p.followed_by_a_change) {
        EXPECT_EQ(change.out, "3 entries written.\n");
        EXPECT_EQ(dir.read("boardmap.bak"), old_table);
        EXPECT_EQ(dir.names(), scratch::table_files(true));
    } else {
        EXPECT_EQ(change.out, "Error reading BOARDMAP.KVD !\n");
        EXPECT_EQ(change.status, 1);
        EXPECT_EQ(scratch::contents(dir), before);
        EXPECT_TRUE(std::filesystem::is_symlink(dir.file("boardmap.kvd")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    NeedsRoot, LinkAtTheTable,
    ::testing::Values(planted_link{"mailbox_users_to_roots", bbs, 0, false},
                      planted_link{"mailbox_users_to_a_third_users", bbs, third_user, false},
                      planted_link{"mailbox_users_to_its_own", bbs, bbs, true},
                      planted_link{"roots_to_a_third_users", 0, third_user, true},
                      planted_link{"roots_with_a_second_name", 0, third_user, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The mailbox's user makes its table a set-user-ID (or set-group-ID) program and a second sysop
// changes it: the new table belongs to that sysop and must not stay a program that runs as
// the sysop. Set-id and sticky bits stay only on a table of the old one's very owner and group.
struct set_id_table {
    const char* name;
    uid_t owner;
    mode_t mode;
    mode_t new_mode;
};

void PrintTo(const set_id_table& s, std::ostream* os) {
    *os << s.name;
}

class SecondSysopChange : public ::testing::TestWithParam<set_id_table> {};

TEST_P(SecondSysopChange, KeepsSetIdBitsOnlyForTheSameOwnerAndGroup) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to run as other users";
    }
    const set_id_table& s = GetParam();
    other_users users;
    mailbox_dir dir;
    scratch::set_up(dir, "#!/bin/sh\nid\nzzold zznew\n");
    ::chmod(dir.file("rundat.kvd").c_str(), 0644);
    give(dir.path(), {bbs, shared_group, 0770, ""});
    give(dir.file("boardmap.kvd"), {s.owner, shared_group, s.mode, ""});

    const outcome deleted = users.run(dir, second_sysop, second_sysop, "1100", {"-", "zzold"});
    EXPECT_EQ(deleted.status, 0) << deleted.out;
    EXPECT_EQ(access_of(dir.file("boardmap.kvd")),
              (access{second_sysop, shared_group, s.new_mode, ""}));
    EXPECT_EQ(access_of(dir.file("boardmap.bak")), (access{s.owner, shared_group, s.mode, ""}));
}

INSTANTIATE_TEST_SUITE_P(
    NeedsRoot, SecondSysopChange,
    ::testing::Values(set_id_table{"set_user_id_of_the_mailbox", bbs, 04775, 0775},
                      set_id_table{"set_group_id_of_the_mailbox", bbs, 02775, 0775},
                      set_id_table{"sticky_of_the_mailbox", bbs, 01664, 0664},
                      set_id_table{"set_user_id_of_the_sysops_own", second_sysop, 04770, 04770}),
    [](const auto& info) { return std::string(info.param.name); });

// Root in the mailbox's directory, which the mailbox's user owns, so that it can put any name
// there: links at files root alone may read, directly or through a linked directory, and hard
// links of such files (which fs.protected_hardlinks=0 lets any user make; root makes them here).
// Root's run opens through them nothing that user could not read itself: each gets that file's
// own failure, and nothing changes. A table root made there, with no other name, stays root's.
struct planted_for_root {
    const char* name;
    // Plants names in the mailbox directory, given a directory that root alone may enter, which
    // holds the file "secret" (two table lines, root's, 0600) and the board's list at
    // "alle/dx/list.kvd".
    std::function<void(const mailbox_dir& dir, const std::string& root_only)> plant;
    // The run: the tool's words, or none for the library's lookup of line 1 of the board DX.
    std::vector<std::string> words;
    std::string out;
    int status = 1;
};

void PrintTo(const planted_for_root& p, std::ostream* os) {
    *os << p.name;
}

class RootInTheMailboxDirectory : public ::testing::TestWithParam<planted_for_root> {};

TEST_P(RootInTheMailboxDirectory, ReachesOnlyWhatTheMailboxUserCould) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to give the directory to the mailbox's user";
    }
    const planted_for_root& p = GetParam();
    mailbox_dir dir;
    mailbox_dir root_only;
    const std::string secret = "dx        dxnews  \nzz        secret  \n";
    root_only.write("secret", secret);
    ::chmod(root_only.file("secret").c_str(), 0600);
    std::filesystem::create_directories(root_only.file("alle/dx"));
    root_only.write("alle/dx/list.kvd", "1A2B3C<N0CALL\n");
    scratch::set_up(dir, old_table);
    dir.write("init.kvd", "INFOPATH ./info/\nUSERPATH ./user/\n");
    dir.write("bulletin.kvd", "ALLE 90\n DX 30\n");
    std::filesystem::create_directories(dir.file("info/alle/dx"));
    dir.write("info/alle/dx/list.kvd", "9Z9Z9Z<N0CALL\n");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), bbs, bbs_group), 0);
    }
    give(dir.path(), {bbs, bbs_group, 0750, ""});
    p.plant(dir, root_only.path());

    const auto before = scratch::contents(dir);
    const outcome run =
        p.words.empty() ? scratch::run_in_child(dir.path(),
                                                [] {
                                                    char board[] = "DX";
                                                    std::array<char, 256> line{};
                                                    boardmap::support::list_line(board, 1, line);
                                                    std::fputs(line.data(), stdout);
                                                })
                        : scratch::boardmap(dir, p.words);
    EXPECT_EQ(run.out, p.out);
    EXPECT_EQ(run.status, p.status);
    EXPECT_EQ(root_only.read("secret"), secret);
    if (p.status != 0) {
        EXPECT_EQ(scratch::contents(dir), before);
    }
}

void link_to(const mailbox_dir& dir, const std::string& name, const std::string& target) {
    std::filesystem::remove(dir.file(name));
    std::filesystem::create_symlink(target, dir.file(name));
    ASSERT_EQ(::lchown(dir.file(name).c_str(), bbs, bbs_group), 0);
}

const auto run_data_linked = [](const mailbox_dir& dir, const std::string& root_only) {
    link_to(dir, "rundat.kvd", root_only + "/secret");
};
const auto table_linked = [](const mailbox_dir& dir, const std::string& root_only) {
    link_to(dir, "boardmap.kvd", root_only + "/secret");
};
const auto table_through_linked_directory = [](const mailbox_dir& dir,
                                               const std::string& root_only) {
    link_to(dir, "tables", root_only);
    link_to(dir, "boardmap.kvd", "tables/secret");
};
const auto table_hard_linked = [](const mailbox_dir& dir, const std::string& root_only) {
    std::filesystem::remove(dir.file("boardmap.kvd"));
    ASSERT_EQ(::link((root_only + "/secret").c_str(), dir.file("boardmap.kvd").c_str()), 0);
};
const auto roots_own_table = [](const mailbox_dir& dir, const std::string&) {
    give(dir.file("boardmap.kvd"), {0, 0, 0600, ""});
};
const auto list_linked = [](const mailbox_dir& dir, const std::string& root_only) {
    link_to(dir, "info/alle/dx/list.kvd", root_only + "/alle/dx/list.kvd");
};
const auto group_directory_linked = [](const mailbox_dir& dir, const std::string& root_only) {
    std::filesystem::remove_all(dir.file("info/alle"));
    link_to(dir, "info/alle", root_only + "/alle");
};
const auto nothing_planted = [](const mailbox_dir&, const std::string&) {};

const std::string found_dx = scratch::list_header + "dx        dxnews  \n";
const std::string run_data_failure = "Error reading RUNDAT.KVD!\n";
const std::string table_failure = "Error reading BOARDMAP.KVD !\n";
const std::string list_failure = "Board DX not found.\n";

INSTANTIATE_TEST_SUITE_P(
    NeedsRoot, RootInTheMailboxDirectory,
    ::testing::Values(
        planted_for_root{"run_data_linked", run_data_linked, {"dx"}, run_data_failure},
        planted_for_root{"table_linked_search", table_linked, {"dx"}, table_failure},
        planted_for_root{"table_linked_change", table_linked, {"+", "b", "c"}, table_failure},
        planted_for_root{"table_through_linked_directory",
                         table_through_linked_directory,
                         {"zz"},
                         table_failure},
        planted_for_root{"table_hard_linked_search", table_hard_linked, {"zz"}, table_failure},
        planted_for_root{"table_hard_linked_change", table_hard_linked, {"-", "zz"}, table_failure},
        planted_for_root{"roots_own_table_search", roots_own_table, {"dx"}, found_dx, 0},
        planted_for_root{
            "roots_own_table_change", roots_own_table, {"+", "b", "c"}, "3 entries written.\n", 0},
        planted_for_root{"lookup", nothing_planted, {}, "9Z9Z9Z<N0CALL\n", 0},
        planted_for_root{"lookup_list_linked", list_linked, {}, list_failure},
        planted_for_root{
            "lookup_group_directory_linked", group_directory_linked, {}, list_failure}),
    [](const auto& info) { return std::string(info.param.name); });

// As the mailbox's user: waits with inotify for the new table's scratch name to appear, and then
// tries to open it until the name is gone, again and again until stopped. Counts the opens that
// succeeded.
class new_table_watcher {
  public:
    new_table_watcher(const mailbox_dir& dir, uid_t uid, gid_t gid) {
        int ready[2];
        int stop[2];
        int result[2];
        if (::pipe(ready) != 0 || ::pipe(stop) != 0 || ::pipe(result) != 0) {
            throw std::runtime_error("pipe failed");
        }
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(stop[1]);
            ::close(result[0]);
            if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
                ::setresuid(uid, uid, uid) != 0) {
                ::_exit(2);
            }
            const int watch = ::inotify_init1(IN_CLOEXEC);
            if (watch < 0 || ::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE) < 0) {
                ::_exit(3);
            }
            const int opened =
                watch_until_stopped(watch, ready[1], stop[0], dir.file(".boardmap.kvd.new"));
            ::_exit(::write(result[1], &opened, sizeof opened) == sizeof opened ? 0 : 4);
        }
        ::close(ready[1]);
        ::close(stop[0]);
        ::close(result[1]);
        char byte;
        if (::read(ready[0], &byte, 1) != 1) {
            ADD_FAILURE() << "the watcher did not start";
        }
        ::close(ready[0]);
        stop_ = stop[1];
        result_ = result[0];
    }

    // Ends the watch; the number of opens that succeeded, or -1 if the watch failed.
    int stop() {
        ::close(stop_);
        int opened = -1;
        if (::read(result_, &opened, sizeof opened) != sizeof opened) {
            opened = -1;
        }
        ::close(result_);
        ::waitpid(pid_, nullptr, 0);
        return opened;
    }

  private:
    static int watch_until_stopped(int watch, int ready, int stop, const std::string& path) {
        if (::write(ready, "r", 1) != 1) {
            return -1;
        }
        int opened = 0;
        std::array<pollfd, 2> wanted{{{watch, POLLIN, 0}, {stop, POLLIN, 0}}};
        alignas(inotify_event) std::array<char, 4096> events;
        while (::poll(wanted.data(), wanted.size(), 30000) > 0 && wanted[1].revents == 0) {
            if (::read(watch, events.data(), events.size()) <= 0) {
                break;
            }
            // Every create in the directory is taken as a cue: the change makes few files.
            for (int tries = 0; tries < 100000; ++tries) {
                const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ++opened;
                    ::close(fd);
                } else if (errno == ENOENT && tries > 0) {
                    break;
                }
            }
        }
        return opened;
    }

    pid_t pid_ = -1;
    int stop_ = -1;
    int result_ = -1;
};

struct open_directory {
    const char* name;
    mode_t mode;
    std::vector<acl_entry> directory_default;
};

void PrintTo(const open_directory& o, std::ostream* os) {
    *os << o.name;
}

class WatchedDirectory : public ::testing::TestWithParam<open_directory> {};

// The mailbox's user owns the directory and makes every new file in it readable to itself, by
// the setgid bit (its group) or a default ACL (a named entry); the table is root's, in a group of
// its own, 0640. However often root changes the table, the mailbox's user never opens the new
// table before it has the table's access, which keeps it out.
TEST_P(WatchedDirectory, NewTableClosedUntilItHasTheTablesAccess) {
    if (skip_unless_root()) {
        GTEST_SKIP() << "needs root, to run as the mailbox's user";
    }
    const open_directory& o = GetParam();
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    ::chmod(dir.file("rundat.kvd").c_str(), 0644);
    give(dir.path(), {bbs, bbs_group, o.mode, ""});
    if (!o.directory_default.empty()) {
        set_default_acl(dir.path(), o.directory_default);
    }
    give(dir.file("boardmap.kvd"), {0, shared_group, 0640, ""});

    new_table_watcher watcher(dir, bbs, bbs_group);
    for (int round = 0; round < 10; ++round) {
        EXPECT_EQ(scratch::boardmap(dir, {"+", "b", "c"}).status, 0);
        EXPECT_EQ(scratch::boardmap(dir, {"-", "b"}).status, 0);
    }
    EXPECT_EQ(watcher.stop(), 0);
    EXPECT_EQ(access_of(dir.file("boardmap.kvd")), (access{0, shared_group, 0640, ""}));
}

INSTANTIATE_TEST_SUITE_P(NeedsRoot, WatchedDirectory,
                         ::testing::Values(open_directory{"setgid", 02775, {}},
                                           open_directory{"default_acl",
                                                          0755,
                                                          {{user_obj, 7, no_id},
                                                           {named_user, 6, bbs},
                                                           {group_obj, 5, no_id},
                                                           {mask, 7, no_id},
                                                           {other, 5, no_id}}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
