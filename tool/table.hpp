#pragma once

#include "support/reader.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace boardmap {

// boardmap.kvd: one mapping "old new" per line ("old     " + two blanks + "new     " + line end
// in column layout). Every command takes each line whole: the bytes up to and including a line
// end, or the bytes after the last line end when the file does not end with one. A sysop may
// have written a line by hand in any spacing, so it is never split.
constexpr const char* table_name = "boardmap.kvd";
constexpr const char* backup_name = "boardmap.bak";
constexpr std::size_t line_limit = 254; // bytes before the line end, as in the mailbox's files
constexpr std::size_t name_limit = 8;   // board names count to 8 characters
constexpr std::size_t max_lines = 999;
// A full table is under 260 KB; a table file larger than this is the table's read failure.
constexpr std::uint64_t table_size_limit = 1024 * 1024;
// One slot beyond the limit: an insertion, or the line that shows a table is too large.
constexpr std::size_t slot_count = max_lines + 1;
// A line with its line end, or its column layout: a first word of one byte padded to 8 makes
// at most name_limit more bytes than the line; one more byte for the blank that the search by
// new name appends to its working copy.
constexpr std::size_t line_capacity = line_limit + name_limit + 1;

constexpr const char* read_failure = "Error reading BOARDMAP.KVD !\n";
constexpr const char* write_failure = "Error writing BOARDMAP.KVD!\n";
constexpr const char* too_many_entries = "Too many entries!\nBOARDMAP.KVD will NOT be changed!\n";
constexpr const char* nothing_found = "No entry found.\n";
constexpr const char* line_too_long =
    "Line %i of BOARDMAP.KVD is too long!\nBOARDMAP.KVD will NOT be changed!\n";

// One line of the table, held by length: a NUL, CR or high byte is ordinary data.
struct line {
    std::array<char, line_capacity> bytes;
    std::size_t size = 0;

    std::span<char> text() { return std::span(bytes).first(size); }
    std::span<const char> text() const { return std::span(bytes).first(size); }
};

// The whole table in memory while a command changes it; set aside once, never grown.
struct table {
    std::array<line, slot_count> slots;
    std::size_t count = 0;
};

enum class line_read { whole, too_long, end_of_file };

// Reads the next line. A line of more than line_limit bytes before its line end is too_long:
// its first line_limit bytes are kept, and the rest of it, line end included, is skipped.
line_read read_line(support::reader& file, line& l);

// Reads the next line of a table that is to be changed, counting lines from 1; a line too long
// to keep ends the run with the line's number before anything is changed. False at the end.
bool read_line_to_change(support::reader& file, line& l, int& line_number);

// Lower-cases the line in place.
void lower_line(line& l);

// Brings a line of two or more words into column layout: first word padded to 8, two blanks,
// second word padded to 8, no line end; a longer name is kept whole and pushes the next column
// right. A line of fewer than two words stays as it is, line end included. The line must hold
// no more than a line of the table and its line end.
void format_columns(line& l);

// A board name as the table is searched for it: its first 8 characters, lower-cased, and one
// blank, which a line in column layout has after a name of up to 8 characters; so "dx" sorts
// before "dxcl".
struct match_key {
    std::array<char, name_limit + 1> bytes;
    std::size_t size = 0;

    std::span<const char> text() const { return std::span(bytes).first(size); }
};
match_key make_match_key(std::string_view board_name);

// A line's board names: its first word is the old name, its second the new name; a line of one
// word has no new name, an empty line or a line of blanks neither.
struct line_names {
    std::string_view old_name;
    std::string_view new_name;
};
line_names names_of(const line& l);

// Whether a name of a line is the board of the key: names count to their first 8 characters,
// compared lower-cased, so "localnews" in the table is the board "LOCALNEWS" or "localnew".
bool is_board(std::string_view name, const match_key& key);

// Serialises the runs that change the table: an advisory lock on the mailbox directory itself,
// so no lock file is ever left behind. Held until the process ends; readers never wait. Waits
// at most 10 seconds for it, then ends the run with the write failure message. Taken, it refuses a
// backup name that the previous table cannot take, then finishes or drops a change that was
// killed half-way.
struct change_lock {
    int directory_fd;
};
change_lock lock_table_for_change();

// Opens the table for a change, once the lock is held, within the run's reach; a symbolic link
// in its place is followed only when it has no other name and is owned by root or by the owner
// of the file it names. Ends the run with the read failure message if the table cannot be
// opened or the link is not followed.
void open_table_to_change(support::reader& table);

// Replaces boardmap.kvd by the slots, each written exactly as it stands, and keeps the previous
// table (still open as old_table) as boardmap.bak, so that boardmap.kvd is at every moment the
// complete old or the complete new table. The new table gets the old one's owner and group as far
// as the user may set them, its permission bits and its access ACL. Returns the number of lines
// written once the new table is in place and the directory synced. Any failure ends the run
// with the write failure message; one before the new table is in place leaves the old one there.
int rewrite_table(const table& t, const support::reader& old_table, change_lock lock);

// The three commands. Each ends the run with status 1 on failure.
void list_entries(const char* search);
// Board names are single words from the command line; the old name of an add, and the name of
// a delete, are never empty.
void add_entry(std::string_view old_name, std::string_view new_name);
void delete_entry(std::string_view board_name);

} // namespace boardmap
