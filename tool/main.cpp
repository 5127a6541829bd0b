#include <boardmap/support/run_data.hpp>

#include "support/text.hpp"
#include "tool/table.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>

namespace {

// A standard descriptor that the mailbox left closed would be taken by the next file opened,
// and the answer written into that file: each is plugged with /dev/null, read-only, so that
// writing the answer fails instead.
void plug_closed_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDONLY) != fd) {
            std::_Exit(1);
        }
    }
}

// The answer is gathered in the tool's own memory and written when the run ends (or a full
// buffer at a time): the buffer stdio would allocate costs a run more than the search of a
// full table, and one write takes the answer of such a search.
void buffer_the_answer() {
    static std::array<char, 32768> answer;
    std::setvbuf(stdout, answer.data(), _IOFBF, answer.size());
}

void print_usage(bool sysop) {
    std::fputs("Syntax: BOARDMAP <List-Subject>                           V2.2\n", stdout);
    if (sysop) {
        std::fputs("        BOARDMAP - <Boardname>\n", stdout);
        std::fputs("        BOARDMAP + <OldBoard> <NewBoard>\n", stdout);
    }
}

// A board name given to a change is its first word: no argument may bring a line end or a second
// word into the table, or slip past the check for an old name already there.
std::string_view board_name(const char* argument) {
    std::string_view text(argument);
    return boardmap::support::next_word(text);
}

} // namespace

// The mailbox starts the tool in its working directory with the user's words as arguments;
// who the user is comes from the run data it wrote before.
int main(int argc, char** argv) {
    // A write that cannot be made (the user has gone, the terminal is lost, a file size limit)
    // fails the run, and a change is cleaned up; none of them kills it.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    plug_closed_standard_descriptors();
    buffer_the_answer();
    boardmap::support::run_data rd{};
    boardmap::support::read_run_data(rd);
    const bool sysop = rd.sysop != 0;
    const char command = argc > 1 ? argv[1][0] : '\0';
    // A change whose (old) name is empty names no board.
    const std::string_view board = argc > 2 ? board_name(argv[2]) : std::string_view();

    if (argc == 2 && command != '?') {
        boardmap::list_entries(argv[1]);
    } else if (argc == 3 && command == '-' && sysop && !board.empty()) {
        boardmap::delete_entry(board);
    } else if (argc == 4 && command == '+' && sysop && !board.empty()) {
        boardmap::add_entry(board, board_name(argv[3]));
    } else {
        print_usage(sysop);
    }
    // A lost answer is a failed run, even when the change it reports stays made.
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}
