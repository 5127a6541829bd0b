#include "support/fail.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>

namespace boardmap {

namespace {

// Where a name stands in a line in column layout.
constexpr std::size_t old_name_column = 0;
constexpr std::size_t new_name_column = 10;

// The lower-cased column layout of a line, as it is compared and shown. For the new-name
// column a blank is appended, so that a new name of 8 characters is followed by one too.
line working_copy(const line& entry, std::size_t column) {
    // Only the line's bytes, not its whole capacity: most lines are a few bytes long.
    line work;
    std::memcpy(work.bytes.data(), entry.bytes.data(), entry.size);
    work.size = entry.size;
    lower_line(work);
    format_columns(work);
    if (column == new_name_column) {
        work.bytes[work.size++] = ' ';
    }
    return work;
}

bool holds_name(const line& work, const match_key& key, std::size_t column) {
    return work.size >= column + key.size &&
           std::memcmp(work.bytes.data() + column, key.bytes.data(), key.size) == 0;
}

// One pass over the table: keeps every line exactly as read, except the first whose name in
// the given column is the key, whose working copy goes to removed. Returns whether one went.
bool collect_without(support::reader& file, const match_key& key, std::size_t column, table& t,
                     line& removed) {
    t.count = 0;
    int line_number = 0;
    bool deleted = false;
    // Lines are read into their slots; with every slot taken, a further line can only be the
    // one deleted, or show that too many would be kept.
    line beyond_the_slots;
    for (;;) {
        line& entry = t.count < slot_count ? t.slots[t.count] : beyond_the_slots;
        if (!read_line_to_change(file, entry, line_number)) {
            break;
        }
        if (!deleted) {
            const line work = working_copy(entry, column);
            if (holds_name(work, key, column)) {
                removed = work;
                deleted = true;
                continue;
            }
        }
        if (t.count == slot_count) {
            support::fail("%s", too_many_entries);
        }
        ++t.count;
    }
    return deleted;
}

} // namespace

// Deletes the first line whose old name is the board name or, when there is none, the first
// line whose new name is; every other line is written back byte for byte.
void delete_entry(std::string_view board_name) {
    const change_lock lock = lock_table_for_change();
    support::reader file;
    open_table_to_change(file);
    const match_key key = make_match_key(board_name);

    static table t;
    line removed;
    bool deleted = collect_without(file, key, old_name_column, t, removed);
    if (!deleted) {
        support::rewind_reader(file);
        deleted = collect_without(file, key, new_name_column, t, removed);
    }
    if (!deleted) {
        support::fail("%s", nothing_found);
    }
    if (t.count > max_lines) {
        support::fail("%s", too_many_entries);
    }
    const int written = rewrite_table(t, write_form::as_read, file, lock);
    // Told only once the change has been made: a failed rewrite deletes nothing.
    std::fputs("Entry \"", stdout);
    std::fwrite(removed.bytes.data(), 1, removed.size, stdout);
    std::fputs("\" deleted!\n", stdout);
    std::printf("%i entries written.\n", written);
}

} // namespace boardmap
