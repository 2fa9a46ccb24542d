#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kdx {

inline constexpr int kCommandRows = 20;
inline constexpr int kCommandCells = 5;
inline constexpr int kPhoneEntries = 10;
inline constexpr int kPhoneCells = 9;
inline constexpr int kMessageTexts = 5;

// The words the tables hold; the encoder and decoder turn them into the module's codes.
namespace words {
inline constexpr const char* kSystem = "SYSTEM";
inline constexpr const char* kRele1 = "RELE1";
inline constexpr const char* kRele2 = "RELE2";
inline constexpr const char* kBypass = "BYPASS";
inline constexpr std::array<const char*, 4> kOutputs = {kSystem, kRele1, kRele2, kBypass};
// Index = the action's code digit.
inline constexpr std::array<const char*, 5> kSystemActions = {"TEST", "RESET", "KREDIT", "MONITOR",
                                                              "STATUS"};
inline constexpr std::array<const char*, 4> kOutputActions = {"ROZEPNUTI", "SEPNUTI", "IMPULS",
                                                              "ZMENA"};
inline constexpr const char* kYes = "ANO";
inline constexpr const char* kNo = "NE";
inline constexpr const char* kFlagSet = "0";  // a set flag shows as "0", a clear one as ""
}  // namespace words

// The grids' titles: row 0 of each grid, then column 0 of the sent-SMS grid's rows.
namespace titles {
inline constexpr const char* kCommandTitles[] = {"č.",   "Tvar SMS", "Výstup",
                                                 "Akce", "Čas/s",    "Oznam"};
// Also the names of the phone cells 1 to 7 ("CALL" to "Monitor").
inline constexpr const char* kPhoneTitles[] = {"č.",  "Telefonní č.", "CALL", "SMS",    "IN1",
                                               "IN2", "SYS",          "Ring", "Monitor"};
inline constexpr const char* kTextTitles[] = {"Položka", "Tvar odesílané sms"};
inline constexpr const char* kTextRowTitles[] = {"Název pageru", "Poplach z IN1", "Poplach z IN2",
                                                 "Zklidnění IN1", "Zklidnění IN2"};
}  // namespace titles

// Keys of the .json setup files, which other views of a setup name their fields by.
namespace keys {
// A command row's cells, in grid column order.
inline constexpr std::array<const char*, kCommandCells> kCommandCells = {"sms", "output", "action",
                                                                         "time", "confirm"};
// The phone flags, phone cells 1 to 7.
inline constexpr std::array<const char*, 7> kFlags = {"call", "sms",  "in1",    "in2",
                                                      "sys",  "ring", "monitor"};
inline constexpr std::array<const char*, kMessageTexts> kTexts = {"pagerName", "alarmIn1",
                                                                  "alarmIn2", "calmIn1", "calmIn2"};
}  // namespace keys

// Whether an action word belongs to the table of the row's output: the system functions to
// "SYSTEM", the switching actions to the other outputs. A word of the other table is stored
// by its own code all the same; the module then has no such action for that output.
bool ActionFitsOutput(std::string_view output, std::string_view action);

// A cell's text read as a number: blanks before it skipped, an optional sign, then the leading
// digits, bounded to lo..hi; a text without digits counts as 0.
int LeadingNumber(std::string_view text, int lo, int hi);

// One row of the SMS command table; every cell is the text the grid shows.
struct CommandRow {
    std::string smsText;
    std::string output = words::kSystem;
    std::string action = words::kSystemActions[0];
    std::string time = "0";  // pulse length in seconds, decimal text; "0" means 0.5 s
    std::string confirm = words::kNo;

    // Cells in grid column order: 0 smsText, 1 output, 2 action, 3 time, 4 confirm.
    std::string& Cell(int column);
    const std::string& Cell(int column) const;

    friend bool operator==(const CommandRow&, const CommandRow&) = default;
};

// One phone list entry; a flag cell holds "0" when set and "" when clear.
struct PhoneEntry {
    std::string number;
    std::string flagCall;
    std::string flagSms;
    std::string flagIn1;
    std::string flagIn2;
    std::string flagSys;
    std::string flagRing;
    std::string flagMonitor;
    std::string flagBit4;  // never shown or encoded; only the decoder sets it

    // Cells: 0 number, 1 flagCall, 2 flagSms, 3 flagIn1, 4 flagIn2, 5 flagSys, 6 flagRing,
    // 7 flagMonitor, 8 flagBit4.
    std::string& Cell(int cell);
    const std::string& Cell(int cell) const;

    friend bool operator==(const PhoneEntry&, const PhoneEntry&) = default;
};

// The texts of the SMS that the module sends.
struct MessageTexts {
    std::string pagerName;
    std::string alarmIn1;
    std::string alarmIn2;
    std::string calmIn1;
    std::string calmIn2;

    // 0 pagerName, 1 alarmIn1, 2 alarmIn2, 3 calmIn1, 4 calmIn2.
    std::string& Text(int index);
    const std::string& Text(int index) const;

    friend bool operator==(const MessageTexts&, const MessageTexts&) = default;
};

struct InputSettings {
    std::int16_t in1Polarity = 0;       // 0: alarm on closing, other: alarm on opening
    std::int16_t in1Insensitivity = 1;  // tenths of a second
    std::int16_t in2Polarity = 0;
    std::int16_t in2Insensitivity = 1;

    friend bool operator==(const InputSettings&, const InputSettings&) = default;
};

// The panel composes the default-outputs byte with bits 2 to 6 always set.
inline constexpr std::uint8_t kOutputBitRele1 = 0x01;
inline constexpr std::uint8_t kOutputBitRele2 = 0x02;
inline constexpr std::uint8_t kOutputBitBypass = 0x80;
inline constexpr std::uint8_t kOutputsComposedBase = 0x7C;

// The module's whole configuration as the user sees and edits it. Texts are UTF-8.
struct SetupModel {
    std::array<CommandRow, kCommandRows> commandTable;
    std::array<PhoneEntry, kPhoneEntries> phoneList;
    MessageTexts messageTexts;
    InputSettings inputSettings;
    std::uint8_t outputDefaults = 0xFF;  // bit 0 RELE1, bit 1 RELE2, bit 7 BYPASS
    std::string sysValue = "0";          // decimal text, as typed into the SYS box
    bool creditKeepAlive = false;        // use phone entry 10 for keeping the credit
    std::string creditCode;              // the operator's code for the KREDIT function

    SetupModel();

    // Every command row to its default; without a window, the panel's start values too
    // (polarities 0, insensitivities 1, all outputs on). A window collects its panel after it.
    void ResetCommandTable();
    void ResetMessageTexts();
    // An empty command time stands as "0": the grid shows it so and the setup keeps it so.
    void ZeroEmptyTimes();

    friend bool operator==(const SetupModel&, const SetupModel&) = default;
};

// The setup as the window shows it right after start: the panel has composed the outputs, all
// off (0x7C). What a program without a window starts from.
SetupModel StartSetup();

}  // namespace kdx
