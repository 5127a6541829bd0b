// The sysop's '+ old new' run end to end: what it prints, its status, and the exact bytes of
// boardmap.kvd and boardmap.bak it leaves behind.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using scratch::boardmap;
using scratch::long_line_message;
using scratch::mailbox_dir;
using scratch::row;
using scratch::set_up;
using scratch::table_files;
using scratch::too_many;

using namespace std::string_literals;

// A table of n lines in the tool's order, old names "b001" upwards.
std::string numbered_table(int n) {
    std::string table;
    for (int i = 1; i <= n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "b%03d", i);
        table += row(name, "x");
    }
    return table;
}

const std::string too_long_line = std::string(255, 'x') + " y\n";

// The run changed nothing: same table, no backup, nothing else in the directory.
void expect_unchanged(const mailbox_dir& dir, const std::string& table) {
    EXPECT_EQ(dir.read("boardmap.kvd"), table);
    EXPECT_EQ(dir.names(), table_files(false));
}

struct add_case {
    const char* what;
    std::string table;
    std::string old_name;
    std::string new_name;
    std::string out;
    std::string new_table; // empty when the run must leave the table as it was
};

void PrintTo(const add_case& c, std::ostream* os) {
    *os << c.what;
}

class Add : public ::testing::TestWithParam<add_case> {};

