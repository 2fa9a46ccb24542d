#include <gtest/gtest.h>

#include <QTextStream>
#include <random>

#include "cli/Commands.h"
#include "config/Codec.h"
#include "tests/support/TempFiles.h"

namespace kdx {
namespace {

class Files : public ::testing::Test, protected test::TempFiles {
  protected:
    QString errors;
    QTextStream err{&errors};
};

ConfigBuffer RandomDecodableImage(std::mt19937& random) {
    ConfigBuffer image(layout::kBufferSize);
    for (auto& b : image) b = static_cast<std::uint8_t>(random() % 3 ? random() % 256 : 0xFF);
    image[layout::kCreditKeepAliveOffset] = static_cast<std::uint8_t>('0' + random() % 10);
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        image[layout::kRecordOffset + 3 * r] = static_cast<std::uint8_t>('0' + random() % 10);
        image[layout::kRecordOffset + 3 * r + 1] = static_cast<std::uint8_t>('0' + random() % 10);
    }
    return image;
}

TEST_F(Files, ConvertingAmongTheFormatsLosesNothing) {
    std::mt19937 random(7);
    for (int run = 0; run < 50; ++run) {
        const ConfigBuffer image = RandomDecodableImage(random);
        SetupModel decoded = StartSetup();
        ASSERT_TRUE(DecodeBuffer(image, decoded));
        // The description's normalisations, but a relay row's action code 4 (STATUS) stays.
        ConfigBuffer normalised = EncodeSetup(decoded);
        for (std::size_t r = 0; r < kCommandRows; ++r) {
            const std::size_t record = layout::kRecordOffset + 3 * r;
            if (image[record] != '0' && image[record + 1] == '4') normalised[record + 1] = '4';
        }
        WriteFile("a.bin", QByteArray(reinterpret_cast<const char*>(image.data()), 1024));

        ASSERT_EQ(ConvertCommand(Path("a.bin"), Path("a.txt"), err), kExitOk);
        ASSERT_EQ(ConvertCommand(Path("a.txt"), Path("b.bin"), err), kExitOk);
        EXPECT_EQ(MustLoad("b.bin"), image) << "txt is the raw image";

        ASSERT_EQ(ConvertCommand(Path("a.bin"), Path("a.json"), err), kExitOk);
        ASSERT_EQ(ConvertCommand(Path("a.json"), Path("c.bin"), err), kExitOk);
        EXPECT_EQ(MustLoad("c.bin"), normalised) << "json keeps the decoded setup";
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

TEST_F(Files, DefaultsAreTheStartSetup) {
    ASSERT_EQ(DefaultsCommand(Path("d.json"), err), kExitOk);
    EXPECT_EQ(MustLoad("d.json"), EncodeSetup(StartSetup()));
}

TEST_F(Files, ShowRefusesWhatCannotBeDecoded) {
    WriteFile("blank.bin", QByteArray(1024, '\xFF'));
    QString shown;
    QTextStream out(&shown);
    EXPECT_EQ(ShowCommand(Path("blank.bin"), out, err), kExitBadUsage);
    EXPECT_TRUE(errors.contains("646")) << errors.toStdString();
}

TEST_F(Files, ShowPrintsTheTablesOfTheWindow) {
    SetupModel setup;
    setup.commandTable[0] = CommandRow{"ZAP1", "RELE1", "SEPNUTI", "5", "ANO"};
    setup.commandTable[1].smsText = "\x1b\x07";  // a file's text never drives the terminal
    setup.phoneList[1].number = "+420777123456";
    setup.phoneList[1].flagSms = "0";
    MustSave("s.bin", EncodeSetup(setup));
    QString shown;
    QTextStream out(&shown);
    ASSERT_EQ(ShowCommand(Path("s.bin"), out, err), kExitOk);
    out.flush();
    EXPECT_TRUE(shown.contains("  1   ZAP1      RELE1   SEPNUTI  5      ANO"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("  2   \\x1b\\x07  SYSTEM")) << shown.toStdString();
    EXPECT_FALSE(shown.contains('\x1b') || shown.contains('\x07'));
    EXPECT_TRUE(shown.contains("  2   +420777123456        0")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Název pageru   KDX-17 :")) << shown.toStdString();
}

TEST_F(Files, CheckExitsByWhatItFinds) {
    SetupModel setup = StartSetup();
    MustSave("default.json", EncodeSetup(setup));
    setup.commandTable[0].smsText = "ZAP";
    setup.commandTable[4].smsText = "ZAP";
    MustSave("twice.bin", EncodeSetup(setup));
    QString shown;
    QTextStream out(&shown);
    EXPECT_EQ(CheckCommand(Path("default.json"), out, err), kExitOk);
    out.flush();
    EXPECT_EQ(shown, "");
    EXPECT_EQ(CheckCommand(Path("twice.bin"), out, err), kExitFindings);
    out.flush();
    EXPECT_EQ(shown,
              "commands[5].sms: upozornění: Stejný text SMS má už příkaz č. 1, modul tyto příkazy "
              "nerozliší.\n");
    WriteFile("blank.bin", QByteArray(1024, '\xFF'));
    EXPECT_EQ(CheckCommand(Path("blank.bin"), out, err), kExitBadUsage);
    EXPECT_EQ(CheckCommand(Path("none.json"), out, err), kExitBadUsage);
}

TEST_F(Files, DiffNamesTheChangedFields) {
    SetupModel setup;
    MustSave("a.bin", EncodeSetup(setup));
    setup.phoneList[0].number = "123";
    setup.creditKeepAlive = true;
    setup.commandTable[0].smsText = "\x1b[2J\x07";
    MustSave("b.json", EncodeSetup(setup));
    QString shown;
    QTextStream out(&shown);
    EXPECT_EQ(DiffCommand(Path("a.bin"), Path("b.json"), out, err), kExitDiffer);
    out.flush();
    EXPECT_EQ(shown,
              "commands[1].sms: \"\" -> \"\\x1b[2J\\x07\"\n"
              "creditKeepAlive: false (0x30) -> true\n"
              "phones[1].number: \"\" -> \"123\"\n");
    EXPECT_EQ(DiffCommand(Path("a.bin"), Path("a.bin"), out, err), kExitOk);
    EXPECT_EQ(DiffCommand(Path("a.bin"), Path("none.bin"), out, err), kExitBadUsage);
}

// The window takes an action of the other table on a row and stores it by its own code; the
// module has no such action for that output. Every view says what the file holds, with a note.
TEST_F(Files, AnActionOfTheOtherTableIsShownAsTheFileHoldsIt) {
    WriteFile("other.json", test::WholeJson([](QJsonObject& root) {
                  test::ChangeCommand(root, 1, [](QJsonObject& command) {
                      command["output"] = "RELE1";
                      command["action"] = "STATUS";
                  });
                  test::ChangeCommand(root, 2, [](QJsonObject& command) {
                      command["output"] = "SYSTEM";
                      command["action"] = "ZMENA";
                  });
              }));
    ASSERT_EQ(ConvertCommand(Path("other.json"), Path("other.bin"), err), kExitOk);
    const char* note = "(tabulka modulu nemá tuto akci pro ";
    const std::pair<const char*, QString> cases[] = {
        {"other.json", QString("1 RELE1 STATUS 0 NE ") + note + "RELE1) 2 SYSTEM ZMENA 0 NE " +
                           note + "SYSTEM) 3"},
        // The codes "0", "3" are MONITOR's.
        {"other.bin", QString("1 RELE1 STATUS 0 NE ") + note + "RELE1) 2 SYSTEM MONITOR 0 NE 3"},
    };
    for (const auto& [file, rows] : cases) {
        QString shown;
        QTextStream out(&shown);
        ASSERT_EQ(ShowCommand(Path(file), out, err), kExitOk);
        out.flush();
        EXPECT_TRUE(shown.simplified().contains(rows)) << file << "\n" << shown.toStdString();
    }
    ASSERT_EQ(DefaultsCommand(Path("d.bin"), err), kExitOk);
    QString shown;
    QTextStream out(&shown);
    EXPECT_EQ(DiffCommand(Path("d.bin"), Path("other.json"), out, err), kExitDiffer);
    out.flush();
    EXPECT_TRUE(shown.contains(QString("commands[1].action: TEST -> STATUS ") + note + "RELE1)\n"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString("commands[2].action: TEST -> ZMENA ") + note + "SYSTEM)\n"))
        << shown.toStdString();
}

}  // namespace
}  // namespace kdx
