#include <boardmap/support.h>

#include "support/reader.hpp"
#include "support/text.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace boardmap::support {

namespace {

constexpr std::size_t piece_limit = 126;
// Some twenty lines of a few dozen bytes: a file far larger is no run data.
constexpr std::uint64_t run_data_limit = 64 * 1024;

struct key_value {
    std::string_view key;
    std::string_view value;
};

template <std::size_t N> void copy_text(char (&field)[N], std::string_view value) {
    const std::size_t size = std::min(value.size(), N - 1);
    std::memcpy(field, value.data(), size);
    field[size] = '\0';
}

// Value as a terminated string for the C conversions; a word of a piece always fits.
struct number_text {
    std::array<char, piece_limit + 1> bytes;
};

number_text terminated(std::string_view value) {
    number_text text{};
    std::memcpy(text.bytes.data(), value.data(), value.size());
    return text;
}

// Signed number with an optional sign, decimal, octal (leading 0) or hexadecimal (leading 0x).
// A value that does not start like a number, or does not fit, leaves the field unchanged.
void store_signed(std::int32_t& field, std::string_view value) {
    const number_text text = terminated(value);
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.bytes.data(), &end, 0);
    if (end == text.bytes.data() || errno == ERANGE ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    field = static_cast<std::int32_t>(number);
}

// Unsigned decimal number; a negative or oversized value leaves the field unchanged.
void store_unsigned(std::uint32_t& field, std::string_view value) {
    const number_text text = terminated(value);
    if (text.bytes[0] == '-') {
        return;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text.bytes.data(), &end, 10);
    if (end == text.bytes.data() || errno == ERANGE ||
        number > std::numeric_limits<std::uint32_t>::max()) {
        return;
    }
    field = static_cast<std::uint32_t>(number);
}

// The sysop flag is read from the value's first character only: one decimal digit.
void store_flag(std::int32_t& field, std::string_view value) {
    if (!value.empty() && value[0] >= '0' && value[0] <= '9') {
        field = value[0] - '0';
    }
}

// Compared by hand: std's operator== is not inlined here, and as a weak symbol of the library
// it could stand in for a C++ program's own, built with another compiler's standard library.
bool is_key(std::string_view key, std::string_view name) {
    return key.size() == name.size() && std::memcmp(key.data(), name.data(), key.size()) == 0;
}

// The one key that the mailbox may write in any case.
bool is_sysop_key(std::string_view key) {
    std::array<char, 5> lowered{};
    if (key.size() != lowered.size()) {
        return false;
    }
    std::copy(key.begin(), key.end(), lowered.begin());
    lower_bytes(lowered);
    return is_key(std::string_view(lowered.data(), lowered.size()), "sysop");
}

void store(bms_run_data& rd, key_value line) {
    const auto [key, value] = line;
    if (is_key(key, "call")) {
        copy_text(rd.call, value);
    } else if (is_key(key, "mybbs")) {
        copy_text(rd.mybbs, value);
    } else if (is_key(key, "name")) {
        copy_text(rd.name, value);
    } else if (is_key(key, "language")) {
        copy_text(rd.language, value);
    } else if (is_key(key, "password")) {
        store_signed(rd.password, value);
    } else if (is_sysop_key(key)) {
        store_flag(rd.sysop, value);
    } else if (is_key(key, "status")) {
        store_signed(rd.status, value);
    } else if (is_key(key, "helplevel")) {
        store_signed(rd.helplevel, value);
    } else if (is_key(key, "digi")) {
        copy_text(rd.digi, value);
    } else if (is_key(key, "txt_output")) {
        copy_text(rd.txt_output, value);
    } else if (is_key(key, "bin_output")) {
        copy_text(rd.bin_output, value);
    } else if (is_key(key, "abinoutput")) {
        copy_text(rd.abinoutput, value);
    } else if (is_key(key, "yappoutput")) {
        copy_text(rd.yappoutput, value);
    } else if (is_key(key, "imp_output")) {
        copy_text(rd.imp_output, value);
    } else if (is_key(key, "user_imp")) {
        copy_text(rd.user_imp, value);
    } else if (is_key(key, "cmdline")) {
        copy_text(rd.cmdline, value);
    } else if (is_key(key, "logintime")) {
        store_unsigned(rd.logintime, value);
    } else if (is_key(key, "board")) {
        copy_text(rd.board, value);
    }
}

// The mailbox ends every line; a last piece cut short by the end of the file is not taken,
// unless it fills a whole piece.
bool ended_by_end_of_file(std::span<const char> piece) {
    return piece.size() < piece_limit && (piece.empty() || piece.back() != '\n');
}

} // namespace

// The routine of <boardmap/support.h>: extern "C" makes it the one declared there.
extern "C" void bms_read_run_data(bms_run_data* record) {
    bms_run_data& rd = *record;
    reader file;
    open_reader(file, "rundat.kvd", "Error reading RUNDAT.KVD!\n", run_data_limit);
    std::array<char, piece_limit> piece;
    for (;;) {
        const std::size_t size = read_piece(file, piece);
        if (ended_by_end_of_file(std::span(piece).first(size))) {
            break;
        }
        if (piece[size - 1] != '\n') {
            // The rest of an over-long line belongs to its value: read as a line of its own, a
            // value the user chose could set any key, the sysop flag among them.
            skip_line(file);
        }
        std::string_view text(piece.data(), size);
        const std::string_view key = next_word(text);
        if (!key.empty()) {
            store(rd, {key, next_word(text)});
        }
    }
    for (char* path : {rd.txt_output, rd.bin_output, rd.abinoutput, rd.yappoutput, rd.imp_output,
                       rd.user_imp, rd.cmdline, rd.board}) {
        bms_str_lower(path);
    }
}

} // namespace boardmap::support
