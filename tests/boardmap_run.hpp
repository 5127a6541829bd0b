#pragma once

#include "tests/scratch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace scratch {

constexpr const char* sysop_run_data = "call DL1ABC\nsysop 1\n";
constexpr const char* user_run_data = "call DL2XYZ\nsysop 0\n";

// What the tool prints, byte for byte.
inline const std::string usage_line =
    "Syntax: BOARDMAP <List-Subject>                           V2.2\n";
inline const std::string list_header = "OLDBOARD  NEWBOARD\n\n";
inline const std::string no_entry = "No entry found.\n";
inline const std::string too_many = "Too many entries!\nBOARDMAP.KVD will NOT be changed!\n";
inline std::string long_line_message(int number) {
    return "Line " + std::to_string(number) +
           " of BOARDMAP.KVD is too long!\nBOARDMAP.KVD will NOT be changed!\n";
}

// Runs the built tool in the mailbox directory with the user's words as arguments.
inline outcome boardmap(const mailbox_dir& dir, std::vector<std::string> words,
                        const std::vector<std::string>& extra_env = {}) {
    words.insert(words.begin(), BOARDMAP_EXE);
    return run_program(dir.path(), words, extra_env);
}

// Run data that makes the user a sysop, or not.
inline void write_run_data(const mailbox_dir& dir, bool sysop) {
    dir.write("rundat.kvd", sysop ? sysop_run_data : user_run_data);
}

// A mailbox directory whose run data makes the user a sysop (or not) and holds the table.
inline void set_up(const mailbox_dir& dir, const std::string& table, bool sysop = true) {
    write_run_data(dir, sysop);
    dir.write("boardmap.kvd", table);
}

// A line in column layout: each name padded with blanks to 8, two blanks between, line end.
inline std::string row(const std::string& old_name, const std::string& new_name) {
    auto pad = [](std::string name) {
        name.resize(std::max<std::size_t>(name.size(), 8), ' ');
        return name;
    };
    return pad(old_name) + "  " + pad(new_name) + "\n";
}

// The names a mailbox directory holds after a run: the table, the run data, and the backup
// when a change made one.
inline std::vector<std::string> table_files(bool with_backup) {
    std::vector<std::string> names{"boardmap.kvd", "rundat.kvd"};
    if (with_backup) {
        names.insert(names.begin(), "boardmap.bak");
    }
    return names;
}

// A run that must leave the table as it was and make no file: its output, status and empty
// standard error, with the label and both outputs made visible on failure.
inline void expect_untouched_run(const mailbox_dir& dir, const outcome& run,
                                 const std::string& table, const std::string& expected, int status,
                                 const std::string& label) {
    EXPECT_EQ(run.out, expected) << label << "\n  got:    \"" << visible(run.out)
                                 << "\"\n  wanted: \"" << visible(expected) << "\"";
    EXPECT_EQ(run.status, status) << label;
    EXPECT_EQ(run.err, "") << label;
    EXPECT_EQ(dir.read("boardmap.kvd"), table) << label;
    EXPECT_EQ(dir.names(), table_files(false)) << label;
}

// Everything in the directory: each name with its bytes, or a mark for a directory or another
// file that is not read (a FIFO).
inline std::map<std::string, std::string> contents(const mailbox_dir& dir) {
    std::map<std::string, std::string> result;
    for (const std::string& name : dir.names()) {
        const auto status = std::filesystem::status(dir.file(name));
        result[name] = std::filesystem::is_regular_file(status) ? dir.read(name)
                       : std::filesystem::is_directory(status)  ? "<directory>"
                                                                : "<other>";
    }
    return result;
}

// Names the instances of a parameterised test by number; PrintTo shows what each case is.
template <typename T> std::string numbered_case(const ::testing::TestParamInfo<T>& info) {
    return "case" + std::to_string(info.index);
}

} // namespace scratch
