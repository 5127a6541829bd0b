// A change stopped by SIGKILL at any of its system calls leaves boardmap.kvd the complete old or
// the complete new table and loses neither the old table nor the backup, and the next change
// finishes or drops what it left. A change that sees any of its system calls fail (EIO or
// ENOSPC, once or from that call on) reports what the table holds: the change and status 0
// once the new table is in place, else one failure message, status 1 and the old table; a failed
// sync of the directory after the new table went into place is a failed change too, since a
// power cut may then bring the old table back.
// strace (ptrace) stops or fails the chosen call, so this holds for a static binary too. Every
// call of a plain run is tried in turn, also where the filesystem cannot exchange two names.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using scratch::boardmap;
using scratch::contents;
using scratch::mailbox_dir;
using scratch::outcome;

const std::string old_table = "alle   allgem\ndx dxnews\n";
const std::string old_backup = "older table\n";
const std::vector<std::string> failure_messages = {"Error reading RUNDAT.KVD!\n",
                                                   "Error reading BOARDMAP.KVD !\n",
                                                   "Error writing BOARDMAP.KVD!\n"};

struct command {
    const char* name;
    std::vector<std::string> words;
    std::string new_table;
    std::string answer;
};

const command add{"add",
                  {"+", "b", "c"},
                  "alle      allgem  \nb         c       \ndx        dxnews  \n",
                  "3 entries written.\n"};
const command remove_dx{"delete",
                        {"-", "dx"},
                        "alle   allgem\n",
                        "Entry \"dx        dxnews  \" deleted!\n1 entries written.\n"};

// The filesystem as strace makes it look: as it is, or refusing to exchange two names.
struct filesystem {
    const char* name;
    std::vector<std::string> strace_words;
};

const filesystem exchanging{"exchange", {}};
const filesystem not_exchanging{"no_exchange", {"-e", "inject=renameat2:error=EINVAL"}};

struct fault {
    const char* name;
    const char* action;
    bool from_then_on;
};

const fault faults[] = {{"kill", "signal=KILL", false},
                        {"EIO", "error=EIO", false},
                        {"ENOSPC", "error=ENOSPC", false},
                        {"EIO_from_then_on", "error=EIO", true},
                        {"ENOSPC_from_then_on", "error=ENOSPC", true}};

bool kills(const fault& f) {
    return std::string_view(f.action) == "signal=KILL";
}

// The k-th call of a system call in the run.
struct system_call {
    std::string name;
    int occurrence;
    bool syncs_directory = false; // the sync of the mailbox directory, once the table is in place
};

outcome traced(const mailbox_dir& dir, const filesystem& fs, std::vector<std::string> words,
               const std::string& trace_file = "/dev/null") {
    std::vector<std::string> argv = {STRACE_EXE, "-f", "-qq", "-o", trace_file};
    argv.insert(argv.end(), fs.strace_words.begin(), fs.strace_words.end());
    argv.push_back(BOARDMAP_EXE);
    argv.insert(argv.end(), words.begin(), words.end());
    // The leak checker would need to ptrace the tool itself.
    return scratch::run_program(dir.path(), argv, {"ASAN_OPTIONS=detect_leaks=0"});
}

void set_up_old(const mailbox_dir& dir) {
    scratch::set_up(dir, old_table);
    dir.write("boardmap.bak", old_backup);
}

// The calls of a plain run from the start of main, where the tool first ignores SIGPIPE: the
// loader's and the C library's start-up before it are not the tool's. The run's end is left out.
std::vector<system_call> calls_of(const command& cmd, const filesystem& fs) {
    mailbox_dir dir;
    mailbox_dir trace_dir;
    set_up_old(dir);
    const outcome plain = traced(dir, fs, cmd.words, trace_dir.file("trace"));
    EXPECT_EQ(plain.status, 0) << plain.out << plain.err;
    EXPECT_EQ(plain.out, cmd.answer);

    std::vector<system_call> calls;
    std::map<std::string, int> seen;
    bool in_main = false;
    std::string directory_sync = "<none>"; // "(N)" once the directory is open as descriptor N
    std::ifstream trace(trace_dir.file("trace"));
    // A call that another thread (the emulator's, under qemu-user) interrupts in the trace is
    // split into "<unfinished ...>" and "<... name resumed>": it is joined again, by thread.
    constexpr std::string_view unfinished = " <unfinished ...>";
    constexpr std::string_view resumed = " resumed>";
    std::map<std::string, std::string> interrupted;
    for (std::string line; std::getline(trace, line);) {
        const std::string thread = line.substr(0, line.find(' '));
        if (line.ends_with(unfinished)) {
            interrupted[thread] = line.substr(0, line.size() - unfinished.size());
            continue;
        }
        if (const std::size_t at = line.find(resumed); at != std::string::npos) {
            line = interrupted[thread] + line.substr(at + resumed.size());
        }
        const std::size_t start = line.find_first_not_of("0123456789 ");
        const std::size_t end = line.find('(', start);
        if (start == std::string::npos || end == std::string::npos) {
            continue;
        }
        const std::string name = line.substr(start, end - start);
        if (name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") != std::string::npos) {
            continue;
        }
        const int occurrence = ++seen[name];
        in_main = in_main || line.compare(end, 9, "(SIGPIPE,") == 0;
        if (name == "openat" && line.find("(AT_FDCWD, \".\", ") != std::string::npos) {
            directory_sync = "(" + line.substr(line.rfind(' ') + 1) + ")";
        }
        if (in_main && name != "exit_group") {
            calls.push_back(
                {name, occurrence,
                 name == "fsync" && line.compare(end, directory_sync.size(), directory_sync) == 0});
        }
    }
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const system_call& call) { return call.syncs_directory; }),
              1)
        << "the sync of the directory was not found in the trace";
    EXPECT_GT(calls.size(), 20u) << "the run's calls were not found in its trace";
    return calls;
}

