// The support library of a packet-radio mailbox's external programs: text routines, the
// run-data reader, and lookups in the mailbox's configuration and message store.
//
// This is its C interface, for C99 and later and for C++ (a C++20 layer over it, with the same
// routine names in the namespace boardmap::support, is in <boardmap/support/*.hpp>). Every name
// carries the prefix bms_ (boardmap support). Link with libboardmap-support.a: pkg-config
// boardmap-support, or the CMake package boardmap (target boardmap::support). The library needs
// no C++ runtime.
//
// Common rules:
// - Nothing here allocates from the heap: every buffer is the caller's and has a fixed size.
// - Files are opened by relative name in the working directory, which the mailbox sets, and
//   are only read, never written. Only regular files are opened (a FIFO, a device or a link to
//   one is a failure of that file, never opened), and none is read beyond what a file of its kind
//   holds: rundat.kvd 64 KiB, init.kvd and bulletin.kvd 1 MiB each, a list.kvd 64 MiB, of a
//   message its first line; a larger file is a failure of that file.
// - A root program in a mailbox directory that another account owns (or, owned by root, that a
//   group or anyone may write) opens each file with that account's filesystem identity (its
//   owner and group, no supplementary group; nobody in that group where root owns it), taken by
//   the calling thread for the open alone: it reads nothing that account could not read itself,
//   through whatever links stand on the path. A regular file of root's with no other name,
//   directly in the working directory, stays root's to read.
// - Every failure prints one message on standard output and ends the process with status 1
//   (exit(), so buffered output is flushed); no routine hands an error back. The text routines
//   never fail.

#ifndef BOARDMAP_SUPPORT_H
#define BOARDMAP_SUPPORT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Text ----
// None of these reads a file or ends the process: each works on the caller's bytes only.

// Case conversion knows the 26 ASCII letters only; bytes of 0x80 and above are left alone.
// Converts s in place up to its terminating NUL and returns s.
char* bms_str_upper(char* s);
char* bms_str_lower(char* s);

// Upper-cases one character, including the three umlauts of code page 437. The result is the
// byte as a signed char widened to int: 0x84 gives 0x8E as -114.
int bms_upper_char_dos(char ch);

// Turns the backslashes of a DOS path into slashes, in place up to the terminating NUL.
void bms_slashes_to_unix(char* s);

// Position of the first (last) byte equal to ch, or -1; ch = 0 gives the length of s.
int bms_char_index(const char* s, char ch);
int bms_char_rindex(const char* s, char ch);

// Copies s[start] through s[end] (end must lie within s) to d and terminates d, so d receives
// end - start + 2 bytes; d is empty (one NUL written) when start > end. d may overlap s.
void bms_copy_span(char* d, const char* s, unsigned start, unsigned end);

// Sets the first n bytes of b to the low 8 bits of v (no terminator added); returns b.
char* bms_fill_bytes(char* b, int v, unsigned n);

// ---- Run data ----

// What the mailbox tells its external programs about the logged-in user, from rundat.kvd.
// Text fields are NUL-terminated and hold one byte less than their array.
struct bms_run_data {
    char call[8];
    char mybbs[27];
    char name[16];
    char language[5];
    int32_t password, sysop, status, helplevel;
    char digi[11];
    char txt_output[129], bin_output[129], abinoutput[129], yappoutput[129], imp_output[129],
        user_imp[129], cmdline[129];
    uint32_t logintime;
    char board[20];
};

// Fills the record that rd points to, in place, from rundat.kvd in the working directory. It
// does not clear the record first: fields whose key is absent keep their value, and every text
// field must be terminated on entry (clear it: `struct bms_run_data rd = {0};`). Reads nothing
// else.
// rundat.kvd holds one "key value" line per field, words separated by white space; the key is
// the field's name in lower case ("sysop" in any case), any other key is ignored, and a later
// line of a key replaces what an earlier one stored. A line counts by its first 126 bytes; the
// rest of a longer line, up to its line end, is skipped. A last line without a line end is
// not read unless its first 126 bytes are there (the mailbox ends every line).
// - Text fields take the value's first word (empty without one), cut to one byte less than
//   the field and terminated; afterwards the path fields (txt_output, bin_output, abinoutput,
//   yappoutput, imp_output, user_imp, cmdline, board) are lower-cased, whatever they hold.
// - password, status, helplevel: a signed number, decimal, octal (leading 0) or hexadecimal
//   (leading 0x); logintime: an unsigned decimal number. A value that does not start with a
//   number, or does not fit the field, leaves the field as it was.
// - sysop: the value's first character, when it is a digit (so "sysop 12" gives 1).
// Failure: "Error reading RUNDAT.KVD!\n" when the file cannot be opened or read, is no
// regular file (a directory, a FIFO, a device), or holds more than 64 KiB, status 1.
void bms_read_run_data(struct bms_run_data* rd);

