// The command line and dispatch, end to end: build/boardmap in a temporary mailbox directory
// (no sysop line: not a sysop). Standard output and exit status compared byte for byte;
// nothing may ever appear on standard error.

#include "tests/boardmap_run.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using scratch::boardmap;
using scratch::list_header;
using scratch::mailbox_dir;
using scratch::no_entry;
using scratch::set_up;
using scratch::usage_line;
using scratch::visible;

const std::string sysop_lines =
    "        BOARDMAP - <Boardname>\n        BOARDMAP + <OldBoard> <NewBoard>\n";
const std::string sysop_usage = usage_line + sysop_lines;
const std::string run_data_failure = "Error reading RUNDAT.KVD!\n";

const std::string table = "alle allgem\ndx dxnews\ndxcl dxclust\n";

std::string words_of(const std::vector<std::string>& words) {
    std::string shown = "boardmap";
    for (const std::string& w : words) {
        shown += " '" + visible(w) + "'";
    }
    return shown;
}

// Runs the words as a sysop or a user against the table; checks output, status, standard
// error, and that the table stands unchanged without a backup.
void expect_unchanged_run(bool sysop, const std::vector<std::string>& words,
                          const std::string& expected, int status = 0) {
    mailbox_dir dir;
    set_up(dir, table, sysop);
    const scratch::outcome run = boardmap(dir, words);
    scratch::expect_untouched_run(dir, run, table, expected, status,
                                  std::string(sysop ? "sysop: " : "user: ") + words_of(words));
}

TEST(Usage, VersionStartsInColumn59) {
    EXPECT_EQ(usage_line.find("V2.2"), 58u);
    EXPECT_EQ(usage_line.substr(0, 31), "Syntax: BOARDMAP <List-Subject>");
    EXPECT_EQ(usage_line.substr(31, 27), std::string(27, ' '));
    EXPECT_EQ(usage_line.size(), 63u);
}

TEST(Usage, NoArgumentsShowsOneLineToAUserThreeToASysop) {
    expect_unchanged_run(false, {}, usage_line);
    expect_unchanged_run(true, {}, sysop_usage);
}

TEST(Usage, QuestionMarkShowsTheUsage) {
    for (const bool sysop : {false, true}) {
        const std::string usage = sysop ? sysop_usage : usage_line;
        expect_unchanged_run(sysop, {"?"}, usage);
        expect_unchanged_run(sysop, {"?abc"}, usage);
        expect_unchanged_run(sysop, {"??"}, usage);
        expect_unchanged_run(sysop, {"? dx"}, usage);
        // With more words '?' fits no rule either.
        expect_unchanged_run(sysop, {"?", "dx"}, usage);
        expect_unchanged_run(sysop, {"?", "dx", "x"}, usage);
    }
}

TEST(Usage, OneWordIsASearchWhateverItStartsWith) {
    for (const bool sysop : {false, true}) {
        // '-' alone is a search for '-', not a deletion; so is '+'.
        expect_unchanged_run(sysop, {"-"}, no_entry);
        expect_unchanged_run(sysop, {"+"}, no_entry);
        expect_unchanged_run(sysop, {"-dx"}, no_entry);
        expect_unchanged_run(sysop, {"+dx"}, no_entry);
        expect_unchanged_run(sysop, {"dx"},
                             list_header + "dx        dxnews  \ndxcl      dxclust \n");
        expect_unchanged_run(sysop, {"a?"}, no_entry);
        // An empty first argument is a search for the empty text: every line.
        expect_unchanged_run(sysop, {""},
                             list_header +
                                 "alle      allgem  \ndx        dxnews  \ndxcl      dxclust \n");
    }
}

TEST(Usage, MinusAloneFindsAMinusInTheTable) {
    for (const bool sysop : {false, true}) {
        mailbox_dir dir;
        const std::string with_minus = "alle allgem\nrv-x rvx\n";
        set_up(dir, with_minus, sysop);
        const scratch::outcome run = boardmap(dir, {"-"});
        EXPECT_EQ(run.out, list_header + "rv-x      rvx     \n");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(dir.read("boardmap.kvd"), with_minus);
        EXPECT_FALSE(dir.exists("boardmap.bak"));

        const scratch::outcome plus = boardmap(dir, {"+"});
        EXPECT_EQ(plus.out, no_entry);
        EXPECT_EQ(plus.status, 0);
    }
}