bool is_prefix(const std::string& text, const std::string& of) {
    return of.compare(0, text.size(), text) == 0;
}

// What a run that met the fault may leave: the table old or new, the old table and the old
// backup kept (under a scratch name at most), and a report that agrees with the table.
std::string check_faulty_run(const command& cmd, const fault& f, const system_call& call,
                             const outcome& run, const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files) {
        if (name != "rundat.kvd" && name != "boardmap.kvd" && name != "boardmap.bak" &&
            name != ".boardmap.kvd.new" && name != ".boardmap.kvd.old") {
            return "a stray file " + name;
        }
    }
    const std::string table = files.count("boardmap.kvd") ? files.at("boardmap.kvd") : "<none>";
    const bool changed = table == cmd.new_table;
    if (!changed && table != old_table) {
        return "boardmap.kvd is neither the old nor the new table: " + scratch::visible(table);
    }
    const std::string& kept = changed ? old_table : old_backup;
    const auto holds_kept = [&](const char* name) {
        const auto file = files.find(name);
        return file != files.end() && file->second == kept;
    };
    if (!holds_kept("boardmap.bak") && !(changed && holds_kept(".boardmap.kvd.old"))) {
        return "the table before the change is lost";
    }
    if (kills(f)) {
        return run.status == -1 ? "" : "not killed";
    }
    if (!run.err.empty()) {
        return "standard error: " + run.err;
    }
    if (call.syncs_directory) {
        // After a power cut the old table may be back: the change cannot be reported as made.
        return changed && run.status == 1 && run.out == failure_messages[2]
                   ? ""
                   : "a failed sync of the directory reported with status " +
                         std::to_string(run.status) + " and " + scratch::visible(run.out);
    }
    const bool answer_lost = call.name.rfind("write", 0) == 0;
    if (changed) {
        if (run.status == 0) {
            return run.out == cmd.answer ? "" : "success reported as " + scratch::visible(run.out);
        }
        return run.status == 1 && answer_lost && run.out.size() < cmd.answer.size() &&
                       is_prefix(run.out, cmd.answer)
                   ? ""
                   : "the change is made, but status " + std::to_string(run.status) + " and " +
                         scratch::visible(run.out);
    }
    if (run.status != 1) {
        return "the old table is in place, but status " + std::to_string(run.status);
    }
    for (const std::string& message : failure_messages) {
        if (run.out == message || (answer_lost && is_prefix(run.out, message))) {
            return "";
        }
    }
    return "the failure reported as " + scratch::visible(run.out);
}

// The next change (one that finds nothing to delete) completes or drops what the run left.
std::string check_recovery(const mailbox_dir& dir, const std::string& table) {
    const outcome run = boardmap(dir, {"-", "nix"});
    if (run.status != 1 || run.out != scratch::no_entry) {
        return "the next change failed: " + scratch::visible(run.out);
    }
    if (dir.names() != scratch::table_files(true)) {
        return "scratch files are left after the next change";
    }
    if (dir.read("boardmap.kvd") != table) {
        return "the next change altered the table";
    }
    const std::string backup = table == old_table ? old_backup : old_table;
    if (dir.read("boardmap.bak") != backup) {
        return "the backup is not the table before the change: " +
               scratch::visible(dir.read("boardmap.bak"));
    }
    const outcome change = boardmap(dir, {"+", "q", "r"});
    if (change.status != 0 || dir.read("boardmap.bak") != table ||
        dir.names() != scratch::table_files(true)) {
        return "the change after it failed: " + scratch::visible(change.out);
    }
    return "";
}

