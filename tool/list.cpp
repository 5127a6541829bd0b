#include "support/text.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace boardmap {

// Prints every line of the table that holds the search text (its first 8 characters, case
// ignored), lower-cased and in column layout, under a header; a line too long for the table is
// searched and shown by its first bytes. Anyone may search; no lock is taken, since a change
// replaces the table by rename and a reader sees the old or the new one.
void list_entries(const char* search) {
    support::reader file;
    support::open_reader(file, table_name, read_failure);

    std::array<char, name_limit> search_bytes;
    const std::size_t search_size = ::strnlen(search, name_limit);
    std::memcpy(search_bytes.data(), search, search_size);
    support::lower_bytes(std::span(search_bytes).first(search_size));
    const std::string_view wanted(search_bytes.data(), search_size);

    bool found = false;
    line entry;
    while (read_line(file, entry) != line_read::end_of_file) {
        lower_line(entry);
        const std::string_view text(entry.bytes.data(), entry.size);
        if (text.find(wanted) == std::string_view::npos) {
            continue;
        }
        if (!found) {
            std::fputs("OLDBOARD  NEWBOARD\n\n", stdout);
            found = true;
        }
        format_columns(entry);
        entry.bytes[entry.size++] = '\n';
        std::fwrite(entry.bytes.data(), 1, entry.size, stdout);
    }
    if (!found) {
        std::fputs(nothing_found, stdout);
    }
}

} // namespace boardmap