TEST_P(Add, PrintsAndWritesExactly) {
    const add_case& c = GetParam();
    mailbox_dir dir;
    set_up(dir, c.table);
    const auto result = boardmap(dir, {"+", c.old_name, c.new_name});
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
    if (c.new_table.empty()) {
        EXPECT_EQ(result.status, 1);
        expect_unchanged(dir, c.table);
    } else {
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(dir.read("boardmap.kvd"), c.new_table);
        EXPECT_EQ(dir.read("boardmap.bak"), c.table);
        EXPECT_EQ(dir.names(), table_files(true));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Placement, Add,
    ::testing::Values(
        add_case{"empty table", "", "Alle", "Allgem", "1 entries written.\n",
                 "alle      allgem  \n"},
        add_case{"between alle and dxcl", "alle      allgem  \ndxcl      dxclust \n", "dx",
                 "dxnews", "3 entries written.\n",
                 "alle      allgem  \ndx        dxnews  \ndxcl      dxclust \n"},
        add_case{"at the end", "alle      allgem  \n", "zz", "top", "2 entries written.\n",
                 row("alle", "allgem") + row("zz", "top")},
        add_case{"a name sorts before longer names it begins", "alle allgem\n", "all", "x",
                 "2 entries written.\n", row("all", "x") + row("alle", "allgem")},
        add_case{"names cut to 8 when written", "", "VeryLongNam", "AbcdefghIJK",
                 "1 entries written.\n", "verylong  abcdefgh\n"},
        add_case{"empty new name", "alle allgem\n", "Old", "", "2 entries written.\n",
                 row("alle", "allgem") + "old \n"},
        add_case{"order not kept by hand: insertion before the first line at or after",
                 "zz top\nalle allgem\n", "b", "x", "3 entries written.\n",
                 row("b", "x") + row("zz", "top") + row("alle", "allgem")},
        add_case{"an empty line at or after the key places the new line, then goes",
                 "\x01 x\n\n\x02 y\n", "\x05", "z", "3 entries written.\n",
                 row("\x01", "x") + row("\x05", "z") + row("\x02", "y")}),
    scratch::numbered_case<add_case>);

// The first pass orders by unsigned bytes, and a working copy that ends before the key's length
// sorts below it: a short line is never taken for the name.
INSTANTIATE_TEST_SUITE_P(
    Comparison, Add,
    ::testing::Values(add_case{"high byte sorts after letters", "\xe4rger x\n", "zulu", "z",
                               "2 entries written.\n", row("zulu", "z") + row("\xe4rger", "x")},
                      add_case{"new high-byte name after letters", "zulu z\n", "\xc4RGER", "X",
                               "2 entries written.\n", row("zulu", "z") + row("\xc4rger", "x")},
                      add_case{"last line shorter than the key", "d", "da", "x",
                               "2 entries written.\n", "d\n" + row("da", "x")},
                      add_case{"old name and a blank is the name", "dx \n", "DX", "y",
                               "Entry \"DX\" already exists!\n", ""}),
    scratch::numbered_case<add_case>);

INSTANTIATE_TEST_SUITE_P(
    Duplicates, Add,
    ::testing::Values(add_case{"shown as typed", "alle allgem\n", "ALLE", "x",
                               "Entry \"ALLE\" already exists!\n", ""},
                      add_case{"long name shown whole", "verylong  abc     \n", "VeryLongNAM", "y",
                               "Entry \"VeryLongNAM\" already exists!\n", ""},
                      add_case{"found through a tab", "alle allgem\ndx\tdxnews\n", "dx", "z",
                               "Entry \"dx\" already exists!\n", ""},
                      add_case{"found on a last line without line end", "alle allgem\ndx dxnews",
                               "Dx", "z", "Entry \"Dx\" already exists!\n", ""},
                      add_case{"found before a line too long", "dx y\n" + too_long_line, "dx", "z",
                               "Entry \"dx\" already exists!\n", ""},
                      add_case{"a line of one word holds its old name", "dx\n", "dx", "y",
                               "Entry \"dx\" already exists!\n", ""},
                      add_case{"found after the insertion point, in a table not in order",
                               "dx dxnews\nzz top\namiga  computer\n", "amiga", "neu",
                               "Entry \"amiga\" already exists!\n", ""},
                      add_case{"a name in the table counts to 8 characters", "localnews  lokal\n",
                               "localnews", "x", "Entry \"localnews\" already exists!\n", ""},
                      add_case{"the new name is no old name", "x dx\n", "dx", "y",
                               "2 entries written.\n", row("dx", "y") + row("x", "dx")}),
    scratch::numbered_case<add_case>);

// Lines the tool did not write itself: rewritten in column layout in their own case, empty
// lines dropped, lines of fewer than two words written as they stand, each with one line end.
INSTANTIATE_TEST_SUITE_P(
    HandWrittenLines, Add,
    ::testing::Values(
        add_case{"own spacing and case", "Alle   Allgem\n", "x", "y", "2 entries written.\n",
                 "Alle      Allgem  \nx         y       \n"},
        add_case{"two empty lines and three entries", "\nalle allgem\n\ndx dxnews\nzz top\n", "b",
                 "bee", "4 entries written.\n",
                 row("alle", "allgem") + row("b", "bee") + row("dx", "dxnews") + row("zz", "top")},
        add_case{"single word and blanks only", "alle\n   \nzz top\n", "b", "c",
                 "4 entries written.\n", "alle\n   \n" + row("b", "c") + row("zz", "top")},
        add_case{"tabs and a leading tab", "\tdx\tdxnews\nzz\t\ttop  x\n", "a", "b",
                 "3 entries written.\n", row("a", "b") + row("dx", "dxnews") + row("zz", "top")},
        add_case{"CRLF", "alle allgem\r\nzz top\r\n", "b", "c", "3 entries written.\n",
                 row("alle", "allgem") + row("b", "c") + row("zz", "top")},
        add_case{"single word with CRLF", "alle\r\n", "b", "c", "2 entries written.\n",
                 "alle\r\n" + row("b", "c")},
        add_case{"old name longer than 8", "verylongname x\n", "zz", "z", "2 entries written.\n",
                 "verylongname  x       \n" + row("zz", "z")},
        add_case{"a line longer than 19 bytes is one line", "abcdefghijklmnop qrstuvwxyz\n", "zz",
                 "z", "2 entries written.\n", "abcdefghijklmnop  qrstuvwxyz\n" + row("zz", "z")},
        add_case{"a remark after the names is dropped, not made an entry",
                 "dx        dxnews   merged 1998\n", "b", "c", "2 entries written.\n",
                 row("b", "c") + row("dx", "dxnews")},
        add_case{"wide spacing", "alle          allgem\n", "b", "c", "2 entries written.\n",
                 row("alle", "allgem") + row("b", "c")},
        add_case{"a line of 254 bytes in column layout is kept",
                 std::string("alle ") + std::string(244, 'n') + "\n", "b", "c",
                 "2 entries written.\n",
                 std::string("alle      ") + std::string(244, 'n') + "\n" + row("b", "c")},
        add_case{"NUL and high bytes are data", "a\0b c\n\xe4rger X\n"s, "zulu", "z",
                 "3 entries written.\n",
                 "a\0b       c       \n"s + row("zulu", "z") + "\xe4rger     X       \n"},
        add_case{"last line without line end", "alle allgem\ndx dxnews", "b", "c",
                 "3 entries written.\n",
                 row("alle", "allgem") + row("b", "c") + row("dx", "dxnews")},
        add_case{"insertion after a last line without line end", "alle allgem\ndx dxnews", "zz",
                 "z", "3 entries written.\n",
                 row("alle", "allgem") + row("dx", "dxnews") + row("zz", "z")},
        add_case{"single word as last line without line end", "alle", "b", "c",
                 "2 entries written.\n", "alle\n" + row("b", "c")}),
    scratch::numbered_case<add_case>);

// Names from the command line are their first word: no white space reaches the table or slips
// past the check for a duplicate, and the duplicate is shown as that word, uncut.
INSTANTIATE_TEST_SUITE_P(
    Arguments, Add,
    ::testing::Values(add_case{"blank before the old name", "dx y\n", " dx", "z",
                               "Entry \"dx\" already exists!\n", ""},
                      add_case{"long old name after a tab, shown whole", "verylong  abc     \n",
                               "\tVeryLongNAM more", "y", "Entry \"VeryLongNAM\" already exists!\n",
                               ""},
                      add_case{"line end in the old name", "", "a\nb", "c", "1 entries written.\n",
                               row("a", "c")},
                      add_case{"second word of the new name", "", "a", "b\r\nc",
                               "1 entries written.\n", row("a", "b")},
                      add_case{"new name of white space only is empty", "", "a", " \t",
                               "1 entries written.\n", "a \n"}),
    scratch::numbered_case<add_case>);

// A line longer than 254 bytes before its line end, as read or in column layout, cannot be kept:
// refused with its number, before any later line is looked at.
INSTANTIATE_TEST_SUITE_P(
    LongLines, Add,
    ::testing::Values(
        add_case{"before the insertion point", "\n\n" + too_long_line, "zz", "z",
                 long_line_message(3), ""},
        add_case{"after the insertion point", "b x\n" + too_long_line, "a", "y",
                 long_line_message(2), ""},
        add_case{"last line without line end", std::string("alle allgem\n") + std::string(255, 'x'),
                 "b", "c", long_line_message(2), ""},
        add_case{"longer than 254 bytes only in column layout",
                 "a b\nalle " + std::string(245, 'n') + "\n", "b", "c", long_line_message(2), ""},
        add_case{"a long first word pushes a long second word past 254",
                 "a " + std::string(251, 'b') + "\n", "c", "d", long_line_message(1), ""},
        add_case{"before a line that holds the old name", too_long_line + "dx y\n", "dx", "z",
                 long_line_message(1), ""}),
    scratch::numbered_case<add_case>);

// Every line the add writes counts toward the 999 lines, wherever the new line would go; empty
// lines, which it drops, do not.
INSTANTIATE_TEST_SUITE_P(
    Capacity, Add,
    ::testing::Values(
        add_case{"998 lines, new line first", numbered_table(998), "a", "x",
                 "999 entries written.\n", row("a", "x") + numbered_table(998)},
        add_case{"998 lines, new line in the middle", numbered_table(998), "b500a", "x",
                 "999 entries written.\n",
                 numbered_table(500) + row("b500a", "x") +
                     numbered_table(998).substr(numbered_table(500).size())},
        add_case{"998 lines, new line last", numbered_table(998), "c", "x",
                 "999 entries written.\n", numbered_table(998) + row("c", "x")},
        add_case{"999 lines, new line first", numbered_table(999), "a", "x", too_many, ""},
        add_case{"999 lines, new line in the middle", numbered_table(999), "b500a", "x", too_many,
                 ""},
        add_case{"999 lines, new line last", numbered_table(999), "c", "x", too_many, ""},
        add_case{"997 entries and two empty lines", "\n" + numbered_table(997) + "\n", "c", "x",
                 "998 entries written.\n", numbered_table(997) + row("c", "x")},
        add_case{"990 entries and 5000 empty lines", numbered_table(990) + std::string(5000, '\n'),
                 "c", "x", "991 entries written.\n", numbered_table(990) + row("c", "x")},
        add_case{"the 999th line holds the old name", numbered_table(999), "b999", "x",
                 "Entry \"b999\" already exists!\n", ""},
        add_case{"999 lines before a line too long", numbered_table(999) + too_long_line, "c", "x",
                 too_many, ""},
        add_case{"a long line counts as one line",
                 "abcdefghijklmnop qrstuvwxyz\n" + numbered_table(997), "c", "x",
                 "999 entries written.\n",
                 "abcdefghijklmnop  qrstuvwxyz\n" + numbered_table(997) + row("c", "x")}),
    scratch::numbered_case<add_case>);

// Nearly a megabyte of ten-byte lines, as large as a table file may be.
std::string nearly_a_megabyte_of_lines() {
    std::string table;
    char line[16];
    for (int i = 0; i < 100'000; ++i) {
        std::snprintf(line, sizeof line, "b%06d x\n", i);
        table += line;
    }
    return table;
}

// A table far beyond the limit of lines is refused without reading more than the limit can hold.
TEST(AddHugeTable, RefusedWhereverTheNewLineWouldGo) {
    const std::string huge = nearly_a_megabyte_of_lines();
    for (const char* old_name : {"a", "b050000a", "c"}) {
        SCOPED_TRACE(old_name);
        mailbox_dir dir;
        set_up(dir, huge);
        const auto result = boardmap(dir, {"+", old_name, "x"});
        EXPECT_EQ(result.out, too_many);
        EXPECT_EQ(result.status, 1);
        expect_unchanged(dir, huge);
    }
}

TEST(AddHugeTable, AMegabyteWithoutLineEndRefused) {
    const std::string huge(1'000'000, 'x');
    mailbox_dir dir;
    set_up(dir, huge);
    const auto result = boardmap(dir, {"+", "a", "b"});
    EXPECT_EQ(result.out, long_line_message(1));
    EXPECT_EQ(result.status, 1);
    expect_unchanged(dir, huge);
}

// There is one backup, the table as it stood before the latest change.
TEST(AddBackup, IsTheTableBeforeTheLatestAdd) {
    mailbox_dir dir;
    set_up(dir, "dx dxnews\n");
    ASSERT_EQ(boardmap(dir, {"+", "alle", "allgem"}).out, "2 entries written.\n");
    const auto second = boardmap(dir, {"+", "zz", "top"});
    EXPECT_EQ(second.out, "3 entries written.\n");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(dir.read("boardmap.bak"), row("alle", "allgem") + row("dx", "dxnews"));
    EXPECT_EQ(dir.read("boardmap.kvd"),
              row("alle", "allgem") + row("dx", "dxnews") + row("zz", "top"));
    EXPECT_EQ(dir.names(), table_files(true));
}

TEST(AddBackup, RefusedAddLeavesTheBackup) {
    mailbox_dir dir;
    set_up(dir, "alle allgem\n");
    dir.write("boardmap.bak", "older table\n");
    const auto result = boardmap(dir, {"+", "alle", "x"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(dir.read("boardmap.bak"), "older table\n");
    EXPECT_EQ(dir.read("boardmap.kvd"), "alle allgem\n");
}

// A hand-edited table survives any number of adds and stays one the next change takes: a long
// name is never cut into entries, a line of one word is written once and counted once.
TEST(AddBackup, ManyAddsKeepAHandEditedTableAsLargeAsItsEntries) {
    std::string one_word_lines;
    for (int i = 1; i <= 600; ++i) {
        one_word_lines += "one" + std::to_string(i) + "\n";
    }
    mailbox_dir dir;
    set_up(dir, one_word_lines + "amateurfunk hamradio\n");
    std::string rows;
    scratch::outcome last;
    for (int i = 0; i < 333; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "b%03d", i);
        rows += row(name, "x");
        last = boardmap(dir, {"+", name, "x"});
        ASSERT_EQ(last.status, 0) << name << ": " << last.out;
    }
    EXPECT_EQ(last.out, "934 entries written.\n");
    EXPECT_EQ(dir.read("boardmap.kvd"), rows + one_word_lines + "amateurfunk  hamradio\n");
    const auto deleted = boardmap(dir, {"-", "ONE1"});
    EXPECT_EQ(deleted.out, "Entry \"one1\n\" deleted!\n933 entries written.\n");
}

// The new table is made with the old table's permission bits, not the process's defaults.
TEST(AddPermissions, NewTableKeepsTheOldTablesMode) {
    mailbox_dir dir;
    set_up(dir, "alle allgem\n");
    ASSERT_EQ(::chmod(dir.file("boardmap.kvd").c_str(), 0604), 0);
    ASSERT_EQ(boardmap(dir, {"+", "dx", "dxnews"}).status, 0);
    struct stat status {};
    ASSERT_EQ(::stat(dir.file("boardmap.kvd").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
}

// Without a sysop flag the add form is only the usage, and the table is not touched.
TEST(AddNotSysop, GetsTheUsageAndChangesNothing) {
    mailbox_dir dir;
    set_up(dir, "alle allgem\n", false);
    const auto result = boardmap(dir, {"+", "dx", "dxnews"});
    EXPECT_EQ(result.out, scratch::usage_line);
    EXPECT_EQ(result.status, 0);
    expect_unchanged(dir, "alle allgem\n");
}

} // namespace
