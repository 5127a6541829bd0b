#pragma once

#include <array>
#include <cstddef>
#include <span>

namespace support {

// Reads a mailbox file in pieces the way the mailbox's own programs do (a piece ends after a
// line end or at a length limit), but by length: a NUL or any other byte is ordinary data.
// The buffer is part of the record, so reading allocates nothing.
struct reader {
    int fd = -1;
    const char* failure = nullptr; // printed, with exit status 1, when the file cannot be read
    std::array<char, 4096> buffer;
    std::size_t position = 0;
    std::size_t end = 0;

    reader() = default;
    reader(const reader&) = delete;
    reader& operator=(const reader&) = delete;
    ~reader();
};

// Opens the file for reading; if it cannot be opened, or later cannot be read, ends the run
// with the failure message, which must outlive the reader.
void open_reader(reader& r, const char* path, const char* failure);

// Reads up to out.size() bytes, stopping after a line end; returns the number read, 0 only at
// the end of the file. A read error ends the run with the reader's failure message.
std::size_t read_piece(reader& r, std::span<char> out);

// Reads one byte; returns false at the end of the file.
bool read_byte(reader& r, char& byte);

// Starts reading again from the first byte.
void rewind_reader(reader& r);

} // namespace support
