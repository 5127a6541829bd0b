// The run-data reader. read_run_data reads rundat.kvd in the working directory and ends the
// process on failure, so every case runs in a child process in a temporary directory; the
// child hands the filled record back on its standard output.

#include <boardmap/support/run_data.hpp>

#include "tests/scratch.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

using boardmap::support::run_data;
using scratch::visible;

constexpr const char* missing_message = "Error reading RUNDAT.KVD!\n";

// What a record holds before the reader runs: a value in every field, so that "unchanged" can
// be told from "set". The eight fields that the reader lower-cases at the end hold upper-case
// letters, so the lower-casing of fields whose key is absent shows too.
run_data preset() {
    run_data rd{};
    std::strcpy(rd.call, "PRECALL");
    std::strcpy(rd.mybbs, "PreBBS");
    std::strcpy(rd.name, "PreName");
    std::strcpy(rd.language, "PrL");
    rd.password = 7;
    rd.sysop = 7;
    rd.status = 7;
    rd.helplevel = 7;
    std::strcpy(rd.digi, "PreDigi");
    std::strcpy(rd.txt_output, "PRE\\TXT");
    std::strcpy(rd.bin_output, "PRE\\BIN");
    std::strcpy(rd.abinoutput, "PRE\\ABIN");
    std::strcpy(rd.yappoutput, "PRE\\YAPP");
    std::strcpy(rd.imp_output, "PRE\\IMP");
    std::strcpy(rd.user_imp, "PRE\\USER");
    std::strcpy(rd.cmdline, "PRE CMD");
    rd.logintime = 7;
    std::strcpy(rd.board, "PreBoard");
    return rd;
}

// The preset as the reader leaves it when the file sets nothing: the eight path-like fields
// lower-cased at the end, everything else as it was.
run_data untouched() {
    run_data rd = preset();
    std::strcpy(rd.txt_output, "pre\\txt");
    std::strcpy(rd.bin_output, "pre\\bin");
    std::strcpy(rd.abinoutput, "pre\\abin");
    std::strcpy(rd.yappoutput, "pre\\yapp");
    std::strcpy(rd.imp_output, "pre\\imp");
    std::strcpy(rd.user_imp, "pre\\user");
    std::strcpy(rd.cmdline, "pre cmd");
    std::strcpy(rd.board, "preboard");
    return rd;
}

struct read_result {
    scratch::outcome outcome;
    run_data rd{};
    bool returned = false; // the child handed back a whole record
};

// Writes rundat.kvd with the bytes (unless absent), runs read_run_data on the preset record in a
// child whose working directory is the mailbox, and collects the record.
read_result read_file(const std::string* bytes, const run_data& start = preset()) {
    scratch::mailbox_dir dir;
    if (bytes != nullptr) {
        dir.write("rundat.kvd", *bytes);
    }
    read_result result;
    result.outcome = scratch::run_in_child(dir.path(), [&start] {
        run_data rd = start;
        boardmap::support::read_run_data(rd);
        std::fwrite(&rd, sizeof rd, 1, stdout);
    });
    if (result.outcome.status == 0 && result.outcome.out.size() == sizeof(run_data)) {
        std::memcpy(&result.rd, result.outcome.out.data(), sizeof(run_data));
        result.returned = true;
    }
    return result;
}

read_result read_bytes(const std::string& bytes, const run_data& start = preset()) {
    return read_file(&bytes, start);
}

// A text field must be terminated within its array: the reader never overflows it.
template <std::size_t N> std::string text_of(const char (&field)[N]) {
    const std::size_t size = ::strnlen(field, N);
    EXPECT_LT(size, N) << "field not terminated within its " << N << " bytes";
    return std::string(field, size < N ? size : N);
}

// Compares every field, so a case also shows that nothing else changed.
void expect_record(const run_data& actual, const run_data& expected, const std::string& label) {
    SCOPED_TRACE(label);
#define BOARDMAP_TEXT(f) EXPECT_EQ(text_of(actual.f), text_of(expected.f)) << #f
#define BOARDMAP_NUMBER(f) EXPECT_EQ(actual.f, expected.f) << #f
    BOARDMAP_TEXT(call);
    BOARDMAP_TEXT(mybbs);
    BOARDMAP_TEXT(name);
    BOARDMAP_TEXT(language);
    BOARDMAP_NUMBER(password);
    BOARDMAP_NUMBER(sysop);
    BOARDMAP_NUMBER(status);
    BOARDMAP_NUMBER(helplevel);
    BOARDMAP_TEXT(digi);
    BOARDMAP_TEXT(txt_output);
    BOARDMAP_TEXT(bin_output);
    BOARDMAP_TEXT(abinoutput);
    BOARDMAP_TEXT(yappoutput);
    BOARDMAP_TEXT(imp_output);
    BOARDMAP_TEXT(user_imp);
    BOARDMAP_TEXT(cmdline);
    BOARDMAP_NUMBER(logintime);
    BOARDMAP_TEXT(board);
#undef BOARDMAP_TEXT
#undef BOARDMAP_NUMBER
}

