#include "fuzz/fork_server.hpp"

#include "fuzz/coverage_counters.hpp"
#include "fuzz/scratch_dir.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sanitizer/common_interface_defs.h>
#include <span>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fork_server {

namespace {

using fuzz::require;

constexpr unsigned child_seconds = 10; // a run that hangs ends by SIGALRM
constexpr int sanitizer_status = 77;

std::string work_dir;
int input_fd = -1;
int output_fd = -1;
handler handle_request = nullptr;
int failure_status = 1;
std::span<std::uint8_t> counters;
std::uint8_t* shared_counters = nullptr;
int to_server = -1;
int from_server = -1;

// Every way out of the child ends here: keep what the routine printed, hand back coverage,
// and skip the exit handlers (the leak check at exit would cost more than the run).
void leave_child(int status, void*) {
    std::fflush(stdout);
    std::memcpy(shared_counters + 1, counters.data(), counters.size());
    shared_counters[0] = 1;
    ::_exit(status == 1 ? failure_status : status);
}

void sanitizer_death() {
    ::_exit(sanitizer_status);
}

void take_child_coverage() {
    if (shared_counters[0] == 0) {
        return;
    }
    for (std::size_t i = 0; i < counters.size(); ++i) {
        counters[i] = std::max(counters[i], shared_counters[i + 1]);
    }
    shared_counters[0] = 0;
}

[[noreturn]] void child(std::string_view request) {
    __sanitizer_set_death_callback(sanitizer_death);
    std::signal(SIGALRM, SIG_DFL);
    ::alarm(child_seconds);
    if (::dup2(input_fd, 0) < 0 || ::dup2(output_fd, 1) < 0 || ::chdir(work_dir.c_str()) != 0) {
        ::_exit(2);
    }
    ::on_exit(leave_child, nullptr);
    handle_request(request);
    std::exit(0);
}

bool read_all(int fd, void* bytes, std::size_t size) {
    auto* at = static_cast<char*>(bytes);
    while (size > 0) {
        const ssize_t got = ::read(fd, at, size);
        if (got <= 0 && !(got < 0 && errno == EINTR)) {
            return false;
        }
        at += std::max<ssize_t>(got, 0);
        size -= static_cast<std::size_t>(std::max<ssize_t>(got, 0));
    }
    return true;
}

bool write_all(int fd, const void* bytes, std::size_t size) {
    const auto* at = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t put = ::write(fd, at, size);
        if (put <= 0 && !(put < 0 && errno == EINTR)) {
            return false;
        }
        at += std::max<ssize_t>(put, 0);
        size -= static_cast<std::size_t>(std::max<ssize_t>(put, 0));
    }
    return true;
}

// Forks one child per request and replies with its wait status (-1: no fork); ends when the
// fuzzer closes its end.
[[noreturn]] void serve(int requests, int replies) {
    std::string request;
    std::uint32_t size = 0;
    while (read_all(requests, &size, sizeof size)) {
        request.resize(size);
        if (!read_all(requests, request.data(), size)) {
            break;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            child(request);
        }
        int status = -1;
        while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!write_all(replies, &status, sizeof status)) {
            break;
        }
    }
    ::_exit(0);
}

void start_server() {
    int requests[2];
    int replies[2];
    require(::pipe(requests) == 0 && ::pipe(replies) == 0, "cannot make the server's pipes");
    const pid_t pid = ::fork();
    require(pid >= 0, "cannot fork the server");
    if (pid == 0) {
        ::close(requests[1]);
        ::close(replies[0]);
        serve(requests[0], replies[1]);
    }
    ::close(requests[0]);
    ::close(replies[1]);
    to_server = requests[1];
    from_server = replies[0];
    std::signal(SIGPIPE, SIG_IGN); // a server that is gone shows as a failed write
}

} // namespace

void start(const std::string& dir, int output, handler handle) {
    work_dir = dir;
    input_fd = ::open("/dev/null", O_RDONLY);
    output_fd = output;
    handle_request = handle;
    counters = coverage_counters();
    void* shared = ::mmap(nullptr, counters.size() + 1, PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    require(input_fd >= 0 && output_fd >= 0 && shared != MAP_FAILED, "cannot set up the children");
    shared_counters = static_cast<std::uint8_t*>(shared);
    start_server();
}

int run(std::string_view request) {
    const auto size = static_cast<std::uint32_t>(request.size());
    int status = 0;
    require(write_all(to_server, &size, sizeof size) &&
                write_all(to_server, request.data(), request.size()) &&
                read_all(from_server, &status, sizeof status),
            "the fork server is gone");
    require(status != -1, "the fork server cannot fork");
    take_child_coverage();
    require(!WIFSIGNALED(status), "the child ended by a signal (SIGALRM: it hung)");
    require(WEXITSTATUS(status) != sanitizer_status, "the child ended with a sanitizer report");
    return WEXITSTATUS(status);
}

void fail_with(int status) {
    failure_status = status;
}

} // namespace fork_server
