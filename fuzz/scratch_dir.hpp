#pragma once

// What every fuzz target needs around the routines: a way to report a finding, and a scratch
// directory that stands for the mailbox.

#include <string>
#include <string_view>

namespace fuzz {

// Prints what is wrong, after the target's name, and aborts: libFuzzer saves the input.
[[noreturn]] void finding(const char* what);
void require(bool holds, const char* what);

// Makes the scratch directory and returns its path; it is removed with everything in it when the
// fuzzer exits.
std::string make_scratch_dir();

// Writes a file of the mailbox, replacing one of the same name.
void write_file(const std::string& dir, const char* name, std::string_view bytes);

} // namespace fuzz
