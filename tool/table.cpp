#include "tool/table.hpp"

#include "support/text.hpp"

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
    std::string_view rest(source.bytes.data(), source.size);
    const std::string_view old_name = support::next_word(rest);
    const std::string_view new_name = support::next_word(rest);
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
