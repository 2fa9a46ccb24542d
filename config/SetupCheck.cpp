#include "config/SetupCheck.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "config/Cp1250.h"
#include "config/Layout.h"

namespace kdx {
namespace {

using namespace layout;
using Area = CheckPlace::Area;
using Level = Finding::Level;

// Whether the encoder reads the text as the very number it shows: an integer in lo..hi and
// nothing else, since it takes the leading number and bounds it.
bool ReadsAsShown(std::string_view text, int lo, int hi) {
    const std::string_view digits = text.substr(text.starts_with('-') ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    const int value = LeadingNumber(text, lo - 1, hi + 1);
    return value >= lo && value <= hi;
}

std::size_t Index(int i) { return static_cast<std::size_t>(i); }

class Checker {
  public:
    explicit Checker(const SetupModel& setup) : setup_(setup) {}

    std::vector<Finding> Run() {
        for (int r = 0; r < kCommandRows; ++r) Command(r);
        const std::string& sys = setup_.sysValue;
        if (!ReadsAsShown(sys, 0, 255)) {
            Add({Area::Sys}, Level::Error,
                "Hodnota SYS „" + sys + "“ není celé číslo od 0 do 255, do modulu se zapíše " +
                    std::to_string(LeadingNumber(sys, 0, 255)) + ".");
        }
        if (setup_.creditKeepAlive && setup_.phoneList[kPhoneEntries - 1].number.empty()) {
            Add({Area::CreditKeepAlive}, Level::Warning,
                "Pro udržení kreditu je zaškrtnuto č.10, ale položka 10 nemá telefonní číslo.");
        }
        Text(setup_.creditCode, kCreditCodeWidth, {Area::CreditCode});
        for (int i = 0; i < kPhoneEntries; ++i) Phone(i);
        for (int k = 0; k < kMessageTexts; ++k) {
            Text(setup_.messageTexts.Text(k), kTextWidth, {Area::Texts, k});
        }
        return std::move(findings_);
    }

  private:
    void Add(CheckPlace place, Level level, std::string sentence) {
        findings_.push_back({place, level, std::move(sentence)});
    }

    // The encoder writes a text in Windows-1250 and cuts it to its field.
    void Text(const std::string& text, std::size_t width, CheckPlace place) {
        const std::string bytes = Utf8ToCp1250(text);
        if (Cp1250ToUtf8(bytes) != text) {
            Add(place, Level::Error,
                "Znak, který kódová stránka Windows-1250 nemá, dostane modul jako „?“.");
        } else if (bytes.find(static_cast<char>(kFill)) != std::string::npos) {
            // The memory fills the rest of a text field with this very byte.
            Add(place, Level::Error, "Znak ˙ (0xFF) paměť modulu nerozliší od výplně pole.");
        }
        if (bytes.size() > width) {
            Add(place, Level::Error,
                "Text je delší než " + std::to_string(width) +
                    " znaků, do modulu se zapíše zkrácený.");
        }
    }

    void Command(int r) {
        const CommandRow& row = setup_.commandTable[Index(r)];
        Text(row.smsText, kSmsTextWidth, {Area::Commands, r, 0});
        const CommandRow start;
        if (row.smsText.empty() && (row.output != start.output || row.action != start.action)) {
            Add({Area::Commands, r, 0}, Level::Warning,
                "Příkaz nemá text SMS, žádná SMS jeho akci nespustí.");
        }
        const auto begin = setup_.commandTable.begin();
        const auto earlier = std::find_if(begin, begin + r, [&](const CommandRow& other) {
            return !row.smsText.empty() && other.smsText == row.smsText;
        });
        if (earlier != begin + r) {
            Add({Area::Commands, r, 0}, Level::Warning,
                "Stejný text SMS má už příkaz č. " + std::to_string(earlier - begin + 1) +
                    ", modul tyto příkazy nerozliší.");
        }
        // The encoder writes a word it does not know as code 0: SYSTEM, TEST or ROZEPNUTI (as
        // the output it writes has them), NE.
        const std::string output = Known(words::kOutputs, row.output) ? row.output : words::kSystem;
        if (output != row.output) Unknown({Area::Commands, r, 1}, "Výstup", row.output, output);
        const bool knownAction =
            Known(words::kSystemActions, row.action) || Known(words::kOutputActions, row.action);
        if (!knownAction) {
            Unknown({Area::Commands, r, 2}, "Akci", row.action,
                    output == words::kSystem ? words::kSystemActions[0] : words::kOutputActions[0]);
        }
        if (row.confirm != words::kYes && row.confirm != words::kNo) {
            Unknown({Area::Commands, r, 4}, "Potvrzení", row.confirm, words::kNo);
        }
        // Of an unknown action the error above says all.
        const bool fits = !knownAction || ActionFitsOutput(output, row.action);
        if (!fits) {
            Add({Area::Commands, r, 2}, Level::Warning,
                "Tabulka modulu nemá akci " + row.action + " pro výstup " + output + ".");
        }
        if (fits && row.action == words::kSystemActions[2] && setup_.creditCode.empty()) {
            Add({Area::Commands, r, 2}, Level::Warning,
                "Kód operátora pro funkci KREDIT je prázdný.");
        }
        // An empty time is shown and kept as "0".
        if (!row.time.empty() && !ReadsAsShown(row.time, kTimeMin, kTimeMax)) {
            Add({Area::Commands, r, 3}, Level::Error,
                "Čas „" + row.time + "“ není celé číslo od " + std::to_string(kTimeMin) + " do " +
                    std::to_string(kTimeMax) + ", do modulu se zapíše " +
                    std::to_string(LeadingNumber(row.time, kTimeMin, kTimeMax)) + ".");
        }
        // "0" stands for half a second; only a negative time is no pulse length.
        if (fits && row.action == words::kOutputActions[2] &&
            LeadingNumber(row.time, kTimeMin, kTimeMax) < 0) {
            Add({Area::Commands, r, 3}, Level::Warning,
                "Délka impulsu je záporná; platí 1 až 90 s, 0 znamená 0,5 s.");
        }
    }

    template <std::size_t N>
    static bool Known(const std::array<const char*, N>& table, const std::string& word) {
        return std::find(table.begin(), table.end(), word) != table.end();
    }

    void Unknown(CheckPlace place, const char* what, const std::string& word,
                 const std::string& written) {
        Add(place, Level::Error,
            std::string(what) + " „" + word + "“ modul nezná, do modulu se zapíše " + written +
                ".");
    }

    void Phone(int i) {
        const PhoneEntry& entry = setup_.phoneList[Index(i)];
        Text(entry.number, kNumberWidth, {Area::Phones, i, 0});
        if (!entry.number.empty()) return;
        // Only the shown flags are written; bit 4 never is.
        for (int cell = 1; cell < kBit4Cell; ++cell) {
            if (entry.Cell(cell).empty()) continue;
            Add({Area::Phones, i, cell}, Level::Warning,
                "Položka bez telefonního čísla má nastavené příznaky.");
            return;
        }
    }

    const SetupModel& setup_;
    std::vector<Finding> findings_;
};

}  // namespace

std::string PathOf(const CheckPlace& place) {
    switch (place.area) {
        case Area::Commands:
            return NumberedName("commands", Index(place.row),
                                keys::kCommandCells[Index(place.cell)]);
        case Area::Phones:
            return NumberedName("phones", Index(place.row), place.cell == 0 ? "number" : "flags");
        case Area::Texts:
            return std::string("texts.") + keys::kTexts[Index(place.row)];
        case Area::Sys:
            return "sys";
        case Area::CreditKeepAlive:
            return "creditKeepAlive";
        case Area::CreditCode:
            break;
    }
    return "creditCode";
}

const char* LevelWord(Finding::Level level) {
    return level == Level::Error ? "chyba" : "upozornění";
}

std::string FindingLine(const Finding& finding) {
    return PathOf(finding.place) + ": " + LevelWord(finding.level) + ": " + finding.sentence;
}

std::vector<Finding> CheckSetup(const SetupModel& setup) { return Checker(setup).Run(); }

}  // namespace kdx
