#include <boardmap/support/mailbox.hpp>

#include "tests/scratch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using scratch::outcome;
using namespace std::string_literals;

// A temporary mailbox: files are written with their directories made first.
class box : public scratch::mailbox_dir {
  public:
    void put(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path where = file(name);
        std::filesystem::create_directories(where.parent_path());
        write(name, bytes);
    }
    void mkdir(const std::string& name) const { std::filesystem::create_directories(file(name)); }
    outcome run(const std::function<void()>& fn) const { return scratch::run_in_child(path(), fn); }
};

const std::string standard_init = "CALL N0BOX\r\nINFOPATH .\\INFO\\\r\nUSERPATH .\\USER\\\r\n";
const std::string standard_bulletin = ";ALLE\n"
                                      "ALLE 90\n"
                                      ";TECHNIK\n"
                                      " DX 30\n"
                                      "LONGGROUPNAME 10\n"
                                      " LOCAL 10\n";

// The standard init.kvd beside the given hierarchy.
void with_bulletin(const box& b, const std::string& bulletin) {
    b.put("init.kvd", standard_init);
    b.put("bulletin.kvd", bulletin);
}

void standard(const box& b) {
    with_bulletin(b, standard_bulletin);
}

void expect_success(const outcome& o, const std::string& out) {
    EXPECT_EQ(o.out, out);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
}

void expect_failure(const outcome& o, const std::string& message) {
    EXPECT_EQ(o.out, message);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "");
}

// An output buffer that holds "keep"; at least 5 bytes even where the lookup is given fewer.
std::vector<char> keep_buffer(std::size_t size) {
    std::vector<char> out(std::max<std::size_t>(size, 5), 'x');
    std::snprintf(out.data(), out.size(), "keep");
    return out;
}

// Prints what init_value put into a buffer of the given size that held "keep".
outcome value_of(const box& b, const std::string& keyword, std::size_t size = 512) {
    return b.run([&] {
        std::vector<char> out = keep_buffer(size);
        boardmap::support::init_value(keyword.c_str(), std::span(out).first(size));
        std::printf("%s", out.data());
    });
}

// Runs a lookup in a child on a writable copy of the board name and a buffer of the given size
// that held "keep"; prints what the lookup returns, then "caller's board|buffer".
using board_lookup = std::function<std::string(char* name, std::span<char> out)>;

outcome board_call(const box& b, const std::string& board, std::size_t size,
                   const board_lookup& lookup) {
    return b.run([&] {
        std::vector<char> name(board.begin(), board.end());
        name.push_back('\0');
        std::vector<char> out = keep_buffer(size);
        const std::string result = lookup(name.data(), std::span(out).first(size));
        std::printf("%s%s|%s", result.c_str(), name.data(), out.data());
    });
}

// Prints "result|caller's board|directory".
outcome dir_of(const box& b, const std::string& board, std::size_t size = 256) {
    return board_call(b, board, size, [](char* name, std::span<char> out) {
        return std::to_string(boardmap::support::board_dir(name, out)) + "|";
    });
}

outcome line_of(const box& b, const std::string& board, int n, std::size_t size = 512) {
    return board_call(b, board, size, [n](char* name, std::span<char> out) {
        boardmap::support::list_line(name, n, out);
        return std::string();
    });
}

outcome first_line_of(const box& b, const std::string& board, int n, std::size_t size = 512) {
    return board_call(b, board, size, [n](char* name, std::span<char> out) {
        boardmap::support::message_first_line(name, n, out);
        return std::string();
    });
}

// ---- init_value ----

TEST(MailboxInitValue, ValueKeepsItsCase) {
    box b;
    b.put("init.kvd", "infopath C:\\BOX\\INFO\n");
    expect_success(value_of(b, "INFOPATH"), "C:\\BOX\\INFO");
}

TEST(MailboxInitValue, WordsSeparatedByBlanksTabsAndLineEnds) {
    box b;
    b.put("init.kvd", "CALL\tN0BOX\r\n  UserPath\t\t.\\USER\\\r\nINFOPATH\n\n.\\INFO\\ ");
    expect_success(value_of(b, "USERPATH"), ".\\USER\\");
    expect_success(value_of(b, "INFOPATH"), ".\\INFO\\");
    expect_success(value_of(b, "CALL"), "N0BOX");
}

