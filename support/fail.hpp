#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace boardmap::support {

// Every failure of a mailbox program is one message on standard output (the user's answer)
// and exit status 1. Buffered output is flushed on the way out.
[[noreturn]] inline void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline void fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::exit(1);
}

} // namespace boardmap::support
