// Built without coverage instrumentation: in an instrumented file these declarations would
// clash with the ones the instrumentation makes itself.

#include "fuzz/coverage_counters.hpp"

// The linker sets the start and stop symbols of the counters' section. Weak and hidden, as the
// instrumentation declares them, so that both name the same symbols on every architecture.
extern "C" {
[[gnu::weak, gnu::visibility("hidden")]] extern std::uint8_t __start___sancov_cntrs[];
[[gnu::weak, gnu::visibility("hidden")]] extern std::uint8_t __stop___sancov_cntrs[];
}

namespace fork_server {

std::span<std::uint8_t> coverage_counters() {
    return {__start___sancov_cntrs, __stop___sancov_cntrs};
}

} // namespace fork_server
