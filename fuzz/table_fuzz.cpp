// Fuzzes listing, adding and deleting on arbitrary table bytes and command words.
//
// Input: commands, then the table.
//   '+' old NUL new NUL   add_entry(old, new)
//   '-' board NUL         delete_entry(board)
//   '=' search NUL        list_entries(search)
// A word cut short by the end of the input ends there. The names of an add or a delete are
// taken as the entry takes them, by their first word, and an add or delete without one is no
// command. Commands are read while the next byte is '+', '-' or '=', at most 8; then one byte
// is skipped and the rest of the input is boardmap.kvd. The commands run one after the other
// on the same mailbox directory.
//
// The routines end the process on failure and hold the change lock until it ends, so each
// command runs in a forked child. After every run the fuzzer checks, against a model of the
// table's lines and column layout:
// - the child ended with status 0 or 1 (a signal or a sanitizer report is a finding);
// - only boardmap.kvd and boardmap.bak remain, and the table keeps its permission bits;
// - a listing printed exactly the matching lines (a line too long by its first 254 bytes) and
//   changed nothing;
// - an add or a delete printed, returned and wrote exactly what a model of the table's lines
//   says (names by word and 8 characters, column layout, the limits and the order of the
//   refusals), a refused one changed nothing, and after a change the backup is the previous
//   table.

#include "fuzz/fork_server.hpp"
#include "fuzz/scratch_dir.hpp"
#include "support/text.hpp"
#include "tool/table.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using fuzz::finding;
using fuzz::require;

constexpr std::size_t max_commands = 8;
constexpr mode_t table_mode = 0640; // not the umask's default, so a lost mode shows

struct command {
    char kind;
    std::string first;
    std::string second;
};

struct fuzz_input {
    std::vector<command> commands;
    std::string table;
};

std::string take_word(const std::uint8_t* data, std::size_t size, std::size_t& at) {
    const std::size_t start = at;
    while (at < size && data[at] != 0) {
        ++at;
    }
    std::string word(reinterpret_cast<const char*>(data) + start, at - start);
    if (at < size) {
        ++at;
    }
    return word;
}

std::string first_word(const std::string& word) {
    std::string_view text(word);
    return std::string(boardmap::support::next_word(text));
}

fuzz_input parse(const std::uint8_t* data, std::size_t size) {
    fuzz_input in;
    std::size_t at = 0;
    while (at < size && in.commands.size() < max_commands && data[at] != 0 &&
           std::strchr("+-=", data[at]) != nullptr) {
        command c{static_cast<char>(data[at++]), {}, {}};
        c.first = take_word(data, size, at);
        if (c.kind == '+') {
            c.second = first_word(take_word(data, size, at));
        }
        if (c.kind != '=') {
            c.first = first_word(c.first);
            if (c.first.empty()) {
                continue;
            }
        }
        in.commands.push_back(c);
    }
    if (at < size) {
        ++at;
    }
    in.table.assign(reinterpret_cast<const char*>(data) + at, size - at);
    return in;
}

// ---- Children, forked by a server -------------------------------------------------------

std::string scratch;
int output_fd = -1;

// A request is the number of the command, then the whole input.
void run_request(std::string_view request) {
    const fuzz_input in =
        parse(reinterpret_cast<const std::uint8_t*>(request.data()) + 1, request.size() - 1);
    const command& c = in.commands[static_cast<unsigned char>(request[0])];
    switch (c.kind) {
    case '+':
        boardmap::add_entry(c.first.c_str(), c.second.c_str());
        break;
    case '-':
        boardmap::delete_entry(c.first.c_str());
        break;
    default:
        boardmap::list_entries(c.first.c_str());
    }
}

// Runs one command in a child in the scratch directory and returns its exit status; a signal,
// a sanitizer report or any other status is a finding.
int run_in_child(const std::uint8_t* data, std::size_t size, std::size_t index) {
    require(::ftruncate(output_fd, 0) == 0 && ::lseek(output_fd, 0, SEEK_SET) == 0,
            "cannot reset the output file");
    std::string request(1, static_cast<char>(index));
    request.append(reinterpret_cast<const char*>(data), size);
    const int status = fork_server::run(request);
    require(status <= 1, "the run ended with a status other than 0 or 1");
    return status;
}

// ---- Files of the scratch directory ----------------------------------------------------

struct file_state {
    bool exists = false;
    std::string bytes;
    mode_t mode = 0;
};

