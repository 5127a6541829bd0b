#include "support/text.hpp"

#include <array>
#include <cstring>

namespace support {

namespace {

constexpr char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
constexpr char ascii_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// is_white as a table: every line of the board map table is split into words.
constexpr std::array<bool, 256> white_bytes = [] {
    std::array<bool, 256> white{};
    for (std::size_t c = 0; c < white.size(); ++c) {
        white[c] = is_white(static_cast<char>(c));
    }
    return white;
}();

} // namespace

char* str_upper(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        *p = ascii_upper(*p);
    }
    return s;
}

char* str_lower(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        *p = ascii_lower(*p);
    }
    return s;
}

void lower_bytes(std::span<char> bytes) {
    for (char& c : bytes) {
        c = ascii_lower(c);
    }
}

void upper_bytes(std::span<char> bytes) {
    for (char& c : bytes) {
        c = ascii_upper(c);
    }
}

std::string_view next_word(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && white_bytes[static_cast<unsigned char>(text[start])]) {
        ++start;
    }
    std::size_t end = start;
    while (end < text.size() && !white_bytes[static_cast<unsigned char>(text[end])]) {
        ++end;
    }
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

int upper_char_dos(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
    case 0x81: // u umlaut
        c = 0x9A;
        break;
    case 0x84: // a umlaut
        c = 0x8E;
        break;
    case 0x94: // o umlaut
        c = 0x99;
        break;
    default:
        c = static_cast<unsigned char>(ascii_upper(static_cast<char>(c)));
    }
    return static_cast<signed char>(c);
}

void slashes_to_unix(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        if (*p == '\\') {
            *p = '/';
        }
    }
}

int char_index(const char* s, char ch) {
    const char* found = std::strchr(s, ch);
    return found != nullptr ? static_cast<int>(found - s) : -1;
}

int char_rindex(const char* s, char ch) {
    const char* found = std::strrchr(s, ch);
    return found != nullptr ? static_cast<int>(found - s) : -1;
}

void copy_span(char* d, const char* s, unsigned start, unsigned end) {
    if (start > end) {
        *d = '\0';
        return;
    }
    const unsigned count = end - start + 1;
    std::memmove(d, s + start, count);
    d[count] = '\0';
}

char* fill_bytes(char* b, int v, unsigned n) {
    std::memset(b, v & 0xFF, n);
    return b;
}

} // namespace support
