// The sysop's '- name' run end to end: what it prints, its status, and the exact bytes of
// boardmap.kvd and boardmap.bak it leaves behind. Every line but the deleted one must come back
// byte for byte, whatever it holds.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using scratch::boardmap;
using scratch::long_line_message;
using scratch::mailbox_dir;
using scratch::set_up;
using scratch::table_files;
using scratch::too_many;

using namespace std::string_literals;

const std::string three_boards = "alle allgem\ndx dxnews\ndxcl dxclust\n";

struct delete_case {
    const char* what;
    std::string table;
    std::string name;
    std::string out;
    std::string new_table;
};

void PrintTo(const delete_case& c, std::ostream* os) {
    *os << c.what;
}

class Delete : public ::testing::TestWithParam<delete_case> {};

TEST_P(Delete, PrintsAndWritesExactly) {
    const delete_case& c = GetParam();
    mailbox_dir dir;
    set_up(dir, c.table);
    const auto result = boardmap(dir, {"-", c.name});
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(dir.read("boardmap.kvd"), c.new_table);
    EXPECT_EQ(dir.read("boardmap.bak"), c.table);
    EXPECT_EQ(dir.names(), table_files(true));
}

INSTANTIATE_TEST_SUITE_P(
    ByName, Delete,
    ::testing::Values(
        delete_case{"old name, not a longer one", three_boards, "DX",
                    "Entry \"dx        dxnews  \" deleted!\n2 entries written.\n",
                    "alle allgem\ndxcl dxclust\n"},
        delete_case{"new name: the message ends in one more blank", three_boards, "dxnews",
                    "Entry \"dx        dxnews   \" deleted!\n2 entries written.\n",
                    "alle allgem\ndxcl dxclust\n"},
        delete_case{"new name of 8 characters", "x abcdefgh\nabcdefgh y\n", "ABCDEFGHIJ",
                    "Entry \"abcdefgh  y       \" deleted!\n1 entries written.\n", "x abcdefgh\n"},
        delete_case{"new name of 8 characters, second pass", "x abcdefgh\nz y\n", "ABCDEFGHIJ",
                    "Entry \"x         abcdefgh \" deleted!\n1 entries written.\n", "z y\n"},
        delete_case{"only the first of two", "dx one\ndx two\n", "dx",
                    "Entry \"dx        one     \" deleted!\n1 entries written.\n", "dx two\n"},
        delete_case{"old name beats an earlier new name", "x allgem\nallgem y\n", "allgem",
                    "Entry \"allgem    y       \" deleted!\n1 entries written.\n", "x allgem\n"},
        delete_case{"a single word is an old name", "dx dxnews\nDXnews\n", "dxnews",
                    "Entry \"dxnews\n\" deleted!\n1 entries written.\n", "dx dxnews\n"},
        delete_case{"a single word without line end", "x\ndx", "dx",
                    "Entry \"dx\" deleted!\n1 entries written.\n", "x\n"},
        delete_case{"old name and a blank, as an empty new name leaves it", "alle allgem\nold \n",
                    "old", "Entry \"old \n\" deleted!\n1 entries written.\n", "alle allgem\n"},
        delete_case{"hand-written spacing; the others keep theirs",
                    "Alle   Allgem\nDX  DXnews\n\nzz\ttop\n", "alle",
                    "Entry \"alle      allgem  \" deleted!\n3 entries written.\n",
                    "DX  DXnews\n\nzz\ttop\n"},
        delete_case{"the last line, written without line end", "alle allgem\nZZ top", "zz",
                    "Entry \"zz        top     \" deleted!\n1 entries written.\n", "alle allgem\n"},
        delete_case{"the only line", "alle allgem\n", "alle",
                    "Entry \"alle      allgem  \" deleted!\n0 entries written.\n", ""},
        delete_case{
            "a long old name pushes the new name right", "satellit-atv  atv\nfernseh   tv\n", "tv",
            "Entry \"fernseh   tv       \" deleted!\n1 entries written.\n", "satellit-atv  atv\n"},
        delete_case{"a name in the table counts to 8 characters", "localnews  lokal\n", "LOCALNEWS",
                    "Entry \"localnews  lokal   \" deleted!\n0 entries written.\n", ""},
        delete_case{"a name given counts to 8 characters", "x y\nlocalnews  lokal\n", "localnew",
                    "Entry \"localnews  lokal   \" deleted!\n1 entries written.\n", "x y\n"},
        delete_case{"a new name counts to 8 characters", "lokal  localnews\n", "LocalNewsX",
                    "Entry \"lokal     localnews \" deleted!\n0 entries written.\n", ""},
        delete_case{"a line longer than 19 bytes goes whole",
                    "ab cdefghijklmnopqrstuvwxyz\nzz top\n", "ab",
                    "Entry \"ab        cdefghijklmnopqrstuvwxyz\" deleted!\n1 entries written.\n",
                    "zz top\n"},
        delete_case{"a note holding the names in its middle stays",
                    "note of 1998 moved: dx        dxnews   to dxinfo\ndx dxnews\n", "dx",
                    "Entry \"dx        dxnews  \" deleted!\n1 entries written.\n",
                    "note of 1998 moved: dx        dxnews   to dxinfo\n"},
        delete_case{"CR LF line ends go with their line",
                    "alle      allgem  \r\ndx        dxnews  \r\nzz        top     \r\n", "dx",
                    "Entry \"dx        dxnews  \" deleted!\n2 entries written.\n",
                    "alle      allgem  \r\nzz        top     \r\n"},
        delete_case{"the name is its first word", "alle allgem\ndx dxnews\n", "\tdx\nalle",
                    "Entry \"dx        dxnews  \" deleted!\n1 entries written.\n",
                    "alle allgem\n"}),
    scratch::numbered_case<delete_case>);

