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
const std::string found_dx = scratch::list_header + "dx        dxnews  \n";

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

// Files far larger than any of their kind: a sparse file of 10 TiB, a table with such a tail, a
// /proc file that never ends. Each is its own read failure at once, not a run that reads until it
// is killed. A table of a megabyte, the most a table file may hold, is read.
struct huge_file {
    const char* name;
    const char* file;
    std::string start; // the file's first bytes
    off_t size;        // made sparse up to this size; 0: a link to /proc/self/pagemap
    std::vector<std::string> words;
    std::string message;
};

void PrintTo(const huge_file& h, std::ostream* os) {
    *os << h.name;
}

class HugeFile : public ::testing::TestWithParam<huge_file> {};

TEST_P(HugeFile, RefusedAtOnce) {
    const huge_file& h = GetParam();
    mailbox_dir dir;
    scratch::set_up(dir, old_table);
    dir.write(h.file, h.start);
    if (h.size == 0) {
        std::filesystem::remove(dir.file(h.file));
        make_link(dir, h.file, "/proc/self/pagemap");
    } else if (::truncate(dir.file(h.file).c_str(), h.size) != 0) {
        GTEST_SKIP() << "the filesystem of the temporary directory holds no file of that size";
    }
    const auto names = dir.names();
    const auto run = boardmap(dir, h.words);
    EXPECT_EQ(run.out, h.message);
    EXPECT_EQ(run.status, h.message == found_dx ? 0 : 1);
    EXPECT_EQ(dir.names(), names);
}

constexpr off_t ten_tebibytes = off_t{10} << 40;
constexpr off_t table_limit = off_t{1} << 20;

INSTANTIATE_TEST_SUITE_P(
    Files, HugeFile,
    ::testing::Values(
        huge_file{"run_data_sparse",
                  "rundat.kvd",
                  scratch::sysop_run_data,
                  ten_tebibytes,
                  {"dx"},
                  run_data_failure},
        huge_file{"run_data_without_end", "rundat.kvd", "", 0, {"dx"}, run_data_failure},
        huge_file{"table_sparse", "boardmap.kvd", "", ten_tebibytes, {"dx"}, table_failure},
        huge_file{"table_with_a_sparse_tail_add",
                  "boardmap.kvd",
                  old_table,
                  ten_tebibytes,
                  {"+", "b", "c"},
                  table_failure},
        huge_file{"table_with_a_sparse_tail_delete",
                  "boardmap.kvd",
                  old_table,
                  ten_tebibytes,
                  {"-", "dx"},
                  table_failure},
        huge_file{"table_without_end", "boardmap.kvd", "", 0, {"dx"}, table_failure},
        huge_file{"table_a_byte_past_the_limit",
                  "boardmap.kvd",
                  old_table,
                  table_limit + 1,
                  {"dx"},
                  table_failure},
        huge_file{"table_at_the_limit", "boardmap.kvd", old_table, table_limit, {"dx"}, found_dx}),
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
// In a child: a mount namespace of its own in which the kernel's /proc is left behind: made
// private first, so that nothing done to it reaches the machine's mounts (a chroot's / is no
// mount point to make private), then unmounted, or covered, given a path, by a /proc of plain
// files whose self/fd/N, for the descriptors the tool uses, are links to it (a chroot whose
// /proc the mailbox's user may write). False where that is refused: no root, no mount
// namespace, no /proc mounted to cover.
bool leave_kernels_proc(const std::string& fake_fd_target) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/proc", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return false;
    }
    if (fake_fd_target.empty()) {
        return ::umount2("/proc", MNT_DETACH) == 0;
    }
    std::error_code error;
    if (::mount("fake", "/proc", "tmpfs", 0, nullptr) != 0 ||
        !std::filesystem::create_directories("/proc/self/fd", error)) {
        return false;
    }
    for (int fd = 3; fd < 16; ++fd) {
        std::filesystem::create_symlink(fake_fd_target, "/proc/self/fd/" + std::to_string(fd));
    }
    return true;
}

bool kernels_proc_mounted() {
    return ::access("/proc/self", F_OK) == 0;
}

// Whether this machine lets a run leave the kernel's /proc behind, as above.
bool kernels_proc_can_be_left(const std::string& fake_fd_target = "") {
    return scratch::run_in_child("/", [&] {
               ::_exit(leave_kernels_proc(fake_fd_target) ? 0 : 125);
           }).status == 0;
}

// Runs the tool without the kernel's /proc: where it is mounted, in a mount namespace of its
// own without it (none, or the fake one given a path); where it is not, as it is.
scratch::outcome without_kernels_proc(const mailbox_dir& dir, std::vector<std::string> words,
                                      const std::string& fake_fd_target = "") {
    words.insert(words.begin(), BOARDMAP_EXE);
    return scratch::run_in_child(dir.path(), [&] {
        if (kernels_proc_mounted() && !leave_kernels_proc(fake_fd_target)) {
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
}

// Where /proc is not mounted (a chroot without it), a file found to be a regular file is opened
// by name and kept only if it is the one found: every command works as with /proc, also through
// a link, and a FIFO is still refused unopened. Where /proc is mounted, each run leaves it
// behind for itself, which needs root and a mount namespace.
TEST(NeedsRootMountNamespace, WithoutProcCommandsWorkAndOddFilesAreRefused) {
    if (kernels_proc_mounted() && !kernels_proc_can_be_left()) {
        GTEST_SKIP() << "needs root and a mount namespace of its own, to unmount /proc for a run";
    }
    const auto without_proc = [](const mailbox_dir& dir, std::vector<std::string> words) {
        return without_kernels_proc(dir, std::move(words));
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

// A /proc that is not the kernel's is not trusted: the file found is opened by name as where
// there is no /proc, never through the links that stand in /proc/self/fd, here at a FIFO whose
// writer waits. Needs root, a mount namespace and a mounted /proc, to cover it for a run alone.
TEST(NeedsRootMountNamespace, ProcNotTheKernelsIsNotTrusted) {
    if (!kernels_proc_mounted() || !kernels_proc_can_be_left("/")) {
        GTEST_SKIP() << "needs root, a mount namespace and /proc mounted, to cover /proc for a run";
    }
    mailbox_dir dir;
    mailbox_dir outside;
    scratch::set_up(dir, old_table);
    make_fifo(outside, "fifo");
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"dx"}, {"+", "b", "c"}, {"-", "b"}}) {
        SCOPED_TRACE(words[0]);
        scratch::fifo_writer writer(outside.file("fifo"));
        const auto run = without_kernels_proc(dir, words, outside.file("fifo"));
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_FALSE(writer.released());
    }
    EXPECT_EQ(dir.read("boardmap.kvd"), old_table);
    EXPECT_EQ(dir.read("boardmap.bak"), added_table);
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
