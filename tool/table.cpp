#include "tool/table.hpp"

#include "support/fail.hpp"
#include "support/text.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace boardmap {

namespace {

// Reads the next line, or of a line too long its first line_limit bytes, leaving the rest unread.
line_read read_up_to_limit(support::reader& file, line& l) {
    // One byte beyond the limit tells a line that is too long from one that fits with its end.
    l.size = support::read_piece(file, std::span(l.bytes).first(line_limit + 1));
    if (l.size == 0) {
        return line_read::end_of_file;
    }
    if (l.size <= line_limit || l.bytes[line_limit] == '\n') {
        return line_read::whole;
    }
    l.size = line_limit;
    return line_read::too_long;
}

} // namespace

line_read read_line(support::reader& file, line& l) {
    const line_read got = read_up_to_limit(file, l);
    if (got == line_read::too_long) {
        support::skip_line(file);
    }
    return got;
}

// A change refuses a line too long as soon as it is seen, without reading on to its end.
bool read_line_to_change(support::reader& file, line& l, int& line_number) {
    const line_read got = read_up_to_limit(file, l);
    if (got == line_read::end_of_file) {
        return false;
    }
    ++line_number;
    if (got == line_read::too_long) {
        support::fail(line_too_long, line_number);
    }
    return true;
}

void lower_line(line& l) {
    support::lower_bytes(l.text());
}

namespace {

// Blanks from the end of the line up to the column.
void pad_to(line& l, std::size_t column) {
    if (l.size < column) {
        std::memset(l.bytes.data() + l.size, ' ', column - l.size);
        l.size = column;
    }
}

} // namespace

// The words are moved in place, so that no line is copied: the old name to the front (never
// onto the new name, which lies behind it), then the new name to its column, and only then the
// blanks between them, which may fall where the new name stood.
void format_columns(line& l) {
    const auto [old_name, new_name] = names_of(l);
    if (new_name.empty()) {
        return;
    }
    const std::size_t new_column = std::max(old_name.size(), name_limit) + 2;
    std::memmove(l.bytes.data(), old_name.data(), old_name.size());
    std::memmove(l.bytes.data() + new_column, new_name.data(), new_name.size());
    std::memset(l.bytes.data() + old_name.size(), ' ', new_column - old_name.size());
    l.size = new_column + new_name.size();
    pad_to(l, new_column + name_limit);
}

match_key make_match_key(std::string_view board_name) {
    match_key key{};
    key.size = std::min(board_name.size(), name_limit);
    std::memcpy(key.bytes.data(), board_name.data(), key.size);
    support::lower_bytes(std::span(key.bytes).first(key.size));
    key.bytes[key.size++] = ' ';
    return key;
}

line_names names_of(const line& l) {
    std::string_view rest(l.bytes.data(), l.size);
    const std::string_view old_name = support::next_word(rest);
    return {old_name, support::next_word(rest)};
}

bool is_board(std::string_view name, const match_key& key) {
    std::array<char, name_limit> start;
    const std::size_t size = std::min(name.size(), name_limit);
    if (name.empty() || size + 1 != key.size) {
        return false;
    }
    std::memcpy(start.data(), name.data(), size);
    support::lower_bytes(std::span(start).first(size));
    return std::memcmp(start.data(), key.bytes.data(), size) == 0;
}

} // namespace boardmap