// Empty lines, CR, NUL, high bytes and a last line without line end survive exactly.
const std::string odd_bytes =
    "\nAlle allgem\r\n\xe4rger X\n a\0b  c \n\xff\x80\n\ndx dxnews\n  \nZZ top"s;

INSTANTIATE_TEST_SUITE_P(
    OtherLinesByteForByte, Delete,
    ::testing::Values(
        delete_case{"from the middle", odd_bytes, "dx",
                    "Entry \"dx        dxnews  \" deleted!\n8 entries written.\n",
                    "\nAlle allgem\r\n\xe4rger X\n a\0b  c \n\xff\x80\n\n  \nZZ top"s},
        delete_case{"a line ended by CRLF", odd_bytes, "ALLE",
                    "Entry \"alle      allgem  \" deleted!\n8 entries written.\n",
                    "\n\xe4rger X\n a\0b  c \n\xff\x80\n\ndx dxnews\n  \nZZ top"s},
        delete_case{"a line with a high byte", odd_bytes, "\xe4RGER",
                    "Entry \"\xe4rger     x       \" deleted!\n8 entries written.\n",
                    "\nAlle allgem\r\n a\0b  c \n\xff\x80\n\ndx dxnews\n  \nZZ top"s},
        delete_case{"the last line without line end", odd_bytes, "zz",
                    "Entry \"zz        top     \" deleted!\n8 entries written.\n",
                    "\nAlle allgem\r\n\xe4rger X\n a\0b  c \n\xff\x80\n\ndx dxnews\n  \n"s}),
    scratch::numbered_case<delete_case>);

std::string numbered_table(int n) {
    std::string table;
    char line[32];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(line, sizeof line, "b%04d     n%04d   \n", i, i);
        table += line;
    }
    return table;
}

// Up to 999 kept lines: a 1000-line table loses one and is written, by either pass.
INSTANTIATE_TEST_SUITE_P(
    Capacity, Delete,
    ::testing::Values(
        delete_case{"1000 lines, first line by old name", numbered_table(1000), "b0001",
                    "Entry \"b0001     n0001   \" deleted!\n999 entries written.\n",
                    numbered_table(1000).substr(19)},
        delete_case{"1000 lines, last line by old name", numbered_table(1000), "b1000",
                    "Entry \"b1000     n1000   \" deleted!\n999 entries written.\n",
                    numbered_table(999)},
        delete_case{"1000 lines, last line by new name", numbered_table(1000), "n1000",
                    "Entry \"b1000     n1000    \" deleted!\n999 entries written.\n",
                    numbered_table(999)}),
    scratch::numbered_case<delete_case>);

