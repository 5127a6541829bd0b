#pragma once

#include "support/reader.hpp"

#include <array>
#include <cstddef>
#include <span>

namespace boardmap {

// boardmap.kvd: one mapping "old new" per line. Every command reads it in pieces of at most 19
// bytes, so a line in column layout ("old     " + two blanks + "new     " + line end) is one
// piece, and a longer line is taken as several pieces, each handled as a line of its own.
constexpr const char* table_name = "boardmap.kvd";
constexpr const char* backup_name = "boardmap.bak";
constexpr std::size_t piece_limit = 19;
constexpr std::size_t name_limit = 8; // board names count to 8 characters
constexpr std::size_t max_lines = 999;
// One slot beyond the limit: an insertion, or the piece that shows a table is too large.
constexpr std::size_t slot_count = max_lines + 1;
// Column layout of a piece with one long name: up to name_limit more bytes than the piece;
// one more byte for the blank that the search by new name appends to its working copy.
constexpr std::size_t line_capacity = piece_limit + name_limit + 1;

constexpr const char* read_failure = "Error reading BOARDMAP.KVD !\n";
constexpr const char* write_failure = "Error writing BOARDMAP.KVD!\n";
constexpr const char* too_many_entries = "Too many entries!\nBOARDMAP.KVD will NOT be changed!\n";
constexpr const char* nothing_found = "No entry found.\n";

// One piece of the table, held by length: a NUL, CR or high byte is ordinary data.
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

// Reads the next piece; false at the end of the file.
bool read_line(support::reader& file, line& piece);

// Lower-cases the line in place.
void lower_line(line& l);

// Brings a line of two or more words into column layout: first word padded to 8, two blanks,
// second word padded to 8, no line end; a longer name is kept whole and pushes the next column
// right. A line of fewer than two words stays as it is, line end included. The line must hold
// no more than a piece.
void format_columns(line& l);

// A board name as looked up in the old-name column: its first 8 characters, lower-cased, and
// one blank, so that "dx" finds "dx" but not "dxcl".
struct match_key {
    std::array<char, name_limit + 1> bytes;
    std::size_t size = 0;

    std::span<const char> text() const { return std::span(bytes).first(size); }
};
match_key make_match_key(const char* board_name);

// How the rewrite writes the slots: as the add leaves them (each followed by a line end, the
// ones that begin with a line end left out), or exactly as read (the delete).
enum class write_form { add_line_ends, as_read };

// Serialises the runs that change the table: an advisory lock on the mailbox directory itself,
// so no lock file is ever left behind. Held until the process ends; readers never wait. Waits
// at most 10 seconds for it, then ends the run with the write failure message. Taken, it first
// finishes or drops a change that was killed half-way.
struct change_lock {
    int directory_fd;
};
change_lock lock_table_for_change();

// Replaces boardmap.kvd by the slots and keeps the previous table (still open as old_table) as
// boardmap.bak, so that boardmap.kvd is at every moment the complete old or the complete new
// table. The new table gets the old one's owner and group as far as the user may set them, its
// permission bits and its access ACL. Returns the number of lines written once the new table
// is in place; before that, any failure ends the run with the write failure message and the
// old table in place.
int rewrite_table(const table& t, write_form form, const support::reader& old_table,
                  change_lock lock);

// The three commands. Each ends the run with status 1 on failure.
void list_entries(const char* search);
void add_entry(const char* old_name, const char* new_name);
void delete_entry(const char* board_name);

} // namespace boardmap