TEST(MailboxInitValue, EveryWordIsCompared) {
    box b;
    b.put("init.kvd", "CALL infopath c:\\x\nINFOPATH d:\\info\n");
    expect_success(value_of(b, "INFOPATH"), "c:\\x");
    expect_success(value_of(b, "CALL"), "infopath");
}

TEST(MailboxInitValue, KeywordAsLastWordLeavesOutputAsItWas) {
    box b;
    b.put("init.kvd", "CALL N0BOX\nINFOPATH\n");
    expect_success(value_of(b, "INFOPATH"), "keep");
    b.put("init.kvd", "CALL N0BOX INFOPATH");
    expect_success(value_of(b, "INFOPATH"), "keep");
}

TEST(MailboxInitValue, AbsentKeyword) {
    box b;
    b.put("init.kvd", "CALL N0BOX\nINFOPATHS x\n");
    expect_failure(value_of(b, "INFOPATH"), "INFOPATH not found.\n");
    b.put("init.kvd", "");
    expect_failure(value_of(b, "USERPATH"), "USERPATH not found.\n");
    expect_failure(value_of(b, ""), " not found.\n");
}

TEST(MailboxInitValue, UnreadableFile) {
    box b;
    expect_failure(value_of(b, "INFOPATH"), "Error opening INIT.KVD!\n");
    b.mkdir("init.kvd");
    expect_failure(value_of(b, "INFOPATH"), "Error opening INIT.KVD!\n");
}

TEST(MailboxInitValue, WordsOf259Characters) {
    box b;
    const std::string key(259, 'K');
    const std::string value(259, 'v');
    b.put("init.kvd", key + " " + value + "\n");
    expect_success(value_of(b, key), value);
}

TEST(MailboxInitValue, LongerWordIsOneWordNeverAKeywordAndCutAsValue) {
    box b;
    const std::string long_word(1000, 'K');
    b.put("init.kvd", long_word + " INFOPATH " + std::string(1000, 'v') + "\nUSERPATH u\n");
    expect_success(value_of(b, "INFOPATH"), std::string(259, 'v'));
    expect_success(value_of(b, "USERPATH"), "u");
    // The long word's parts are not words of their own, and a 260-character word never
    // equals a keyword, not even one of its first 259 characters.
    expect_failure(value_of(b, std::string(259, 'K')), std::string(259, 'K') + " not found.\n");
    b.put("init.kvd", std::string(260, 'K') + " x\n");
    expect_failure(value_of(b, std::string(259, 'K')), std::string(259, 'K') + " not found.\n");
}

TEST(MailboxInitValue, OutputCutToSpan) {
    box b;
    b.put("init.kvd", "INFOPATH C:\\BOX\\INFO\n");
    expect_success(value_of(b, "INFOPATH", 4), "C:\\");
    expect_success(value_of(b, "INFOPATH", 1), "");
    expect_success(value_of(b, "INFOPATH", 0), "keep");
}

// ---- board_dir ----

struct dir_case {
    std::string board;
    std::string out; // as dir_of prints it
};

// Looks up each board with the standard init.kvd beside the hierarchy; every lookup succeeds.
void expect_dirs(const std::string& bulletin, const std::vector<dir_case>& cases) {
    box b;
    with_bulletin(b, bulletin);
    for (const dir_case& c : cases) {
        SCOPED_TRACE(c.board);
        expect_success(dir_of(b, c.board), c.out);
    }
}

TEST(MailboxBoardDir, InfopathConverted) {
    box b;
    b.put("init.kvd", "infopath C:\\BOX\\INFO\nUSERPATH C:\\BOX\\USER\\\n");
    b.put("bulletin.kvd", "ALLE 90\n");
    expect_success(dir_of(b, "alle"), "1|ALLE|c:/box/info/alle/");
    expect_success(dir_of(b, "n0call"), "0|N0CALL|c:/box/user/n0call/");
}

TEST(MailboxBoardDir, GroupsBoardsAndComments) {
    expect_dirs(standard_bulletin, {{"dx", "1|DX|./info/alle/dx/"},
                                    {"alle", "1|ALLE|./info/alle/"},
                                    {"n0call", "0|N0CALL|./user/n0call/"},
                                    {";ALLE", "0|;ALLE|./user/;alle/"},
                                    {"technik", "0|TECHNIK|./user/technik/"}});
}

