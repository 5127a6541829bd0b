// A run whose answer cannot be written (standard output closed, a full device, a pipe whose
// reader has gone, a file past the size limit, a terminal that hung up) ends with status 1,
// never by a signal (SIGPIPE, SIGXFSZ, SIGHUP) and never with status 0; a change it made stays
// made, and a closed standard output never becomes a file's descriptor.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using scratch::mailbox_dir;
using scratch::outcome;

const std::string old_table = "alle      allgem  \ndx        dxnews  \n";

enum class sink {
    closed,
    closed_with_standard_error,
    full_device,
    pipe_without_reader,
    file_past_size_limit,
    lost_terminal
};

struct lost_answer {
    const char* name;
    sink where;
};

void PrintTo(const lost_answer& l, std::ostream* os) {
    *os << l.name;
}

// Sets up standard output as the case asks, in the child that then becomes the tool.
void point_output(sink where) {
    if (where == sink::closed || where == sink::closed_with_standard_error) {
        ::close(1);
        if (where == sink::closed_with_standard_error) {
            ::close(2);
        }
    } else if (where == sink::full_device) {
        ::dup2(::open("/dev/full", O_WRONLY), 1);
    } else if (where == sink::file_past_size_limit) {
        // A file at the limit takes no more; the new table, under it, is still written.
        std::FILE* file = std::tmpfile();
        const std::string at_the_limit(1024, 'x');
        std::fwrite(at_the_limit.data(), 1, at_the_limit.size(), file);
        std::fflush(file);
        ::dup2(::fileno(file), 1);
        const rlimit size_limit{at_the_limit.size(), at_the_limit.size()};
        ::setrlimit(RLIMIT_FSIZE, &size_limit);
    } else if (where == sink::lost_terminal) {
        // A terminal whose other side has gone: writes to it fail with EIO.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            ::_exit(125);
        }
        ::dup2(::open(::ptsname(master), O_RDWR | O_NOCTTY), 1);
        ::close(master);
    } else {
        int ends[2];
        if (::pipe(ends) != 0) {
            ::_exit(125);
        }
        ::close(ends[0]);
        ::dup2(ends[1], 1);
    }
}

// Whether this machine has the device the case writes to: a chroot may lack /dev/full, or the
// pseudo-terminals (/dev/ptmx and a devpts on /dev/pts).
bool device_here(sink where) {
    if (where != sink::full_device && where != sink::lost_terminal) {
        return true;
    }
    const int fd = where == sink::full_device ? ::open("/dev/full", O_WRONLY)
                                              : ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

outcome run_losing_answer(const mailbox_dir& dir, std::vector<std::string> words, sink where) {
    words.insert(words.begin(), BOARDMAP_EXE);
    if (where == sink::lost_terminal) {
        // The hangup of a controlling terminal comes as SIGHUP: strace raises it at every write.
        words.insert(words.begin(), {STRACE_EXE, "-qq", "-o", "/dev/null", "-e", "trace=write",
                                     "-e", "inject=write:signal=HUP"});
    }
    return scratch::run_in_child(dir.path(), [&] {
        // The signals such an answer raises, as a shell would leave them.
        for (const int sig : {SIGPIPE, SIGXFSZ, SIGHUP}) {
            std::signal(sig, SIG_DFL);
        }
        if (where == sink::lost_terminal) {
            // The leak checker would need to ptrace the tool that strace traces.
            ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
        }
        std::vector<char*> args;
        for (std::string& word : words) {
            args.push_back(word.data());
        }
        args.push_back(nullptr);
        point_output(where);
        ::execve(args[0], args.data(), environ);
        ::_exit(126);
    });
}

struct command {
    std::vector<std::string> words;
    std::string table_after; // what the table holds after it, answer or no answer
};

class LostAnswer : public ::testing::TestWithParam<lost_answer> {};

TEST_P(LostAnswer, StatusOneAndTheChangeStays) {
    if (!device_here(GetParam().where)) {
        GTEST_SKIP() << "needs the device the answer goes to, which this machine lacks";
    }
    const std::vector<command> commands = {
        {{"dx"}, old_table},
        {{"?"}, old_table},
        {{"-", "nix"}, old_table},
        {{"+", "b", "c"}, "alle      allgem  \nb         c       \ndx        dxnews  \n"},
        {{"-", "dx"}, "alle      allgem  \n"}};
    for (const command& cmd : commands) {
        SCOPED_TRACE(cmd.words[0] + (cmd.words.size() > 1 ? " " + cmd.words[1] : ""));
        mailbox_dir dir;
        scratch::set_up(dir, old_table);
        const outcome run = run_losing_answer(dir, cmd.words, GetParam().where);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(dir.read("boardmap.kvd"), cmd.table_after);
        const bool changed = cmd.table_after != old_table;
        EXPECT_EQ(dir.names(), scratch::table_files(changed));
        if (changed) {
            EXPECT_EQ(dir.read("boardmap.bak"), old_table);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachSink, LostAnswer,
    ::testing::Values(lost_answer{"closed", sink::closed},
                      lost_answer{"closed_with_standard_error", sink::closed_with_standard_error},
                      lost_answer{"NeedsDevFull_full_device", sink::full_device},
                      lost_answer{"pipe_without_reader", sink::pipe_without_reader},
                      lost_answer{"file_past_size_limit", sink::file_past_size_limit},
                      lost_answer{"NeedsPty_lost_terminal", sink::lost_terminal}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
