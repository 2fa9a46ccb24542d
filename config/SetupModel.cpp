#include "config/SetupModel.h"

#include <algorithm>
#include <span>

namespace kdx {
namespace {

template <typename Owner, typename Member, std::size_t N>
auto& PickCell(Owner& owner, const std::array<Member, N>& members, int index) {
    return owner.*members.at(static_cast<std::size_t>(index));
}

constexpr std::array<std::string CommandRow::*, kCommandCells> kRowCells = {
    &CommandRow::smsText, &CommandRow::output, &CommandRow::action, &CommandRow::time,
    &CommandRow::confirm};

constexpr std::array<std::string PhoneEntry::*, kPhoneCells> kEntryCells = {
    &PhoneEntry::number,   &PhoneEntry::flagCall,    &PhoneEntry::flagSms,
    &PhoneEntry::flagIn1,  &PhoneEntry::flagIn2,     &PhoneEntry::flagSys,
    &PhoneEntry::flagRing, &PhoneEntry::flagMonitor, &PhoneEntry::flagBit4};

constexpr std::array<std::string MessageTexts::*, kMessageTexts> kTexts = {
    &MessageTexts::pagerName, &MessageTexts::alarmIn1, &MessageTexts::alarmIn2,
    &MessageTexts::calmIn1, &MessageTexts::calmIn2};

}  // namespace

std::string& CommandRow::Cell(int column) { return PickCell(*this, kRowCells, column); }
const std::string& CommandRow::Cell(int column) const { return PickCell(*this, kRowCells, column); }
std::string& PhoneEntry::Cell(int cell) { return PickCell(*this, kEntryCells, cell); }
const std::string& PhoneEntry::Cell(int cell) const { return PickCell(*this, kEntryCells, cell); }
std::string& MessageTexts::Text(int index) { return PickCell(*this, kTexts, index); }
const std::string& MessageTexts::Text(int index) const { return PickCell(*this, kTexts, index); }

SetupModel::SetupModel() {
    ResetCommandTable();
    ResetMessageTexts();
}

void SetupModel::ZeroEmptyTimes() {
    for (CommandRow& row : commandTable) {
        if (row.time.empty()) row.time = "0";
    }
}

void SetupModel::ResetCommandTable() {
    commandTable.fill(CommandRow{});
    inputSettings = InputSettings{};
    outputDefaults = 0xFF;  // the panel's buttons start showing "1"
}

void SetupModel::ResetMessageTexts() {
    messageTexts = MessageTexts{"KDX-17 :", "Poplach IN1", "Poplach IN2", "", ""};
}

SetupModel StartSetup() {
    SetupModel setup;
    setup.outputDefaults = kOutputsComposedBase;
    return setup;
}

bool ActionFitsOutput(std::string_view output, std::string_view action) {
    const auto& table = output == words::kSystem
                            ? std::span<const char* const>(words::kSystemActions)
                            : std::span<const char* const>(words::kOutputActions);
    return std::any_of(table.begin(), table.end(),
                       [&](const char* word) { return action == word; });
}

int LeadingNumber(std::string_view text, int lo, int hi) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) return std::clamp(0, lo, hi);
    bool negative = false;
    if (text[pos] == '-' || text[pos] == '+') negative = text[pos++] == '-';
    long value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min(value * 10 + (text[pos] - '0'), 100000L);  // far beyond any bound
    }
    return static_cast<int>(std::clamp(negative ? -value : value, long{lo}, long{hi}));
}

}  // namespace kdx
