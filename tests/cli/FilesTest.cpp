#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>

#include "cli/Commands.h"
#include "cli/ImageFile.h"
#include "cli/SetupJson.h"
#include "config/Codec.h"

namespace kdx {
namespace {

class Files : public ::testing::Test {
  protected:
    QString Path(const QString& name) const { return dir.filePath(name); }

    void WriteFile(const QString& name, const QByteArray& content) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    ConfigBuffer MustLoad(const QString& name) const {
        QString error;
        const auto image = LoadImage(Path(name), error);
        EXPECT_TRUE(image.has_value()) << error.toStdString();
        return image.value_or(ConfigBuffer{});
    }

    // Loading must fail with a message that contains `expected`.
    void ExpectRefused(const QString& name, const QString& expected) const {
        QString error;
        EXPECT_FALSE(LoadImage(Path(name), error).has_value());
        EXPECT_TRUE(error.contains(expected)) << error.toStdString();
    }

    QTemporaryDir dir;
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
        SetupModel decoded;
        decoded.outputDefaults = kOutputsComposedBase;
        ASSERT_TRUE(DecodeBuffer(image, decoded));
        WriteFile("a.bin", QByteArray(reinterpret_cast<const char*>(image.data()), 1024));

        ASSERT_EQ(ConvertCommand(Path("a.bin"), Path("a.txt"), err), kExitOk);
        ASSERT_EQ(ConvertCommand(Path("a.txt"), Path("b.bin"), err), kExitOk);
        EXPECT_EQ(MustLoad("b.bin"), image) << "txt is the raw image";

        ASSERT_EQ(ConvertCommand(Path("a.bin"), Path("a.json"), err), kExitOk);
        ASSERT_EQ(ConvertCommand(Path("a.json"), Path("c.bin"), err), kExitOk);
        EXPECT_EQ(MustLoad("c.bin"), EncodeSetup(decoded)) << "json keeps the decoded setup";
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

TEST_F(Files, DefaultsAreTheStartSetup) {
    ASSERT_EQ(DefaultsCommand(Path("d.json"), err), kExitOk);
    SetupModel start;
    start.outputDefaults = kOutputsComposedBase;
    EXPECT_EQ(MustLoad("d.json"), EncodeSetup(start));
}

struct BadFile {
    const char* name;
    QByteArray content;
    const char* message;
};

class BadFiles : public Files, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, AreRefusedWithAMessage) {
    WriteFile(GetParam().name, GetParam().content);
    ExpectRefused(GetParam().name, GetParam().message);
}

QByteArray TxtWith(int line, const QByteArray& value) {
    QByteArray text;
    for (int i = 1; i <= 1024; ++i) text += (i == line ? value : "255") + "\r\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFiles,
    ::testing::Values(
        BadFile{"short.bin", QByteArray(1023, '\xFF'), "1023"},
        BadFile{"long.bin", QByteArray(1025, '\xFF'), "1025"},
        BadFile{"value.txt", TxtWith(17, "300"), "chyba v radku 17!"},
        BadFile{"word.json", R"({"commands":[{"output":"RELE3"})" + QByteArray(19 * 3, ' ') + "]}",
                "commands"},
        BadFile{"count.json", R"({"commands":[{"output":"RELE3"}]})", "pole 20"},
        BadFile{"output.json",
                R"({"commands":[)" + QByteArray("{},").repeated(19) + R"({"output":"rele1"}]})",
                "commands[20].output: neznámé slovo \"rele1\""},
        BadFile{"key.json", R"({"text":{}})", "text: neznámý klíč"},
        BadFile{"long.json", R"({"texts":{"alarmIn1":"12345678901234567"}})",
                "texts.alarmIn1: text delší"},
        BadFile{"char.json", R"({"creditCode":"漢"})", "creditCode: znak mimo"},
        BadFile{"time.json",
                R"({"commands":[)" + QByteArray("{},").repeated(19) + R"({"time":96}]})",
                "commands[20].time"},
        BadFile{"syntax.json", "{", "chybný JSON"}, BadFile{"image.png", "x", "neznámý formát"}),
    [](const auto& info) {
        QString name = info.param.name;
        return name.replace('.', '_').toStdString();
    });

TEST_F(Files, AJsonMayLeaveKeysOut) {
    WriteFile("part.json",
              R"({"sys": 12, "creditCode": "*22#", "texts": {"calmIn1": "Klid IN1"}})");
    SetupModel setup;
    ASSERT_TRUE(DecodeBuffer(MustLoad("part.json"), setup));
    EXPECT_EQ(setup.sysValue, "12");
    EXPECT_EQ(setup.creditCode, "*22#");
    EXPECT_EQ(setup.messageTexts.calmIn1, "Klid IN1");
    EXPECT_EQ(setup.messageTexts.pagerName, "KDX-17 :");
    EXPECT_EQ(setup.outputDefaults, kOutputsComposedBase);
}

TEST_F(Files, AFailedSaveLeavesNoFile) {
    QString error;
    const ConfigBuffer blank(layout::kBufferSize, 0xFF);
    EXPECT_FALSE(SaveImage(Path("blank.json"), blank, error));  // cannot be decoded
    EXPECT_FALSE(QFile::exists(Path("blank.json")));
    EXPECT_FALSE(SaveImage(Path("no/such/dir.bin"), blank, error));
    EXPECT_TRUE(SaveImage(Path("blank.bin"), blank, error));
    EXPECT_EQ(MustLoad("blank.bin"), blank);
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
    setup.phoneList[1].number = "+420777123456";
    setup.phoneList[1].flagSms = "0";
    QString error;
    ASSERT_TRUE(SaveImage(Path("s.bin"), EncodeSetup(setup), error));
    QString shown;
    QTextStream out(&shown);
    ASSERT_EQ(ShowCommand(Path("s.bin"), out, err), kExitOk);
    out.flush();
    EXPECT_TRUE(shown.contains("  1   ZAP1      RELE1   SEPNUTI  5      ANO"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("  2   +420777123456        0")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Název pageru   KDX-17 :")) << shown.toStdString();
}

TEST_F(Files, DiffNamesTheChangedFields) {
    SetupModel setup;
    QString error;
    ASSERT_TRUE(SaveImage(Path("a.bin"), EncodeSetup(setup), error));
    setup.phoneList[0].number = "123";
    setup.creditKeepAlive = true;
    ASSERT_TRUE(SaveImage(Path("b.json"), EncodeSetup(setup), error));
    QString shown;
    QTextStream out(&shown);
    ASSERT_EQ(DiffCommand(Path("a.bin"), Path("b.json"), out, err), kExitOk);
    out.flush();
    EXPECT_EQ(shown,
              "creditKeepAlive: false (0x30) -> true\n"
              "phones[1].number: \"\" -> \"123\"\n");
}

}  // namespace
}  // namespace kdx
