// Fuzzes the mailbox lookups on arbitrary init.kvd, bulletin.kvd, list.kvd and message bytes,
// board names and sizes of the output buffer.
//
// Input:
//   byte 0      the routine, modulo 4: init_value, board_dir, list_line, message_first_line
//   byte 1      out.size(), 0 to 255
//   byte 2      the line number n, as a signed byte
//   then        the board name (for init_value the keyword), up to the first NUL
//   then        init.kvd, bulletin.kvd, the board's list.kvd and the message file, in that
//               order, each ended by a line "--" ("--\n" at the start of a line, which is no
//               part of the file). A file that the input does not reach is absent.
// list.kvd and the message go where the lookups will look for them: the child asks board_dir
// and list_line first, and writes the files there when the path stays inside the scratch
// directory.
//
// Every routine is called twice in a forked child (the lookups end the process on failure):
// with a large buffer and with the small one. The small result must be the large one cut to
// out.size() - 1 bytes and terminated, and the outcome must not depend on the size.

#include "fuzz/fork_server.hpp"
#include "fuzz/scratch_dir.hpp"
#include <boardmap/support/mailbox.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using fuzz::finding;

enum routine { init_value, board_dir, list_line, message_first_line };

// Large enough for any result: a word of init.kvd holds at most 259 characters.
constexpr std::size_t large_size = 512;
constexpr unsigned char untouched = 0xa5;
constexpr char separator[] = "--\n";

// Exit statuses of the child beside 0 and 1, each a finding.
constexpr int size_dependent_status = 3; // failed with the small buffer only
constexpr int unsafe_name_status = 4;    // a refused board name was looked up
constexpr int bad_result_status = 5;     // a result broke its form

struct fuzz_input {
    routine which = init_value;
    std::size_t out_size = 0;
    int n = 0;
    std::string name;
    std::array<std::string, 4> files; // init.kvd, bulletin.kvd, list.kvd, message
    std::size_t file_count = 0;
};

// The next file runs up to a separator at the start of a line, or to the end of the input.
std::string_view take_file(std::string_view& rest) {
    std::size_t at = 0;
    while (at < rest.size() && !rest.substr(at).starts_with(separator)) {
        const std::size_t end = rest.find('\n', at);
        at = end == std::string_view::npos ? rest.size() : end + 1;
    }
    const std::string_view file = rest.substr(0, at);
    rest.remove_prefix(std::min(rest.size(), at + std::strlen(separator)));
    return file;
}

fuzz_input parse(const std::uint8_t* data, std::size_t size) {
    fuzz_input in;
    if (size < 3) {
        return in;
    }
    in.which = static_cast<routine>(data[0] % 4);
    in.out_size = data[1];
    in.n = static_cast<signed char>(data[2]);
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::size_t name_end = std::min(rest.find('\0'), rest.size());
    in.name = rest.substr(0, name_end);
    rest.remove_prefix(std::min(rest.size(), name_end + 1));
    while (in.file_count < in.files.size() && !rest.empty()) {
        in.files[in.file_count++] = take_file(rest);
    }
    return in;
}

// ---- What the child does and checks -----------------------------------------------------

void child_require(bool holds, int status) {
    if (!holds) {
        ::_exit(status);
    }
}

// A board name as the lookups take it: cut at its first blank.
bool refused_name(const std::string& name) {
    const std::string cut = name.substr(0, name.find(' '));
    return cut.empty() || cut == "." || cut.find_first_of("/\\") != std::string::npos ||
           cut.find("..") != std::string::npos;
}

