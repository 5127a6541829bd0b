#include "tool/table.hpp"

#include "support/text.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace boardmap {

bool read_line(support::reader& file, line& piece) {
    piece.size = support::read_piece(file, std::span(piece.bytes).first(piece_limit));
    return piece.size > 0;
}

void lower_line(line& l) {
    support::lower_bytes(l.text());
}

namespace {

constexpr bool is_white(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Finds the next word at or after from; an empty view when there is none.
std::string_view next_word(std::string_view text, std::size_t& from) {
    while (from < text.size() && is_white(text[from])) {
        ++from;
    }
    const std::size_t start = from;
    while (from < text.size() && !is_white(text[from])) {
        ++from;
    }
    return text.substr(start, from - start);
}

void append_padded(line& l, std::string_view word) {
    std::memcpy(l.bytes.data() + l.size, word.data(), word.size());
    l.size += word.size();
    const std::size_t pad = word.size() < name_limit ? name_limit - word.size() : 0;
    std::memset(l.bytes.data() + l.size, ' ', pad);
    l.size += pad;
}

} // namespace

void format_columns(line& l) {
    const line source = l;
    const std::string_view text(source.bytes.data(), source.size);
    std::size_t position = 0;
    const std::string_view old_name = next_word(text, position);
    const std::string_view new_name = next_word(text, position);
    if (new_name.empty()) {
        return;
    }
    l.size = 0;
    append_padded(l, old_name);
    l.bytes[l.size++] = ' ';
    l.bytes[l.size++] = ' ';
    append_padded(l, new_name);
}

match_key make_match_key(const char* board_name) {
    match_key key{};
    key.size = ::strnlen(board_name, name_limit);
    std::memcpy(key.bytes.data(), board_name, key.size);
    support::lower_bytes(std::span(key.bytes).first(key.size));
    key.bytes[key.size++] = ' ';
    return key;
}

} // namespace boardmap
