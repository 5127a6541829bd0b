#include "support/fail.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace support {

void fail(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::exit(1);
}

} // namespace support
