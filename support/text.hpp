#pragma once

#include <span>
#include <string_view>

// Text routines of the mailbox's programs. None of them reads a file, allocates or ends the
// process: each works on the caller's bytes only, as stated with it.

namespace support {

// Case conversion knows the 26 ASCII letters only; bytes of 0x80 and above are left alone.
// Converts s in place up to its terminating NUL and returns s.
char* str_upper(char* s);
char* str_lower(char* s);

// The same conversions in place over a run of bytes that may hold NULs (lines read by length).
void lower_bytes(std::span<char> bytes);
void upper_bytes(std::span<char> bytes);

// White space between the words of the mailbox's files.
constexpr bool is_white(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Takes the next word of text, white space before it skipped, and advances text past it; an
// empty word when only white space is left.
std::string_view next_word(std::string_view& text);

// Upper-cases one character, including the three umlauts of code page 437. The result is the
// byte as a signed char widened to int: 0x84 gives 0x8E as -114.
int upper_char_dos(char ch);

// Turns the backslashes of a DOS path into slashes, in place up to the terminating NUL.
void slashes_to_unix(char* s);

// Position of the first (last) byte equal to ch, or -1; ch = 0 gives the length of s.
int char_index(const char* s, char ch);
int char_rindex(const char* s, char ch);

// Copies s[start] through s[end] (end must lie within s) to d and terminates d, so d receives
// end - start + 2 bytes; d is empty (one NUL written) when start > end. d may overlap s.
void copy_span(char* d, const char* s, unsigned start, unsigned end);

// Sets the first n bytes of b to the low 8 bits of v (no terminator added); returns b.
char* fill_bytes(char* b, int v, unsigned n);

} // namespace support
