// kdx17 history after reads and writes of the virtual module.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "config/Codec.h"
#include "sim/VirtualModule.h"
#include "tests/support/PrivateHome.h"

namespace kdx {
namespace {

struct Result {
    int status;
    QStringList lines;
    QString err;
};

class HistoryE2e : public ::testing::Test, protected test::PrivateHome {
  protected:
    void SetUp() override {
        SetupModel setup;
        setup.messageTexts.pagerName = "Chata Lipno";
        setup.phoneList[0].number = "+420777123456";
        sim::VirtualModule::Options options;
        options.memory = EncodeSetup(setup);
        module = std::make_unique<sim::VirtualModule>(std::move(options));
        std::string error;
        ASSERT_TRUE(module->Start(&error)) << error;
        port = QString::fromStdString(module->DevicePath());
    }

    Result Kdx17(const QStringList& arguments) {
        QProcess process;
        process.start(KDX17_CLI, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(),
                QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QByteArray Exported(const QString& n) {
        const QString file = home.filePath("export" + n + ".bin");
        EXPECT_EQ(Kdx17({"history", "export", n, file}).status, 0);
        QFile exported(file);
        EXPECT_TRUE(exported.open(QIODevice::ReadOnly));
        return exported.readAll();
    }
    QByteArray Memory() const {
        const auto memory = module->Memory();
        return QByteArray(reinterpret_cast<const char*>(memory.data()),
                          static_cast<qsizetype>(memory.size()));
    }

    std::unique_ptr<sim::VirtualModule> module;
    QString port;
};

TEST_F(HistoryE2e, ReadsAndWritesAreListedNewestFirstAndExportExactly) {
    ASSERT_EQ(Kdx17({"read", "--port", port, home.filePath("read.bin")}).status, 0);
    Result history = Kdx17({"history"});
    ASSERT_EQ(history.lines.size(), 1) << history.lines.join('\n').toStdString();
    EXPECT_TRUE(history.lines[0].startsWith("1  ")) << history.lines[0].toStdString();
    for (const QString& part :
         {QString("čtení"), port, QString("OK"), QString("\"Chata Lipno\" +420777123456")}) {
        EXPECT_TRUE(history.lines[0].contains(part)) << history.lines[0].toStdString();
    }
    EXPECT_EQ(Exported("1"), Memory());

    SetupModel changed;
    changed.messageTexts.pagerName = "Garáž";
    QFile file(home.filePath("new.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const ConfigBuffer image = EncodeSetup(changed);
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
    file.close();
    ASSERT_EQ(Kdx17({"write", "--port", port, file.fileName()}).status, 0);
    history = Kdx17({"history"});
    ASSERT_EQ(history.lines.size(), 2);
    EXPECT_TRUE(history.lines[0].contains("zápis") && history.lines[0].contains("\"Garáž\""));
    EXPECT_TRUE(history.lines[1].startsWith("2  ") && history.lines[1].contains("čtení"));
    EXPECT_EQ(Exported("1"), Memory());

    const Result diff = Kdx17({"history", "diff", "2", "1"});
    EXPECT_EQ(diff.status, 1);
    EXPECT_TRUE(diff.lines.join('\n').contains("texts.pagerName: \"Chata Lipno\" -> \"Garáž\""))
        << diff.lines.join('\n').toStdString();
    EXPECT_EQ(Kdx17({"history", "show", "3"}).status, 2);
}

}  // namespace
}  // namespace kdx
