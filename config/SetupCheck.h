#pragma once

#include <string>
#include <vector>

#include "config/SetupModel.h"

namespace kdx {

// Where a finding points: a cell of one of the three tables, or one of the setup's own values.
struct CheckPlace {
    enum class Area { Commands, Phones, Texts, Sys, CreditKeepAlive, CreditCode };
    Area area;
    int row = 0;   // command row, phone entry or text, from 0
    int cell = 0;  // CommandRow::Cell column or PhoneEntry::Cell cell
};

struct Finding {
    // Error: the module gets something else than the tables show. Warning: it gets what they
    // show, but that cannot work as probably meant.
    enum class Level { Error, Warning };
    CheckPlace place;
    Level level;
    std::string sentence;  // Czech, one sentence
};

// The field's name as the .json files and a comparison of images give it ("commands[3].sms",
// "phones[10].flags", "texts.pagerName", "sys").
std::string PathOf(const CheckPlace& place);
const char* LevelWord(Finding::Level level);
// "path: level: sentence".
std::string FindingLine(const Finding& finding);

// What in the setup will not reach the module as shown, or will not work there; in table order.
// The setup itself may hold anything: this is a look before a write, on demand.
std::vector<Finding> CheckSetup(const SetupModel& setup);

}  // namespace kdx
