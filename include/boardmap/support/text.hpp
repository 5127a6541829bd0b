#pragma once

// The text routines of <boardmap/support.h> for C++: the same routines without the prefix, in
// the namespace boardmap::support. Buffers, results and rules are those given there.

#include <boardmap/support/cxx20.hpp>
#if __cplusplus > 201703L

#include <boardmap/support.h>

namespace boardmap::support {

inline char* str_upper(char* s) {
    return bms_str_upper(s);
}
inline char* str_lower(char* s) {
    return bms_str_lower(s);
}
inline int upper_char_dos(char ch) {
    return bms_upper_char_dos(ch);
}
inline void slashes_to_unix(char* s) {
    bms_slashes_to_unix(s);
}
inline int char_index(const char* s, char ch) {
    return bms_char_index(s, ch);
}
inline int char_rindex(const char* s, char ch) {
    return bms_char_rindex(s, ch);
}
inline void copy_span(char* d, const char* s, unsigned start, unsigned end) {
    bms_copy_span(d, s, start, end);
}
inline char* fill_bytes(char* b, int v, unsigned n) {
    return bms_fill_bytes(b, v, n);
}

} // namespace boardmap::support

#endif
