#include "config/SetupCheck.h"

#include <gtest/gtest.h>

#include <functional>

namespace kdx {
namespace {

using Level = Finding::Level;
using Change = std::function<void(SetupModel&)>;

struct RuleCase {
    const char* name;
    Change triggers;    // gives exactly the one finding below
    Change staysQuiet;  // as close as can be, and gives none
    const char* path;
    Level level;
    const char* says = "";  // what the sentence must name
};

void Row(SetupModel& setup, int number, CommandRow row) {
    setup.commandTable[static_cast<std::size_t>(number - 1)] = std::move(row);
}

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, FindOnlyWhatTheyAreAbout) {
    SetupModel triggered = StartSetup();
    GetParam().triggers(triggered);
    const auto findings = CheckSetup(triggered);
    ASSERT_EQ(findings.size(), 1u) << (findings.empty() ? "" : FindingLine(findings[0]));
    EXPECT_EQ(PathOf(findings[0].place), GetParam().path);
    EXPECT_EQ(findings[0].level, GetParam().level);
    EXPECT_NE(findings[0].sentence.find(GetParam().says), std::string::npos)
        << findings[0].sentence;

    SetupModel quiet = StartSetup();
    GetParam().staysQuiet(quiet);
    const auto none = CheckSetup(quiet);
    EXPECT_TRUE(none.empty()) << FindingLine(none[0]);
}

std::string Repeat(const char* text, int times) {
    std::string repeated;
    while (times-- > 0) repeated += text;
    return repeated;
}

const RuleCase kRules[] = {
    {"NotInCodePage", [](SetupModel& s) { Row(s, 3, {"ZAP Ω"}); },
     [](SetupModel& s) { Row(s, 3, {"ZAP ěščř€"}); }, "commands[3].sms", Level::Error},
    {"FillByte", [](SetupModel& s) { s.messageTexts.calmIn1 = "Klid˙"; },
     [](SetupModel& s) { s.messageTexts.calmIn1 = "Klid"; }, "texts.calmIn1", Level::Error},
    // Counted in the characters the memory stores, not in UTF-8 bytes.
    {"TooLong", [](SetupModel& s) { s.creditCode = Repeat("č", 17); },
     [](SetupModel& s) { s.creditCode = Repeat("č", 16); }, "creditCode", Level::Error},
    {"TimeNotANumber",
     [](SetupModel& s) {
         Row(s, 2, {"A", "RELE1", "SEPNUTI", "5s"});
     },
     [](SetupModel& s) {
         Row(s, 2, {"A", "RELE1", "SEPNUTI", "5"});
     },
     "commands[2].time", Level::Error},
    {"TimeBeyondTheByte",
     [](SetupModel& s) {
         Row(s, 2, {"A", "RELE1", "SEPNUTI", "96"});
     },
     [](SetupModel& s) {
         Row(s, 2, {"A", "RELE1", "SEPNUTI", "95"});
     },
     "commands[2].time", Level::Error},
    {"SysBeyondTheByte", [](SetupModel& s) { s.sysValue = "256"; },
     [](SetupModel& s) { s.sysValue = "255"; }, "sys", Level::Error},
    {"SysEmpty", [](SetupModel& s) { s.sysValue = ""; }, [](SetupModel& s) { s.sysValue = "0"; },
     "sys", Level::Error},
    {"SameText",
     [](SetupModel& s) {
         Row(s, 1, {"ZAP"});
         Row(s, 5, {"ZAP"});
     },
     [](SetupModel& s) {
         Row(s, 1, {"ZAP"});
         Row(s, 5, {"ZAP2"});
     },
     "commands[5].sms", Level::Warning},
    {"ActionWithoutText",
     [](SetupModel& s) {
         Row(s, 4, {"", "RELE1", "SEPNUTI"});
     },
     [](SetupModel& s) {
         Row(s, 4, {"ZAP", "RELE1", "SEPNUTI"});
     },
     "commands[4].sms", Level::Warning},
    {"ActionOfTheOtherTable",
     [](SetupModel& s) {
         Row(s, 6, {"X", "RELE1", "STATUS"});
     },
     [](SetupModel& s) {
         Row(s, 6, {"X", "SYSTEM", "STATUS"});
     },
     "commands[6].action", Level::Warning},
    // Words the window's editable lists let through; the encoder writes code 0 for them.
    {"UnknownOutput",
     [](SetupModel& s) {
         Row(s, 6, {"X", "SYSTERELE2", "TEST"});
     },
     [](SetupModel& s) {
         Row(s, 6, {"X", "SYSTEM", "TEST"});
     },
     "commands[6].output", Level::Error, "zapíše SYSTEM"},
    {"UnknownActionOfARelay",
     [](SetupModel& s) {
         Row(s, 6, {"X", "RELE2", ""});
     },
     [](SetupModel& s) {
         Row(s, 6, {"X", "RELE2", "ZMENA"});
     },
     "commands[6].action", Level::Error, "zapíše ROZEPNUTI"},
    {"UnknownConfirm",
     [](SetupModel& s) {
         Row(s, 6, {"X", "RELE1", "SEPNUTI", "0", "ano"});
     },
     [](SetupModel& s) {
         Row(s, 6, {"X", "RELE1", "SEPNUTI", "0", "ANO"});
     },
     "commands[6].confirm", Level::Error, "zapíše NE"},
    {"FlagsWithoutNumber", [](SetupModel& s) { s.phoneList[1].flagSms = "0"; },
     [](SetupModel& s) {
         s.phoneList[1].flagSms = "0";
         s.phoneList[1].number = "123";
     },
     "phones[2].flags", Level::Warning},
    {"KeepAliveWithoutNumber", [](SetupModel& s) { s.creditKeepAlive = true; },
     [](SetupModel& s) {
         s.creditKeepAlive = true;
         s.phoneList[9].number = "123";
     },
     "creditKeepAlive", Level::Warning},
    {"KreditWithoutCode",
     [](SetupModel& s) {
         Row(s, 1, {"K", "SYSTEM", "KREDIT"});
     },
     [](SetupModel& s) {
         Row(s, 1, {"K", "SYSTEM", "KREDIT"});
         s.creditCode = "*22#";
     },
     "commands[1].action", Level::Warning},
    // "0" is half a second.
    {"NegativePulse",
     [](SetupModel& s) {
         Row(s, 7, {"P", "RELE2", "IMPULS", "-1"});
     },
     [](SetupModel& s) {
         Row(s, 7, {"P", "RELE2", "IMPULS", "0"});
     },
     "commands[7].time", Level::Warning},
};

INSTANTIATE_TEST_SUITE_P(Each, Rules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kdx
