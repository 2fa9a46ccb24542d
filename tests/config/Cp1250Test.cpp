#include "config/Cp1250.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(Cp1250, EveryByteSurvivesTheRoundTrip) {
    for (int b = 0; b <= 255; ++b) {
        const std::string byte(1, static_cast<char>(b));
        ASSERT_EQ(Utf8ToCp1250(Cp1250ToUtf8(byte)), byte) << b;
    }
}

struct Letter {
    const char* utf8;
    unsigned char byte;
};

class Cp1250Letters : public ::testing::TestWithParam<Letter> {};

TEST_P(Cp1250Letters, MapBothWays) {
    const std::string byte(1, static_cast<char>(GetParam().byte));
    EXPECT_EQ(Utf8ToCp1250(GetParam().utf8), byte);
    EXPECT_EQ(Cp1250ToUtf8(byte), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Czech, Cp1250Letters,
                         ::testing::Values(Letter{"A", 0x41}, Letter{"č", 0xE8}, Letter{"ů", 0xF9},
                                           Letter{"Š", 0x8A}, Letter{"ž", 0x9E}, Letter{"ě", 0xEC},
                                           Letter{"Ř", 0xD8}, Letter{"€", 0x80},
                                           Letter{"\xC2\xA0", 0xA0}, Letter{"˙", 0xFF}));

TEST(Cp1250, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1250("a\xE6\xBC\xA2z"), "a?z");    // a CJK character
    EXPECT_EQ(Utf8ToCp1250("\xF0\x9F\x98\x80!"), "?!");  // an emoji
    EXPECT_EQ(Utf8ToCp1250("ñ"), "?");                   // Latin-1, not Central European
    EXPECT_EQ(Utf8ToCp1250("x\xC3"), "x?");              // cut-off sequence
    EXPECT_EQ(Utf8ToCp1250("\xFF"
                           "b"),
              "?b");  // not UTF-8 at all
}

TEST(Cp1250, KeepsNulBytes) {
    const std::string text("a\0b", 3);
    EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(text)), text);
}

}  // namespace
}  // namespace kdx