// A delete that must be refused: it prints its one message, ends with status 1, and leaves the
// table and the backup as they were.
struct refused_case {
    const char* what;
    std::string table;
    const char* name;
    std::string out;
};

TEST(DeleteRefused, ChangesNothing) {
    const std::string too_long_line = std::string(255, 'x') + "\n";
    const refused_case cases[] = {
        // More than 999 kept lines would be written.
        {"1001 lines, first line by old name", numbered_table(1001), "b0001", too_many},
        {"1001 lines, last line by old name", numbered_table(1001), "b1001", too_many},
        {"1001 lines, last line by new name", numbered_table(1001), "n1001", too_many},
        {"1000 lines and an empty line", numbered_table(1000) + "\n", "b0500", too_many},
        {"some 800,000 lines", numbered_table(9999) + std::string(800'000, '\n'), "b0001",
         too_many},
        // No line holds the name.
        {"neither column", three_boards, "nix", scratch::no_entry},
        {"part of a name is no name", three_boards, "dxc", scratch::no_entry},
        {"a third word is no name", "a b dx\n", "dx", scratch::no_entry},
        {"a name that begins with the board is another", "dxclust y\nx dxnews\n", "dx",
         scratch::no_entry},
        {"empty table", "", "alle", scratch::no_entry},
        {"a single word's tail where a new name would stand", "abcdefghijdx \n", "dx",
         scratch::no_entry},
        // A line too long to keep, wherever it stands.
        {"too long line after the name", "dx dxnews\n\n" + too_long_line, "dx",
         long_line_message(3)},
        {"too long line before the name", too_long_line + "dx dxnews\n", "dx",
         long_line_message(1)},
        {"too long last line without line end", "dx dxnews\n" + std::string(300, 'y'), "nix",
         long_line_message(2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mailbox_dir dir;
        set_up(dir, c.table);
        dir.write("boardmap.bak", "older table\n");
        const auto result = boardmap(dir, {"-", c.name});
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(dir.read("boardmap.kvd"), c.table);
        EXPECT_EQ(dir.read("boardmap.bak"), "older table\n");
        EXPECT_EQ(dir.names(), table_files(true));
    }
}

// There is one backup, the table as it stood before the latest change.
TEST(DeleteBackup, IsTheTableBeforeTheLatestDelete) {
    mailbox_dir dir;
    set_up(dir, three_boards);
    dir.write("boardmap.bak", "older table\n");
    ASSERT_EQ(boardmap(dir, {"-", "dxcl"}).status, 0);
    const auto second = boardmap(dir, {"-", "alle"});
    EXPECT_EQ(second.out, "Entry \"alle      allgem  \" deleted!\n1 entries written.\n");
    EXPECT_EQ(dir.read("boardmap.bak"), "alle allgem\ndx dxnews\n");
    EXPECT_EQ(dir.read("boardmap.kvd"), "dx dxnews\n");
    EXPECT_EQ(dir.names(), table_files(true));
}

// Any first character '-' selects the delete; without a sysop flag it is only the usage.
TEST(DeleteDispatch, DashWordAndNonSysop) {
    mailbox_dir sysop;
    set_up(sysop, three_boards);
    EXPECT_EQ(boardmap(sysop, {"-x", "dxcl"}).out,
              "Entry \"dxcl      dxclust \" deleted!\n2 entries written.\n");

    mailbox_dir user;
    set_up(user, three_boards, false);
    const auto result = boardmap(user, {"-", "dx"});
    EXPECT_EQ(result.out, scratch::usage_line);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(user.read("boardmap.kvd"), three_boards);
    EXPECT_EQ(user.names(), table_files(false));
}

} // namespace