TEST(Usage, UsageNeedsNoTable) {
    for (const bool sysop : {false, true}) {
        mailbox_dir dir;
        scratch::write_run_data(dir, sysop);
        for (const std::vector<std::string>& words : {std::vector<std::string>{},
                                                      {"?"},
                                                      {"+", "old"},
                                                      {"x", "y"},
                                                      {"+", "", "y"},
                                                      {"+", " \t\n", "y"},
                                                      {"-", ""},
                                                      {"-", "\r\n"}}) {
            const scratch::outcome run = boardmap(dir, words);
            EXPECT_EQ(run.out, sysop ? sysop_usage : usage_line) << words_of(words);
            EXPECT_EQ(run.status, 0) << words_of(words);
            EXPECT_EQ(run.err, "") << words_of(words);
        }
        EXPECT_EQ(dir.names(), std::vector<std::string>{"rundat.kvd"});
    }
}

TEST(Usage, SysopFormsByAUserShowTheOneLineUsage) {
    expect_unchanged_run(false, {"-", "dx"}, usage_line);
    expect_unchanged_run(false, {"-x", "dx"}, usage_line);
    expect_unchanged_run(false, {"+", "neu", "neuboard"}, usage_line);
    expect_unchanged_run(false, {"+x", "neu", "neuboard"}, usage_line);
}

TEST(Usage, SysopFormsWithTheWrongCountShowTheUsage) {
    for (const bool sysop : {false, true}) {
        const std::string usage = sysop ? sysop_usage : usage_line;
        // Rule 2 wants '-' and three words, rule 3 '+' and four.
        expect_unchanged_run(sysop, {"+", "old"}, usage);
        expect_unchanged_run(sysop, {"+", "old", "new", "extra"}, usage);
        expect_unchanged_run(sysop, {"-", "dx", "extra"}, usage);
        expect_unchanged_run(sysop, {"-", "dx", "x", "y"}, usage);
        expect_unchanged_run(sysop, {"x", "dx"}, usage);
        expect_unchanged_run(sysop, {"x", "dx", "y"}, usage);
        expect_unchanged_run(sysop, {"dx", "-", "y"}, usage);
        expect_unchanged_run(sysop, {"", "dx"}, usage);
        expect_unchanged_run(sysop, {"", "dx", "y"}, usage);
        expect_unchanged_run(sysop, {"a", "b", "c", "d", "e", "f"}, usage);
    }
}

// A sysop's '- name' (or '-x name') deletes, with its message, new table and backup.
void expect_delete(const std::vector<std::string>& words) {
    mailbox_dir dir;
    set_up(dir, table, true);
    const scratch::outcome run = boardmap(dir, words);
    EXPECT_EQ(run.out, "Entry \"dx        dxnews  \" deleted!\n2 entries written.\n")
        << words_of(words);
    EXPECT_EQ(run.status, 0) << words_of(words);
    EXPECT_EQ(run.err, "") << words_of(words);
    EXPECT_EQ(dir.read("boardmap.kvd"), "alle allgem\ndxcl dxclust\n") << words_of(words);
    EXPECT_EQ(dir.read("boardmap.bak"), table) << words_of(words);
    EXPECT_EQ(dir.names(), scratch::table_files(true));
}

TEST(Usage, MinusNameBySysopDeletes) {
    expect_delete({"-", "dx"});
    expect_delete({"-", "DX"});
}

TEST(Usage, OnlyTheFirstCharacterCounts) {
    expect_delete({"-x", "dx"});
    expect_delete({"-delete", "dx"});
    expect_delete({"--", "dx"});
}

TEST(Usage, PlusOldNewBySysopAdds) {
    for (const std::string& plus : {std::string("+"), std::string("+add")}) {
        mailbox_dir dir;
        set_up(dir, "", true);
        const scratch::outcome run = boardmap(dir, {plus, "Alle", "Allgem"});
        EXPECT_EQ(run.out, "1 entries written.\n") << plus;
        EXPECT_EQ(run.status, 0) << plus;
        EXPECT_EQ(run.err, "") << plus;
        EXPECT_EQ(dir.read("boardmap.kvd"), "alle      allgem  \n") << plus;
    }
}

