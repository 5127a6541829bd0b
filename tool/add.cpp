#include "support/fail.hpp"
#include "support/text.hpp"
#include "tool/table.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace boardmap {

namespace {

// Orders the first bytes of a line in column layout, lower-cased, against the key as unsigned
// bytes; a line that ends within the key's length sorts below it.
int compare_with_key(const line& formatted, const match_key& key) {
    std::array<char, name_limit + 1> start;
    const std::size_t size = std::min(formatted.size, key.size);
    std::memcpy(start.data(), formatted.bytes.data(), size);
    support::lower_bytes(std::span(start).first(size));
    for (std::size_t i = 0; i < key.size; ++i) {
        if (i == size) {
            return -1;
        }
        const auto a = static_cast<unsigned char>(start[i]);
        const auto b = static_cast<unsigned char>(key.bytes[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return 0;
}

// The key (old name and one blank) and the first 8 characters of the new name, lower-cased
// and in column layout; with an empty new name, just the old name and one blank.
line make_new_line(const match_key& key, std::string_view new_name) {
    line made{};
    std::memcpy(made.bytes.data(), key.bytes.data(), key.size);
    made.size = key.size;
    const std::size_t new_size = std::min(new_name.size(), name_limit);
    std::memcpy(made.bytes.data() + made.size, new_name.data(), new_size);
    made.size += new_size;
    lower_line(made);
    format_columns(made);
    return made;
}

// Gives a line, brought into column layout, the one line end it is written with; ends the run
// when the line would be too long for the next change to read.
void end_line(line& l, int line_number) {
    const bool has_line_end = l.size > 0 && l.bytes[l.size - 1] == '\n';
    if (l.size - (has_line_end ? 1 : 0) > line_limit) {
        support::fail(line_too_long, line_number);
    }
    if (!has_line_end) {
        l.bytes[l.size++] = '\n';
    }
}

void append(table& t, const line& l) {
    line& slot = t.slots[t.count++];
    std::memcpy(slot.bytes.data(), l.bytes.data(), l.size);
    slot.size = l.size;
}

} // namespace

// Inserts "old new" before the first line that sorts at or after the old name, brings every
// line into column layout, drops empty lines, and rewrites the table. Read in file order, the
// first line too long to keep, the first line that holds the old name, or the 999th line kept
// refuses the add.
void add_entry(std::string_view old_name, std::string_view new_name) {
    const change_lock lock = lock_table_for_change();
    support::reader file;
    open_table_to_change(file);
    const match_key key = make_match_key(old_name);
    line new_line = make_new_line(key, new_name);
    new_line.bytes[new_line.size++] = '\n';

    static table t;
    t.count = 0;
    bool inserted = false;
    int line_number = 0;
    line current;
    while (read_line_to_change(file, current, line_number)) {
        // The order is taken before the line end is made sure of, as the line stood.
        format_columns(current);
        const bool insert_here = !inserted && compare_with_key(current, key) >= 0;
        end_line(current, line_number);
        std::string_view words(current.bytes.data(), current.size);
        if (is_board(support::next_word(words), key)) {
            support::fail("Entry \"%.*s\" already exists!\n", static_cast<int>(old_name.size()),
                          old_name.data());
        }
        if (insert_here) {
            append(t, new_line);
            inserted = true;
        }
        if (current.size == 1 && current.bytes[0] == '\n') {
            continue;
        }
        // With the new line this would be more than the table may hold.
        if (t.count + (inserted ? 0 : 1) == max_lines) {
            support::fail("%s", too_many_entries);
        }
        append(t, current);
    }
    if (!inserted) {
        append(t, new_line);
    }
    std::printf("%i entries written.\n", rewrite_table(t, file, lock));
}

} // namespace boardmap
