#include "support/text.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace boardmap {

namespace {

// Passes over the lines in the file's buffer that stand before the next byte that could begin
// the search text, either case of its first byte: a line without it cannot hold the text. Most
// lines of a table are passed over so, without being copied. The line with that byte, or one
// that runs on past the buffer, is left to read_line.
void skip_lines_without(support::reader& file, std::string_view wanted) {
    const char first = wanted[0];
    const char first_upper = support::ascii_upper(first);
    const char* from = file.buffer.data() + file.position;
    std::size_t before = file.end - file.position;
    if (const void* at = std::memchr(from, first, before)) {
        before = static_cast<std::size_t>(static_cast<const char*>(at) - from);
    }
    if (first_upper != first) {
        if (const void* at = std::memchr(from, first_upper, before)) {
            before = static_cast<std::size_t>(static_cast<const char*>(at) - from);
        }
    }
    if (const void* last_end = ::memrchr(from, '\n', before)) {
        file.position += static_cast<std::size_t>(static_cast<const char*>(last_end) - from) + 1;
    }
}

// Lower-cases the line and tells whether it holds the (lower-case) search text.
bool lower_and_find(line& entry, std::string_view wanted) {
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
    support::open_reader(file, table_name, read_failure, table_size_limit);

    std::array<char, name_limit> search_bytes;
    const std::size_t search_size = ::strnlen(search, name_limit);
    std::memcpy(search_bytes.data(), search, search_size);
    support::lower_bytes(std::span(search_bytes).first(search_size));
    const std::string_view wanted(search_bytes.data(), search_size);

    bool found = false;
    line entry;
    for (;;) {
        if (!wanted.empty()) {
            skip_lines_without(file, wanted);
        }
        if (read_line(file, entry) == line_read::end_of_file) {
            break;
        }
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
