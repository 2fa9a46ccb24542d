#include "config/BitString.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

struct ByteBits {
    int value;
    const char* bits;
};

class BitStringRoundTrip : public ::testing::TestWithParam<ByteBits> {};

TEST_P(BitStringRoundTrip, ToAndFrom) {
    EXPECT_EQ(ToBitString(GetParam().value), GetParam().bits);
    EXPECT_EQ(FromBitString(GetParam().bits), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, BitStringRoundTrip,
                         ::testing::Values(ByteBits{0, "00000000"}, ByteBits{1, "00000001"},
                                           ByteBits{2, "00000010"}, ByteBits{37, "00100101"},
                                           ByteBits{122, "01111010"}, ByteBits{250, "11111010"},
                                           ByteBits{255, "11111111"}));

TEST(BitString, EveryByteSurvivesTheRoundTrip) {
    for (int n = 0; n <= 255; ++n) ASSERT_EQ(FromBitString(ToBitString(n)), n) << n;
}

TEST(BitString, PositionsHoldingAnythingButOneCountAsZero) {
    EXPECT_EQ(FromBitString("2x1 0001"), 0x21);
}

struct SetCase {
    const char* before;
    int position;
    int digit;
    const char* after;
};

class SetBit : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetBit, RebuildsAroundThePosition) {
    const SetCase& c = GetParam();
    EXPECT_EQ(SetBitTo(c.before, c.position, c.digit), c.after);
    if (c.digit == 1) {
        EXPECT_EQ(SetBitOne(c.before, c.position), c.after);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SetBit,
                         ::testing::Values(SetCase{"01111010", 1, 1, "11111010"},
                                           SetCase{"00000000", 8, 1, "00000001"},
                                           SetCase{"00000000", 1, 1, "10000000"},
                                           SetCase{"11111111", 1, 0, "01111111"},
                                           SetCase{"11111111", 8, 0, "11111110"},
                                           SetCase{"11111111", 4, 0, "11101111"}));

TEST(BitString, BitAtReadsMostSignificantFirst) {
    EXPECT_EQ(BitAt("10000000", 1), "1");
    EXPECT_EQ(BitAt("10000000", 8), "0");
    EXPECT_EQ(BitAt("00000001", 8), "1");
}

}  // namespace
}  // namespace kdx