TEST(MailboxBoardDir, NameCutAtFirstBlankInCallersString) {
    expect_dirs(standard_bulletin, {{"dx extra words", "1|DX|./info/alle/dx/"},
                                    {"Dx\textra", "0|DX\tEXTRA|./user/dx\textra/"},
                                    {"dx ../../etc", "1|DX|./info/alle/dx/"}});
}

TEST(MailboxBoardDir, LongGroupName) {
    expect_dirs(standard_bulletin,
                {{"longgroupname", "1|LONGGROUPNAME|./info/longgrou/longgroupname/"},
                 {"local", "1|LOCAL|./info/longgrou/local/"},
                 // A name is compared in full: the group's first 8 characters are not its name.
                 {"longgrou", "0|LONGGROU|./user/longgrou/"}});
}

TEST(MailboxBoardDir, HierarchyComparedUpperCasedAndInFull) {
    expect_dirs("alle 90\n dxcluster 30\n dx 30\n",
                {{"DX", "1|DX|./info/alle/dx/"}, {"dxcl", "0|DXCL|./user/dxcl/"}});
}

TEST(MailboxBoardDir, FirstMatchingLineWins) {
    expect_dirs("ALLE 90\n DX 30\nTECHNIK 60\n DX 30\n", {{"dx", "1|DX|./info/alle/dx/"}});
}

TEST(MailboxBoardDir, EmptyLinesSkipped) {
    expect_dirs("\nALLE 90\n\n\r\n DX 30\n\n",
                {{"dx", "1|DX|./info/alle/dx/"}, {"alle", "1|ALLE|./info/alle/"}});
}

TEST(MailboxBoardDir, NameEndsAtBlankTabCrOrLineEnd) {
    expect_dirs("ALLE\r\n DX\t30\r\nTECHNIK\n PACKET\n",
                {{"alle", "1|ALLE|./info/alle/"},
                 {"dx", "1|DX|./info/alle/dx/"},
                 {"technik", "1|TECHNIK|./info/technik/"},
                 {"packet", "1|PACKET|./info/technik/packet/"}});
}

TEST(MailboxBoardDir, BoardBeforeFirstGroupIsTopLevel) {
    expect_dirs(" TOP 5\nALLE 90\n DX 30\n",
                {{"top", "1|TOP|./info/top/"}, {"dx", "1|DX|./info/alle/dx/"}});
}

TEST(MailboxBoardDir, LineWithoutNameSkipped) {
    // "  DX" (two blanks) and "\tTECHNIK" name nothing and leave the current group as it is.
    expect_dirs("ALLE 90\n  DX 30\n\tTECHNIK 60\n PACKET 1\n",
                {{"dx", "0|DX|./user/dx/"},
                 {"technik", "0|TECHNIK|./user/technik/"},
                 {"packet", "1|PACKET|./info/alle/packet/"}});
}

TEST(MailboxBoardDir, LastLineWithoutLineEndNotExamined) {
    box b;
    with_bulletin(b, "ALLE 90\n DX 30");
    expect_success(dir_of(b, "dx"), "0|DX|./user/dx/");
    expect_success(dir_of(b, "alle"), "1|ALLE|./info/alle/");
    // ... unless it fills a whole piece of 254 characters.
    const std::string full = " DX" + std::string(251, ' ');
    ASSERT_EQ(full.size(), 254u);
    b.put("bulletin.kvd", "ALLE 90\n" + full);
    expect_success(dir_of(b, "dx"), "1|DX|./info/alle/dx/");
    b.put("bulletin.kvd", "ALLE 90\n" + full.substr(0, 253));
    expect_success(dir_of(b, "dx"), "0|DX|./user/dx/");
}

TEST(MailboxBoardDir, LongLinesReadInPiecesEachALine) {
    box b;
    with_bulletin(b, std::string(";").append(10000, 'x').append("\nALLE 90\n DX 30\n"));
    expect_success(dir_of(b, "dx"), "1|DX|./info/alle/dx/");
    // The 255th character of a line starts a piece of its own, taken as a line.
    b.put("bulletin.kvd", "ALLE " + std::string(249, 'x') + " DX 30\n");
    expect_success(dir_of(b, "dx"), "1|DX|./info/alle/dx/");
    b.put("bulletin.kvd", "ALLE 90\n" + std::string(254, 'y') + "TECHNIK 1\n DX 30\n");
    expect_success(dir_of(b, "dx"), "1|DX|./info/technik/dx/");
    // A 10 KB group name: the board inside it lies under the last piece's first 8 characters.
    b.put("bulletin.kvd", std::string(10000, 'g') + "\n DX 30\n");
    expect_success(dir_of(b, "dx"), "1|DX|./info/gggggggg/dx/");
}

