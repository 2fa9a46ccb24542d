#pragma once

#include <QString>

#include "config/SetupModel.h"

namespace kdx::test {

// Every row and entry filled, with Czech letters: the most a setup sheet must hold on its page.
inline SetupModel FullSetup() {
    SetupModel setup;
    static const char* const kRows[][3] = {
        {"RELE1", "SEPNUTI", "0"}, {"RELE1", "ROZEPNUTI", "0"}, {"RELE2", "IMPULS", "12"},
        {"BYPASS", "ZMENA", "0"},  {"SYSTEM", "STATUS", "0"},   {"SYSTEM", "KREDIT", "0"},
        {"RELE2", "IMPULS", "0"},
    };
    for (int r = 0; r < kCommandRows; ++r) {
        const auto& row = kRows[r % std::size(kRows)];
        setup.commandTable[r] = CommandRow{QString("VRATA %1 ŽLUŤOUČKÝ").arg(r + 1).toStdString(),
                                           row[0], row[1], row[2], r % 2 ? "NE" : "ANO"};
    }
    setup.commandTable[0].smsText = "ZAPNI TOPENÍ";
    for (int e = 0; e < kPhoneEntries; ++e) {
        setup.phoneList[e] =
            PhoneEntry{QString("+420 603 000 %1").arg(e, 3, 10, QChar('0')).toStdString(),
                       "0",
                       "0",
                       "0",
                       "0",
                       "0",
                       "0",
                       "0",
                       ""};
    }
    setup.phoneList[0].number = "+420 777 123 456";
    setup.messageTexts =
        MessageTexts{"Chata Lipno", "Poplach garáž", "Poplach dům", "Klid garáž", "Klid dům"};
    setup.creditCode = "*101#";
    return setup;
}

}  // namespace kdx::test
