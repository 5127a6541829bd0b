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

// Fills the record in place from rundat.kvd in the working directory; fields whose key is
// absent keep their value. Without a readable file the run ends with status 1.
void read_run_data(run_data& rd);

} // namespace support
