#pragma once

#include "tests/scratch.hpp"

#include <string>
#include <vector>

namespace scratch {

constexpr const char* sysop_run_data = "call DL1ABC\nsysop 1\n";
constexpr const char* user_run_data = "call DL2XYZ\nsysop 0\n";

// Runs the built tool in the mailbox directory with the user's words as arguments.
inline outcome boardmap(const mailbox_dir& dir, std::vector<std::string> words,
                        const std::vector<std::string>& extra_env = {}) {
    words.insert(words.begin(), BOARDMAP_EXE);
    return run_program(dir.path(), words, extra_env);
}

// A mailbox directory whose run data makes the user a sysop (or not) and holds the table.
inline void set_up(const mailbox_dir& dir, const std::string& table, bool sysop = true) {
    dir.write("rundat.kvd", sysop ? sysop_run_data : user_run_data);
    dir.write("boardmap.kvd", table);
}

} // namespace scratch
