#include <boardmap/support/text.hpp>

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace boardmap::support;

TEST(CaseConversion, KnowsOnlyAsciiLetters) {
    std::string s = "abc-Zz\x81\xE4";
    EXPECT_EQ(std::string(str_upper(s.data())), "ABC-ZZ\x81\xE4");
    EXPECT_EQ(std::string(str_lower(s.data())), "abc-zz\x81\xE4");
    std::string empty;
    EXPECT_EQ(std::string(str_lower(empty.data())), "");
}

TEST(CaseConversion, UpperCharDosKnowsThreeUmlauts) {
    struct {
        char in;
        int out;
    } const cases[] = {{'q', 'Q'},     {'Q', 'Q'},     {'\x84', -114},
                       {'\x81', -102}, {'\x94', -103}, {'\xE4', static_cast<signed char>('\xE4')},
                       {'1', '1'}};
    for (const auto& c : cases) {
        EXPECT_EQ(upper_char_dos(c.in), c.out) << static_cast<int>(c.in);
    }
}

TEST(Positions, FirstLastAndTerminator) {
    EXPECT_EQ(char_index("abc", 'x'), -1);
    EXPECT_EQ(char_index("abcb", 'b'), 1);
    EXPECT_EQ(char_rindex("abcb", 'b'), 3);
    EXPECT_EQ(char_rindex("abcb", 'x'), -1);
    EXPECT_EQ(char_index("abcb", '\0'), 4);
    EXPECT_EQ(char_rindex("abcb", '\0'), 4);
}

TEST(CopySpan, BothEndsIncludedOrEmpty) {
    char d[16] = "junk";
    copy_span(d, "mailbox", 1, 3);
    EXPECT_STREQ(d, "ail");
    copy_span(d, "mailbox", 4, 2);
    EXPECT_STREQ(d, "");
}

TEST(Paths, BackslashesBecomeSlashes) {
    std::string s = "C:\\BOX\\INFO\\";
    slashes_to_unix(s.data());
    EXPECT_EQ(s, "C:/BOX/INFO/");
}

TEST(FillBytes, LowEightBitsAndZeroCount) {
    char b[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(fill_bytes(b, 0x141, 2), b);
    EXPECT_EQ(std::string(b, 4), "AAcd");
    fill_bytes(b, 'z', 0);
    EXPECT_EQ(std::string(b, 4), "AAcd");
}

} // namespace
