#pragma once

#include <span>

namespace support {

// Looks up a keyword (upper case) in init.kvd and puts the word after it into out.
void init_value(const char* keyword, std::span<char> out);

// Puts the directory of a board's messages into out; returns 1 for a board of the hierarchy
// (bulletin.kvd), 0 for a user board. The board name is cut at its first blank and upper-cased
// in place.
int board_dir(char* board, std::span<char> out);

// Puts the n-th line (from 1) of the board's list.kvd into out, line end included.
void list_line(char* board, int n, std::span<char> out);

// Puts the first line of the message that the n-th line of the board's list names into out.
void message_first_line(char* board, int n, std::span<char> out);

} // namespace support
