#include "tests/scratch.hpp"

#include <gtest/gtest.h>

namespace {

const std::string usage_line = "Syntax: BOARDMAP <List-Subject>                           V2.2\n";
const std::string sysop_lines =
    "        BOARDMAP - <Boardname>\n        BOARDMAP + <OldBoard> <NewBoard>\n";

TEST(Usage, VersionStartsInColumn59) {
    EXPECT_EQ(usage_line.find("V2.2"), 58u);
}

} // namespace
