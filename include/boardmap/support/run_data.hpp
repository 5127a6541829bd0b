#pragma once

// The run-data reader of <boardmap/support.h> for C++, in the namespace boardmap::support:
// run_data is the C record itself. What read_run_data reads, and its failure, are given there.

#include <boardmap/support/cxx20.hpp>
#if __cplusplus > 201703L

#include <boardmap/support.h>

namespace boardmap::support {

using run_data = ::bms_run_data;

// Fills rd in place; it does not clear it first (value-initialise it: `run_data rd{};`).
inline void read_run_data(run_data& rd) {
    bms_read_run_data(&rd);
}

} // namespace boardmap::support

#endif
