#include "support/run_data.hpp"
#include "support/text.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <string_view>

namespace {

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
    return support::next_word(text);
}

} // namespace

// The mailbox starts the tool in its working directory with the user's words as arguments;
// who the user is comes from the run data it wrote before.
int main(int argc, char** argv) {
    support::run_data rd{};
    support::read_run_data(rd);
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
    return 0;
}
