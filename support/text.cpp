#include <boardmap/support.h>

#include "support/text.hpp"

#include <cstring>

namespace boardmap::support {

// The C routines are defined in the namespace of the module's helpers; extern "C" makes each
// the one that <boardmap/support.h> declares, and the pragma one that the shared library exports
// (gcc does not carry the header's visibility over to a definition in a namespace).
#pragma GCC visibility push(default)

extern "C" char* bms_str_upper(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        *p = ascii_upper(*p);
    }
    return s;
}

extern "C" char* bms_str_lower(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        *p = ascii_lower(*p);
    }
    return s;
}

extern "C" int bms_upper_char_dos(char ch) {
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

extern "C" void bms_slashes_to_unix(char* s) {
    for (char* p = s; *p != '\0'; ++p) {
        if (*p == '\\') {
            *p = '/';
        }
    }
}

extern "C" int bms_char_index(const char* s, char ch) {
    const char* found = std::strchr(s, ch);
    return found != nullptr ? static_cast<int>(found - s) : -1;
}

extern "C" int bms_char_rindex(const char* s, char ch) {
    const char* found = std::strrchr(s, ch);
    return found != nullptr ? static_cast<int>(found - s) : -1;
}

extern "C" void bms_copy_span(char* d, const char* s, unsigned start, unsigned end) {
    if (start > end) {
        *d = '\0';
        return;
    }
    const unsigned count = end - start + 1;
    std::memmove(d, s + start, count);
    d[count] = '\0';
}

extern "C" char* bms_fill_bytes(char* b, int v, unsigned n) {
    std::memset(b, v & 0xFF, n);
    return b;
}

#pragma GCC visibility pop

} // namespace boardmap::support
