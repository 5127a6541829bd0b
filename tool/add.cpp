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

} // namespace

// Inserts "old new" before the first line that sorts at or after the old name, brings every
// line into column layout, drops empty lines, and rewrites the table.
void add_entry(std::string_view old_name, std::string_view new_name) {
    const change_lock lock = lock_table_for_change();
    support::reader file;
    open_table_to_change(file);
    const match_key key = make_match_key(old_name);

    static table t;
    t.count = 0;
    int line_number = 0;
    std::size_t insert_at = 0;
    for (;;) {
        if (t.count == slot_count) {
            support::fail("%s", too_many_entries);
        }
        line& slot = t.slots[t.count];
        if (!read_line_to_change(file, slot, line_number)) {
            insert_at = t.count;
            break;
        }
        format_columns(slot);
        const int order = compare_with_key(slot, key);
        if (order == 0) {
            // Only this line can hold the name in a table kept in the tool's own order.
            support::fail("Entry \"%.*s\" already exists!\n", static_cast<int>(old_name.size()),
                          old_name.data());
        }
        ++t.count;
        if (order > 0) {
            insert_at = t.count - 1;
            break;
        }
    }
    if (t.count + 1 > max_lines) {
        support::fail("%s", too_many_entries);
    }
    for (std::size_t i = t.count; i > insert_at; --i) {
        t.slots[i] = t.slots[i - 1];
    }
    t.slots[insert_at] = make_new_line(key, new_name);
    ++t.count;

    // The slot beyond the limit takes the line that shows the table is too large.
    while (read_line_to_change(file, t.slots[t.count], line_number)) {
        if (t.count == max_lines) {
            support::fail("%s", too_many_entries);
        }
        format_columns(t.slots[t.count++]);
    }
    std::printf("%i entries written.\n", rewrite_table(t, write_form::add_line_ends, file, lock));
}

} // namespace boardmap