// ---- Mailbox lookups ----
// init.kvd, bulletin.kvd, the boards' list.kvd files and the message files.
//
// - Output: each routine writes its result into out, a buffer of out_size bytes. A result that
//   does not fit is cut to out_size - 1 bytes and terminated; with out_size 0, out is never
//   written (and may be NULL). How much of a result fits changes nothing else (failures and
//   return values are the same for any out_size).
// - Board names: the routines that take a board cut the caller's string at its first blank
//   and upper-case it in place before anything else. A name that is then empty, is ".", or
//   holds '/', '\\' or ".." can reach outside the mailbox's board trees and is refused at
//   once, before any file is read: "Board %s not found.\n" (the cut, upper-cased name),
//   status 1.
// - Capacities: a board's directory holds at most 119 characters (127 with "list.kvd"); the path
//   of a message file at most 79; a list line handed on to bms_message_first_line at most 131.
//   Paths are never cut (a cut path names another file): a directory beyond 119 characters is
//   refused with "Board %s not found.\n", a message path beyond 79 characters with
//   "Error opening %s!\n" (the whole path). A longer list line is cut to 131 characters before
//   the message's file name is taken from it.

// Looks up a keyword (upper case, compared in full) in init.kvd and puts the word after it, in
// the case in which it is written, into out.
// init.kvd is words separated by blanks, tabs, CR, LF, VT and FF; every word is upper-cased
// (ASCII letters) and compared, not only a line's first. A word holds up to 259 characters; a
// longer word is still one word: it never equals a keyword, and as a value only its first 259
// characters are kept. If the keyword is the file's last word, out stays as it was.
// Reads: init.kvd.
// Failures: "Error opening INIT.KVD!\n" (not readable), "%s not found.\n" (keyword absent).
void bms_init_value(const char* keyword, char* out, size_t out_size);

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
// Failures: those of bms_init_value for "INFOPATH" (always read) and "USERPATH" (read for a
// user board only); "%s not found.\n" also when the keyword is init.kvd's last word (no value);
// "Error opening BULLETIN.KVD!\n"; "Board %s not found.\n" for a refused name or a directory
// of more than 119 characters.
int bms_board_dir(char* board, char* out, size_t out_size);

// Puts the n-th line (from 1) of the board's list.kvd (in bms_board_dir's directory) into out,
// line end included. The list is read in pieces of at most 254 characters, each counting as a
// line, so a longer line gives several. n < 1 always fails, and so does a last line without a
// line end (unless it fills a whole piece).
// Reads: what bms_board_dir reads, then the board's list.kvd.
// Failures: those of bms_board_dir; "Board %s not found.\n" (list.kvd not readable);
// "%s %1i not found.\n" (board name, n) when the list has no n-th line.
void bms_list_line(char* board, int n, char* out, size_t out_size);

// Puts the first line (at most 126 characters, line end included) of the message that the n-th
// line of the board's list names into out. The line is taken as bms_list_line gives it, cut to
// 131 characters; the message's file name is its text before the first '<', or, without '<',
// its whole text before the line end ("\n" or "\r\n"). The path is the board's directory
// followed by that name, lower-cased; the name comes from the mailbox's own list and is taken as
// it stands. An empty message file leaves out as it was; a NUL in a line ends it as a string.
// Reads: what bms_list_line reads, then the message file.
// Failures: those of bms_board_dir and bms_list_line; "Error opening %s!\n" (the path) when
// the message file is not readable or its path is longer than 79 characters.
void bms_message_first_line(char* board, int n, char* out, size_t out_size);

#ifdef __cplusplus
}
#endif

#endif
