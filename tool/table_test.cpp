// The reading side of the board map table: whole lines, format_columns and the match key. The
// table is read by length: a NUL, CR or high byte is data, and a last line without line end is
// a line.

#include "tool/table.hpp"

#include "support/reader.hpp"
#include "tests/scratch.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using boardmap::line;
using scratch::visible;

line make_line(const std::string& bytes) {
    line l{};
    EXPECT_LE(bytes.size(), boardmap::line_limit + 1) << "a test line must fit a table line";
    std::memcpy(l.bytes.data(), bytes.data(), bytes.size());
    l.size = bytes.size();
    return l;
}

std::string text(const line& l) {
    return std::string(l.bytes.data(), l.size);
}

std::string formatted(const std::string& bytes) {
    line l = make_line(bytes);
    boardmap::format_columns(l);
    EXPECT_LE(l.size, l.bytes.size());
    return text(l);
}

struct format_case {
    std::string in;
    std::string out;
};

void expect_formats(const std::vector<format_case>& cases) {
    for (const format_case& c : cases) {
        EXPECT_EQ(formatted(c.in), c.out)
            << "format_columns(\"" << visible(c.in) << "\") gave \"" << visible(formatted(c.in))
            << "\", wanted \"" << visible(c.out) << "\"";
    }
}

TEST(FormatColumns, TwoWordsIntoColumnLayout) {
    expect_formats({
        // 'alle', four blanks, two blanks, 'allgem', two blanks: 18 and no line end.
        {"alle allgem\n", "alle      allgem  "},
        {"alle allgem", "alle      allgem  "},
        {"alle   allgem\n", "alle      allgem  "},
        {"alle      allgem  \n", "alle      allgem  "},
        {"a b\n", "a         b       "},
        {"abcdefgh 12345678\n", "abcdefgh  12345678"},
        // Only the first two words count.
        {"a b c\n", "a         b       "},
        {"alle allgem extra\n", "alle      allgem  "},
        // Case is kept: format_columns does not lower-case.
        {"Alle Allgem\n", "Alle      Allgem  "},
    });
}

TEST(FormatColumns, WhiteSpaceSeparatesAndLeadsAreSkipped) {
    expect_formats({
        {"alle\tallgem\n", "alle      allgem  "},
        {"\talle\tallgem\t\n", "alle      allgem  "},
        {"   alle allgem\n", "alle      allgem  "},
        {" \t alle \t allgem \r\n", "alle      allgem  "},
        {"alle allgem\r\n", "alle      allgem  "},
        {"alle\rallgem\n", "alle      allgem  "},
        {"alle\vallgem\f\n", "alle      allgem  "},
        {"\f\valle\nallgem", "alle      allgem  "},
    });
}

TEST(FormatColumns, FewerThanTwoWordsStayAsTheyAre) {
    expect_formats({
        {"alle\n", "alle\n"},
        {"alle", "alle"},
        {"\n", "\n"},
        {"", ""},
        {"   \n", "   \n"},
        {"  alle  \n", "  alle  \n"},
        {"old \n", "old \n"},
        {"\talle\r\n", "\talle\r\n"},
        {"\r\n", "\r\n"},
        {"Alle\n", "Alle\n"},
    });
}

TEST(FormatColumns, LongerNamesPushTheNextColumn) {
    expect_formats({
        // A word longer than 8 is written whole, not cut.
        {"verylongname x\n", "verylongname  x       "},
        {"a verylongname\n", "a         verylongname"},
        {"abcdefghi 1\n", "abcdefghi  1       "},
        {"abcdefghi abcdefgh", "abcdefghi  abcdefgh"},
        {"aaaaaaaaaaaaaaaaa b", "aaaaaaaaaaaaaaaaa  b       "},
        {"a bbbbbbbbbbbbbbbbb", "a         bbbbbbbbbbbbbbbbb"},
        {"aaaaaaaaa bbbbbbbbb", "aaaaaaaaa  bbbbbbbbb"},
    });
}

TEST(FormatColumns, LongestLinesFitTheSlot) {
    // A one-byte word padded to 8 beside the longest other word: 8 bytes more than the line.
    const std::string longest_word(boardmap::line_limit - 2, 'b');
    for (const std::string& in : {std::string("a ") + longest_word + "\n", longest_word + " a\n"}) {
        line l = make_line(in);
        boardmap::format_columns(l);
        EXPECT_EQ(l.size, boardmap::line_limit + boardmap::name_limit);
        EXPECT_LT(l.size, l.bytes.size()) << "no room for the blank of the search by new name";
    }
    EXPECT_EQ(formatted(std::string("a ") + longest_word + "\n"),
              std::string("a         ") + longest_word);
}

TEST(FormatColumns, AnyByteIsDataOfAWord) {
    // The table is read by length: a NUL or a high byte is part of a word, not its end.
    expect_formats({
        {std::string("al\0le allgem\n", 13), std::string("al\0le     allgem  ", 18)},
        {std::string("alle al\0lgem\n", 13), std::string("alle      al\0lgem ", 18)},
        {std::string("\0 x\n", 4), std::string("\0         x       ", 18)},
        {"\xE4rger neu\n", "\xE4rger     neu     "},
        {"\xFF\xFF \xFF\n", "\xFF\xFF        \xFF       "},
        {"\x84\x94\x81 \xC4\xD6\xDC\n", "\x84\x94\x81       \xC4\xD6\xDC     "},
    });
}

