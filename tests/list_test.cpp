// Listing entries, end to end: build/boardmap with one argument in a temporary mailbox
// directory; standard output and exit status compared byte for byte. The table is read by
// length: NUL, CR and high bytes are data, and a last line without line end is a line.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using scratch::boardmap;
using scratch::list_header;
using scratch::mailbox_dir;
using scratch::no_entry;
using scratch::set_up;
using scratch::visible;

const std::string read_failure = "Error reading BOARDMAP.KVD !\n";

// Searches the table for the text as a user (or a sysop) and checks the whole run: output,
// status, nothing on standard error, the table untouched and no file of the tool's left.
void expect_search(const std::string& table, const std::string& search, const std::string& expected,
                   bool sysop = false) {
    mailbox_dir dir;
    set_up(dir, table, sysop);
    const scratch::outcome run = boardmap(dir, {search});
    scratch::expect_untouched_run(dir, run, table, expected, 0,
                                  "table \"" + visible(table) + "\", search \"" + visible(search) +
                                      "\"");
}

const std::string two_lines = "alle allgem\ndx dxnews\n";

TEST(List, AllFindsAlleInColumnLayout) {
    expect_search(two_lines, "ALL", list_header + "alle      allgem  \n");
    expect_search(two_lines, "all", list_header + "alle      allgem  \n");
    expect_search(two_lines, "ALL", list_header + "alle      allgem  \n", true);
}

TEST(List, SearchFindsOldAndNewNamesAndParts) {
    expect_search(two_lines, "dx", list_header + "dx        dxnews  \n");
    expect_search(two_lines, "news", list_header + "dx        dxnews  \n");
    expect_search(two_lines, "NeWs", list_header + "dx        dxnews  \n");
    expect_search(two_lines, "lge", list_header + "alle      allgem  \n");
    // The search text is found anywhere in the line, blanks included.
    expect_search(two_lines, "e a", list_header + "alle      allgem  \n");
}

TEST(List, SearchIsASubstringNotTheMatchKey) {
    // Listing matches the text anywhere: 'dx' lists 'dx' and 'dxcl' alike, 'dxcl' only the one.
    const std::string table = "alle allgem\ndx dxnews\ndxcl dxclust\n";
    expect_search(table, "dx", list_header + "dx        dxnews  \ndxcl      dxclust \n");
    expect_search(table, "dxcl", list_header + "dxcl      dxclust \n");
    expect_search(table, "DXCLUST", list_header + "dxcl      dxclust \n");
}

TEST(List, EveryMatchInFileOrder) {
    const std::string table = "xray alpha\nalle allgem\nbeta fox\ndx dxnews\nzulu yankee\n";
    expect_search(table, "x",
                  list_header + "xray      alpha   \nbeta      fox     \ndx        dxnews  \n");
    // A table by hand is not sorted by the listing.
    expect_search("zz x\naa x\nmm x\n", "x",
                  list_header + "zz        x       \naa        x       \nmm        x       \n");
}

TEST(List, EntriesAreLowerCasedAndInColumnLayout) {
    expect_search("ALLE ALLGEM\n", "alle", list_header + "alle      allgem  \n");
    expect_search("Alle   Allgem\n", "ALLGEM", list_header + "alle      allgem  \n");
    expect_search("\talle\tallgem\n", "alle", list_header + "alle      allgem  \n");
    expect_search("   alle allgem\n", "alle", list_header + "alle      allgem  \n");
    expect_search("alle allgem extra\n", "extra", list_header + "alle      allgem  \n");
    expect_search("alle      allgem  \n", "alle", list_header + "alle      allgem  \n");
    // The search runs over the line as read (lower-cased), before the column layout.
    expect_search("abcdefgh 12345678\n", "h 1", list_header + "abcdefgh  12345678\n");
    expect_search("abcdefgh 12345678\n", "h  1", no_entry);
    expect_search("alle allgem\n", "e    ", no_entry);
}

TEST(List, LongNamesPushTheColumn) {
    expect_search("verylongname x\n", "very", list_header + "verylongname  x       \n");
    expect_search("a verylongname\n", "long", list_header + "a         verylongname\n");
    expect_search("aaaaaaaaaaaaaaaaa b\n", "", list_header + std::string(17, 'a') + "  b       \n");
}

