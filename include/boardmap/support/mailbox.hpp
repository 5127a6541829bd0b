#pragma once

// The mailbox lookups of <boardmap/support.h> for C++, in the namespace boardmap::support: out
// is a span instead of a pointer and a size. What each reads, puts into out, returns and fails
// with is given there.

// g++ 10 counts C++20 as 201709. One message, however many of these headers are included.
#if __cplusplus <= 201703L
#ifndef BOARDMAP_SUPPORT_NEEDS_CXX20
#define BOARDMAP_SUPPORT_NEEDS_CXX20
#error "boardmap/support/*.hpp need C++20 (-std=c++20); C and older C++: <boardmap/support.h>"
#endif
#else

#include <boardmap/support.h>

#include <span>

namespace boardmap::support {

inline void init_value(const char* keyword, std::span<char> out) {
    bms_init_value(keyword, out.data(), out.size());
}
inline int board_dir(char* board, std::span<char> out) {
    return bms_board_dir(board, out.data(), out.size());
}
inline void list_line(char* board, int n, std::span<char> out) {
    bms_list_line(board, n, out.data(), out.size());
}
inline void message_first_line(char* board, int n, std::span<char> out) {
    bms_message_first_line(board, n, out.data(), out.size());
}

} // namespace boardmap::support

#endif
