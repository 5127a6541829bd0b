#pragma once

#include <cstdint>

namespace support {

// What the mailbox tells its external programs about the logged-in user, from rundat.kvd.
// Text fields are NUL-terminated and hold one byte less than their array.
struct run_data {
    char call[8];
    char mybbs[27];
    char name[16];
    char language[5];
    std::int32_t password, sysop, status, helplevel;
    char digi[11];
    char txt_output[129], bin_output[129], abinoutput[129], yappoutput[129], imp_output[129],
        user_imp[129], cmdline[129];
    std::uint32_t logintime;
    char board[20];
};

// Fills the record in place from rundat.kvd in the working directory. It does not clear the
// record first: fields whose key is absent keep their value, and every text field must be
// terminated on entry (value-initialise it: `support::run_data rd{};`). Reads nothing else,
// writes no file and allocates nothing.
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
// Failure: "Error reading RUNDAT.KVD!\n" when the file cannot be opened or read, or is no
// regular file (a directory, a FIFO, a device), status 1.
void read_run_data(run_data& rd);

} // namespace support