TEST(List, EmptySearchMatchesEveryLine) {
    // Empty lines included; an empty line is printed as two line ends.
    expect_search("alle allgem\n\ndx dxnews\n", "",
                  list_header + "alle      allgem  \n" + "\n\n" + "dx        dxnews  \n");
    expect_search("\n", "", list_header + "\n\n");
    expect_search("\n\n", "", list_header + "\n\n\n\n");
    expect_search("alle\n   \n", "", list_header + "alle\n\n" + "   \n\n");
}

TEST(List, EmptyLinesArePassedOverOtherwise) {
    expect_search("alle allgem\n\n\ndx dxnews\n", "a", list_header + "alle      allgem  \n");
    expect_search("\n\n\n", "a", no_entry);
}

TEST(List, SearchTextIsCutToEight) {
    // 'ALLGEMEINXYZ' is searched as 'allgemei'.
    expect_search("a allgemeiq\n", "ALLGEMEINXYZ", list_header + "a         allgemeiq\n");
    expect_search("x allgemeines\n", "allgemeinxyz", list_header + "x         allgemeines\n");
    expect_search("alle allgem\n", "allgemxyz", no_entry);
    // A very long argument is cut all the same.
    expect_search("alle allgem\n", "alle all" + std::string(5000, 'x'),
                  list_header + "alle      allgem  \n");
    expect_search("alle allgem\n", "allgem" + std::string(5000, 'x'), no_entry);
    // Eight characters are searched whole.
    expect_search("x abcdefgh\n", "ABCDEFGH", list_header + "x         abcdefgh\n");
    expect_search("x abcdefgh\n", "abcdefgX", no_entry);
}

TEST(List, NoMatchPrintsOnlyNoEntryFound) {
    expect_search(two_lines, "nix", no_entry);
    expect_search(two_lines, "nix", no_entry, true);
    // The search text is not in the list_header of the output: 'OLDBOARD' is no entry.
    expect_search(two_lines, "oldboard", no_entry);
}

TEST(List, EmptyTable) {
    expect_search("", "alle", no_entry);
    expect_search("", "", no_entry);
}

TEST(List, SingleWordLineKeepsItsLineEndAndGetsAnother) {
    expect_search("alle\nalle allgem\n", "alle", list_header + "alle\n\n" + "alle      allgem  \n");
    expect_search("ALLE\n", "alle", list_header + "alle\n\n");
    expect_search("  Alle  \n", "alle", list_header + "  alle  \n\n");
    // A line holding 'old' and one blank, as an add writes for an empty new name.
    expect_search("old \n", "old", list_header + "old \n\n");
}

TEST(List, LongLinesAreSearchedWhole) {
    const std::string table = "alle allgem extra words here\n";
    expect_search(table, "words", list_header + "alle      allgem  \n");
    expect_search("amateurfunk hamradio\n", "radio", list_header + "amateurfunk  hamradio\n");
    expect_search("dx        dxnews   merged 1998\n", "1998", list_header + "dx        dxnews  \n");
    // Past 254 bytes a line is taken by its first 254, and the listing goes on after it.
    const std::string note = std::string("note ") + std::string(249, 'n');
    const std::string long_table = note + "TAIL x\ndx dxnews\n";
    expect_search(long_table, "",
                  list_header + "note      " + std::string(249, 'n') + "\n" +
                      "dx        dxnews  \n");
    expect_search(long_table, "tail", no_entry);
    expect_search(std::string(300, 'w') + "\ndx dxinfo\n", "w",
                  list_header + std::string(254, 'w') + "\n");
}

TEST(List, LastLineWithoutLineEndIsListed) {
    expect_search("alle allgem\ndx dxnews", "dx", list_header + "dx        dxnews  \n");
    expect_search("alle allgem\ndx dxnews", "",
                  list_header + "alle      allgem  \ndx        dxnews  \n");
    expect_search("alle", "all", list_header + "alle\n");
    expect_search("dx dxnews", "news", list_header + "dx        dxnews  \n");
    expect_search("abcdefghijklmnopqrstuvwxy", "", list_header + "abcdefghijklmnopqrstuvwxy\n");
}

TEST(List, NulBytesNeverEndALineNorHideTheRest) {
    const std::string table = std::string("al\0le allgem\ndx dxnews\n", 23);
    expect_search(table, "allg", list_header + std::string("al\0le     allgem  \n", 19));
    expect_search(table, "dx", list_header + "dx        dxnews  \n");
    expect_search(table, "e",
                  list_header + std::string("al\0le     allgem  \n", 19) + "dx        dxnews  \n");
    // A NUL at the start of a line, and lines of NULs.
    expect_search(std::string("\0dx dxnews\nalle allgem\n", 23), "news",
                  list_header + std::string("\0dx       dxnews  \n", 19));
    expect_search(std::string(30, '\0') + "\nalle allgem\n", "alle",
                  list_header + "alle      allgem  \n");
    expect_search(std::string("\0\0\0\n", 4) + "dx dxnews", "dx",
                  list_header + "dx        dxnews  \n");
}

