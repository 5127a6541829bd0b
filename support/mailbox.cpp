#include <boardmap/support.h>

#include "support/fail.hpp"
#include "support/reader.hpp"
#include "support/text.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace boardmap::support {

namespace {

constexpr std::size_t word_limit = 259;       // init.kvd words
constexpr std::size_t hierarchy_piece = 254;  // bulletin.kvd
constexpr std::size_t list_piece = 254;       // list.kvd
constexpr std::size_t first_line_limit = 126; // a message's first line
constexpr std::size_t group_dir_limit = 8;    // a group's directory name
constexpr std::string_view list_name = "list.kvd";
constexpr std::size_t dir_limit = 127 - list_name.size(); // 119
constexpr std::size_t message_path_limit = 79;
constexpr std::size_t handed_line_limit = 131;
// What the files may hold: the configuration and the hierarchy are a few kilobytes, a board's
// list a line of some hundred bytes per message. Far larger files are read failures.
constexpr std::uint64_t configuration_limit = 1024 * 1024;
constexpr std::uint64_t list_limit = 64 * 1024 * 1024;

constexpr const char* board_not_found = "Board %s not found.\n";

// Puts size bytes into out, cut to out.size() - 1 and terminated; an empty out is not touched.
void put(std::span<char> out, const char* bytes, std::size_t size) {
    if (out.empty()) {
        return;
    }
    const std::size_t kept = std::min(size, out.size() - 1);
    std::memmove(out.data(), bytes, kept);
    out[kept] = '\0';
}

// Where a board name ends in bulletin.kvd.
constexpr bool ends_name(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// ---- init.kvd ----

struct word {
    std::array<char, word_limit + 1> bytes; // terminated after its first `size` bytes
    std::size_t size = 0;
    bool cut = false; // the word in the file is longer than word_limit
};

// Reads the next word; false when only white space is left.
bool read_word(reader& file, word& w) {
    char c = ' ';
    while (is_white(c)) {
        if (!read_byte(file, c)) {
            return false;
        }
    }
    w.size = 0;
    w.cut = false;
    do {
        if (w.size < word_limit) {
            w.bytes[w.size++] = c;
        } else {
            w.cut = true;
        }
    } while (read_byte(file, c) && !is_white(c));
    w.bytes[w.size] = '\0';
    return true;
}

// Finds the keyword and reads the word after it into value; false when the keyword is the
// file's last word. A keyword that is absent ends the run.
bool find_value(const char* keyword, word& value) {
    reader file;
    open_reader(file, "init.kvd", "Error opening INIT.KVD!\n", configuration_limit);
    const std::size_t keyword_size = std::strlen(keyword);
    word w;
    for (;;) {
        if (!read_word(file, w)) {
            fail("%s not found.\n", keyword);
        }
        upper_bytes(std::span(w.bytes).first(w.size));
        if (!w.cut && w.size == keyword_size && std::memcmp(w.bytes.data(), keyword, w.size) == 0) {
            return read_word(file, value);
        }
    }
}

// A path keyword's value for board_dir, which cannot do without one.
void path_value(const char* keyword, word& value) {
    if (!find_value(keyword, value)) {
        fail("%s not found.\n", keyword);
    }
}

// ---- paths ----

// A path of at most Limit characters; appending beyond that marks it too long instead.
template <std::size_t Limit> struct path {
    std::array<char, Limit + 1> bytes{};
    std::size_t size = 0;
    bool too_long = false;

    void append(std::string_view text) {
        if (too_long || text.size() > Limit - size) {
            too_long = true;
            return;
        }
        std::memcpy(bytes.data() + size, text.data(), text.size());
        size += text.size();
        bytes[size] = '\0';
    }
    const char* c_str() const { return bytes.data(); }
    void lower() { bms_str_lower(bytes.data()); }
};

using directory = path<dir_limit>;

// Starts a directory with a path keyword's value: slashes, lower case, a final '/'.
void start_directory(directory& dir, const char* keyword) {
    word value;
    path_value(keyword, value);
    bms_slashes_to_unix(value.bytes.data());
    bms_str_lower(value.bytes.data());
    const std::string_view text(value.bytes.data()); // up to a NUL, if the word holds one
    dir.append(text);
    if (text.empty() || text.back() != '/') {
        dir.append("/");
    }
}

// Cuts and upper-cases the caller's board name; refuses a name that could leave the trees.
std::string_view take_board(char* board) {
    std::size_t size = 0;
    while (board[size] != '\0' && board[size] != ' ') {
        ++size;
    }
    board[size] = '\0';
    bms_str_upper(board);
    const std::string_view name(board, size);
    if (name.empty() || name == "." || name.find('/') != std::string_view::npos ||
        name.find('\\') != std::string_view::npos || name.find("..") != std::string_view::npos) {
        fail(board_not_found, board);
    }
    return name;
}

// ---- bulletin.kvd ----

// The mailbox ends every line: a piece that the end of the file cut short is not a line,
// unless it fills a whole piece.
bool ended_by_end_of_file(std::size_t size, std::size_t limit, const char* piece) {
    return size < limit && (size == 0 || piece[size - 1] != '\n');
}

struct hierarchy_entry {
    bool found = false;
    bool in_group = false; // false: a board line before the first group line
    std::array<char, group_dir_limit + 1> group_dir{};
};

hierarchy_entry find_in_hierarchy(std::string_view board) {
    reader file;
    open_reader(file, "bulletin.kvd", "Error opening BULLETIN.KVD!\n", configuration_limit);
    hierarchy_entry entry;
    std::array<char, hierarchy_piece> piece;
    for (;;) {
        const std::size_t size = read_piece(file, piece);
        if (ended_by_end_of_file(size, piece.size(), piece.data())) {
            return entry;
        }
        if (piece[0] == ';') {
            continue;
        }
        upper_bytes(std::span(piece).first(size));
        const std::size_t start = piece[0] == ' ' ? 1 : 0;
        std::size_t end = start;
        while (end < size && !ends_name(piece[end])) {
            ++end;
        }
        const std::string_view name(piece.data() + start, end - start);
        if (name.empty()) {
            continue;
        }
        if (start == 0) {
            const std::size_t kept = std::min(name.size(), group_dir_limit);
            std::memcpy(entry.group_dir.data(), name.data(), kept);
            entry.group_dir[kept] = '\0';
            entry.in_group = true;
        }
        if (name == board) {
            entry.found = true;
            return entry;
        }
    }
}

} // namespace

// The routines of <boardmap/support.h>: extern "C" makes each the one declared there.

extern "C" void bms_init_value(const char* keyword, char* out_bytes, std::size_t out_size) {
    const std::span out(out_bytes, out_size);
    word value;
    if (find_value(keyword, value)) {
        put(out, value.bytes.data(), value.size);
    }
}

extern "C" int bms_board_dir(char* board, char* out_bytes, std::size_t out_size) {
    const std::span out(out_bytes, out_size);
    const std::string_view name = take_board(board);
    directory dir;
    start_directory(dir, "INFOPATH");
    const hierarchy_entry entry = find_in_hierarchy(name);
    if (entry.found) {
        const std::string_view group(entry.group_dir.data());
        if (entry.in_group) {
            dir.append(group);
            dir.append("/");
        }
        if (!entry.in_group || group != name) {
            dir.append(name);
            dir.append("/");
        }
    } else {
        dir = directory{};
        start_directory(dir, "USERPATH");
        dir.append(name);
        dir.append("/");
    }
    if (dir.too_long) {
        fail(board_not_found, board);
    }
    dir.lower();
    put(out, dir.c_str(), dir.size);
    return entry.found ? 1 : 0;
}

extern "C" void bms_list_line(char* board, int n, char* out_bytes, std::size_t out_size) {
    const std::span out(out_bytes, out_size);
    path<dir_limit + list_name.size()> list_path;
    {
        std::array<char, dir_limit + 1> dir;
        bms_board_dir(board, dir.data(), dir.size());
        list_path.append(dir.data());
    }
    list_path.append(list_name);

    // The board name fits: board_dir refused any whose directory is longer than dir_limit.
    std::array<char, dir_limit + 32> failure;
    std::snprintf(failure.data(), failure.size(), board_not_found, board);
    reader file;
    open_reader(file, list_path.c_str(), failure.data(), list_limit);
    if (n < 1) {
        fail("%s %1i not found.\n", board, n);
    }
    std::array<char, list_piece> piece;
    std::size_t size = 0;
    for (int i = 0; i < n; ++i) {
        size = read_piece(file, piece);
        if (ended_by_end_of_file(size, piece.size(), piece.data())) {
            fail("%s %1i not found.\n", board, n);
        }
    }
    put(out, piece.data(), size);
}

extern "C" void bms_message_first_line(char* board, int n, char* out_bytes, std::size_t out_size) {
    const std::span out(out_bytes, out_size);
    std::array<char, dir_limit + 1> dir;
    bms_board_dir(board, dir.data(), dir.size());
    std::array<char, handed_line_limit + 1> line;
    bms_list_line(board, n, line.data(), line.size());

    std::string_view file_name(line.data());
    if (const std::size_t mark = file_name.find('<'); mark != std::string_view::npos) {
        file_name.remove_suffix(file_name.size() - mark);
    } else {
        if (file_name.ends_with('\n')) {
            file_name.remove_suffix(1);
        }
        if (file_name.ends_with('\r')) {
            file_name.remove_suffix(1);
        }
    }
    path<dir_limit + handed_line_limit> message_path;
    message_path.append(dir.data());
    message_path.append(file_name);
    message_path.lower();
    if (message_path.size > message_path_limit) {
        fail("Error opening %s!\n", message_path.c_str());
    }

    std::array<char, sizeof message_path.bytes + 32> failure;
    std::snprintf(failure.data(), failure.size(), "Error opening %s!\n", message_path.c_str());
    // Only the first line is read: a message may be as large as it likes.
    reader file;
    open_reader(file, message_path.c_str(), failure.data(), whole_file);
    std::array<char, first_line_limit> first;
    const std::size_t size = read_piece(file, first);
    if (size > 0) {
        put(out, first.data(), size);
    }
}

} // namespace boardmap::support
