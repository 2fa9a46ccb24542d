#include "config/BufferText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Codec.h"

namespace kdx {
namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line lacks its CR LF";
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

const ConfigBuffer kDefaultImage = EncodeSetup(SetupModel{});
const ConfigBuffer kOldBuffer(layout::kBufferSize, 7);  // what a refused text must leave alone

TEST(BufferToText, DefaultImageGivesOneLinePerByte) {
    const auto lines = Split(BufferToText(kDefaultImage));
    ASSERT_EQ(lines.size(), 1024u);
    for (std::size_t i = 0; i < 640; ++i) ASSERT_EQ(lines[i], "255") << "line " << i + 1;
    EXPECT_EQ(lines[640], std::to_string(kDefaultImage[640]));
    EXPECT_FALSE(BufferSizeMessage(kDefaultImage));
}

TEST(BufferToText, NeverReadsPastTheBuffer) {
    EXPECT_EQ(BufferToText({}), "");
    EXPECT_EQ(BufferSizeMessage({}), "buffer ma 0 bajtu!");
    EXPECT_EQ(BufferToText({0, 9, 200}), "0\r\n9\r\n200\r\n");
    EXPECT_EQ(BufferSizeMessage({0, 9, 200}), "buffer ma 3 bajtu!");

    ConfigBuffer longer = kDefaultImage;
    longer.push_back(1);
    EXPECT_EQ(Split(BufferToText(longer)).size(), 1024u);  // only the memory's offsets
    EXPECT_EQ(BufferSizeMessage(longer), "buffer ma 1025 bajtu!");
}

TEST(TextToBuffer, BlankLinesAndBlanksAroundValuesAreIgnored) {
    auto lines = Split(BufferToText(kDefaultImage));
    lines[2] = " 12 ";
    lines[3] = "\t13";
    lines.insert(lines.begin() + 700, {"", "   "});
    lines.insert(lines.begin(), "");
    ConfigBuffer buffer = kOldBuffer;
    EXPECT_FALSE(TextToBuffer(Join(lines) + "\r\n\r\n", buffer));
    ConfigBuffer expected = kDefaultImage;
    expected[2] = 12;
    expected[3] = 13;
    EXPECT_EQ(buffer, expected);
}

TEST(TextToBuffer, OneChangedLineChangesExactlyThatByte) {
    auto lines = Split(BufferToText(kDefaultImage));
    lines[0] = "65";
    ConfigBuffer buffer = kDefaultImage;
    EXPECT_FALSE(TextToBuffer(Join(lines), buffer));
    ConfigBuffer expected = kDefaultImage;
    expected[0] = 0x41;
    EXPECT_EQ(buffer, expected);

    SetupModel setup;
    ASSERT_TRUE(DecodeBuffer(buffer, setup));
    EXPECT_EQ(setup.commandTable[0].smsText, "A");
}

TEST(TextToBuffer, TwoCopiesAreRefused) {
    const std::string once = BufferToText(kDefaultImage);
    ConfigBuffer buffer = kOldBuffer;
    EXPECT_EQ(TextToBuffer(once + once, buffer), "chyba: 2048 hodnot misto 1024!");
    EXPECT_EQ(buffer, kOldBuffer);
}

struct CountCase {
    std::size_t values;
    const char* message;
};

class TextToBufferCount : public testing::TestWithParam<CountCase> {};

TEST_P(TextToBufferCount, WrongCountIsRefused) {
    const std::vector<std::string> lines(GetParam().values, "1");
    ConfigBuffer buffer = kOldBuffer;
    EXPECT_EQ(TextToBuffer(Join(lines), buffer), GetParam().message);
    EXPECT_EQ(buffer, kOldBuffer);
}

INSTANTIATE_TEST_SUITE_P(Counts, TextToBufferCount,
                         testing::Values(CountCase{0,
                                                   "chyba: 0 hodnot misto 1024!"},  // empty window
                                         CountCase{1023, "chyba: 1023 hodnot misto 1024!"},
                                         CountCase{1025, "chyba: 1025 hodnot misto 1024!"}));

class TextToBufferBadLine : public testing::TestWithParam<const char*> {};

// Line 5 of a good image replaced by a piece that is not a whole number 0 to 255.
TEST_P(TextToBufferBadLine, IsRefusedWithItsLineNumber) {
    auto lines = Split(BufferToText(kDefaultImage));
    lines[4] = GetParam();
    ConfigBuffer buffer = kOldBuffer;
    EXPECT_EQ(TextToBuffer(Join(lines), buffer), "chyba v radku 5!");
    EXPECT_EQ(buffer, kOldBuffer);
}

INSTANTIATE_TEST_SUITE_P(Pieces, TextToBufferBadLine,
                         testing::Values("256", "-1", "1e2", "0x10", "+5", "1 2", "12.0", "x",
                                         "99999999999999999999", "3\n4", "3\r4"));

TEST(TextToBuffer, LinesAreCountedAmongAllLines) {
    ConfigBuffer buffer = kOldBuffer;
    EXPECT_EQ(TextToBuffer("1\r\n\r\n\r\nabc\r\n2\r\n", buffer), "chyba v radku 4!");
    // The first bad line is reported even when the count is wrong too.
    auto lines = Split(BufferToText(kDefaultImage) + BufferToText(kDefaultImage));
    lines[1499] = "300";
    EXPECT_EQ(TextToBuffer(Join(lines), buffer), "chyba v radku 1500!");
    EXPECT_EQ(buffer, kOldBuffer);
}

}  // namespace
}  // namespace kdx
