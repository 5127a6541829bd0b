// Odd files in the mailbox directory. A table or run data that is no regular file (a FIFO, a
// device, a link to /dev/zero) is refused at once with that file's read failure, without being
// opened: it must not hang the mailbox session, make a search run for ever, release a FIFO's
// writer or arm a device. Links: whatever a symbolic link in the directory points at, no file
// outside the directory is ever written, and a backup that is another name of the table is
// replaced like any other. Time stamps past 2038 are ordinary.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using scratch::boardmap;
using scratch::mailbox_dir;

const std::string old_table = "alle      allgem  \ndx        dxnews  \n";
const std::string added_table = "alle      allgem  \nb         c       \ndx        dxnews  \n";
const std::string run_data_failure = "Error reading RUNDAT.KVD!\n";
const std::string table_failure = "Error reading BOARDMAP.KVD !\n";

void make_fifo(const mailbox_dir& dir, const std::string& name) {
    ASSERT_EQ(::mkfifo(dir.file(name).c_str(), 0644), 0);
}

void make_link(const mailbox_dir& dir, const std::string& name, const std::string& target) {
    std::filesystem::create_symlink(target, dir.file(name));
}

struct odd_file {
    const char* name;
    const char* file;
    std::function<void(const mailbox_dir&, const std::string&)> make;
    const std::string& message;
};

void PrintTo(const odd_file& o, std::ostream* os) {
    *os << o.name;
}

class NotRegular : public ::testing::TestWithParam<odd_file> {};

// Never opened either: a FIFO's waiting writer stays blocked (a search's open, even a
// non-blocking one, would release it), and a device is never touched.
TEST_P(NotRegular, RefusedAtOnce) {
    const odd_file& odd = GetParam();
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"dx"}, {"+", "b", "c"}, {"-", "dx"}}) {
        SCOPED_TRACE(words[0]);
        mailbox_dir dir;
        scratch::set_up(dir, old_table);
        std::filesystem::remove(dir.file(odd.file));
        odd.make(dir, odd.file);
        std::optional<scratch::fifo_writer> writer;
        if (std::filesystem::is_fifo(dir.file(odd.file))) {
            writer.emplace(dir.file(odd.file));
        }
        const auto names = dir.names();
        const auto run = boardmap(dir, words);
        EXPECT_EQ(run.out, odd.message);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(dir.names(), names);
        if (writer) {
            EXPECT_FALSE(writer->released());
        }
    }
}

const auto fifo = [](const mailbox_dir& dir, const std::string& name) { make_fifo(dir, name); };
const auto zero = [](const mailbox_dir& dir, const std::string& name) {
    make_link(dir, name, "/dev/zero");
};
const auto null = [](const mailbox_dir& dir, const std::string& name) {
    make_link(dir, name, "/dev/null");
};

INSTANTIATE_TEST_SUITE_P(
    Files, NotRegular,
    ::testing::Values(odd_file{"table_fifo", "boardmap.kvd", fifo, table_failure},
                      odd_file{"table_zero", "boardmap.kvd", zero, table_failure},
                      odd_file{"table_null", "boardmap.kvd", null, table_failure},
                      odd_file{"run_data_fifo", "rundat.kvd", fifo, run_data_failure},
                      odd_file{"run_data_zero", "rundat.kvd", zero, run_data_failure}),
    [](const auto& info) { return std::string(info.param.name); });

