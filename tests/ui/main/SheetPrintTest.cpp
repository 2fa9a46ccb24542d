// The setup sheet from the window's Ctrl+P is the page kdx17 sheet makes of the same file.
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "files/ImageFile.h"
#include "state/Module10.h"
#include "tests/support/FullSetup.h"
#include "ui/main/MainWindow.h"

using namespace kdx;

namespace {

QString PdfText(const QString& pdf) {
    QProcess process;
    process.start("pdftotext", {pdf, "-"});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return "pdftotext failed";
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class SheetPrintTest : public QObject {
    Q_OBJECT

  private slots:
    void ctrlPPrintsThePageOfKdx17Sheet() {
        QTemporaryDir dir;
        FileError error;
        QVERIFY(SaveSetup(dir.filePath("site.json"), test::FullSetup(), error));
        Module10 state;
        MainWindow window(state, PortMap(QStringList{}));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.OpenFile(dir.filePath("site.json")));

        // The print dialog is answered as a user would: a printer (here a PDF file), then OK.
        bool asked = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            asked = true;
            dialog->printer()->setOutputFileName(dir.filePath("printed.pdf"));
            dialog->done(QDialog::Accepted);
        });
        QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(asked);

        QProcess kdx17;
        kdx17.start(KDX17_CLI, {"sheet", dir.filePath("site.json"), "-o", dir.filePath("cli.pdf")});
        QVERIFY(kdx17.waitForFinished(60000));
        QCOMPARE(kdx17.exitCode(), 0);
        const QString printed = PdfText(dir.filePath("printed.pdf"));
        QVERIFY(printed.contains("ZAPNI TOPENÍ"));
        QCOMPARE(printed, PdfText(dir.filePath("cli.pdf")));
    }
};

QTEST_MAIN(SheetPrintTest)
#include "SheetPrintTest.moc"
