#pragma once

// The run-data reader of <boardmap/support.h> for C++, in the namespace boardmap::support:
// run_data is the C record itself. What read_run_data reads, and its failure, are given there.

// g++ 10 counts C++20 as 201709. One message, however many of these headers are included.
#if __cplusplus <= 201703L
#ifndef BOARDMAP_SUPPORT_NEEDS_CXX20
#define BOARDMAP_SUPPORT_NEEDS_CXX20
#error "boardmap/support/*.hpp need C++20 (-std=c++20); C and older C++: <boardmap/support.h>"
#endif
#else

#include <boardmap/support.h>

namespace boardmap::support {

using run_data = ::bms_run_data;

// Fills rd in place; it does not clear it first (value-initialise it: `run_data rd{};`).
inline void read_run_data(run_data& rd) {
    bms_read_run_data(&rd);
}

} // namespace boardmap::support

#endif
