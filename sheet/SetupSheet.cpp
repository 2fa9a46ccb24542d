#include "sheet/SetupSheet.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <array>

namespace kdx {
namespace {

// The body's size: a full setup (20 commands, 10 numbers, 5 texts) still leaves room on A4.
constexpr double kBodyPoints = 9.5;
constexpr double kTitlePoints = 15;
constexpr double kMarginMm = 15;
constexpr int kLayoutDpi = 1200;

QString Escaped(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

// A pulse length as the module reads it: "0" stands for half a second.
QString PulseLength(const std::string& time) {
    const int seconds = LeadingNumber(time, -1000, 1000);
    return seconds == 0 ? QStringLiteral("0,5 s") : QStringLiteral("%1 s").arg(seconds);
}

// What a command row makes the module do, in words. A combination no table offers (an action of
// the other table) is named by its words, as the file holds it.
QString Effect(const CommandRow& row) {
    const QString output = QString::fromStdString(row.output).toHtmlEscaped();
    const std::string& action = row.action;
    if (ActionFitsOutput(row.output, action)) {
        static const std::array<std::pair<const char*, const char*>, 9> kWords = {{
            {"TEST", "test modulu"},
            {"RESET", "restart modulu"},
            {"KREDIT", "zjistí kredit (kód operátora níže)"},
            {"MONITOR", "odposlech (monitor)"},
            {"STATUS", "pošle zpět stav modulu"},
            {"ROZEPNUTI", "rozepne výstup %1"},
            {"SEPNUTI", "sepne výstup %1"},
            {"IMPULS", "sepne výstup %1 na dobu impulsu"},
            {"ZMENA", "přepne výstup %1 (změna stavu)"},
        }};
        for (const auto& [word, words] : kWords) {
            if (action == word) {
                const QString text = QString::fromUtf8(words);
                return text.contains("%1") ? text.arg(output) : text;
            }
        }
    }
    return QStringLiteral("výstup %1, akce %2").arg(output, Escaped(action));
}

QString Row(const QStringList& cells, const char* tag = "td") {
    QString row = "<tr>";
    // A cell breaks only where its text says so (<br>): a number or a command stays whole.
    for (const QString& cell : cells)
        row += QStringLiteral("<%1 style=\"white-space:nowrap\">%2</%1>").arg(tag, cell);
    return row + "</tr>\n";
}

// A part of the page: its heading and its table.
QString Section(const QString& title, const QString& table) {
    return "<h2 style=\"font-size:11pt\">" + title + "</h2>\n" + table;
}

QString Table(const QStringList& titles, const QString& rows) {
    return "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"1\" border=\"1\">" +
           Row(titles, "th") + rows + "</table>\n";
}

// What a number may do, one column per flag in the order of the phone list's columns, named in
// words with the column's own name beside: one line per number keeps a full list on the page.
constexpr std::array<const char*, 7> kFlagWords = {
    "volání<br>(CALL)",          "SMS<br>povely<br>(SMS)",    "poplach<br>z IN1<br>(IN1)",
    "poplach<br>z IN2<br>(IN2)", "systémové<br>SMS<br>(SYS)", "prozvonění<br>(Ring)",
    "odposlech<br>(Monitor)",
};

QString BuildHtml(const SetupModel& setup, QDate date) {
    QString html = QStringLiteral(
                       "<html><body style=\"font-size:%1pt\">"
                       "<h1 style=\"font-size:%2pt\">Přehled nastavení modulu KDX-17</h1>\n")
                       .arg(kBodyPoints)
                       .arg(kTitlePoints);
    if (!setup.messageTexts.pagerName.empty()) {
        html += "<p>Název modulu: <b>" + Escaped(setup.messageTexts.pagerName) + "</b></p>\n";
    }
    html += "<p>Datum: " + date.toString("d. M. yyyy") +
            " &nbsp;&nbsp;&nbsp; Místo instalace: "
            "______________________________________________</p>\n";

    QString commands;
    for (int r = 0; r < kCommandRows; ++r) {
        const CommandRow& row = setup.commandTable[r];
        if (row.smsText.empty()) continue;
        const bool pulse = row.action == "IMPULS" && ActionFitsOutput(row.output, row.action);
        commands +=
            Row({QString::number(r + 1), "<b>" + Escaped(row.smsText) + "</b>", Effect(row),
                 pulse ? PulseLength(row.time) : QStringLiteral("–"),
                 row.confirm == words::kYes ? QStringLiteral("ano") : QStringLiteral("ne")});
    }
    if (!commands.isEmpty()) {
        html += Section(
            "SMS povely",
            Table({"č.", "Text SMS", "Co udělá", "Délka impulsu", "Potvrzující SMS"}, commands));
    }

    QString numbers;
    for (int e = 0; e < kPhoneEntries; ++e) {
        const PhoneEntry& entry = setup.phoneList[e];
        if (entry.number.empty()) continue;
        QStringList cells = {QString::number(e + 1), Escaped(entry.number)};
        for (int flag = 1; flag <= 7; ++flag) {
            cells << (entry.Cell(flag) == words::kFlagSet ? QStringLiteral("ano") : QString());
        }
        numbers += Row(cells);
    }
    if (!numbers.isEmpty()) {
        QStringList titles = {"č.", "Číslo"};
        for (const char* flag : kFlagWords) titles << QString::fromUtf8(flag);
        html += Section("Telefonní čísla a co smějí", Table(titles, numbers));
        if (setup.creditKeepAlive) html += "<p>Číslo č. 10 slouží k udržení kreditu.</p>\n";
    }

    static const std::array<const char*, 4> kTextNames = {
        "Poplach ze vstupu IN1", "Poplach ze vstupu IN2", "Klid na vstupu IN1",
        "Klid na vstupu IN2"};
    QString texts;
    for (int t = 1; t < kMessageTexts; ++t) {
        const std::string& text = setup.messageTexts.Text(t);
        if (!text.empty()) texts += Row({QString::fromUtf8(kTextNames[t - 1]), Escaped(text)});
    }
    if (!texts.isEmpty()) {
        html += Section("Texty SMS, které modul posílá", Table({"Kdy", "Text"}, texts));
    }
    if (!setup.creditCode.empty()) {
        html +=
            "<p>Kód operátora pro zjištění kreditu: <b>" + Escaped(setup.creditCode) + "</b></p>\n";
    }
    return html + "</body></html>";
}

}  // namespace

SetupSheet::SetupSheet(const SetupModel& setup, QDate date) : html_(BuildHtml(setup, date)) {}

QString SetupSheet::PlainText() const {
    QTextDocument document;
    document.setHtml(html_);
    return document.toPlainText();
}

namespace {

const QPageLayout& A4() {
    static const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                QPageLayout::Millimeter);
    return a4;
}

// Draws the page's content from the painter's origin, for a device of DPI dots per inch. It is
// laid out at one fixed resolution whatever the device's, so that a printer, the PDF and a
// picture get the same lines and breaks, and a point is a point on paper.
void Draw(const QString& html, QPainter& painter, int dpi) {
    QBuffer nowhere;
    QPdfWriter layoutDevice(&nowhere);
    layoutDevice.setResolution(kLayoutDpi);
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&layoutDevice);
    document.setHtml(html);
    const QRect page = A4().paintRectPixels(kLayoutDpi);
    document.setPageSize(page.size());
    const double scale = double(dpi) / kLayoutDpi;
    painter.scale(scale, scale);
    document.drawContents(&painter, QRectF(QPointF(0, 0), page.size()));
}

}  // namespace

bool SetupSheet::Render(QPagedPaintDevice& device) const {
    device.setPageLayout(A4());
    QPainter painter;
    if (!painter.begin(&device)) return false;
    Draw(html_, painter, device.logicalDpiX());
    return painter.end();
}

QImage SetupSheet::Picture(int dpi) const {
    QImage picture(A4().fullRectPixels(dpi).size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(A4().paintRectPixels(dpi).topLeft());
    Draw(html_, painter, dpi);
    return picture;
}

QByteArray SetupSheet::Pdf() const {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Přehled nastavení"));
    writer.setCreator(QStringLiteral("KDX-17 setup"));
    if (!Render(writer)) return {};
    buffer.close();
    return pdf;
}

bool SetupSheet::SavePdf(const QString& path, FileError& error) const {
    const QByteArray pdf = Pdf();
    if (pdf.isEmpty()) {
        error.kind = FileError::Kind::NotSaved;
        error.message = QStringLiteral("přehled nelze vytvořit");
        return false;
    }
    return ReplaceFile(path, pdf, error);
}

}  // namespace kdx
