#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

// Byte and word helpers of the mailbox's file readers, for the module and the tool in this tree
// only: not installed, so that nothing of the standard library is part of the library's
// interface (<boardmap/support.h>). Inline, so that the library defines none of them.

namespace boardmap::support {

constexpr char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
constexpr char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Case conversion in place over a run of bytes that may hold NULs (lines read by length); the
// 26 ASCII letters only.
inline void lower_bytes(std::span<char> bytes) {
    for (char& c : bytes) {
        c = ascii_lower(c);
    }
}
inline void upper_bytes(std::span<char> bytes) {
    for (char& c : bytes) {
        c = ascii_upper(c);
    }
}

// White space between the words of the mailbox's files.
constexpr bool is_white(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// is_white as a table: every line of the board map table is split into words.
constexpr std::array<bool, 256> white_bytes = [] {
    std::array<bool, 256> white{};
    for (std::size_t c = 0; c < white.size(); ++c) {
        white[c] = is_white(static_cast<char>(c));
    }
    return white;
}();

// Takes the next word of text, white space before it skipped, and advances text past it; an
// empty word when only white space is left.
inline std::string_view next_word(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && white_bytes[static_cast<unsigned char>(text[start])]) {
        ++start;
    }
    std::size_t end = start;
    while (end < text.size() && !white_bytes[static_cast<unsigned char>(text[end])]) {
        ++end;
    }
    // Not substr: it may throw, and the library must need no C++ runtime.
    const std::string_view word(text.data() + start, end - start);
    text.remove_prefix(end);
    return word;
}

} // namespace boardmap::support
