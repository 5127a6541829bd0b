#include <boardmap/support.h>

#include "support/fail.hpp"

#include <array>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace boardmap::support {

namespace {

// The program's handler and what it is handed; none: the message is printed.
bms_failure_handler program_handler = nullptr;
void* program_context = nullptr;

// Every message of the library fits, but for one that names a board or keyword of several
// hundred characters, which the handler gets cut.
constexpr std::size_t message_capacity = 1024;

} // namespace

// The routine of <boardmap/support.h>: extern "C" makes it the one declared there, and the
// pragma one that the shared library exports (gcc does not carry the header's visibility over to
// a definition in a namespace).
#pragma GCC visibility push(default)
extern "C" bms_failure_handler bms_set_failure_handler(bms_failure_handler handler, void* context,
                                                       void** previous_context) {
    if (previous_context != nullptr) {
        *previous_context = program_context;
    }
    const bms_failure_handler previous = program_handler;
    program_handler = handler;
    program_context = handler != nullptr ? context : nullptr;
    return previous;
}

#pragma GCC visibility pop

void fail(const char* format, ...) {
    std::va_list args;
    if (program_handler != nullptr) {
        // The argument list is closed before the handler runs: it may longjmp.
        std::array<char, message_capacity> message;
        va_start(args, format);
        std::vsnprintf(message.data(), message.size(), format, args);
        va_end(args);
        program_handler(message.data(), program_context);
    }
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::exit(1);
}

} // namespace boardmap::support