std::string run_case(const command& cmd, const filesystem& fs, const fault& f,
                     const system_call& call) {
    mailbox_dir dir;
    set_up_old(dir);
    filesystem faulty = fs;
    faulty.strace_words.insert(
        faulty.strace_words.end(),
        {"-e", "trace=" + call.name + (fs.strace_words.empty() ? "" : ",renameat2"), "-e",
         "inject=" + call.name + ":" + f.action + ":when=" + std::to_string(call.occurrence) +
             (f.from_then_on ? "+" : "")});
    if (!kills(f)) {
        // Only the calls concerned stop the tool, which keeps a case fast; strace 6.1 delivers
        // no injected signal this way.
        faulty.strace_words.push_back("--seccomp-bpf");
    }
    const outcome run = traced(dir, faulty, cmd.words);
    const std::string problem = check_faulty_run(cmd, f, call, run, contents(dir));
    return problem.empty() ? check_recovery(dir, dir.read("boardmap.kvd")) : problem;
}

void PrintTo(const command& c, std::ostream* os) {
    *os << c.name;
}
void PrintTo(const filesystem& fs, std::ostream* os) {
    *os << fs.name;
}
void PrintTo(const fault& f, std::ostream* os) {
    *os << f.name;
}

class SystemCallFault : public ::testing::TestWithParam<std::tuple<command, filesystem, fault>> {};

#ifdef BOARDMAP_EMULATED
// Under qemu-user strace sees the emulator, which makes the tool's file calls one for one but
// these for itself (memory, its threads' locks and their start, signal masks, random numbers)
// and aborts when one fails: they are the emulator's, and the native runs try the tool's own. A
// thread of the emulator starts while the tool runs, so the calls of its start are not even
// made at the same point in every run.
bool emulators_own(const std::string& name) {
    for (const char* own : {"brk", "mmap", "munmap", "mprotect", "madvise", "futex", "getrandom",
                            "rt_sigprocmask", "set_robust_list", "rseq"}) {
        if (name == own) {
            return true;
        }
    }
    return false;
}
#endif

TEST_P(SystemCallFault, TableKeptAndReported) {
    const auto& [cmd, fs, f] = GetParam();
    int cases = 0;
    int failures = 0;
    for (const system_call& call : calls_of(cmd, fs)) {
        if (!fs.strace_words.empty() && call.name == "renameat2") {
            continue; // refused by the filesystem every time
        }
#ifdef BOARDMAP_SANITIZED
        if (!kills(f) && (call.name == "mmap" || call.name == "munmap")) {
            continue; // the sanitizer's allocator maps memory for itself, and dies without it
        }
#endif
#ifdef BOARDMAP_EMULATED
        if (emulators_own(call.name)) {
            continue;
        }
#endif
        ++cases;
        const std::string problem = run_case(cmd, fs, f, call);
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << f.name << " at " << call.name << " #" << call.occurrence << ": "
                          << problem;
        }
    }
    std::printf("%s %s %s: %d cases, %d failures\n", cmd.name, fs.name, f.name, cases, failures);
    RecordProperty("cases", cases);
    RecordProperty("failures", failures);
}

INSTANTIATE_TEST_SUITE_P(EveryCall, SystemCallFault,
                         ::testing::Combine(::testing::Values(add, remove_dx),
                                            ::testing::Values(exchanging, not_exchanging),
                                            ::testing::ValuesIn(faults)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name + "_" +
                                    std::get<2>(info.param).name;
                         });

// The previous table becomes the backup by its inode: it is synced (the descriptor it was read
// from, which strace -y shows by its name) before the new table takes its name, so that a power
// cut right after a hand edit cannot leave a backup the edit had not yet brought to disk.
TEST(BackupSync, PreviousTableSyncedBeforeItBecomesTheBackup) {
    for (const command& cmd : {add, remove_dx}) {
        SCOPED_TRACE(cmd.name);
        mailbox_dir dir;
        mailbox_dir trace_dir;
        set_up_old(dir);
        const filesystem syncs{"syncs", {"-y", "-e", "trace=fsync,renameat2"}};
        EXPECT_EQ(traced(dir, syncs, cmd.words, trace_dir.file("trace")).out, cmd.answer);
        std::ifstream trace(trace_dir.file("trace"));
        bool synced = false;
        bool exchanged_after_sync = false;
        for (std::string line; std::getline(trace, line);) {
            const bool syncs_table =
                (line.starts_with("fsync(") || line.find(" fsync(") != std::string::npos) &&
                line.find("/boardmap.kvd>) = 0") != std::string::npos;
            synced = synced || syncs_table;
            exchanged_after_sync =
                exchanged_after_sync || (synced && line.find("renameat2(") != std::string::npos);
        }
        EXPECT_TRUE(exchanged_after_sync) << "no sync of boardmap.kvd before the exchange";
    }
}

} // namespace
