#pragma once

#include <string_view>

namespace kdx::messages {

// Every line the activity log ever shows, byte for byte.
inline constexpr std::string_view kProgramStarted = "Program spuštěn";
inline constexpr std::string_view kReadStart = "Vyčítání START";
inline constexpr std::string_view kWriteStart = "Zápis START";
inline constexpr std::string_view kRawWriteStart = "Zápis (buff to KD) START";
inline constexpr std::string_view kTransferOk = "Prenos OK";
inline constexpr std::string_view kReadFailed = "chyba v prenosu!";
inline constexpr std::string_view kDuplicateReceive = "duplicitni prijem";
inline constexpr std::string_view kWriteFailed = "chyba komunikace!";
inline constexpr std::string_view kTestOk = "TEST OK";
inline constexpr std::string_view kTestError = "TEST ERROR";
// After a write that ended early, whatever ended it.
inline constexpr std::string_view kPartlyWritten =
    "modul nyní může obsahovat jen zčásti zapsané nastavení; příští celý zápis je opraví";

}  // namespace kdx::messages
