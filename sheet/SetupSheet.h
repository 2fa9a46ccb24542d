#pragma once

#include <QByteArray>
#include <QDate>
#include <QImage>
#include <QString>

#include "config/SetupModel.h"
#include "files/ImageFile.h"

class QPagedPaintDevice;

namespace kdx {

// "Přehled nastavení": the setup in plain Czech words on one A4 portrait page, for the customer
// to keep: the name text, the SMS commands and what each does, the numbers and what each may do,
// the sent texts, the operator code, the date and a line for the site. Empty rows are left out.
// The window prints it and saves it as PDF; kdx17 saves it as PDF: the same page from both.
class SetupSheet {
  public:
    explicit SetupSheet(const SetupModel& setup, QDate date = QDate::currentDate());

    // The page as rich text, and its words alone (what a PDF's text holds, line by line).
    const QString& Html() const { return html_; }
    QString PlainText() const;

    // Draws the page on the device's first page, in A4 portrait. False when the device cannot
    // be painted on (a printer that failed to start).
    bool Render(QPagedPaintDevice& device) const;
    // The whole page as a picture, for the documentation.
    QImage Picture(int dpi) const;
    // The page as a PDF, its fonts embedded; empty when it could not be made.
    QByteArray Pdf() const;
    // The PDF put in place as every saved file is; false with the reason when it could not be
    // made or saved (an old file is then left as it was).
    bool SavePdf(const QString& path, FileError& error) const;

  private:
    QString html_;
};

}  // namespace kdx
