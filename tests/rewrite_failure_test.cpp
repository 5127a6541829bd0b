// The table is never lost: whichever step of the rewrite fails, the run says so, ends with
// status 1, and leaves the mailbox directory exactly as it found it (the old table, the old
// backup, no scratch file). Faults here are made by a file size limit and by names in the
// directory that no new file can take; root ignores permission bits, so none of this relies on
// them. A fault at every system call in turn: system_call_fault_test.cpp.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using scratch::boardmap;
using scratch::contents;
using scratch::mailbox_dir;
using scratch::outcome;
using scratch::set_up;

const std::string write_failure = "Error writing BOARDMAP.KVD!\n";
// Written by hand, so that an add would change every line of it.
const std::string old_table = "alle   allgem\ndx dxnews\nzz\ttop\n";
const std::string old_backup = "older table\n";

// A directory in the way of a name; the file inside keeps it from being removed.
void block_name(const mailbox_dir& dir, const std::string& name) {
    std::filesystem::create_directory(dir.file(name));
    dir.write(name + "/keep", "x");
}

struct command {
    const char* name;
    std::vector<std::string> words;
};

void PrintTo(const command& c, std::ostream* os) {
    *os << c.name;
}

const command add{"add", {"+", "b", "c"}};
const command remove_dx{"delete", {"-", "dx"}};

// A failed add prints the failure alone; a delete may have named its line before failing.
void expect_failure_reported(const command& cmd, const outcome& result) {
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "");
    if (cmd.words[0] == "+") {
        EXPECT_EQ(result.out, write_failure);
    } else {
        ASSERT_GE(result.out.size(), write_failure.size()) << result.out;
        EXPECT_EQ(result.out.substr(result.out.size() - write_failure.size()), write_failure);
    }
}

// The old table, and the old backup beside it when asked for.
void set_up_old(const mailbox_dir& dir, const std::string& table, bool with_backup) {
    set_up(dir, table);
    if (with_backup) {
        dir.write("boardmap.bak", old_backup);
    }
}

// A directory in the way of the name: the command fails and leaves every file as it was.
void expect_blocked_name_fails(const std::string& name, const command& cmd, bool with_backup) {
    mailbox_dir dir;
    set_up_old(dir, old_table, with_backup);
    block_name(dir, name);
    const auto before = contents(dir);
    const auto result = boardmap(dir, cmd.words);
    expect_failure_reported(cmd, result);
    EXPECT_EQ(contents(dir), before);
}

class DirectoryFault : public ::testing::TestWithParam<std::tuple<command, bool /*backup*/>> {};

// A stale scratch name that is a directory survives the clean-up of stale scratch files, and
// the new table cannot be created under it.
TEST_P(DirectoryFault, NewTableNameTaken) {
    const auto& [cmd, with_backup] = GetParam();
    expect_blocked_name_fails(".boardmap.kvd.new", cmd, with_backup);
}

// The second name for the old table is taken: the link fails.
TEST_P(DirectoryFault, PreviousTableNameTaken) {
    const auto& [cmd, with_backup] = GetParam();
    expect_blocked_name_fails(".boardmap.kvd.old", cmd, with_backup);
}

INSTANTIATE_TEST_SUITE_P(Commands, DirectoryFault,
                         ::testing::Combine(::testing::Values(add, remove_dx), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_with_backup" : "_first_backup");
                         });

// A backup name that the previous table cannot take (neither absent, nor a regular file, nor a
// symbolic link) is refused before anything changes, also when a previous table left by a
// killed change waits under its scratch name; once the name is free, the next change completes
// the waiting backup and is made.
TEST(BackupNameUnusable, RefusedBeforeAnythingChanges) {
    const std::string previous = "dx dxnews\n";
    const std::vector<std::pair<const char*, std::function<void(const mailbox_dir&)>>> backups = {
        {"FIFO",
         [](const mailbox_dir& dir) {
             ASSERT_EQ(::mkfifo(dir.file("boardmap.bak").c_str(), 0644), 0);
         }},
        {"empty directory",
         [](const mailbox_dir& dir) {
             std::filesystem::create_directory(dir.file("boardmap.bak"));
         }},
        {"directory", [](const mailbox_dir& dir) { block_name(dir, "boardmap.bak"); }}};
    for (const auto& [what, make] : backups) {
        for (const command& cmd : {add, remove_dx}) {
            for (const bool previous_waiting : {false, true}) {
                SCOPED_TRACE(std::string(what) + ", " + cmd.name +
                             (previous_waiting ? ", previous table waiting" : ""));
                mailbox_dir dir;
                set_up(dir, old_table);
                make(dir);
                if (previous_waiting) {
                    dir.write(".boardmap.kvd.old", previous);
                }
                const auto before = contents(dir);
                const auto refused = boardmap(dir, cmd.words);
                EXPECT_EQ(refused.out, write_failure);
                EXPECT_EQ(refused.status, 1);
                EXPECT_EQ(contents(dir), before);

                std::filesystem::remove_all(dir.file("boardmap.bak"));
                const auto made = boardmap(dir, cmd.words);
                EXPECT_EQ(made.status, 0) << made.out;
                EXPECT_NE(dir.read("boardmap.kvd"), old_table);
                EXPECT_EQ(dir.read("boardmap.bak"), old_table);
                EXPECT_EQ(dir.names(), scratch::table_files(true));
            }
        }
    }
}

