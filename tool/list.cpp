#include "support/text.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace boardmap {

namespace {

// Lower-cases the line and tells whether it holds the (lower-case) search text. Most lines do
// not hold the text's first byte in either case: those are passed over without more work.
bool lower_and_find(line& entry, std::string_view wanted) {
    if (!wanted.empty()) {
        const char first = wanted[0];
        const char first_upper =
            first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
        if (std::memchr(entry.bytes.data(), first, entry.size) == nullptr &&
            std::memchr(entry.bytes.data(), first_upper, entry.size) == nullptr) {
            return false;
        }
    }
    lower_line(entry);
    return std::string_view(entry.bytes.data(), entry.size).find(wanted) != std::string_view::npos;
}

} // namespace

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
        if (!lower_and_find(entry, wanted)) {
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