struct reader_case {
    const char* what;
    std::string file;
    std::function<void(run_data&)> change; // applied to untouched() to give the expectation
};

void run_cases(const std::vector<reader_case>& cases) {
    for (const reader_case& c : cases) {
        const std::string label = std::string(c.what) + ": file \"" + visible(c.file) + "\"";
        const read_result result = read_bytes(c.file);
        EXPECT_EQ(result.outcome.status, 0) << label;
        EXPECT_EQ(result.outcome.err, "") << label;
        ASSERT_TRUE(result.returned)
            << label << "; output \"" << visible(result.outcome.out) << "\"";
        run_data expected = untouched();
        c.change(expected);
        expect_record(result.rd, expected, label);
    }
}

void set(char* field, const char* value) {
    std::strcpy(field, value);
}

TEST(RunData, SysopFlagReadsOneDigit) {
    run_cases({
        {"sysop 1", "sysop 1\n", [](run_data& r) { r.sysop = 1; }},
        {"SYSOP 1: the one key that matches in any case", "SYSOP 1\n",
         [](run_data& r) { r.sysop = 1; }},
        {"Sysop 0", "Sysop 0\n", [](run_data& r) { r.sysop = 0; }},
        {"sYsOp 1", "sYsOp 1\n", [](run_data& r) { r.sysop = 1; }},
        {"sysop x leaves the flag", "sysop x\n", [](run_data&) {}},
        {"SYSOP without a value leaves the flag", "SYSOP\n", [](run_data&) {}},
        {"sysop followed by blanks only", "sysop   \n", [](run_data&) {}},
        {"'12' gives 1: only the first character", "sysop 12\n", [](run_data& r) { r.sysop = 1; }},
        {"'-1' unchanged: a sign is no digit", "sysop -1\n", [](run_data&) {}},
        {"'+1' unchanged: a sign is no digit", "sysop +1\n", [](run_data&) {}},
        {"sysop 9", "sysop 9\n", [](run_data& r) { r.sysop = 9; }},
        {"sysop 0x1 reads the 0", "sysop 0x1\n", [](run_data& r) { r.sysop = 0; }},
        {"sysop 1x reads the 1", "sysop 1x\n", [](run_data& r) { r.sysop = 1; }},
        {"'sysops' is another key", "sysops 1\n", [](run_data&) {}},
        {"'sys' is another key", "sys 1\n", [](run_data&) {}},
        {"last line wins", "sysop 1\nsysop 0\n", [](run_data& r) { r.sysop = 0; }},
        {"a later malformed line leaves the earlier value", "sysop 1\nsysop x\n",
         [](run_data& r) { r.sysop = 1; }},
        {"a last line without line end is not read", "sysop 1", [](run_data&) {}},
        {"... not even after other lines", "call N0CALL\nsysop 1",
         [](run_data& r) { set(r.call, "N0CALL"); }},
    });
}

