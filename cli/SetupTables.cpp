#include "cli/SetupTables.h"

#include <QStringList>
#include <vector>

#include "config/MemoryFields.h"

namespace kdx {
namespace {

QString Q(const std::string& utf8) { return Visible(QString::fromStdString(utf8)); }

// Columns padded to their widest cell; the first row is the title row.
QString Table(const QString& title, const std::vector<QStringList>& rows) {
    std::vector<qsizetype> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max<std::size_t>(widths.size(), static_cast<std::size_t>(row.size())));
        for (qsizetype c = 0; c < row.size(); ++c) {
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)], row[c].size());
        }
    }
    QString text = title + "\n";
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            line += (c ? "  " : "") + row[c].leftJustified(widths[static_cast<std::size_t>(c)]);
        }
        while (line.endsWith(' ')) line.chop(1);
        text += "  " + line + "\n";
    }
    return text + "\n";
}

QString Bool(bool yes) { return yes ? words::kYes : words::kNo; }

QStringList Titles(const auto& row) { return QStringList(std::begin(row), std::end(row)); }

}  // namespace

QString SetupAsTables(const SetupModel& setup) {
    std::vector<QStringList> commands{Titles(titles::kCommandTitles)};
    for (int r = 0; r < kCommandRows; ++r) {
        const CommandRow& row = setup.commandTable[static_cast<std::size_t>(r)];
        const std::string note = ActionNote(row.output, row.action);
        commands.push_back({QString::number(r + 1), Q(row.smsText), Q(row.output), Q(row.action),
                            row.time.empty() ? "0" : Q(row.time), Q(row.confirm),
                            note.empty() ? "" : "(" + Q(note) + ")"});
    }
    std::vector<QStringList> phones{Titles(titles::kPhoneTitles)};
    for (int i = 0; i < kPhoneEntries; ++i) {
        const PhoneEntry& entry = setup.phoneList[static_cast<std::size_t>(i)];
        QStringList row{QString::number(i + 1), Q(entry.number)};
        for (int cell = 1; cell <= 7; ++cell) row << Q(entry.Cell(cell));
        phones.push_back(row);
    }
    std::vector<QStringList> texts{Titles(titles::kTextTitles)};
    for (int k = 0; k < kMessageTexts; ++k)
        texts.push_back({titles::kTextRowTitles[k], Q(setup.messageTexts.Text(k))});

    const InputSettings& in = setup.inputSettings;
    auto input = [](const char* name, int polarity, int insensitivity) -> QStringList {
        return {name, polarity ? "Poplach rozepnutím" : "Poplach sepnutím",
                QString::number(insensitivity / 10.0, 'f', 1).replace('.', ',') + " s (" +
                    QString::number(insensitivity) + ")"};
    };
    const std::vector<QStringList> inputs{{"Vstup", "Poplach", "Necitlivost vstupu"},
                                          input("IN1", in.in1Polarity, in.in1Insensitivity),
                                          input("IN2", in.in2Polarity, in.in2Insensitivity)};
    const std::uint8_t outputs = setup.outputDefaults;
    const std::vector<QStringList> outputRows{
        {"RELE1", "RELE2", "BYPASS", "bajt"},
        {QString::number(outputs & kOutputBitRele1 ? 1 : 0),
         QString::number(outputs & kOutputBitRele2 ? 1 : 0),
         QString::number(outputs & kOutputBitBypass ? 1 : 0),
         QString("0x%1").arg(outputs, 2, 16, QChar('0')).toUpper().replace("0X", "0x")}};

    return Table("Tabulka SMS Povelů", commands) + Table("Telefonní seznam", phones) +
           "  č.10 používat pro udržení kreditu: " + Bool(setup.creditKeepAlive) + "\n\n" +
           Table("Tvary odesílaných SMS", texts) + Table("Vstupy", inputs) +
           Table("Výchozí stavy výstupů uložené v EEPROM", outputRows) +
           "SYS: " + Q(setup.sysValue) +
           "\nKod operátora pro funkci KREDIT: " + Q(setup.creditCode) + "\n";
}

}  // namespace kdx