TEST(MailboxBoardDir, NulEndsAName) {
    expect_dirs("AL\0LE 90\n DX\0 30\n"s,
                {{"al", "1|AL|./info/al/"}, {"dx", "1|DX|./info/al/dx/"}});
}

TEST(MailboxBoardDir, UserpathWithSlashAndInfopathWithout) {
    box b;
    b.put("init.kvd", "INFOPATH /Box/Info USERPATH /Box/User/\n");
    b.put("bulletin.kvd", "ALLE 90\n");
    expect_success(dir_of(b, "alle"), "1|ALLE|/box/info/alle/");
    expect_success(dir_of(b, "N0Call"), "0|N0CALL|/box/user/n0call/");
}

TEST(MailboxBoardDir, PathKeywordAsLastWord) {
    box b;
    b.put("bulletin.kvd", "ALLE 90\n");
    b.put("init.kvd", "USERPATH u INFOPATH");
    expect_failure(dir_of(b, "alle"), "INFOPATH not found.\n");
    b.put("init.kvd", "INFOPATH i\nUSERPATH\n");
    expect_failure(dir_of(b, "n0call"), "USERPATH not found.\n");
    expect_success(dir_of(b, "alle"), "1|ALLE|i/alle/");
}

TEST(MailboxBoardDir, PathKeywordAbsent) {
    box b;
    b.put("bulletin.kvd", "ALLE 90\n");
    b.put("init.kvd", "USERPATH u\n");
    expect_failure(dir_of(b, "n0call"), "INFOPATH not found.\n");
    b.put("init.kvd", "INFOPATH i\n");
    expect_failure(dir_of(b, "n0call"), "USERPATH not found.\n");
    expect_success(dir_of(b, "alle"), "1|ALLE|i/alle/");
}

TEST(MailboxBoardDir, UnreadableFiles) {
    box b;
    expect_failure(dir_of(b, "dx"), "Error opening INIT.KVD!\n");
    b.put("init.kvd", standard_init);
    expect_failure(dir_of(b, "dx"), "Error opening BULLETIN.KVD!\n");
    b.mkdir("bulletin.kvd");
    expect_failure(dir_of(b, "dx"), "Error opening BULLETIN.KVD!\n");
    // A FIFO is refused without being opened: its waiting writer stays blocked.
    std::filesystem::remove(b.file("bulletin.kvd"));
    ASSERT_EQ(::mkfifo(b.file("bulletin.kvd").c_str(), 0644), 0);
    scratch::fifo_writer writer(b.file("bulletin.kvd"));
    expect_failure(dir_of(b, "dx"), "Error opening BULLETIN.KVD!\n");
    EXPECT_FALSE(writer.released());
    // Far larger than a hierarchy can be (a sparse file): refused, not read to its end.
    std::filesystem::remove(b.file("bulletin.kvd"));
    b.put("bulletin.kvd", standard_bulletin);
    if (::truncate(b.file("bulletin.kvd").c_str(), off_t{10} << 40) == 0) {
        expect_failure(dir_of(b, "dx"), "Error opening BULLETIN.KVD!\n");
    }
}

TEST(MailboxBoardDir, UnsafeNamesRefusedBeforeAnyFileIsRead) {
    box b; // no init.kvd: a refusal reads no file
    expect_failure(dir_of(b, "../etc"), "Board ../ETC not found.\n");
    expect_failure(dir_of(b, "a/b"), "Board A/B not found.\n");
    expect_failure(dir_of(b, "a\\b"), "Board A\\B not found.\n");
    expect_failure(dir_of(b, ".."), "Board .. not found.\n");
    expect_failure(dir_of(b, "x..y"), "Board X..Y not found.\n");
    expect_failure(dir_of(b, "."), "Board . not found.\n");
    expect_failure(dir_of(b, ""), "Board  not found.\n");
    expect_failure(dir_of(b, " dx"), "Board  not found.\n");
    standard(b);
    expect_failure(dir_of(b, "../../etc extra"), "Board ../../ETC not found.\n");
    expect_success(dir_of(b, ".dx."), "0|.DX.|./user/.dx./");
}

