// Shows what the support library's mailbox lookups find, run in a mailbox directory (such as a
// copy of examples/mailbox/): a board's directory, one line of its list, and the first line of
// the message that this line names. Through the C++ layer; lookup.c does the same in C.
//
//   lookup_example [board [line]]        defaults: board DX, line 1
//
// Every failure (unknown keyword, missing list, no such line, ...) is the module's own message
// on standard output and exit status 1.

#include <boardmap/support/mailbox.hpp>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Drops the line end that list lines and first lines keep, for printing.
const char* without_line_end(char* text) {
    text[std::strcspn(text, "\r\n")] = '\0';
    return text;
}

} // namespace

int main(int argc, char** argv) {
    char sample_board[] = "DX";
    char* board = argc > 1 ? argv[1] : sample_board; // cut and upper-cased in place
    const int n = argc > 2 ? std::atoi(argv[2]) : 1;

    std::array<char, 128> dir{};
    const int hierarchy = boardmap::support::board_dir(board, dir);
    std::printf("board %s: %s (%s)\n", board, dir.data(),
                hierarchy == 1 ? "hierarchy board" : "user board");

    std::array<char, 256> line{};
    boardmap::support::list_line(board, n, line);
    std::printf("list line %d: %s\n", n, without_line_end(line.data()));

    std::array<char, 128> first{};
    boardmap::support::message_first_line(board, n, first);
    std::printf("first line: %s\n", without_line_end(first.data()));
    return 0;
}
