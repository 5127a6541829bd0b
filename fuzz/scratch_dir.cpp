#include "fuzz/scratch_dir.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fuzz {

namespace {

std::string scratch;

// Children leave by _exit, so only the fuzzer itself gets here.
void remove_scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

} // namespace

void finding(const char* what) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what);
    std::abort();
}

void require(bool holds, const char* what) {
    if (!holds) {
        finding(what);
    }
}

std::string make_scratch_dir() {
    // In memory where there is a tmpfs: the rewrite syncs, which costs on a disk.
    char in_memory[] = "/dev/shm/boardmap-fuzz-XXXXXX";
    char on_disk[] = "/tmp/boardmap-fuzz-XXXXXX";
    const char* made = ::mkdtemp(in_memory);
    made = made != nullptr ? made : ::mkdtemp(on_disk);
    require(made != nullptr, "cannot make the scratch directory");
    scratch = made;
    std::atexit(remove_scratch);
    return scratch;
}

void write_file(const std::string& dir, const char* name, std::string_view bytes) {
    const int fd = ::open((dir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    require(fd >= 0 &&
                ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
            "cannot write a mailbox file");
    ::close(fd);
}

} // namespace fuzz
