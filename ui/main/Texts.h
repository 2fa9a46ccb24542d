#pragma once

#include "config/SetupModel.h"

// Every text the main window shows or logs, exactly as the user sees it (UTF-8).
namespace kdx::texts {

// Activity log.
inline constexpr const char* kDecodeFailed = "chyba dekodovani!";
inline constexpr const char* kPortOpenFailed = "chyba otevreni portu %1!";  // %1: "COMk"
inline constexpr const char* kNoDevice = "žádné zařízení";
inline constexpr const char* kPortGone = "port %1 není dostupný";  // %1: "COMk"
inline constexpr const char* kOpened = "otevřen soubor %1";
inline constexpr const char* kOpenFailed = "soubor nelze otevřít: %1";  // %1: the file and why
inline constexpr const char* kSaved = "uloženo do souboru %1";
inline constexpr const char* kSaveFailed = "soubor nelze uložit: %1";
inline constexpr const char* kCloseAfterWrite = "okno se zavře po skončení zápisu";

// Menu bar and its dialogs. "&" marks the letter that Alt (or the open menu) takes.
inline constexpr const char* kMenuFile = "&Soubor";
inline constexpr const char* kMenuOpen = "&Otevřít…";
inline constexpr const char* kMenuRecent = "&Naposledy otevřené";
inline constexpr const char* kMenuSaveAs = "Uložit &jako…";
inline constexpr const char* kMenuPrint = "&Tisk…";
inline constexpr const char* kMenuSheetPdf = "Uložit přehled jako &PDF…";
inline constexpr const char* kMenuHistory = "&Historie modulů…";
inline constexpr const char* kMenuHistoryOn = "&Zaznamenávat historii modulů";
inline constexpr const char* kMenuQuit = "&Konec";
inline constexpr const char* kMenuPort = "&Port";
inline constexpr const char* kMenuRefreshPorts = "&Obnovit porty";
inline constexpr const char* kMenuTools = "&Nástroje";
inline constexpr const char* kMenuCheck = "&Zkontrolovat nastavení";
inline constexpr const char* kMenuHelp = "Nápo&věda";
inline constexpr const char* kMenuAbout = "&O programu";
inline constexpr const char* kSheetPdfTitle = "Uložit přehled nastavení jako PDF";
inline constexpr const char* kFilterPdf = "PDF (*.pdf)";
inline constexpr const char* kSheetSaved = "přehled uložen do souboru %1";
inline constexpr const char* kSheetFailed = "přehled nelze uložit: %1";
inline constexpr const char* kPrintFailed = "přehled nelze vytisknout na %1";
// The window's title with a file open: its name, "*" after an edit since it was opened or saved.
inline constexpr const char* kFileCaption = "%1%2 – KDX-17 setup";
inline constexpr const char* kOpenTitle = "Otevřít nastavení";
inline constexpr const char* kSaveTitle = "Uložit nastavení jako";
inline constexpr const char* kFilterAll = "Soubory nastavení (*.json *.bin *.txt)";
inline constexpr const char* kFilterJson = "Nastavení (*.json)";
inline constexpr const char* kFilterBin = "Obraz paměti (*.bin)";
inline constexpr const char* kFilterTxt = "Obraz paměti jako text (*.txt)";
inline constexpr const char* kCheckAllRight = "Nastavení je v pořádku.";
inline constexpr const char* kCheckHint =
    "Dvojklikem nebo klávesou Enter ukážete položku v okně. Chyba: modul dostane něco jiného, "
    "než ukazují tabulky. Upozornění: dostane to, ale nejspíš to nebude fungovat.";
inline constexpr const char* kCheckField = "Položka";
inline constexpr const char* kCheckLevel = "Úroveň";
inline constexpr const char* kCheckSentence = "Popis";
inline constexpr const char* kAboutText =
    "<p><b>KDX-17 setup</b> %1</p>"
    "<p>Nastavení GSM pageru a reléového modulu KDX-17 přes převodník PC-VORTEL: čtení a zápis "
    "paměti modulu, úpravy tabulky SMS povelů, telefonního seznamu a odesílaných textů, "
    "soubory nastavení.</p>"
    "<p>Licence: GNU General Public License verze 3 nebo pozdější. Program je šířen bez "
    "jakékoli záruky.</p>";

// Window.
inline constexpr const char* kCaption = "KDX-17 setup";
inline constexpr const char* kTitle = ">> KDX-17 <<";
inline constexpr const char* kSubtitle = "setup utility v 1.0";
inline constexpr const char* kStatusBanner = "KDX-17 setup utility v 1.0";
inline constexpr const char* kBuffToKdx = "buff to KDX";
inline constexpr const char* kSetupToBuffer = "setup to buffer";
inline constexpr const char* kBuffToSetup = "buff to setup";
inline constexpr const char* kBuffToWin = "buff to win";
inline constexpr const char* kWinToBuff = "win to buff";

// Tabs.
inline constexpr const char* kTabCommands = "Tabulka SMS Povelů";
inline constexpr const char* kTabPhones = "Telefonní seznam";
inline constexpr const char* kTabSettings = "Nastavení";
inline constexpr const char* kTabLink = "PC <--> GSM Pager";

// "Telefonní seznam".
inline constexpr const char* kCreditKeepAlive = "č.10 používat pro udržení kreditu";

// "Nastavení".
inline constexpr const char* kInput1 = "Vstup IN1";
inline constexpr const char* kInput2 = "Vstup IN2";
inline constexpr const char* kInsensitivity = "Necitlivost vstupu (sek)";
inline constexpr const char* kAlarmOnClosing = "Poplach sepnutím";
inline constexpr const char* kAlarmOnOpening = "Poplach rozepnutím";
inline constexpr const char* kCreditCode = "Kod operátora pro funkci KREDIT";
inline constexpr const char* kCreditHint = "CZ.. Oskarta - *22# , Twist - *101# , GO - *104*#";
inline constexpr const char* kOutputDefaults = "Výchozí stavy výstupů uložené v EEPROM";
inline constexpr const char* kOutputNames = "RELE1    RELE2     BYPASS";
inline constexpr const char* kOverwriteWarning =
    "Při každé změně SMS povelem, se nastavení přepíše !!";
inline constexpr const char* kSys = "SYS";
inline constexpr const char* kUnlock = "unlock";
inline constexpr const char* kMessageTextsLabel = "Tvary odesílaných SMS (max.15 znaků) :";

// "PC <--> GSM Pager".
inline constexpr const char* kPort = "PORT";
inline constexpr const char* kPortNames[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
inline constexpr const char* kTest = "TEST";
inline constexpr const char* kActions = "Akce";
inline constexpr const char* kRead = "Načíst z KDX-17";
inline constexpr const char* kWrite = "Uložit do KDX-17";
inline constexpr const char* kStatus = "Status";
inline constexpr const char* kProcedure = "Postup";
inline constexpr const char* kProcedureHint =
    "Zvolte sériový port, na kterém je připojen převodník PC-VORTEL a otestujte propojení mezi "
    "PC a Pagerem tlačítkem TEST .. ";
inline constexpr const char* kDebug = "debug";

// Output buttons.
inline constexpr const char* kOff = "0";
inline constexpr const char* kOn = "1";

// Grid titles: row 0, then column 0 of grid3's data rows.
using titles::kCommandTitles;
using titles::kPhoneTitles;
using titles::kTextRowTitles;
using titles::kTextTitles;

}  // namespace kdx::texts
