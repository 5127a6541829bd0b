#pragma once

// Runs each request of a fuzz target in a child process, for routines that end the process on
// failure or hold a lock until it ends. Forking the fuzzer costs several times more once
// libFuzzer has set up its tables, so a server forked at start-up forks the children. libFuzzer
// reads only its own coverage counters: a child hands its counters back through a shared
// mapping, a written flag followed by the counters.

#include <string>
#include <string_view>

namespace fork_server {

// What a child does with a request; it may end the process, and every way out hands back the
// child's coverage.
using handler = void (*)(std::string_view request);

// Forks the server, from LLVMFuzzerInitialize. Each child works in dir, with standard input
// from /dev/null and standard output on output_fd.
void start(const std::string& dir, int output_fd, handler handle);

// Runs the request in a child, takes back its coverage and returns its exit status; a signal
// (SIGALRM when it hangs) or a sanitizer report is a finding.
int run(std::string_view request);

// In a child: from now on, ending with status 1 ends it with this status instead.
void fail_with(int status);

} // namespace fork_server
