#pragma once

namespace boardmap::support {

// Every failure of a mailbox program is one message on standard output (the user's answer)
// and exit status 1. Buffered output is flushed on the way out. A program that uses the library
// may install a handler of its own first (bms_set_failure_handler), which gets the message and
// may longjmp out of here: whoever fails must have closed its files and hold no object with a
// destructor on the way (support/reader.hpp's plain_reader has none).
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace boardmap::support