TEST(MailboxBoardDir, OutputCutToSpan) {
    box b;
    standard(b);
    expect_success(dir_of(b, "dx", 5), "1|DX|./in");
    expect_success(dir_of(b, "dx", 1), "1|DX|");
    expect_success(dir_of(b, "dx", 0), "1|DX|keep");
    expect_success(dir_of(b, "n0call", 0), "0|N0CALL|keep");
}

TEST(MailboxBoardDir, DirectoryOfAtMost119Characters) {
    box b;
    const std::string user = std::string(100, 'u') + "/";
    b.put("init.kvd", "INFOPATH i USERPATH " + user + "\n");
    b.put("bulletin.kvd", "ALLE 90\n");
    const std::string fits(17, 'b'); // 101 + 17 + '/' = 119
    const std::string too_long(18, 'b');
    expect_success(dir_of(b, fits), "0|" + std::string(17, 'B') + "|" + user + fits + "/");
    expect_failure(dir_of(b, too_long), "Board " + std::string(18, 'B') + " not found.\n");
    expect_failure(dir_of(b, std::string(1000, 'z')),
                   "Board " + std::string(1000, 'Z') + " not found.\n");
}

TEST(MailboxBoardDir, LongInfopathRefusesHierarchyBoardsOnly) {
    box b;
    b.put("init.kvd", "INFOPATH " + std::string(1000, 'i') + " USERPATH u\n");
    b.put("bulletin.kvd", "ALLE 90\n");
    expect_failure(dir_of(b, "alle"), "Board ALLE not found.\n");
    expect_success(dir_of(b, "n0call"), "0|N0CALL|u/n0call/");
}

TEST(MailboxBoardDir, HierarchyBoardAtTheCapacity) {
    box b;
    const std::string info = std::string(98, 'i') + "/";
    b.put("init.kvd", "INFOPATH " + info + " USERPATH u\n");
    const std::string group = "GROUPNAME"; // directory GROUPNAM, 99 + 9 + 10 + 1 = 119
    b.put("bulletin.kvd", group + " 1\n " + group + "X 2\n " + group + "XY 3\n");
    expect_success(dir_of(b, "groupnamex"), "1|GROUPNAMEX|" + info + "groupnam/groupnamex/");
    expect_failure(dir_of(b, "groupnamexy"), "Board GROUPNAMEXY not found.\n");
}

// ---- list_line ----

void dx_board(const box& b) {
    standard(b);
    b.put("info/alle/dx/list.kvd", "1A2B3C<N0CALL @N0BOX 081224 0742 5 412 First\n"
                                   "4D5E6F<DL1ABC @DB0ABC 081224 0815 5 1034 Second\n"
                                   "7G8H9I<G4XYZ @GB7XYZ 081224 0930 5 77 Third\n");
}

TEST(MailboxListLine, NthLineWithLineEnd) {
    box b;
    dx_board(b);
    expect_success(line_of(b, "dx", 1), "DX|1A2B3C<N0CALL @N0BOX 081224 0742 5 412 First\n");
    expect_success(line_of(b, "dx", 3), "DX|7G8H9I<G4XYZ @GB7XYZ 081224 0930 5 77 Third\n");
    expect_failure(line_of(b, "dx", 4), "DX 4 not found.\n");
    expect_failure(line_of(b, "Dx extra", 99999), "DX 99999 not found.\n");
}

TEST(MailboxListLine, NumberBelowOneFails) {
    box b;
    dx_board(b);
    expect_failure(line_of(b, "dx", 0), "DX 0 not found.\n");
    expect_failure(line_of(b, "dx", -1), "DX -1 not found.\n");
    b.put("info/alle/dx/list.kvd", "");
    expect_failure(line_of(b, "dx", 0), "DX 0 not found.\n");
    expect_failure(line_of(b, "dx", 1), "DX 1 not found.\n");
}