// A symbolic link at each name the tool writes, pointing out of the mailbox directory: the
// change is made, the table is a regular file afterwards, and the file outside is untouched.
TEST(Links, NothingOutsideIsWritten) {
    for (const char* name :
         {"boardmap.kvd", "boardmap.bak", ".boardmap.kvd.new", ".boardmap.kvd.old"}) {
        SCOPED_TRACE(name);
        mailbox_dir dir;
        mailbox_dir outside;
        scratch::set_up(dir, old_table);
        const std::string target_bytes =
            std::string(name) == "boardmap.kvd" ? old_table : "outside the mailbox\n";
        outside.write("target", target_bytes);
        std::filesystem::remove(dir.file(name));
        make_link(dir, name, outside.file("target"));

        const auto run = boardmap(dir, {"+", "b", "c"});
        EXPECT_EQ(run.out, "3 entries written.\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(outside.read("target"), target_bytes);
        EXPECT_TRUE(std::filesystem::is_regular_file(
            std::filesystem::symlink_status(dir.file("boardmap.kvd"))));
        EXPECT_EQ(dir.read("boardmap.kvd"), added_table);
        EXPECT_EQ(dir.read("boardmap.bak"), old_table);
        EXPECT_EQ(dir.names(), scratch::table_files(true));
    }
}

// ln boardmap.kvd boardmap.bak: the backup becomes the previous table, no scratch name stays,
// and the next change works as ever.
TEST(Links, BackupThatIsAnotherNameOfTheTable) {
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    ASSERT_EQ(::link(dir.file("boardmap.kvd").c_str(), dir.file("boardmap.bak").c_str()), 0);
    const auto first = boardmap(dir, {"+", "b", "c"});
    EXPECT_EQ(first.out, "3 entries written.\n");
    EXPECT_EQ(dir.read("boardmap.bak"), old_table);
    EXPECT_EQ(dir.names(), scratch::table_files(true));
    const auto next = boardmap(dir, {"-", "b"});
    EXPECT_EQ(next.status, 0) << next.out;
    EXPECT_EQ(dir.read("boardmap.kvd"), old_table);
    EXPECT_EQ(dir.read("boardmap.bak"), added_table);
    EXPECT_EQ(dir.names(), scratch::table_files(true));
}

#ifndef BOARDMAP_SANITIZED // the sanitizers read their options and look for leaks through /proc
// In a child: leaves /proc behind where it is mounted, by unmounting it in a mount namespace of
// the child's own (its mount made private first, so that the unmount stays there). False where
// that is refused: no root, no mount namespace.
bool without_proc_here() {
    return ::access("/proc/self", F_OK) != 0 ||
           (::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/proc", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::umount2("/proc", MNT_DETACH) == 0);
}

// Where /proc is not mounted (a chroot without it), a file found to be a regular file is opened
// by name and kept only if it is the one found: every command works as with /proc, also through
// a link, and a FIFO is still refused unopened. Where /proc is mounted, each run unmounts it for
// itself, which needs root and a mount namespace.
TEST(NeedsRootMountNamespace, WithoutProcCommandsWorkAndOddFilesAreRefused) {
    if (scratch::run_in_child("/", [] { ::_exit(without_proc_here() ? 0 : 125); }).status != 0) {
        GTEST_SKIP() << "needs root and a mount namespace of its own, to unmount /proc for a run";
    }
    const auto without_proc = [](const mailbox_dir& dir, std::vector<std::string> words) {
        words.insert(words.begin(), BOARDMAP_EXE);
        return scratch::run_in_child(dir.path(), [&] {
            if (!without_proc_here()) {
                ::_exit(125);
            }
            std::vector<char*> args;
            for (std::string& word : words) {
                args.push_back(word.data());
            }
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(126);
        });
    };
    mailbox_dir dir;
    mailbox_dir outside;
    outside.write("table", old_table);
    scratch::set_up(dir, "");
    std::filesystem::remove(dir.file("boardmap.kvd"));
    make_link(dir, "boardmap.kvd", outside.file("table"));
    EXPECT_EQ(without_proc(dir, {"dx"}).out, scratch::list_header + "dx        dxnews  \n");
    EXPECT_EQ(without_proc(dir, {"+", "b", "c"}).out, "3 entries written.\n");
    EXPECT_EQ(without_proc(dir, {"-", "b"}).status, 0);
    EXPECT_EQ(dir.read("boardmap.kvd"), old_table);
    EXPECT_EQ(dir.read("boardmap.bak"), added_table);

    std::filesystem::remove(dir.file("boardmap.kvd"));
    make_fifo(dir, "boardmap.kvd");
    scratch::fifo_writer writer(dir.file("boardmap.kvd"));
    EXPECT_EQ(without_proc(dir, {"dx"}).out, table_failure);
    EXPECT_FALSE(writer.released());
}
#endif
// A host whose clock once ran ahead, or files restored from one: with a 32-bit time stamp every
// stat of such a file fails, and with it every command.
TEST(TimeStamps, PastTwentyThirtyEight) {
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    dir.write("boardmap.bak", old_table);
    const struct {
        std::vector<std::string> words;
        std::string out;
    } runs[] = {
        {{"dx"}, scratch::list_header + "dx        dxnews  \n"},
        {{"+", "b", "c"}, "3 entries written.\n"},
        {{"-", "alle"}, "Entry \"alle      allgem  \" deleted!\n2 entries written.\n"},
    };
    const timespec in_2040[2] = {{2'208'988'800, 0}, {2'208'988'800, 0}}; // 2040-01-01 00:00 UTC
    for (const auto& run : runs) {
        SCOPED_TRACE(run.words[0]);
        for (const char* name : {".", "rundat.kvd", "boardmap.kvd", "boardmap.bak"}) {
            ASSERT_EQ(::utimensat(AT_FDCWD, dir.file(name).c_str(), in_2040, 0), 0) << name;
        }
        const auto result = boardmap(dir, run.words);
        EXPECT_EQ(result.out, run.out);
        EXPECT_EQ(result.status, 0);
    }
    EXPECT_EQ(dir.read("boardmap.kvd"), "b         c       \ndx        dxnews  \n");
    EXPECT_EQ(dir.names(), scratch::table_files(true));
}

} // namespace
