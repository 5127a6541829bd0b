#pragma once

// The program's own coverage counters, the ones libFuzzer reads, for a forked child to hand back.

#include <cstdint>
#include <span>

namespace fork_server {

std::span<std::uint8_t> coverage_counters();

} // namespace fork_server