bool operator==(const file_state& a, const file_state& b) {
    return a.exists == b.exists && a.bytes == b.bytes;
}

std::string in_scratch(const char* name) {
    return scratch + "/" + name;
}

file_state read_file(const char* name) {
    file_state f;
    const int fd = ::open(in_scratch(name).c_str(), O_RDONLY);
    if (fd < 0) {
        return f;
    }
    struct stat status {};
    require(::fstat(fd, &status) == 0, "cannot stat a file");
    f.exists = true;
    f.mode = status.st_mode & 07777;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
        f.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return f;
}

std::string read_output() {
    std::string out;
    char buffer[4096];
    ssize_t got;
    off_t at = 0;
    while ((got = ::pread(output_fd, buffer, sizeof buffer, at)) > 0) {
        out.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
    return out;
}

void write_table(const std::string& bytes) {
    const std::string path = in_scratch(boardmap::table_name);
    ::unlink(path.c_str());
    ::unlink(in_scratch(boardmap::backup_name).c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, table_mode);
    require(fd >= 0, "cannot create the table");
    require(::fchmod(fd, table_mode) == 0, "cannot set the table's mode");
    require(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()),
            "cannot write the table");
    ::close(fd);
}

// No lock file, scratch table or anything else may stay behind.
void check_only_table_files() {
    DIR* dir = ::opendir(scratch.c_str());
    require(dir != nullptr, "cannot list the scratch directory");
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        require(name == "." || name == ".." || name == boardmap::table_name ||
                    name == boardmap::backup_name,
                "a file other than the table and its backup remains");
    }
    ::closedir(dir);
}

// ---- A model of the table's format, independent of the routines -------------------------

// Splits as every command reads: a line ends after its line end, or at the end of the file.
std::vector<std::string_view> lines(std::string_view table) {
    std::vector<std::string_view> result;
    while (!table.empty()) {
        const std::size_t end = table.find('\n');
        const std::size_t size = end == std::string_view::npos ? table.size() : end + 1;
        result.push_back(table.substr(0, size));
        table.remove_prefix(size);
    }
    return result;
}

bool too_long(std::string_view line) {
    return line.size() - (line.ends_with('\n') ? 1 : 0) > boardmap::line_limit;
}