// Writes a file at a path that board_dir or list_line gave, making its directories, as long
// as it stays inside the scratch directory (the working directory of the child).
void place_file(const std::string& path, const std::string& bytes) {
    if (path.empty() || path[0] == '/' || path.find("..") != std::string::npos) {
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        static_cast<void>(::write(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return text;
}

// A message's file name: the list line's text before '<', or before its line end.
std::string message_name(const char* list_text) {
    std::string line(list_text, ::strnlen(list_text, 131));
    const std::size_t angle = line.find('<');
    if (angle != std::string::npos) {
        line.resize(angle);
    } else {
        line.resize(std::min(line.find('\n'), line.size()));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
    }
    return lower(line);
}

// Puts list.kvd and the message where the routine will look; a lookup that fails here ends
// the child as the routine itself would.
void place_board_files(const fuzz_input& in) {
    std::string name = in.name;
    std::array<char, large_size> dir{};
    boardmap::support::board_dir(name.data(), dir);
    place_file(std::string(dir.data()) + "list.kvd", in.files[2]);
    if (in.which == message_first_line && in.file_count > 3) {
        std::array<char, large_size> line{};
        name = in.name;
        boardmap::support::list_line(name.data(), in.n, line);
        place_file(std::string(dir.data()) + message_name(line.data()), in.files[3]);
    }
}

// Calls the routine into out; returns board_dir's result, 0 for the others.
int call(const fuzz_input& in, std::span<char> out) {
    std::string name = in.name;
    switch (in.which) {
    case init_value:
        boardmap::support::init_value(name.c_str(), out);
        return 0;
    case board_dir:
        return boardmap::support::board_dir(name.data(), out);
    case list_line:
        boardmap::support::list_line(name.data(), in.n, out);
        return 0;
    default:
        boardmap::support::message_first_line(name.data(), in.n, out);
        return 0;
    }
}

void check_board_dir(const char* dir, int result) {
    child_require(result == 0 || result == 1, bad_result_status);
    const std::string_view text = dir;
    child_require(!text.empty() && text.back() == '/', bad_result_status);
    child_require(text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos,
                  bad_result_status);
}

bool all_untouched(const char* out, std::size_t size) {
    return std::all_of(out, out + size,
                       [](char c) { return static_cast<unsigned char>(c) == untouched; });
}

// The small result is the large one cut to out.size() - 1 bytes and terminated, or both
// stayed as they were.
void check_cut(const char* large, const char* small, std::size_t small_size) {
    const void* large_end = std::memchr(large, '\0', large_size);
    if (large_end == nullptr) {
        child_require(all_untouched(large, large_size) && all_untouched(small, small_size),
                      bad_result_status);
        return;
    }
    if (small_size == 0) {
        return;
    }
    const std::size_t length =
        static_cast<std::size_t>(static_cast<const char*>(large_end) - large);
    const std::size_t kept = std::min(length, small_size - 1);
    child_require(std::memcmp(large, small, kept) == 0 && small[kept] == '\0', bad_result_status);
}

void run(const fuzz_input& in) {
    if ((in.which == list_line || in.which == message_first_line) && in.file_count > 2) {
        place_board_files(in);
    }
    std::array<char, large_size> large;
    std::memset(large.data(), untouched, large.size());
    const int large_result = call(in, large);
    child_require(in.which == init_value || !refused_name(in.name), unsafe_name_status);
    if (in.which == board_dir) {
        check_board_dir(large.data(), large_result);
    }
    // A failure of the routine is an ordinary outcome until it has succeeded once.
    fork_server::fail_with(size_dependent_status);

    // Exactly out.size() bytes on the heap, so that a byte written past them is reported.
    const std::unique_ptr<char[]> small(new char[in.out_size]);
    std::memset(small.get(), untouched, in.out_size);
    const int small_result = call(in, std::span(small.get(), in.out_size));
    child_require(small_result == large_result, size_dependent_status);
    check_cut(large.data(), small.get(), in.out_size);
}

// ---- The fuzzer ---------------------------------------------------------------------------

std::string scratch;

// A request is the whole input.
void run_request(std::string_view request) {
    run(parse(reinterpret_cast<const std::uint8_t*>(request.data()), request.size()));
}

// Runs the lookup in a child in the scratch directory; a signal, a sanitizer report or any
// status but 0 or 1 is a finding.
void run_in_child(const std::uint8_t* data, std::size_t size) {
    switch (fork_server::run(std::string_view(reinterpret_cast<const char*>(data), size))) {
    case 0:
    case 1:
        return;
    case size_dependent_status:
        finding("the outcome depends on the size of out");
    case unsafe_name_status:
        finding("a board name that reaches outside the mailbox was looked up");
    case bad_result_status:
        finding("a result is not terminated, not cut right, or not a lower-case directory");
    default:
        finding("the lookup ended with a status other than 0 or 1");
    }
}

void empty_scratch() {
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        std::filesystem::remove_all(entry.path());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fuzz::make_scratch_dir();
    fork_server::start(scratch, ::open("/dev/null", O_WRONLY), run_request);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz_input in = parse(data, size);
    empty_scratch();
    const char* names[] = {"init.kvd", "bulletin.kvd"};
    for (std::size_t i = 0; i < 2 && i < in.file_count; ++i) {
        fuzz::write_file(scratch, names[i], in.files[i]);
    }
    run_in_child(data, size);
    return 0;
}
