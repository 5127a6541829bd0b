// Fuzzes the run-data reader on arbitrary rundat.kvd bytes (the whole input is the file).
//
// The reader opens rundat.kvd in the working directory, so the fuzzer steps into a scratch
// directory for the call only. A crash inside the reader is saved relative to that directory
// unless -artifact_prefix names an absolute one, as fuzz/run.sh does.

#include "fuzz/scratch_dir.hpp"
#include <boardmap/support/run_data.hpp>

#include <array>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using fuzz::require;

std::string scratch;
int home_fd = -1;

struct text_field {
    std::span<char> bytes;
    bool lowered; // paths, the command line and the board are lower-cased after reading
};

std::array<text_field, 13> text_fields(boardmap::support::run_data& rd) {
    return {{{rd.call, false},
             {rd.mybbs, false},
             {rd.name, false},
             {rd.language, false},
             {rd.digi, false},
             {rd.txt_output, true},
             {rd.bin_output, true},
             {rd.abinoutput, true},
             {rd.yappoutput, true},
             {rd.imp_output, true},
             {rd.user_imp, true},
             {rd.cmdline, true},
             {rd.board, true}}};
}

// Upper-case text in every field, so that a missed lower-casing shows, terminated only in the
// last byte, so that a field written to its end without a terminator shows.
void fill_record(boardmap::support::run_data& rd) {
    std::memset(&rd, 0x5a, sizeof rd);
    for (const text_field& field : text_fields(rd)) {
        field.bytes.back() = '\0';
    }
    rd.sysop = -1;
}

void read_in_scratch(boardmap::support::run_data& rd) {
    require(::chdir(scratch.c_str()) == 0, "cannot enter the scratch directory");
    boardmap::support::read_run_data(rd);
    require(::fchdir(home_fd) == 0, "cannot leave the scratch directory");
}

void check_record(boardmap::support::run_data& rd) {
    for (const text_field& field : text_fields(rd)) {
        const void* end = std::memchr(field.bytes.data(), '\0', field.bytes.size());
        require(end != nullptr, "a text field is not terminated within its array");
        if (field.lowered) {
            for (const char* c = field.bytes.data(); c != end; ++c) {
                require(*c < 'A' || *c > 'Z', "a path field holds an upper-case letter");
            }
        }
    }
    require(rd.sysop == -1 || (rd.sysop >= 0 && rd.sysop <= 9),
            "the sysop flag is neither unchanged nor one digit");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fuzz::make_scratch_dir();
    home_fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    require(home_fd >= 0, "cannot open the working directory");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::write_file(scratch, "rundat.kvd",
                     std::string_view(reinterpret_cast<const char*>(data), size));

    boardmap::support::run_data rd;
    fill_record(rd);
    read_in_scratch(rd);
    check_record(rd);

    // The last line of a key wins and absent keys keep their value: a second read changes
    // nothing.
    boardmap::support::run_data again;
    std::memcpy(&again, &rd, sizeof rd);
    read_in_scratch(again);
    require(std::memcmp(&again, &rd, sizeof rd) == 0,
            "reading the file twice gives another record");
    return 0;
}
