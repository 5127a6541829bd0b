#pragma once

// The mailbox lookups of <boardmap/support.h> for C++, in the namespace boardmap::support: out
// is a span instead of a pointer and a size. What each reads, puts into out, returns and fails
// with is given there.

#include <boardmap/support/cxx20.hpp>
#if __cplusplus > 201703L

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