// The sysop flag comes from rundat.kvd; no sysop line means no sysop.
void expect_sysop(const std::string& run_data, bool sysop) {
    mailbox_dir dir;
    dir.write("rundat.kvd", run_data);
    dir.write("boardmap.kvd", table);
    const scratch::outcome usage = boardmap(dir, {});
    EXPECT_EQ(usage.out, sysop ? sysop_usage : usage_line)
        << "rundat \"" << visible(run_data) << "\"";
    EXPECT_EQ(usage.status, 0);
    EXPECT_EQ(usage.err, "");
    const scratch::outcome minus = boardmap(dir, {"-", "nix"});
    // A sysop's deletion of an absent name fails with status 1; a user sees the usage.
    EXPECT_EQ(minus.out, sysop ? no_entry : usage_line) << "rundat \"" << visible(run_data) << "\"";
    EXPECT_EQ(minus.status, sysop ? 1 : 0);
    EXPECT_EQ(minus.err, "");
    EXPECT_EQ(dir.read("boardmap.kvd"), table);
    EXPECT_FALSE(dir.exists("boardmap.bak"));
}

TEST(Usage, SysopFlagFromTheRunData) {
    expect_sysop("sysop 1\n", true);
    expect_sysop("SYSOP 1\n", true);
    expect_sysop("Sysop 1\n", true);
    expect_sysop("sysop 5\n", true);
    expect_sysop("sysop 12\n", true);
    expect_sysop("call DL1ABC\nsysop 1\nname Bob\n", true);
    expect_sysop("sysop 0\nsysop 1\n", true);
    expect_sysop("sysop 1\r\n", true);
    expect_sysop("\tsysop\t1\n", true);

    expect_sysop("sysop 0\n", false);
    expect_sysop("Sysop 0\n", false);
    expect_sysop("sysop 1\nsysop 0\n", false);
    // No sysop line: not a sysop.
    expect_sysop("call DL1ABC\n", false);
    expect_sysop("", false);
    expect_sysop("\n\n", false);
    // Malformed values leave the flag as the entry set it: 0.
    expect_sysop("sysop x\n", false);
    expect_sysop("sysop -1\n", false);
    expect_sysop("sysop +1\n", false);
    expect_sysop("SYSOP\n", false);
    expect_sysop("sysops 1\n", false);
    // A last line without line end is not read.
    expect_sysop("sysop 1", false);
    expect_sysop("call DL1ABC\nsysop 1", false);
    // A value the user chose, 200 bytes with "sysop 1" at byte 127: the rest of the line is
    // no line of its own.
    const std::string chosen = "cmdline " + std::string(118, 'x') + "sysop 1";
    expect_sysop("sysop 0\n" + chosen + std::string(200 - chosen.size(), 'y') + "\n", false);
}

TEST(Usage, MissingRunDataEndsEveryCall) {
    const std::vector<std::vector<std::string>> calls = {
        {},           {"?"},           {"alle"},
        {""},         {"-"},           {"-", "dx"},
        {"+", "old"}, {"+", "a", "b"}, {"+", "a", "b", "c"},
    };
    for (const std::vector<std::string>& words : calls) {
        mailbox_dir dir;
        dir.write("boardmap.kvd", table);
        const scratch::outcome run = boardmap(dir, words);
        EXPECT_EQ(run.out, run_data_failure) << words_of(words);
        EXPECT_EQ(run.status, 1) << words_of(words);
        EXPECT_EQ(run.err, "") << words_of(words);
        EXPECT_EQ(dir.read("boardmap.kvd"), table) << words_of(words);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"boardmap.kvd"}) << words_of(words);
    }
}

TEST(Usage, MissingRunDataComesBeforeAMissingTable) {
    mailbox_dir dir;
    const scratch::outcome run = boardmap(dir, {"alle"});
    EXPECT_EQ(run.out, run_data_failure);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(dir.names().empty());
}

TEST(Usage, RunDataThatIsADirectoryIsUnreadable) {
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{}, {"alle"}, {"-", "dx"}}) {
        mailbox_dir dir;
        dir.write("boardmap.kvd", table);
        ASSERT_EQ(::mkdir(dir.file("rundat.kvd").c_str(), 0755), 0);
        const scratch::outcome run = boardmap(dir, words);
        EXPECT_EQ(run.out, run_data_failure) << words_of(words);
        EXPECT_EQ(run.status, 1) << words_of(words);
        EXPECT_EQ(run.err, "") << words_of(words);
        EXPECT_EQ(dir.read("boardmap.kvd"), table) << words_of(words);
    }
}

TEST(Usage, LeavesTheRunDataAsItWas) {
    mailbox_dir dir;
    set_up(dir, table, true);
    boardmap(dir, {});
    boardmap(dir, {"dx"});
    EXPECT_EQ(dir.read("rundat.kvd"), scratch::sysop_run_data);
}

} // namespace