TEST(RunData, TextFieldsAreCopiedAndCut) {
    run_cases({
        {"name", "name Bob\n", [](run_data& r) { set(r.name, "Bob"); }},
        {"'name' without a value empties name", "name\n", [](run_data& r) { set(r.name, ""); }},
        {"'name' and blanks empties name", "name   \n", [](run_data& r) { set(r.name, ""); }},
        {"'call' without a value empties call", "call\n", [](run_data& r) { set(r.call, ""); }},
        {"call keeps its case", "call DL1abc\n", [](run_data& r) { set(r.call, "DL1abc"); }},
        {"call cut to 7", "call DL1ABCDEFGHIJKLMNOP\n",
         [](run_data& r) { set(r.call, "DL1ABCD"); }},
        {"mybbs of 30 characters keeps 26", "mybbs ABCDEFGHIJKLMNOPQRSTUVWXYZ1234\n",
         [](run_data& r) { set(r.mybbs, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"); }},
        {"mybbs of exactly 26", "mybbs DB0ABC.#BAY.DEU.EU.1234567\n",
         [](run_data& r) { set(r.mybbs, "DB0ABC.#BAY.DEU.EU.1234567"); }},
        {"name cut to 15", "name Maximilianobertus\n",
         [](run_data& r) { set(r.name, "Maximilianobert"); }},
        {"language cut to 4", "language GERMAN\n", [](run_data& r) { set(r.language, "GERM"); }},
        {"digi cut to 10", "digi DB0XYZ-1DB0ABC\n", [](run_data& r) { set(r.digi, "DB0XYZ-1DB"); }},
        {"board cut to 19 and lower-cased", "board ABCDEFGHIJKLMNOPQRSTUVWXYZ\n",
         [](run_data& r) { set(r.board, "abcdefghijklmnopqrs"); }},
        {"only the first two words count", "name Bob Smith\n",
         [](run_data& r) { set(r.name, "Bob"); }},
        {"high bytes are kept as they are", "name M\xFC\x84ller\n",
         [](run_data& r) { set(r.name, "M\xFC\x84ller"); }},
        {"repeated key: the last wins", "name Anna\nname Bob\n",
         [](run_data& r) { set(r.name, "Bob"); }},
        {"repeated key: an empty last value wins", "name Anna\nname\n",
         [](run_data& r) { set(r.name, ""); }},
    });
}

TEST(RunData, EightFieldsAreLowerCasedAtTheEnd) {
    run_cases({
        {"txt_output keeps its backslashes", "txt_output C:\\OUT\\Text\n",
         [](run_data& r) { set(r.txt_output, "c:\\out\\text"); }},
        {"all eight, none of the five others",
         "call DL1ABC\nmybbs DB0ABC.#BAY\nname Bob\nlanguage DE\ndigi DB0XYZ\n"
         "txt_output A:\\TXT\nbin_output B:\\Bin\nabinoutput C:\\ABin\nyappoutput D:\\YAPP\n"
         "imp_output E:\\Imp\nuser_imp F:\\USER\ncmdline LIST/ALL\nboard ALLE\n",
         [](run_data& r) {
             set(r.call, "DL1ABC");
             set(r.mybbs, "DB0ABC.#BAY");
             set(r.name, "Bob");
             set(r.language, "DE");
             set(r.digi, "DB0XYZ");
             set(r.txt_output, "a:\\txt");
             set(r.bin_output, "b:\\bin");
             set(r.abinoutput, "c:\\abin");
             set(r.yappoutput, "d:\\yapp");
             set(r.imp_output, "e:\\imp");
             set(r.user_imp, "f:\\user");
             set(r.cmdline, "list/all");
             set(r.board, "alle");
         }},
        {"only the ASCII letters are lower-cased", "board \xC4X\xDC\n",
         [](run_data& r) { set(r.board, "\xC4x\xDC"); }},
        {"a path of 117 characters is kept whole and lower-cased",
         "cmdline " + std::string(117, 'Q') + "\n",
         [](run_data& r) { set(r.cmdline, std::string(117, 'q').c_str()); }},
    });
}

TEST(RunData, KeysMatchWholeAndInLowerCase) {
    run_cases({
        {"CALL N0CALL is ignored", "CALL N0CALL\n", [](run_data&) {}},
        {"Call N0CALL is ignored", "Call N0CALL\n", [](run_data&) {}},
        {"callsign N0CALL is ignored", "callsign N0CALL\n", [](run_data&) {}},
        {"NAME Bob is ignored", "NAME Bob\n", [](run_data&) {}},
        {"Board and BOARD are ignored", "Board x\nBOARD y\n", [](run_data&) {}},
        {"Status is ignored", "Status 3\n", [](run_data&) {}},
        {"a key that is a prefix of one", "boar x\n", [](run_data&) {}},
        {"an unknown key", "foo bar\nforward DB0ABC\n", [](run_data&) {}},
        {"a value equal to a key is no key", "foo name\n", [](run_data&) {}},
        {"the first word is the key, even after leading blanks", "   call N0CALL\n",
         [](run_data& r) { set(r.call, "N0CALL"); }},
    });
}

TEST(RunData, NumbersAsPercentI) {
    run_cases({
        {"logintime decimal", "logintime 1733647398\n",
         [](run_data& r) { r.logintime = 1733647398u; }},
        {"logintime 0", "logintime 0\n", [](run_data& r) { r.logintime = 0; }},
        {"logintime largest", "logintime 4294967295\n",
         [](run_data& r) { r.logintime = 4294967295u; }},
        {"logintime one too large", "logintime 4294967296\n", [](run_data&) {}},
        {"logintime far too large", "logintime 99999999999999999999999\n", [](run_data&) {}},
        {"logintime negative does not fit", "logintime -1\n", [](run_data&) {}},
        {"logintime is decimal: 010 is ten", "logintime 010\n",
         [](run_data& r) { r.logintime = 10; }},
        {"logintime is decimal: 0x10 is 0", "logintime 0x10\n",
         [](run_data& r) { r.logintime = 0; }},
        {"logintime with a plus sign", "logintime +5\n", [](run_data& r) { r.logintime = 5; }},
        {"logintime with trailing letters", "logintime 12abc\n",
         [](run_data& r) { r.logintime = 12; }},
        {"logintime malformed", "logintime abc\n", [](run_data&) {}},
        {"logintime without value", "logintime\n", [](run_data&) {}},
        {"status 0x10 is 16", "status 0x10\n", [](run_data& r) { r.status = 16; }},
        {"status 0X1f is 31", "status 0X1f\n", [](run_data& r) { r.status = 31; }},
        {"status 010 is 8", "status 010\n", [](run_data& r) { r.status = 8; }},
        {"status 08 is 0 (octal stops at 8)", "status 08\n", [](run_data& r) { r.status = 0; }},
        {"status decimal", "status 42\n", [](run_data& r) { r.status = 42; }},
        {"status negative", "status -5\n", [](run_data& r) { r.status = -5; }},
        {"status plus sign", "status +5\n", [](run_data& r) { r.status = 5; }},
        {"status negative hexadecimal", "status -0x10\n", [](run_data& r) { r.status = -16; }},
        {"status hexadecimal with trailing letters", "status 0x1g\n",
         [](run_data& r) { r.status = 1; }},
        {"status trailing letters", "status 12abc\n", [](run_data& r) { r.status = 12; }},
        {"status malformed", "status abc\n", [](run_data&) {}},
        {"status sign only", "status -\n", [](run_data&) {}},
        {"status without value", "status\n", [](run_data&) {}},
        {"status largest int32", "status 2147483647\n", [](run_data& r) { r.status = 2147483647; }},
        {"status smallest int32", "status -2147483648\n",
         [](run_data& r) { r.status = -2147483647 - 1; }},
        {"status 2^31 does not fit", "status 2147483648\n", [](run_data&) {}},
        {"status below int32", "status -2147483649\n", [](run_data&) {}},
        {"status 0xFFFFFFFF does not fit int32", "status 0xFFFFFFFF\n", [](run_data&) {}},
        {"status far too large", "status 123456789012345678901234567890\n", [](run_data&) {}},
        {"password", "password 1234\n", [](run_data& r) { r.password = 1234; }},
        {"password too large", "password 0x100000000\n", [](run_data&) {}},
        {"helplevel", "helplevel 3\n", [](run_data& r) { r.helplevel = 3; }},
        {"helplevel octal", "helplevel 017\n", [](run_data& r) { r.helplevel = 15; }},
        {"repeated number: last wins", "status 0x10\nstatus 3\n",
         [](run_data& r) { r.status = 3; }},
    });
}

TEST(RunData, LinesWordsAndSeparators) {
    run_cases({
        {"an empty file", "", [](run_data&) {}},
        {"empty lines only", "\n\n\n", [](run_data&) {}},
        {"an empty line between two keys changes nothing", "call N0CALL\n\nname Bob\n",
         [](run_data& r) {
             set(r.call, "N0CALL");
             set(r.name, "Bob");
         }},
        {"a line of blanks and tabs is no word", "call N0CALL\n \t \nname Bob\n",
         [](run_data& r) {
             set(r.call, "N0CALL");
             set(r.name, "Bob");
         }},
        {"CR before the line end is no part of the value", "call N0CALL\r\nname Bob\r\n",
         [](run_data& r) {
             set(r.call, "N0CALL");
             set(r.name, "Bob");
         }},
        {"'name' and CR empties name", "name\r\n", [](run_data& r) { set(r.name, ""); }},
        {"number followed by CR", "status 0x10\r\nlogintime 99\r\n",
         [](run_data& r) {
             r.status = 16;
             r.logintime = 99;
         }},
        {"sysop 1 followed by CR", "sysop 1\r\n", [](run_data& r) { r.sysop = 1; }},
        {"a tab separates key and value", "call\tN0CALL\n",
         [](run_data& r) { set(r.call, "N0CALL"); }},
        {"tabs and blanks around the words", "\t call \t N0CALL\t \n",
         [](run_data& r) { set(r.call, "N0CALL"); }},
        {"vertical tab and form feed separate", "call\vN0CALL\fextra\nname\fBob\n",
         [](run_data& r) {
             set(r.call, "N0CALL");
             set(r.name, "Bob");
         }},
        {"a last line 'board alle' without line end is not read", "call N0CALL\nboard alle",
         [](run_data& r) { set(r.call, "N0CALL"); }},
        {"a last line of one word without line end is not read", "call N0CALL\nname",
         [](run_data& r) { set(r.call, "N0CALL"); }},
    });
}

TEST(RunData, PiecesOf126Characters) {
    const std::string a121(121, 'A');
    // A value the user chose (the mailbox writes the command line) puts "sysop 1" at byte 127.
    const std::string chosen_value = "cmdline " + std::string(118, 'x') + "sysop 1";
    run_cases({
        {"the rest of a long line is skipped, never read as a line of its own",
         "name " + a121 + "call N0CALL\n", [](run_data& r) { set(r.name, "AAAAAAAAAAAAAAA"); }},
        {"a long value cannot grant sysop after the mailbox's own sysop 0",
         "sysop 0\n" + chosen_value + std::string(200 - chosen_value.size(), 'y') + "\nname Bob\n",
         [](run_data& r) {
             r.sysop = 0;
             set(r.cmdline, std::string(118, 'x').c_str());
             set(r.name, "Bob");
         }},
        {"a piece ends after 126 characters: 'name' alone at its end empties name",
         std::string(121, ' ') + "name Bob\n", [](run_data& r) { set(r.name, ""); }},
        {"a piece ends after 126 characters: the key is cut",
         std::string(124, ' ') + "call N0CALL\n", [](run_data&) {}},
        {"a line of 125 characters and its line end is one piece",
         "name " + std::string(120, 'B') + "\nboard x\n",
         [](run_data& r) {
             set(r.name, "BBBBBBBBBBBBBBB");
             set(r.board, "x");
         }},
        {"a line of exactly 126 characters: its line end goes with it",
         "name " + a121 + "\nboard x\n",
         [](run_data& r) {
             set(r.name, "AAAAAAAAAAAAAAA");
             set(r.board, "x");
         }},
        {"a last piece of a full 126 characters without line end is read",
         "call N0CALL\nboard " + std::string(120, 'X'),
         [](run_data& r) {
             set(r.call, "N0CALL");
             set(r.board, "xxxxxxxxxxxxxxxxxxx");
         }},
        {"a last piece of 125 characters without line end is not read",
         "call N0CALL\nboard " + std::string(119, 'X'), [](run_data& r) { set(r.call, "N0CALL"); }},
        {"the rest of a long last line is skipped, even when it would fill a piece",
         "name " + a121 + "board " + std::string(120, 'Y'),
         [](run_data& r) { set(r.name, "AAAAAAAAAAAAAAA"); }},
        {"CR at the end of a full piece", "call " + std::string(120, 'C') + "\r\nname Bob\n",
         [](run_data& r) {
             set(r.call, "CCCCCCC");
             set(r.name, "Bob");
         }},
    });
}

TEST(RunData, TextFieldsNeverOverflow) {
    // The longest value a piece can hold, for every text field; each must stay within its
    // array and leave its neighbours alone.
    const std::string long_value(100, 'Z');
    std::string file;
    for (const char* key :
         {"call", "mybbs", "name", "language", "digi", "txt_output", "bin_output", "abinoutput",
          "yappoutput", "imp_output", "user_imp", "cmdline", "board"}) {
        file += std::string(key) + " " + long_value + "\n";
    }
    const read_result result = read_bytes(file);
    ASSERT_TRUE(result.returned);
    run_data expected = untouched();
    set(expected.call, std::string(7, 'Z').c_str());
    set(expected.mybbs, std::string(26, 'Z').c_str());
    set(expected.name, std::string(15, 'Z').c_str());
    set(expected.language, std::string(4, 'Z').c_str());
    set(expected.digi, std::string(10, 'Z').c_str());
    const std::string lower(100, 'z');
    for (char* path :
         {expected.txt_output, expected.bin_output, expected.abinoutput, expected.yappoutput,
          expected.imp_output, expected.user_imp, expected.cmdline}) {
        set(path, lower.c_str());
    }
    set(expected.board, std::string(19, 'z').c_str());
    expect_record(result.rd, expected, "every text field at its longest");
}

TEST(RunData, NumbersNextToTextFieldsStay) {
    // The integers follow language and digi in the record: cutting those texts must leave them.
    const read_result result = read_bytes("status 5\nlanguage ABCDEFGHIJKLMNOP\n"
                                          "logintime 9\ndigi ABCDEFGHIJKLMNOPQRST\n");
    ASSERT_TRUE(result.returned);
    run_data expected = untouched();
    expected.status = 5;
    expected.logintime = 9;
    set(expected.language, "ABCD");
    set(expected.digi, "ABCDEFGHIJ");
    expect_record(result.rd, expected, "cut texts beside numbers");
}

TEST(RunData, DoesNotClearTheRecordFirst) {
    // Fields whose key is absent keep what the caller put there (the eight path-like ones are
    // lower-cased at the end all the same).
    const read_result result = read_bytes("name Bob\n");
    ASSERT_TRUE(result.returned);
    run_data expected = untouched();
    set(expected.name, "Bob");
    expect_record(result.rd, expected, "preset kept");

    const read_result from_zero = read_bytes("sysop 1\n", run_data{});
    ASSERT_TRUE(from_zero.returned);
    run_data zero{};
    zero.sysop = 1;
    expect_record(from_zero.rd, zero, "value-initialised record");
}

TEST(RunData, NulByteDoesNotCrash) {
    // rundat.kvd is read as text; a NUL in it must neither crash nor stop the reading of the
    // lines after it.
    const std::vector<std::string> files = {
        std::string("name A\0B\ncall N0CALL\n", 21),
        std::string("na\0me Bob\ncall N0CALL\n", 22),
        std::string("\0\0\0\ncall N0CALL\n", 16),
        std::string("call N0CALL\n\0", 13),
        std::string("call N0CALL\n") + std::string(300, '\0') + "\n",
    };
    for (const std::string& file : files) {
        const read_result result = read_bytes(file);
        EXPECT_EQ(result.outcome.status, 0) << visible(file);
        EXPECT_EQ(result.outcome.err, "") << visible(file);
        ASSERT_TRUE(result.returned) << visible(file);
        EXPECT_STREQ(result.rd.call, "N0CALL") << visible(file);
        text_of(result.rd.name);
    }
    // The value of a line holding a NUL ends, as a text, at the NUL.
    const read_result result = read_bytes(files[0]);
    ASSERT_TRUE(result.returned);
    EXPECT_STREQ(result.rd.name, "A");
}

TEST(RunData, MissingFileEndsTheRun) {
    const read_result result = read_file(nullptr);
    EXPECT_EQ(result.outcome.out, missing_message);
    EXPECT_EQ(result.outcome.err, "");
    EXPECT_EQ(result.outcome.status, 1);
    EXPECT_FALSE(result.returned);
}

TEST(RunData, DirectoryInPlaceOfTheFileEndsTheRun) {
    scratch::mailbox_dir dir;
    ASSERT_EQ(::mkdir(dir.file("rundat.kvd").c_str(), 0755), 0);
    const scratch::outcome outcome = scratch::run_in_child(dir.path(), [] {
        run_data rd{};
        boardmap::support::read_run_data(rd);
        std::fputs("returned\n", stdout);
    });
    EXPECT_EQ(outcome.out, missing_message);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 1);
}

TEST(RunData, OpensTheFileInTheWorkingDirectory) {
    // A rundat.kvd elsewhere does not count; only the working directory's.
    scratch::mailbox_dir dir;
    scratch::mailbox_dir other;
    other.write("rundat.kvd", "sysop 1\n");
    const scratch::outcome outcome = scratch::run_in_child(dir.path(), [] {
        run_data rd{};
        boardmap::support::read_run_data(rd);
    });
    EXPECT_EQ(outcome.out, missing_message);
    EXPECT_EQ(outcome.status, 1);
}

TEST(RunData, LeavesTheFileAsItWas) {
    scratch::mailbox_dir dir;
    const std::string bytes = "call N0CALL\nsysop 1\nboard ALLE\n";
    dir.write("rundat.kvd", bytes);
    const scratch::outcome outcome = scratch::run_in_child(dir.path(), [] {
        run_data rd{};
        boardmap::support::read_run_data(rd);
    });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(dir.read("rundat.kvd"), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"rundat.kvd"});
}

} // namespace