TEST(List, CarriageReturnsAreWhiteSpace) {
    expect_search("alle allgem\r\ndx dxnews\r\n", "dx", list_header + "dx        dxnews  \n");
    expect_search("alle allgem\r\ndx dxnews\r\n", "",
                  list_header + "alle      allgem  \ndx        dxnews  \n");
    expect_search("alle\r\n", "alle", list_header + "alle\r\n\n");
    expect_search("al\rle x\n", "le", list_header + "al        le      \n");
    expect_search("\r\r\r\ndx dxnews\n", "dx", list_header + "dx        dxnews  \n");
}

TEST(List, HighBytesAreDataAndKeepTheirCase) {
    // Case conversion knows the ASCII letters only.
    expect_search("\xC4rger NEU\n", "\xC4R", list_header + "\xC4rger     neu     \n");
    expect_search("\xC4rger NEU\n", "\xE4r", no_entry);
    expect_search("\xFF\xFF neu\ndx dxnews\n", "n",
                  list_header + "\xFF\xFF        neu     \n" + "dx        dxnews  \n");
    expect_search("\xFF\n\xFF\xFF\xFF\ndx dxnews\n", "dx", list_header + "dx        dxnews  \n");
    expect_search("\x84\x94\x81 x\n", "\x84", list_header + "\x84\x94\x81       x       \n");
}

TEST(List, ManyLinesHaveNoLimit) {
    // The listing holds no table; a file of more than 999 lines is listed whole.
    std::string table;
    std::string expected = list_header;
    for (int i = 0; i < 1500; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "b%04d x%04d\n", i, i);
        table += entry;
        std::snprintf(entry, sizeof entry, "b%04d     x%04d   \n", i, i);
        expected += entry;
    }
    expect_search(table, "", expected);
    expect_search(table, "x1499", list_header + "b1499     x1499   \n");

    // Lines without the text's first byte in either case are passed over unread; a match on a
    // line across the end of the reader's 4096 bytes, or in upper case, is found all the same,
    // and the first byte past the 254 bytes of a line too long is no match.
    std::string sparse;
    for (int i = 0; i < 1500; ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "b%04d %c%04d\n", i,
                      i == 341 ? 'Q' : (i == 1000 ? 'q' : 'n'), i);
        sparse += entry;
    }
    sparse += std::string(300, 'w') + "q\n";
    expect_search(sparse, "q", list_header + "b0341     q0341   \nb1000     q1000   \n");
}

TEST(List, MissingTable) {
    for (const bool sysop : {false, true}) {
        mailbox_dir dir;
        scratch::write_run_data(dir, sysop);
        const scratch::outcome run = boardmap(dir, {"alle"});
        EXPECT_EQ(run.out, read_failure);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(dir.names(), std::vector<std::string>{"rundat.kvd"});
    }
}

TEST(List, MissingTableWithEmptySearch) {
    mailbox_dir dir;
    dir.write("rundat.kvd", scratch::user_run_data);
    const scratch::outcome run = boardmap(dir, {""});
    EXPECT_EQ(run.out, read_failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
}

TEST(List, TableThatIsADirectory) {
    mailbox_dir dir;
    dir.write("rundat.kvd", scratch::user_run_data);
    ASSERT_EQ(::mkdir(dir.file("boardmap.kvd").c_str(), 0755), 0);
    const scratch::outcome run = boardmap(dir, {"alle"});
    EXPECT_EQ(run.out, read_failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(dir.names(), scratch::table_files(false));
}

TEST(List, BackupIsNotReadNorTouched) {
    // Only boardmap.kvd is the table; a boardmap.bak beside it stays as it is.
    mailbox_dir dir;
    set_up(dir, "alle allgem\n", false);
    dir.write("boardmap.bak", "dx dxnews\n");
    const scratch::outcome run = boardmap(dir, {"dx"});
    EXPECT_EQ(run.out, no_entry);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(dir.read("boardmap.bak"), "dx dxnews\n");
    EXPECT_EQ(dir.read("boardmap.kvd"), "alle allgem\n");
}

} // namespace
