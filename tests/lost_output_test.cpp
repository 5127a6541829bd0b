// A run whose answer cannot be written (standard output closed, a full device, a pipe whose
// reader has gone) ends with status 1, never by SIGPIPE and never with status 0; a change it
// made stays made, and a closed standard output never becomes a file's descriptor.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using scratch::mailbox_dir;
using scratch::outcome;

const std::string old_table = "alle      allgem  \ndx        dxnews  \n";

enum class sink { closed, closed_with_standard_error, full_device, pipe_without_reader };

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
    } else {
        int ends[2];
        if (::pipe(ends) != 0) {
            ::_exit(125);
        }
        ::close(ends[0]);
        ::dup2(ends[1], 1);
    }
}

outcome run_losing_answer(const mailbox_dir& dir, std::vector<std::string> words, sink where) {
    words.insert(words.begin(), BOARDMAP_EXE);
    return scratch::run_in_child(dir.path(), [&] {
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
                      lost_answer{"full_device", sink::full_device},
                      lost_answer{"pipe_without_reader", sink::pipe_without_reader}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