TEST(MailboxListLine, LastLineWithoutLineEnd) {
    box b;
    standard(b);
    b.put("info/alle/dx/list.kvd", "a<1\r\nb<2\r\nc<3");
    expect_success(line_of(b, "dx", 2), "DX|b<2\r\n");
    expect_failure(line_of(b, "dx", 3), "DX 3 not found.\n");
    const std::string full(254, 'f');
    b.put("info/alle/dx/list.kvd", "a<1\n" + full);
    expect_success(line_of(b, "dx", 2), "DX|" + full);
    expect_failure(line_of(b, "dx", 3), "DX 3 not found.\n");
}

TEST(MailboxListLine, LongLineReadInPieces) {
    box b;
    standard(b);
    // 10001 bytes: 39 pieces of 254, then 94 'x' and the line end.
    b.put("info/alle/dx/list.kvd", std::string(10000, 'x') + "\nsecond<2\n");
    expect_success(line_of(b, "dx", 1), "DX|" + std::string(254, 'x'));
    expect_success(line_of(b, "dx", 40), "DX|" + std::string(94, 'x') + "\n");
    expect_success(line_of(b, "dx", 41), "DX|second<2\n");
    expect_failure(line_of(b, "dx", 42), "DX 42 not found.\n");
}

TEST(MailboxListLine, UserBoard) {
    box b;
    standard(b);
    b.put("user/n0call/list.kvd", "AB12CD<N0CALL note\n");
    expect_success(line_of(b, "n0call", 1), "N0CALL|AB12CD<N0CALL note\n");
}

TEST(MailboxListLine, ListNotReadable) {
    box b;
    standard(b);
    expect_failure(line_of(b, "dx", 1), "Board DX not found.\n");
    expect_failure(line_of(b, "dx extra", 0), "Board DX not found.\n");
    b.mkdir("info/alle/dx/list.kvd");
    expect_failure(line_of(b, "dx", 1), "Board DX not found.\n");
    // Far larger than a list can be (a sparse file): refused, not read to its end.
    std::filesystem::remove(b.file("info/alle/dx/list.kvd"));
    b.put("info/alle/dx/list.kvd", "AB12CD<N0CALL note\n");
    if (::truncate(b.file("info/alle/dx/list.kvd").c_str(), off_t{10} << 40) == 0) {
        expect_failure(line_of(b, "dx", 1), "Board DX not found.\n");
    }
}

TEST(MailboxListLine, FailuresOfBoardDir) {
    box b;
    expect_failure(line_of(b, "dx", 1), "Error opening INIT.KVD!\n");
    expect_failure(line_of(b, "../dx", 1), "Board ../DX not found.\n");
    standard(b);
    expect_failure(line_of(b, "a/b", 1), "Board A/B not found.\n");
    expect_failure(line_of(b, "..", 1), "Board .. not found.\n");
}

TEST(MailboxListLine, OutputCutToSpan) {
    box b;
    dx_board(b);
    expect_success(line_of(b, "dx", 2, 7), "DX|4D5E6F");
    expect_success(line_of(b, "dx", 2, 0), "DX|keep");
    expect_failure(line_of(b, "dx", 5, 0), "DX 5 not found.\n");
}

// ---- message_first_line ----

void dx_messages(const box& b) {
    dx_board(b);
    b.put("info/alle/dx/1a2b3c", "DX news from the Pacific\nSecond line\n");
    b.put("info/alle/dx/4d5e6f", "");
    b.put("info/alle/dx/7g8h9i", "Only line, no line end");
}

TEST(MailboxMessageFirstLine, FileNamedBeforeTheMark) {
    box b;
    dx_messages(b);
    expect_success(first_line_of(b, "dx", 1), "DX|DX news from the Pacific\n");
    expect_success(first_line_of(b, "dx", 3), "DX|Only line, no line end");
}

TEST(MailboxMessageFirstLine, EmptyMessageLeavesOutput) {
    box b;
    dx_messages(b);
    expect_success(first_line_of(b, "dx", 2), "DX|keep");
}

TEST(MailboxMessageFirstLine, LineWithoutMarkNamesFileByWholeText) {
    box b;
    standard(b);
    b.put("info/alle/dx/list.kvd", "1A2B3C\nABC\r\nXYZ");
    b.put("info/alle/dx/1a2b3c", "first\n");
    b.put("info/alle/dx/abc", "abc first\n");
    expect_success(first_line_of(b, "dx", 1), "DX|first\n");
    expect_success(first_line_of(b, "dx", 2), "DX|abc first\n");
    expect_failure(first_line_of(b, "dx", 3), "DX 3 not found.\n");
}

