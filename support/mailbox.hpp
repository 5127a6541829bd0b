#pragma once

#include <span>

// The mailbox's configuration and message store, read in the working directory:
// init.kvd, bulletin.kvd, the boards' list.kvd files and the message files. Nothing here writes
// a file or allocates from the heap; every buffer has a fixed size.
//
// Common rules:
// - Every failure prints one message on standard output and ends the process with status 1;
//   no routine hands an error back.
// - Output: a result that does not fit `out` is cut to out.size() - 1 bytes and terminated; an
//   empty `out` is never written. How much of a result fits changes nothing else (failures and
//   return values are the same for any size of `out`).
// - Board names: the routines that take a board cut the caller's string at its first blank
//   and upper-case it in place before anything else. A name that is then empty, is ".", or
//   holds '/', '\\' or ".." can reach outside the mailbox's board trees and is refused at
//   once, before any file is read: "Board %s not found.\n" (the cut, upper-cased name),
//   status 1.
// - Capacities: a board's directory holds at most 119 characters (127 with "list.kvd"); the path
//   of a message file at most 79; a list line handed on to message_first_line at most 131.
//   Paths are never cut (a cut path names another file): a directory beyond 119 characters is
//   refused with "Board %s not found.\n", a message path beyond 79 characters with
//   "Error opening %s!\n" (the whole path). A longer list line is cut to 131 characters before
//   the message's file name is taken from it.

namespace support {

// Looks up a keyword (upper case, compared in full) in init.kvd and puts the word after it, in
// the case in which it is written, into out.
// init.kvd is words separated by blanks, tabs, CR, LF, VT and FF; every word is upper-cased
// (ASCII letters) and compared, not only a line's first. A word holds up to 259 characters; a
// longer word is still one word: it never equals a keyword, and as a value only its first 259
// characters are kept. If the keyword is the file's last word, out stays as it was.
// Reads: init.kvd.
// Failures: "Error opening INIT.KVD!\n" (not readable), "%s not found.\n" (keyword absent).
void init_value(const char* keyword, std::span<char> out);

// Puts the directory of a board's messages into out (forward slashes, ending in '/',
// lower-cased); returns 1 for a board of the hierarchy (bulletin.kvd), 0 for a user board.
// The board name is cut and upper-cased in place (see above) and compared in full.
// - Hierarchy board: INFOPATH/group/ for a group (its first 8 characters, then the full name
//   and '/' when the name is longer), INFOPATH/group/board/ for a board inside a group, and
//   INFOPATH/board/ for a board line before the first group line.
// - Any other board is a user board: USERPATH/board/.
// bulletin.kvd is read in pieces of at most 254 characters, each taken as a line: ';' first is a
//   comment, a blank first names a board of the current group, anything else names a group.
//   A name ends at the first blank, tab, CR, line end (or NUL, or the end of the piece); a line
//   whose name is empty (an empty line, "\r\n", a line of blanks, a line that starts with a
//   tab) is skipped and leaves the current group as it is. The rest of a line longer than a
//   piece is read as further lines. A last line without a line end is not examined unless it
//   fills a whole piece. The first line whose name equals the board's wins.
// Reads: init.kvd for INFOPATH, bulletin.kvd, and init.kvd again for USERPATH (user boards).
// Failures: those of init_value for "INFOPATH" (always read) and "USERPATH" (read for a user
// board only); "%s not found.\n" also when the keyword is init.kvd's last word (no value);
// "Error opening BULLETIN.KVD!\n"; "Board %s not found.\n" for a refused name or a directory
// of more than 119 characters.
int board_dir(char* board, std::span<char> out);

// Puts the n-th line (from 1) of the board's list.kvd (in board_dir's directory) into out,
// line end included. The list is read in pieces of at most 254 characters, each counting as a
// line, so a longer line gives several. n < 1 always fails, and so does a last line without a
// line end (unless it fills a whole piece).
// Reads: what board_dir reads, then the board's list.kvd.
// Failures: those of board_dir; "Board %s not found.\n" (list.kvd not readable);
// "%s %1i not found.\n" (board name, n) when the list has no n-th line.
void list_line(char* board, int n, std::span<char> out);

// Puts the first line (at most 126 characters, line end included) of the message that the n-th
// line of the board's list names into out. The line is taken as list_line gives it, cut to 131
// characters; the message's file name is its text before the first '<', or, without '<', its
// whole text before the line end ("\n" or "\r\n"). The path is the board's directory followed
// by that name, lower-cased; the name comes from the mailbox's own list and is taken as it
// stands. An empty message file leaves out as it was; a NUL in a line ends it as a string.
// Reads: what list_line reads, then the message file.
// Failures: those of board_dir and list_line; "Error opening %s!\n" (the path) when the
// message file is not readable or its path is longer than 79 characters.
void message_first_line(char* board, int n, std::span<char> out);

} // namespace support
