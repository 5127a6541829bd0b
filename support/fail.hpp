#pragma once

namespace support {

// Every failure of a mailbox program is one message on standard output (the user's answer)
// and exit status 1. Buffered output is flushed on the way out.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace support