// A change killed half-way is finished or dropped by the next change, whatever that one does;
// files of the sysop's own that merely look like scratch files are never touched.
TEST(InterruptedChange, FinishedOrDroppedByTheNextChange) {
    const std::string previous = "dx dxnews\n";
    mailbox_dir dir;
    set_up(dir, old_table);
    dir.write("boardmap.bak", old_backup);
    dir.write(".boardmap.kvd.new", "half a tab");
    dir.write(".boardmap.kvd.old", previous); // the table before, on its way to the backup
    for (const char* own : {"boardmap.new", "boardmap.old", "boardmap.tmp"}) {
        dir.write(own, std::string("sysop's ") + own);
    }
    const auto result = boardmap(dir, {"-", "nix"});
    EXPECT_EQ(result.out, scratch::no_entry);
    EXPECT_EQ(result.status, 1);
    auto expected = contents(dir);
    expected.erase(".boardmap.kvd.new");
    expected.erase(".boardmap.kvd.old");
    expected["boardmap.bak"] = previous;
    expected["boardmap.kvd"] = old_table;
    EXPECT_EQ(contents(dir), expected);
}

TEST(InterruptedChange, SecondNameOfTheTableIsDropped) {
    mailbox_dir dir;
    set_up(dir, old_table);
    dir.write("boardmap.bak", old_backup);
    ASSERT_EQ(::link(dir.file("boardmap.kvd").c_str(), dir.file(".boardmap.kvd.old").c_str()), 0);
    const auto before = contents(dir);
    const auto result = boardmap(dir, {"-", "nix"});
    EXPECT_EQ(result.status, 1);
    auto expected = before;
    expected.erase(".boardmap.kvd.old");
    EXPECT_EQ(contents(dir), expected);
}

TEST(InterruptedChange, SysopsOwnLookalikesSurviveChanges) {
    for (const command& cmd : {add, remove_dx}) {
        SCOPED_TRACE(cmd.name);
        mailbox_dir dir;
        set_up(dir, old_table);
        for (const char* own : {"boardmap.new", "boardmap.old", "boardmap.tmp"}) {
            dir.write(own, std::string("sysop's ") + own);
        }
        const auto result = boardmap(dir, cmd.words);
        EXPECT_EQ(result.status, 0) << result.out;
        for (const char* own : {"boardmap.new", "boardmap.old", "boardmap.tmp"}) {
            EXPECT_EQ(dir.read(own), std::string("sysop's ") + own);
        }
        EXPECT_EQ(dir.read("boardmap.bak"), old_table);
    }
}

// Runs the tool under a file size limit smaller than the new table; SIGXFSZ ignored, so the
// write fails with EFBIG instead of killing the run.
outcome boardmap_with_size_limit(const mailbox_dir& dir, std::vector<std::string> words,
                                 rlim_t limit) {
    words.insert(words.begin(), BOARDMAP_EXE);
    return scratch::run_in_child(dir.path(), [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit size_limit{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &size_limit) != 0) {
            ::_exit(125);
        }
        std::vector<char*> args;
        for (std::string& word : words) {
            args.push_back(word.data());
        }
        args.push_back(nullptr);
        ::execve(args[0], args.data(), environ);
        ::_exit(126);
    });
}

TEST(SizeLimitFault, WriteFailsPastTheLimit) {
    std::string big_table;
    for (int i = 0; i < 100; ++i) {
        big_table.append("b").append(std::to_string(1000 + i)).append("     x       \n");
    }
    for (const command& cmd : {add, command{"delete", {"-", "b1000"}}}) {
        for (const bool with_backup : {false, true}) {
            SCOPED_TRACE(std::string(cmd.name) + (with_backup ? " with backup" : ""));
            mailbox_dir dir;
            set_up_old(dir, big_table, with_backup);
            const auto before = contents(dir);
            const auto result = boardmap_with_size_limit(dir, cmd.words, 1024);
            expect_failure_reported(cmd, result);
            EXPECT_EQ(dir.read("boardmap.kvd"), big_table);
            EXPECT_EQ(contents(dir), before);
        }
    }
}

} // namespace
