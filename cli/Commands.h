#pragma once

#include <QStringList>
#include <QTextStream>

#include "files/ImageFile.h"

namespace kdx {

// Exit statuses of kdx17.
inline constexpr int kExitOk = 0;
inline constexpr int kExitLinkFailed = 1;  // the module or the link failed
inline constexpr int kExitBadUsage = 2;    // bad usage or a bad file; nothing was sent
inline constexpr int kExitDiffer = 1;      // diff: the two setups differ
inline constexpr int kExitFindings = 1;    // check: the setup has findings

// The commands that work on files alone.
int ShowCommand(const QString& file, QTextStream& out, QTextStream& err);
int DiffCommand(const QString& first, const QString& second, QTextStream& out, QTextStream& err);
int ConvertCommand(const QString& in, const QString& outFile, QTextStream& err);
int DefaultsCommand(const QString& outFile, QTextStream& err);
int CheckCommand(const QString& file, QTextStream& out, QTextStream& err);
// The setup sheet of a file, as the window prints it, into a PDF (the output must end in .pdf).
int SheetCommand(const QString& file, const QString& pdfFile, QTextStream& err);

// The setup check's findings, one a line; how many there were.
int PrintFindings(const SetupModel& setup, QTextStream& to);

// The status of a command that saved a file: the message of a failed save, or the warning of a
// good one.
int Saved(bool saved, const FileError& error, QTextStream& err);

}  // namespace kdx
