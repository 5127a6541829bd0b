// Many sysops changing the table at the same moment while others list it: every change is kept,
// the table stays in the tool's order and layout, a listing never fails or sees a half table,
// and nothing but the table and its backup is left in the mailbox directory. A change lock held
// by anyone else delays changes for a while only.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using scratch::boardmap;
using scratch::list_header;
using scratch::mailbox_dir;
using scratch::outcome;
using scratch::row;

constexpr int adders = 24;
constexpr int deleters = 8;
constexpr int readers = 3;

const std::string keeper = "keep      keeper  ";

std::string numbered(char prefix, int i) {
    char name[16];
    std::snprintf(name, sizeof name, "%c%02d", prefix, i);
    return name;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}

pid_t spawn(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    return pid;
}

int exit_status(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Blocks until the parent closes the other end of the pipe.
void wait_for_start(int fd) {
    char byte;
    while (::read(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

bool closed(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

// An empty search lists every line: the whole table, in column layout and in order, with the
// line no writer touches.
bool complete_listing(const outcome& r) {
    if (r.status != 0 || r.out.compare(0, list_header.size(), list_header) != 0) {
        return false;
    }
    std::vector<std::string> lines;
    for (std::size_t at = list_header.size(); at < r.out.size();) {
        const std::size_t end = r.out.find('\n', at);
        if (end == std::string::npos || end - at != 18) {
            return false;
        }
        lines.push_back(r.out.substr(at, end - at));
        at = end + 1;
    }
    return std::is_sorted(lines.begin(), lines.end()) &&
           std::find(lines.begin(), lines.end(), keeper) != lines.end();
}

int list_until_stopped(const mailbox_dir& dir, int stop_fd) {
    do {
        const outcome r = boardmap(dir, {""});
        if (!complete_listing(r)) {
            std::fprintf(stderr, "listing failed, status %d:\n%s", r.status, r.out.c_str());
            return 1;
        }
    } while (!closed(stop_fd));
    return 0;
}

// "%i entries written.\n" and nothing after it.
bool is_count_line(const std::string& text) {
    const std::string suffix = " entries written.\n";
    if (text.size() <= suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int change(const mailbox_dir& dir, const std::vector<std::string>& words,
           const std::string& announced) {
    const outcome r = boardmap(dir, words);
    if (r.status != 0 || r.out.compare(0, announced.size(), announced) != 0 ||
        !is_count_line(r.out.substr(announced.size()))) {
        std::fprintf(stderr, "%s %s failed, status %d:\n%s", words[0].c_str(), words[1].c_str(),
                     r.status, r.out.c_str());
        return 1;
    }
    return 0;
}

TEST(Concurrency, EveryChangeKeptAndListingNeverFails) {
    mailbox_dir dir;
    std::vector<std::string> start_rows;
    for (int i = 0; i < deleters; ++i) {
        start_rows.push_back(row(numbered('d', i), "x"));
    }
    start_rows.push_back(row("keep", "keeper"));
    scratch::set_up(dir, joined(start_rows));

    int start_pipe[2];
    int stop_pipe[2];
    // Close-on-exec, so the tool never holds them; each child closes both write ends, so that
    // only the parent's close starts the writers and stops the readers.
    ASSERT_EQ(::pipe2(start_pipe, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(stop_pipe, O_CLOEXEC), 0);
    const auto close_write_ends = [&] {
        ::close(start_pipe[1]);
        ::close(stop_pipe[1]);
    };

    std::vector<pid_t> listing;
    for (int i = 0; i < readers; ++i) {
        listing.push_back(spawn([&] {
            close_write_ends();
            return list_until_stopped(dir, stop_pipe[0]);
        }));
    }
    std::vector<pid_t> writers;
    for (int i = 0; i < adders; ++i) {
        writers.push_back(spawn([&, i] {
            close_write_ends();
            wait_for_start(start_pipe[0]);
            return change(dir, {"+", numbered('A', i), numbered('N', i)}, "");
        }));
    }
    for (int i = 0; i < deleters; ++i) {
        writers.push_back(spawn([&, i] {
            close_write_ends();
            wait_for_start(start_pipe[0]);
            return change(dir, {"-", numbered('d', i)},
                          "Entry \"" + row(numbered('d', i), "x").substr(0, 18) + "\" deleted!\n");
        }));
    }
    ::close(start_pipe[1]);
    for (const pid_t pid : writers) {
        EXPECT_EQ(exit_status(pid), 0);
    }
    ::close(stop_pipe[1]);
    for (const pid_t pid : listing) {
        EXPECT_EQ(exit_status(pid), 0);
    }
    ::close(start_pipe[0]);
    ::close(stop_pipe[0]);

    std::vector<std::string> end_rows;
    for (int i = 0; i < adders; ++i) {
        end_rows.push_back(row(numbered('a', i), numbered('n', i)));
    }
    end_rows.push_back(row("keep", "keeper"));
    EXPECT_EQ(dir.read("boardmap.kvd"), joined(end_rows));

    // The backup is the table before the last change, whichever writer came last.
    std::set<std::string> before_last;
    for (std::size_t i = 0; i + 1 < end_rows.size(); ++i) {
        std::vector<std::string> rows = end_rows;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
        before_last.insert(joined(rows));
    }
    for (int i = 0; i < deleters; ++i) {
        std::vector<std::string> rows = end_rows;
        rows.insert(std::lower_bound(rows.begin(), rows.end(), row(numbered('d', i), "x")),
                    row(numbered('d', i), "x"));
        before_last.insert(joined(rows));
    }
    EXPECT_EQ(before_last.count(dir.read("boardmap.bak")), 1u) << dir.read("boardmap.bak");
    EXPECT_EQ(dir.names(), scratch::table_files(true));
}

// Anyone who can open the mailbox directory can take the change lock and keep it. A change
// waits for it a while, then fails with nothing changed; searches never wait for it.
TEST(Concurrency, HeldLockFailsChangesAndNotSearches) {
    mailbox_dir dir;
    const std::string table = row("alle", "allgem") + row("dx", "dxnews");
    scratch::set_up(dir, table);
    const int holder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);

    const std::vector<std::vector<std::string>> changes = {{"+", "b", "c"}, {"-", "dx"}};
    std::vector<pid_t> waiting;
    for (const std::vector<std::string>& words : changes) {
        waiting.push_back(spawn([&] {
            const outcome r = boardmap(dir, words);
            return r.out == "Error writing BOARDMAP.KVD!\n" && r.status == 1 ? 0 : 1;
        }));
    }
    const outcome search = boardmap(dir, {"dx"});
    EXPECT_EQ(search.out, list_header + row("dx", "dxnews"));
    for (const pid_t pid : waiting) {
        EXPECT_EQ(exit_status(pid), 0);
    }
    ::close(holder);
    EXPECT_EQ(dir.read("boardmap.kvd"), table);
    EXPECT_EQ(dir.names(), scratch::table_files(false));
}

} // namespace
