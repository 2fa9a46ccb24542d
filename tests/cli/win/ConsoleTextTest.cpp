// Text on its way to a Windows console: UTF-8 read from a pipe in pieces that may end anywhere.
#include <gtest/gtest.h>

#include "cli/win/ConsoleText.h"

namespace kdx::test {
namespace {

// Characters of two, three and four bytes, cut at every byte.
TEST(ConsoleTextTest, ACharacterCutBetweenPiecesComesWhole) {
    const std::string utf8 = "Příkazy – kód 😀\r\n";
    const std::wstring wide = L"Příkazy – kód \U0001F600\r\n";
    for (std::size_t cut = 0; cut <= utf8.size(); ++cut) {
        ConsoleText text;
        std::wstring shown = text.Take(std::string_view(utf8).substr(0, cut));
        shown += text.Take(std::string_view(utf8).substr(cut));
        shown += text.Finish();
        EXPECT_EQ(shown, wide) << "cut after byte " << cut;
    }
}

// Bytes that are no UTF-8 are shown, not held back for good or dropped.
TEST(ConsoleTextTest, BrokenUtf8ShowsAsReplacement) {
    struct Case {
        std::string piece;
        std::wstring shownAtOnce;
        std::wstring shownAtEnd;
    };
    for (const Case& c : std::vector<Case>{
             {"a\xC5", L"a", L"\uFFFD"},                              // cut short for good
             {"\x80\x80\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD", L""},  // no first byte
             {"\xFF!", L"\uFFFD!", L""},
         }) {
        ConsoleText text;
        EXPECT_EQ(text.Take(c.piece), c.shownAtOnce);
        EXPECT_EQ(text.Finish(), c.shownAtEnd);
    }
}

}  // namespace
}  // namespace kdx::test
