// Shows what the support library's mailbox lookups find, run in a mailbox directory (such as a
// copy of examples/mailbox/): a board's directory, one line of its list, and the first line of
// the message that this line names. Through the C interface; lookup.cpp does the same in C++
// and prints the same.
//
//   lookup_c_example [board [line]]      defaults: board DX, line 1
//
// Every failure (unknown keyword, missing list, no such line, ...) is the library's own message
// on standard output and exit status 1.

#include <boardmap/support.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Drops the line end that list lines and first lines keep, for printing.
static const char* without_line_end(char* text) {
    text[strcspn(text, "\r\n")] = '\0';
    return text;
}

int main(int argc, char** argv) {
    char sample_board[] = "DX";
    char* board = argc > 1 ? argv[1] : sample_board; // cut and upper-cased in place
    const int n = argc > 2 ? atoi(argv[2]) : 1;

    char dir[128] = "";
    const int hierarchy = bms_board_dir(board, dir, sizeof dir);
    printf("board %s: %s (%s)\n", board, dir, hierarchy == 1 ? "hierarchy board" : "user board");

    char line[256] = "";
    bms_list_line(board, n, line, sizeof line);
    printf("list line %d: %s\n", n, without_line_end(line));

    char first[128] = "";
    bms_message_first_line(board, n, first, sizeof first);
    printf("first line: %s\n", without_line_end(first));
    return 0;
}
