#include "support/text.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace boardmap {

// Prints every piece of the table that holds the search text (its first 8 characters, case
// ignored), lower-cased and in column layout, under a header. Anyone may search; no lock is
// taken, since a change replaces the table by rename and a reader sees the old or the new one.
void list_entries(const char* search) {
    support::reader file;
    support::open_reader(file, table_name, read_failure);

    std::array<char, name_limit> search_bytes;
    const std::size_t search_size = ::strnlen(search, name_limit);
    std::memcpy(search_bytes.data(), search, search_size);
    support::lower_bytes(std::span(search_bytes).first(search_size));
    const std::string_view wanted(search_bytes.data(), search_size);

    bool found = false;
    line piece;
    while (read_line(file, piece)) {
        lower_line(piece);
        const std::string_view text(piece.bytes.data(), piece.size);
        if (text.find(wanted) == std::string_view::npos) {
            continue;
        }
        if (!found) {
            std::fputs("OLDBOARD  NEWBOARD\n\n", stdout);
            found = true;
        }
        format_columns(piece);
        piece.bytes[piece.size++] = '\n';
        std::fwrite(piece.bytes.data(), 1, piece.size, stdout);
    }
    if (!found) {
        std::fputs(nothing_found, stdout);
    }
}

} // namespace boardmap