bool is_white(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view next_word(std::string_view text, std::size_t& at) {
    while (at < text.size() && is_white(text[at])) {
        ++at;
    }
    const std::size_t start = at;
    while (at < text.size() && !is_white(text[at])) {
        ++at;
    }
    return text.substr(start, at - start);
}

std::string padded(std::string_view word) {
    std::string result(word);
    result.resize(std::max(word.size(), boardmap::name_limit), ' ');
    return result;
}

std::string columns(std::string_view line) {
    std::size_t at = 0;
    const std::string_view old_name = next_word(line, at);
    const std::string_view new_name = next_word(line, at);
    if (new_name.empty()) {
        return std::string(line);
    }
    return padded(old_name) + "  " + padded(new_name);
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return result;
}

std::string name_part(const std::string& name) {
    return lower(std::string_view(name).substr(0, boardmap::name_limit));
}

std::string entries_written(std::size_t lines) {
    return std::to_string(lines) + " entries written.\n";
}

// ---- The checks after each command -----------------------------------------------------

void check_listing(const std::string& table, const command& c, const std::string& out) {
    const std::string wanted = name_part(c.first);
    std::string expected;
    for (const std::string_view line : lines(table)) {
        const std::string low = lower(too_long(line) ? line.substr(0, boardmap::line_limit) : line);
        if (low.find(wanted) != std::string::npos) {
            expected += columns(low) + "\n";
        }
    }
    expected = expected.empty() ? boardmap::nothing_found : "OLDBOARD  NEWBOARD\n\n" + expected;
    require(out == expected, "the listing differs from the table's matching lines");
}

// What a change should do: its status, what it prints, and the table it leaves.
struct expected_change {
    int status = 0;
    std::string out;
    std::string table;
};

expected_change refused(std::string out) {
    return {1, std::move(out), {}};
}

std::string long_line_message(int number) {
    return "Line " + std::to_string(number) +
           " of BOARDMAP.KVD is too long!\nBOARDMAP.KVD will NOT be changed!\n";
}

std::string word(std::string_view line, int which) {
    std::size_t at = 0;
    std::string_view found = next_word(line, at);
    for (int i = 0; i < which; ++i) {
        found = next_word(line, at);
    }
    return std::string(found);
}

// A name of a line is the board when their first 8 characters agree, case ignored.
bool is_board(const std::string& name, const std::string& board) {
    return !name.empty() && name_part(name) == name_part(board);
}

// Read in file order, the first line too long (as read or in column layout), the first that
// holds the old name, or the 999th line kept refuses the add; empty lines go, every other
// line is written once with one line end, and the new line goes before the first line whose
// lower-cased column layout sorts at or after the old name and a blank.
expected_change model_add(const std::string& table, const command& c) {
    const std::string key = name_part(c.first) + " ";
    const std::string added = columns(lower(key + name_part(c.second))) + "\n";
    expected_change result;
    std::size_t kept = 0;
    bool inserted = false;
    int number = 0;
    for (const std::string_view line : lines(table)) {
        ++number;
        const std::string laid_out = columns(line);
        if (too_long(line) || too_long(laid_out)) {
            return refused(long_line_message(number));
        }
        if (is_board(word(line, 0), c.first)) {
            return refused("Entry \"" + c.first + "\" already exists!\n");
        }
        if (!inserted && std::string_view(lower(laid_out)).substr(0, key.size()) >= key) {
            result.table += added;
            inserted = true;
        }
        if (line == "\n") {
            continue;
        }
        if (++kept == boardmap::max_lines) {
            return refused(boardmap::too_many_entries);
        }
        result.table += laid_out.ends_with('\n') ? laid_out : laid_out + "\n";
    }
    if (!inserted) {
        result.table += added;
    }
    result.out = entries_written(kept + 1);
    return result;
}

// The first line whose old name is the board goes, or else the first whose new name is; every
// other line stays byte for byte. Lines are checked as they are read: one too long, or one
// more than the 1000 that can be held besides the deleted one, ends the run there.
expected_change model_delete(const std::string& table, const command& c) {
    const std::vector<std::string_view> all = lines(table);
    for (const int column : {0, 1}) {
        std::size_t deleted = all.size();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (too_long(all[i])) {
                return refused(long_line_message(static_cast<int>(i + 1)));
            }
            if (deleted == all.size() && is_board(word(all[i], column), c.first)) {
                deleted = i;
                continue;
            }
            if (kept++ == boardmap::slot_count) {
                return refused(boardmap::too_many_entries);
            }
        }
        if (deleted == all.size()) {
            continue;
        }
        if (kept > boardmap::max_lines) {
            return refused(boardmap::too_many_entries);
        }
        expected_change result;
        for (std::size_t i = 0; i < all.size(); ++i) {
            result.table += i == deleted ? "" : std::string(all[i]);
        }
        const std::string shown = columns(lower(all[deleted])) + (column == 1 ? " " : "");
        result.out = "Entry \"" + shown + "\" deleted!\n" + entries_written(kept);
        return result;
    }
    return refused(boardmap::nothing_found);
}

void check_run(const command& c, int status, const file_state& before_table,
               const file_state& before_backup) {
    const file_state table = read_file(boardmap::table_name);
    const file_state backup = read_file(boardmap::backup_name);
    const std::string out = read_output();
    check_only_table_files();
    require(table.exists, "the table is gone");
    require(table.mode == table_mode, "the table lost its mode");
    if (c.kind == '=') {
        require(status == 0, "a listing failed");
        require(table == before_table && backup == before_backup, "a listing changed a file");
        check_listing(before_table.bytes, c, out);
        return;
    }
    const expected_change expected =
        c.kind == '+' ? model_add(before_table.bytes, c) : model_delete(before_table.bytes, c);
    require(status == expected.status, "a change ended with the wrong status");
    require(out == expected.out, "a change printed other than it should");
    if (status != 0) {
        require(table == before_table, "a refused change left another table");
        require(backup == before_backup, "a refused change touched the backup");
        return;
    }
    require(table.bytes == expected.table, "a change wrote another table");
    require(backup == before_table, "the backup is not the previous table");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    scratch = fuzz::make_scratch_dir();
    output_fd = ::memfd_create("table_fuzz-output", 0);
    fork_server::start(scratch, output_fd, run_request);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz_input in = parse(data, size);
    write_table(in.table);
    file_state table = read_file(boardmap::table_name);
    file_state backup;
    for (std::size_t i = 0; i < in.commands.size(); ++i) {
        const command& c = in.commands[i];
        const int status = run_in_child(data, size, i);
        check_run(c, status, table, backup);
        table = read_file(boardmap::table_name);
        backup = read_file(boardmap::backup_name);
    }
    return 0;
}
