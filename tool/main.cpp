#include "support/run_data.hpp"
#include "tool/table.hpp"

#include <cstdio>

namespace {

void print_usage(bool sysop) {
    std::fputs("Syntax: BOARDMAP <List-Subject>                           V2.2\n", stdout);
    if (sysop) {
        std::fputs("        BOARDMAP - <Boardname>\n", stdout);
        std::fputs("        BOARDMAP + <OldBoard> <NewBoard>\n", stdout);
    }
}

} // namespace

// The mailbox starts the tool in its working directory with the user's words as arguments;
// who the user is comes from the run data it wrote before.
int main(int argc, char** argv) {
    support::run_data rd{};
    support::read_run_data(rd);
    const bool sysop = rd.sysop != 0;
    const char command = argc > 1 ? argv[1][0] : '\0';

    if (argc == 2 && command != '?') {
        boardmap::list_entries(argv[1]);
    } else if (argc == 3 && command == '-' && sysop) {
        boardmap::delete_entry(argv[2]);
    } else if (argc == 4 && command == '+' && sysop) {
        boardmap::add_entry(argv[2], argv[3]);
    } else {
        print_usage(sysop);
    }
    return 0;
}
