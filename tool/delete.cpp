#include "support/fail.hpp"
#include "tool/table.hpp"

#include <cstdio>
#include <cstring>

namespace boardmap {

namespace {

// Which name of a line a pass looks for.
enum class name_column { old_name, new_name };

// The lower-cased column layout of a line, as the deleted line is shown. For a line found by its
// new name a blank is appended, so that a new name of 8 characters is followed by one too.
line working_copy(const line& entry, name_column column) {
    // Only the line's bytes, not its whole capacity: most lines are a few bytes long.
    line work;
    std::memcpy(work.bytes.data(), entry.bytes.data(), entry.size);
    work.size = entry.size;
    lower_line(work);
    format_columns(work);
    if (column == name_column::new_name) {
        work.bytes[work.size++] = ' ';
    }
    return work;
}

bool holds_board(const line& entry, const match_key& key, name_column column) {
    const line_names names = names_of(entry);
    return is_board(column == name_column::old_name ? names.old_name : names.new_name, key);
}

// One pass over the table: keeps every line exactly as read, except the first whose name of the
// given column is the board, whose working copy goes to removed. Returns whether one went.
bool collect_without(support::reader& file, const match_key& key, name_column column, table& t,
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
        if (!deleted && holds_board(entry, key, column)) {
            removed = working_copy(entry, column);
            deleted = true;
            continue;
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
    bool deleted = collect_without(file, key, name_column::old_name, t, removed);
    if (!deleted) {
        support::rewind_reader(file);
        deleted = collect_without(file, key, name_column::new_name, t, removed);
    }
    if (!deleted) {
        support::fail("%s", nothing_found);
    }
    if (t.count > max_lines) {
        support::fail("%s", too_many_entries);
    }
    const int written = rewrite_table(t, file, lock);
    // Told only once the change has been made: a failed rewrite deletes nothing.
    std::fputs("Entry \"", stdout);
    std::fwrite(removed.bytes.data(), 1, removed.size, stdout);
    std::fputs("\" deleted!\n", stdout);
    std::printf("%i entries written.\n", written);
}

} // namespace boardmap