TEST(MailboxMessageFirstLine, NulBytesInListAndMessage) {
    box b;
    standard(b);
    b.put("info/alle/dx/list.kvd", "1A\0B<N0CALL\n"s);
    b.put("info/alle/dx/1a", "fi\0rst\n"s);
    expect_success(line_of(b, "dx", 1), "DX|1A");
    expect_success(first_line_of(b, "dx", 1), "DX|fi");
}

TEST(MailboxMessageFirstLine, UserBoard) {
    box b;
    standard(b);
    b.put("user/n0call/list.kvd", "AB12CD<N0CALL note\n");
    b.put("user/n0call/ab12cd", "Note to self\r\n");
    expect_success(first_line_of(b, "N0call", 1), "N0CALL|Note to self\r\n");
}

TEST(MailboxMessageFirstLine, MessageNotReadable) {
    box b;
    dx_board(b);
    expect_failure(first_line_of(b, "dx", 1), "Error opening ./info/alle/dx/1a2b3c!\n");
    b.mkdir("info/alle/dx/1a2b3c");
    expect_failure(first_line_of(b, "dx", 1), "Error opening ./info/alle/dx/1a2b3c!\n");
    b.put("info/alle/dx/list.kvd", "<N0CALL\n");
    expect_failure(first_line_of(b, "dx", 1), "Error opening ./info/alle/dx/!\n");
}

TEST(MailboxMessageFirstLine, FailuresOfTheLookups) {
    box b;
    dx_messages(b);
    expect_failure(first_line_of(b, "dx", 4), "DX 4 not found.\n");
    expect_failure(first_line_of(b, "dx", 0), "DX 0 not found.\n");
    expect_failure(first_line_of(b, "n0call", 1), "Board N0CALL not found.\n");
    expect_failure(first_line_of(b, "../dx", 1), "Board ../DX not found.\n");
    expect_failure(first_line_of(b, "a\\b", 1), "Board A\\B not found.\n");
}

TEST(MailboxMessageFirstLine, FirstLineOfAtMost126Characters) {
    box b;
    dx_board(b);
    b.put("info/alle/dx/1a2b3c", std::string(125, 'l') + "\nnext\n");
    expect_success(first_line_of(b, "dx", 1), "DX|" + std::string(125, 'l') + "\n");
    b.put("info/alle/dx/1a2b3c", std::string(10000, 'l') + "\n");
    expect_success(first_line_of(b, "dx", 1), "DX|" + std::string(126, 'l'));
}

TEST(MailboxMessageFirstLine, OutputCutToSpan) {
    box b;
    dx_messages(b);
    expect_success(first_line_of(b, "dx", 1, 3), "DX|DX");
    expect_success(first_line_of(b, "dx", 1, 0), "DX|keep");
}

TEST(MailboxMessageFirstLine, MessagePathOfAtMost79Characters) {
    box b;
    standard(b);
    const std::string dir = "./info/alle/dx/"; // 15 characters
    const std::string fits(64, 'm');
    const std::string too_long(65, 'm');
    b.put("info/alle/dx/list.kvd", fits + "<N0CALL\n" + too_long + "<N0CALL\n");
    b.put("info/alle/dx/" + fits, "fits\n");
    b.put("info/alle/dx/" + too_long, "too long\n");
    expect_success(first_line_of(b, "dx", 1), "DX|fits\n");
    expect_failure(first_line_of(b, "dx", 2), "Error opening " + dir + too_long + "!\n");
}

TEST(MailboxMessageFirstLine, ListLineCutTo131Characters) {
    box b;
    standard(b);
    b.put("info/alle/dx/list.kvd",
          std::string(200, 'N') + "<N0CALL\n" + std::string(10000, 'L') + "\n");
    expect_failure(first_line_of(b, "dx", 1),
                   "Error opening ./info/alle/dx/" + std::string(131, 'n') + "!\n");
    expect_failure(first_line_of(b, "dx", 2),
                   "Error opening ./info/alle/dx/" + std::string(131, 'l') + "!\n");
}

} // namespace