TEST(FormatColumns, FormattingTwiceChangesNothingMore) {
    for (const std::string& in : {std::string("alle allgem\n"), std::string("a b c\n"),
                                  std::string("aaaaaaaaaaaaaaaaa b")}) {
        line l = make_line(in);
        boardmap::format_columns(l);
        const std::string once = text(l);
        boardmap::format_columns(l);
        EXPECT_EQ(text(l), once) << visible(in);
    }
}

TEST(MatchKey, FirstEightLowerCasedAndABlank) {
    struct {
        std::string name;
        std::string key;
    } const cases[] = {
        {"VeryLongName", "verylong "}, {"DXnews", "dxnews "},      {"dx", "dx "}, {"DX", "dx "},
        {"ABCDEFGH", "abcdefgh "},     {"ABCDEFGHI", "abcdefgh "}, {"x", "x "},   {"", " "},
        {"\xC4X\xE4", "\xC4x\xE4 "},   {"a-b+c?", "a-b+c? "},
    };
    for (const auto& c : cases) {
        const boardmap::match_key key = boardmap::make_match_key(c.name.c_str());
        EXPECT_EQ(std::string(key.text().data(), key.text().size()), c.key)
            << "key of \"" << visible(c.name) << "\"";
        EXPECT_LE(key.size, 9u);
    }
}

TEST(LowerLine, OnlyAsciiLettersAndEveryByte) {
    line l = make_line(std::string("ABC\0D\xC4z\n", 8));
    boardmap::lower_line(l);
    EXPECT_EQ(text(l), std::string("abc\0d\xC4z\n", 8));
}

// Reads a file of the given bytes line by line with read_line; a line cut for being too long
// is marked with a trailing "[cut]".
std::vector<std::string> lines_of(const std::string& bytes) {
    scratch::mailbox_dir dir;
    dir.write("boardmap.kvd", bytes);
    const std::string path = dir.file("boardmap.kvd");
    boardmap::support::reader file;
    boardmap::support::open_reader(file, path.c_str(), "Error reading BOARDMAP.KVD !\n",
                                   boardmap::table_size_limit);
    std::vector<std::string> lines;
    line l{};
    boardmap::line_read got;
    while ((got = boardmap::read_line(file, l)) != boardmap::line_read::end_of_file) {
        EXPECT_GE(l.size, 1u);
        EXPECT_LE(l.size, boardmap::line_limit + 1);
        lines.push_back(text(l) + (got == boardmap::line_read::too_long ? "[cut]" : ""));
        if (lines.size() > bytes.size() + 1) {
            ADD_FAILURE() << "read_line does not stop";
            break;
        }
    }
    return lines;
}

void expect_lines(const std::string& bytes, const std::vector<std::string>& expected) {
    const std::vector<std::string> actual = lines_of(bytes);
    std::string shown;
    for (const std::string& p : actual) {
        shown.append("[").append(visible(p)).append("]");
    }
    EXPECT_EQ(actual, expected) << "lines of \"" << visible(bytes) << "\": " << shown;
}

const std::string longest(boardmap::line_limit, 'x');

TEST(ReadLine, WholeLinesUpTo254BytesBeforeTheLineEnd) {
    expect_lines("alle      allgem  \ndx        dxnews  \n",
                 {"alle      allgem  \n", "dx        dxnews  \n"});
    expect_lines("abcdefghijklmnopqrstuvwxy\n", {"abcdefghijklmnopqrstuvwxy\n"});
    expect_lines(longest + "\nz\n", {longest + "\n", "z\n"});
    expect_lines(longest, {longest});
    // One byte more is too long: the first 254 bytes are kept and the rest of the line skipped.
    expect_lines(longest + "yy\nz\n", {longest + "[cut]", "z\n"});
    expect_lines(longest + "y", {longest + "[cut]"});
    expect_lines(longest + std::string(10'000, 'y') + "\n\n", {longest + "[cut]", "\n"});
}

TEST(ReadLine, EmptyLinesAndEmptyFile) {
    expect_lines("", {});
    expect_lines("\n", {"\n"});
    expect_lines("\n\n", {"\n", "\n"});
    expect_lines("alle allgem\n\n\ndx dxnews\n", {"alle allgem\n", "\n", "\n", "dx dxnews\n"});
}

TEST(ReadLine, LastLineWithoutLineEndIsALine) {
    expect_lines("alle\ndx dxnews", {"alle\n", "dx dxnews"});
    expect_lines("x", {"x"});
}

TEST(ReadLine, EveryByteIsKept) {
    expect_lines(std::string("a\0b\rc\xFF\n", 7), {std::string("a\0b\rc\xFF\n", 7)});
    expect_lines(std::string("\0\n\0", 3), {std::string("\0\n", 2), std::string("\0", 1)});
    expect_lines("alle allgem\r\n", {"alle allgem\r\n"});
    expect_lines("\r\r\r\n", {"\r\r\r\n"});
    expect_lines("\xFF\xFF\xFF\n\xE4rger neu\n", {"\xFF\xFF\xFF\n", "\xE4rger neu\n"});
}

TEST(ReadLine, ManyLinesInOrder) {
    // More than a reader's buffer full, with lines that straddle its refills.
    std::string bytes;
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "b%04d x%04d\n", i, i);
        bytes += entry;
        expected.push_back(entry);
    }
    bytes += std::string(300, 'z');
    expected.push_back(std::string(boardmap::line_limit, 'z') + "[cut]");
    expect_lines(bytes, expected);
}

} // namespace
