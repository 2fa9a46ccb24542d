#include "config/Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/support/GoldenImage.h"

namespace kdx {
namespace {

using namespace layout;

TEST(Encode, DefaultSetupGivesTheGoldenImage) {
    const ConfigBuffer golden = test::GoldenImage();
    ASSERT_EQ(golden.size(), 1024u);

    EXPECT_EQ(EncodeSetup(StartSetup()), golden);
}

TEST(Encode, GoldenImageDecodesBackToTheDefaults) {
    SetupModel decoded;
    decoded.commandTable[3] = CommandRow{"X", "RELE1", "IMPULS", "7", "ANO"};
    decoded.inputSettings.in1Insensitivity = 90;
    ASSERT_TRUE(DecodeBuffer(EncodeSetup(StartSetup()), decoded));
    EXPECT_EQ(decoded, StartSetup());
}

struct RecordCase {
    CommandRow row;
    std::uint8_t output, action, time;
};

class Records : public ::testing::TestWithParam<RecordCase> {};

TEST_P(Records, EncodeToTheirCodes) {
    SetupModel setup;
    setup.commandTable[7] = GetParam().row;
    const ConfigBuffer image = EncodeSetup(setup);
    const std::size_t at = kRecordOffset + 7 * kRecordSize;
    EXPECT_EQ(image[at], GetParam().output);
    EXPECT_EQ(image[at + 1], GetParam().action);
    EXPECT_EQ(image[at + 2], GetParam().time);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Records,
    ::testing::Values(RecordCase{{"", "RELE2", "IMPULS", "5", "ANO"}, '2', '2', 0xA5},
                      RecordCase{{"", "SYSTEM", "ZMENA", "0", "NE"}, '0', '3', 0x20},
                      RecordCase{{"", "RELE1", "TEST", "0", "NE"}, '1', '0', 0x20},
                      RecordCase{{"", "BYPASS", "STATUS", "90", "NE"}, '3', '4', 0x7A},
                      RecordCase{{"", "rele1", "sepnuti", "3", "ano"}, '0', '0', 0x23},
                      RecordCase{{"", "", "", "", "NE"}, '0', '0', 0x20},
                      RecordCase{{"", "SYSTEM", "KREDIT", "", "ANO"}, '0', '2', 0xA0},
                      RecordCase{{"", "RELE1", "SEPNUTI", "-32", "NE"}, '1', '1', 0x00},
                      RecordCase{{"", "RELE1", "SEPNUTI", "95", "ANO"}, '1', '1', 0xFF},
                      RecordCase{{"", "RELE1", "SEPNUTI", "-40", "NE"}, '1', '1', 0x00},
                      RecordCase{{"", "RELE1", "SEPNUTI", "200", "NE"}, '1', '1', 0x7F},
                      RecordCase{{"", "RELE1", "SEPNUTI", "12abc", "NE"}, '1', '1', 0x2C},
                      RecordCase{{"", "RELE1", "SEPNUTI", "abc", "ANO"}, '1', '1', 0xA0}));

struct DecodeRecordCase {
    std::uint8_t output, action, time;
    CommandRow before;
    CommandRow after;  // smsText not involved
};

class DecodeRecords : public ::testing::TestWithParam<DecodeRecordCase> {};

TEST_P(DecodeRecords, SetOnlyWhatTheirCodesName) {
    const DecodeRecordCase& c = GetParam();
    ConfigBuffer image = EncodeSetup(SetupModel{});
    const std::size_t at = kRecordOffset + 19 * kRecordSize;
    image[at] = c.output;
    image[at + 1] = c.action;
    image[at + 2] = c.time;
    SetupModel setup;
    setup.commandTable[19] = c.before;
    ASSERT_TRUE(DecodeBuffer(image, setup));
    EXPECT_EQ(setup.commandTable[19], c.after);
}

const CommandRow kRele2Sepnuti{"", "RELE2", "SEPNUTI", "4", "ANO"};

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeRecords,
    ::testing::Values(
        DecodeRecordCase{'1', '2', 0xA5, {}, {"", "RELE1", "IMPULS", "5", "ANO"}},
        DecodeRecordCase{'0', '4', 0x20, kRele2Sepnuti, {"", "SYSTEM", "STATUS", "0", "NE"}},
        DecodeRecordCase{'0', '3', 0x20, {}, {"", "SYSTEM", "MONITOR", "0", "NE"}},
        DecodeRecordCase{'0', '7', 0x20, kRele2Sepnuti, {"", "SYSTEM", "SEPNUTI", "0", "NE"}},
        DecodeRecordCase{'5', '1', 0x20, {}, {"", "SYSTEM", "SEPNUTI", "0", "NE"}},
        DecodeRecordCase{'3', '9', 0x7A, kRele2Sepnuti, {"", "BYPASS", "SEPNUTI", "90", "NE"}},
        DecodeRecordCase{'1', '0', 0x9F, {}, {"", "RELE1", "ROZEPNUTI", "-1", "ANO"}},
        DecodeRecordCase{'1', '0', 0x00, {}, {"", "RELE1", "ROZEPNUTI", "-32", "NE"}},
        DecodeRecordCase{'1', '0', 0x7F, {}, {"", "RELE1", "ROZEPNUTI", "95", "NE"}}));

TEST(Encode, FlagCellsThatHoldAnyTextAreSet) {
    SetupModel setup;
    setup.phoneList[4].flagCall = "0";
    setup.phoneList[4].flagIn1 = "x";
    setup.phoneList[5].flagBit4 = "0";  // hidden: never encoded
    const ConfigBuffer image = EncodeSetup(setup);
    EXPECT_EQ(image[kFlagsOffset + 4], 0x21);
    EXPECT_EQ(image[kFlagsOffset + 5], 0x00);
}

struct FlagCase {
    std::uint8_t byte;
    std::array<const char*, kPhoneCells - 1> cells;  // cells 1 to 8
};

class Flags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(Flags, DecodeToZeroOrEmpty) {
    ConfigBuffer image = EncodeSetup(SetupModel{});
    image[kFlagsOffset + 9] = GetParam().byte;
    SetupModel setup;
    setup.phoneList[9].flagSms = "1";
    ASSERT_TRUE(DecodeBuffer(image, setup));
    for (int cell = 1; cell < kPhoneCells; ++cell) {
        EXPECT_EQ(setup.phoneList[9].Cell(cell), GetParam().cells[cell - 1]) << "cell " << cell;
    }
    EXPECT_EQ(EncodeSetup(setup)[kFlagsOffset + 9], GetParam().byte & ~kFlagBit4);
}

INSTANTIATE_TEST_SUITE_P(Bytes, Flags,
                         ::testing::Values(FlagCase{0xFF, {"0", "0", "0", "0", "0", "0", "0", "0"}},
                                           FlagCase{0x00, {"", "", "", "", "", "", "", ""}},
                                           FlagCase{0x20, {"", "", "0", "", "", "", "", ""}},
                                           FlagCase{0x10, {"", "", "", "", "", "", "", "0"}},
                                           FlagCase{0x8D, {"0", "", "", "", "0", "0", "0", ""}}));

TEST(Decode, TextFieldsDropFillBytesWherePlaced) {
    ConfigBuffer image = EncodeSetup(SetupModel{});
    const std::size_t at = kTextOffset + 3 * kTextWidth;
    image[at] = 'A';
    image[at + 1] = 'B';
    image[at + 2] = 0xFF;
    image[at + 3] = 'C';
    image[at + 4] = 0x00;  // part of the text
    image[at + 5] = 0xE8;  // č
    SetupModel setup;
    ASSERT_TRUE(DecodeBuffer(image, setup));
    EXPECT_EQ(setup.messageTexts.calmIn1, std::string("ABC\0č", 6));
}

TEST(Decode, ScalarFields) {
    ConfigBuffer image = EncodeSetup(SetupModel{});
    image[kIn1PolarityOffset] = 7;
    image[kIn1InsensitivityOffset] = 15;
    image[kIn2PolarityOffset] = 0;
    image[kIn2InsensitivityOffset] = 250;
    image[kSysValueOffset] = 255;
    image[kOutputDefaultsOffset] = 0x03;
    image[kCreditKeepAliveOffset] = '2';
    SetupModel setup;
    setup.creditKeepAlive = true;
    ASSERT_TRUE(DecodeBuffer(image, setup));
    EXPECT_EQ(setup.inputSettings, (InputSettings{7, 15, 0, 250}));
    EXPECT_EQ(setup.sysValue, "255");
    EXPECT_EQ(setup.outputDefaults, 0x03);
    EXPECT_FALSE(setup.creditKeepAlive);  // only "1" ticks it

    image[kCreditKeepAliveOffset] = '1';
    ASSERT_TRUE(DecodeBuffer(image, setup));
    EXPECT_TRUE(setup.creditKeepAlive);
}

TEST(Decode, IgnoresBytesPastTheMemory) {
    SetupModel setup;
    setup.phoneList[0].number = "+420123";
    ConfigBuffer image = EncodeSetup(setup);
    image.resize(1100, '7');
    SetupModel decoded;
    ASSERT_TRUE(DecodeBuffer(image, decoded));
    EXPECT_EQ(decoded.phoneList[0].number, "+420123");
    EXPECT_EQ(decoded.messageTexts.calmIn2, "");
}

struct BadBuffer {
    const char* name;
    std::size_t size;
    std::size_t badOffset;  // size means none
    std::uint8_t badByte;
};

class Undecodable : public ::testing::TestWithParam<BadBuffer> {};

TEST_P(Undecodable, LeaveEveryFieldAsItWas) {
    SetupModel source;
    source.commandTable[0] = CommandRow{"ON", "RELE1", "SEPNUTI", "3", "ANO"};
    source.phoneList[2] = PhoneEntry{"123", "0", "0", "", "", "", "", "", ""};
    source.messageTexts.pagerName = "Chata";
    source.sysValue = "9";
    ConfigBuffer image = EncodeSetup(source);
    if (GetParam().badOffset < image.size()) image[GetParam().badOffset] = GetParam().badByte;
    image.resize(GetParam().size);

    SetupModel setup;
    setup.commandTable[5].time = "";  // a value the decoder would overwrite
    const SetupModel before = setup;
    const auto problem = CheckBuffer(image);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->offset, std::min(GetParam().badOffset, GetParam().size));
    EXPECT_FALSE(DecodeBuffer(image, setup));
    EXPECT_EQ(setup, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Undecodable,
    ::testing::Values(BadBuffer{"Empty", 0, 0, 0}, BadBuffer{"Short", 1023, 1023, 0},
                      BadBuffer{"CreditNotADigit", 1024, kCreditKeepAliveOffset, 0xFF},
                      BadBuffer{"LastRecordOutput", 1024, kRecordOffset + 19 * kRecordSize, 'A'},
                      BadBuffer{"LastRecordAction", 1024, kRecordOffset + 19 * kRecordSize + 1,
                                0x2F},
                      BadBuffer{"FirstRecordOutput", 1024, kRecordOffset, 0x3A}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decode, NeverWrittenMemoryIsUndecodable) {
    const ConfigBuffer blank(kBufferSize, 0xFF);
    const auto problem = CheckBuffer(blank);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->kind, DecodeProblem::Kind::NotADigit);
    EXPECT_EQ(problem->offset, kCreditKeepAliveOffset);
}

TEST(Encode, TextsFillTheirFieldsExactly) {
    SetupModel setup;
    setup.commandTable[0].smsText = std::string(32, 'S');
    setup.commandTable[1].smsText = "ZAP";
    setup.creditCode = "*123456789012345";  // 16 characters
    const ConfigBuffer image = EncodeSetup(setup);
    EXPECT_EQ(std::string(image.begin(), image.begin() + 32), std::string(32, 'S'));
    EXPECT_EQ(std::string(image.begin() + 32, image.begin() + 35), "ZAP");
    EXPECT_EQ(image[35], 0xFF);
    EXPECT_EQ(std::string(image.begin() + kCreditCodeOffset, image.begin() + kGap2Offset),
              setup.creditCode);
    EXPECT_EQ(image[kGap2Offset], 0xFF);
}

TEST(Encode, CzechTextsAreStoredInTheModulesCodePage) {
    SetupModel setup;
    setup.messageTexts.alarmIn1 = "Požár ve sklepě";
    const ConfigBuffer image = EncodeSetup(setup);
    const std::string field(image.begin() + kTextOffset + kTextWidth,
                            image.begin() + kTextOffset + 2 * kTextWidth);
    EXPECT_EQ(field, "Po\x9E\xE1r ve sklep\xEC\xFF");
}

struct SysCase {
    const char* text;
    std::uint8_t byte;
};

class SysValues : public ::testing::TestWithParam<SysCase> {};

TEST_P(SysValues, AreBoundedToOneByte) {
    SetupModel setup;
    setup.sysValue = GetParam().text;
    const ConfigBuffer image = EncodeSetup(setup);
    ASSERT_EQ(image.size(), kBufferSize);
    EXPECT_EQ(image[kSysValueOffset], GetParam().byte);
    EXPECT_EQ(image[kOutputDefaultsOffset], setup.outputDefaults);
}

INSTANTIATE_TEST_SUITE_P(Texts, SysValues,
                         ::testing::Values(SysCase{"0", 0}, SysCase{"255", 255},
                                           SysCase{"999", 255}, SysCase{"abc", 0}, SysCase{"", 0},
                                           SysCase{"12x", 12}, SysCase{"-5", 0},
                                           SysCase{"99999999999999999999", 255}));

TEST(Encode, OverlongValuesNeverShiftALaterField) {
    SetupModel setup;
    for (auto& row : setup.commandTable)
        row = CommandRow{std::string(40, 'a'), "RELE1", "IMPULS", "200", "ANO"};
    for (auto& entry : setup.phoneList) entry.number = std::string(20, '5');
    for (int k = 0; k < kMessageTexts; ++k) setup.messageTexts.Text(k) = std::string(30, 'm');
    setup.creditCode = "*22#*22#*22#*22#*22#";
    setup.sysValue = "999";
    SetupModel reference;  // the same setup, every value cut to what its field holds
    for (auto& row : reference.commandTable)
        row = CommandRow{std::string(32, 'a'), "RELE1", "IMPULS", "95", "ANO"};
    for (auto& entry : reference.phoneList) entry.number = std::string(16, '5');
    for (int k = 0; k < kMessageTexts; ++k) reference.messageTexts.Text(k) = std::string(16, 'm');
    reference.creditCode = "*22#*22#*22#*22#";
    reference.sysValue = "255";

    const ConfigBuffer image = EncodeSetup(setup);
    ASSERT_EQ(image.size(), kBufferSize);
    EXPECT_EQ(image, EncodeSetup(reference));
    EXPECT_EQ(image[kRecordOffset], '1');
    EXPECT_EQ(image[kGap2Offset], 0xFF);
    EXPECT_EQ(image[kFlagsOffset], 0x00);
}

// Decoding any image whose code bytes are in the tables and encoding the result gives the same
// bytes, but for what encoding always normalises.
ConfigBuffer Normalised(ConfigBuffer image) {
    auto compact = [&](std::size_t offset, std::size_t width) {
        auto begin = image.begin() + static_cast<std::ptrdiff_t>(offset);
        std::stable_partition(begin, begin + static_cast<std::ptrdiff_t>(width),
                              [](std::uint8_t b) { return b != kFill; });
    };
    for (int r = 0; r < kCommandRows; ++r)
        compact(kSmsTextOffset + kSmsTextWidth * r, kSmsTextWidth);
    compact(kCreditCodeOffset, kCreditCodeWidth);
    for (int i = 0; i < kPhoneEntries; ++i) compact(kNumberOffset + kNumberWidth * i, kNumberWidth);
    for (int k = 0; k < kMessageTexts; ++k) compact(kTextOffset + kTextWidth * k, kTextWidth);
    auto fill = [&](std::size_t offset, std::size_t size) {
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(offset), size, kFill);
    };
    fill(kGap1Offset, kGap1Size);
    fill(kGap2Offset, kGap2Size);
    fill(kGap3Offset, kGap3Size);
    for (int i = 0; i < kPhoneEntries; ++i) image[kFlagsOffset + i] &= ~kFlagBit4;
    if (image[kCreditKeepAliveOffset] != kCreditKeepAliveOn)
        image[kCreditKeepAliveOffset] = kCreditKeepAliveOff;
    return image;
}

TEST(RoundTrip, RandomImagesComeBackNormalised) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> anyByte(0, 255);
    auto digit = [&](int count) { return static_cast<std::uint8_t>('0' + random() % count); };
    for (int run = 0; run < 2000; ++run) {
        ConfigBuffer image(kBufferSize);
        for (auto& b : image) {
            // Plenty of fill bytes so that text fields have holes.
            b = random() % 3 == 0 ? kFill : static_cast<std::uint8_t>(anyByte(random));
        }
        image[kCreditKeepAliveOffset] = digit(10);
        for (int r = 0; r < kCommandRows; ++r) {
            const std::size_t at = kRecordOffset + kRecordSize * r;
            image[at] = digit(4);
            image[at + 1] = digit(image[at] == '0' ? 5 : 4);
        }
        SetupModel setup;
        ASSERT_TRUE(DecodeBuffer(image, setup));
        ASSERT_EQ(EncodeSetup(setup), Normalised(image)) << "run " << run;
    }
}

}  // namespace
}  // namespace kdx
