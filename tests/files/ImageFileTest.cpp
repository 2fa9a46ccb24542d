#include "files/ImageFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "config/Codec.h"
#include "tests/support/TempFiles.h"

namespace kdx {
namespace {

class Files : public ::testing::Test, protected test::TempFiles {};

struct BadFile {
    const char* name;
    QByteArray content;
    const char* message;
};

class BadFiles : public Files, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFiles, AreRefusedWithAMessage) {
    WriteFile(GetParam().name, GetParam().content);
    FileError error;
    EXPECT_FALSE(LoadImage(Path(GetParam().name), error).has_value());
    EXPECT_TRUE(error.message.contains(GetParam().message)) << error.message.toStdString();
}

QByteArray TxtWith(int line, const QByteArray& value) {
    QByteArray text;
    for (int i = 1; i <= 1024; ++i) text += (i == line ? value : "255") + "\r\n";
    return text;
}

QByteArray LastCommand(const QByteArray& members) {
    return R"({"commands":[)" + QByteArray("{},").repeated(19) + "{" + members + "}]}";
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
        BadFile{"output.json", LastCommand(R"("output":"rele1")"),
                "commands[20].output: neznámé slovo \"rele1\""},
        BadFile{"key.json", R"({"text":{}})", "text: neznámý klíč"},
        BadFile{"long.json", R"({"texts":{"alarmIn1":"12345678901234567"}})",
                "texts.alarmIn1: text delší"},
        BadFile{"char.json", R"({"creditCode":"漢"})", "creditCode: znak mimo"},
        BadFile{"time.json", LastCommand(R"("time":96)"), "commands[20].time"},
        BadFile{"twice.json", LastCommand(R"("output":"RELE1","output":"RELE2")"),
                "commands[20].output: klíč je v objektu dvakrát"},
        BadFile{"surrogate.json", R"({"creditCode":"A\ud800"})",
                "creditCode: samotná polovina páru UTF-16 (\\ud800)"},
        BadFile{"utf8.json", "{\"creditCode\":\"\xED\xA0\x80\"}", "creditCode: text není platné"},
        BadFile{"float.json", R"({"sys": 3e9})", "sys: očekáváno celé číslo 0 až 255"},
        BadFile{"fraction.json", R"({"sys": 1.0})", "sys: očekáváno celé číslo"},
        BadFile{"huge.json", R"({"sys": -99999999999999999999999})", "sys: očekáváno celé"},
        BadFile{"deep.json", QByteArray(100000, '['), "příliš hluboké vnoření"},
        BadFile{"syntax.json", "{", "chybný JSON"}, BadFile{"image.png", "x", "neznámý formát"},
        // A key or word from the file never reaches a terminal raw.
        BadFile{"escape.json", R"({"\u001b]0;x\u0007":1})", "\\x1b]0;x\\x07: neznámý klíč"},
        BadFile{"utf16le.json", QByteArray("\xFF\xFE{\0}\0", 6), "UTF-16"},
        BadFile{"utf16be.txt",
                QByteArray("\xFE\xFF\0"
                           "1",
                           4),
                "uložte jej jako UTF-8"}),
    [](const auto& info) {
        QString name = info.param.name;
        return name.replace('.', '_').toStdString();
    });

TEST_F(Files, AJsonTakesItsValues) {
    WriteFile("part.json", test::WholeJson([](QJsonObject& root) {
                  root["sys"] = 12;
                  root["creditCode"] = "*22#";
                  QJsonObject texts = root["texts"].toObject();
                  texts["calmIn1"] = "Čidlo IN1";
                  root["texts"] = texts;
              }));
    FileError error;
    const auto file = LoadImageFile(Path("part.json"), error);
    ASSERT_TRUE(file) << error.message.toStdString();
    SetupModel expected = StartSetup();
    expected.sysValue = "12";
    expected.creditCode = "*22#";
    expected.messageTexts.calmIn1 = "Čidlo IN1";
    EXPECT_EQ(file->setup, expected);
    EXPECT_EQ(file->image, EncodeSetup(expected));
}

// As the .json reader takes them.
TEST_F(Files, ATxtMayHaveAByteOrderMarkAndLfLineEnds) {
    const QByteArray text = TxtWith(3, "7");
    QByteArray lf = text;
    lf.replace("\r\n", "\n");
    for (const QByteArray& content : {"\xEF\xBB\xBF" + text, lf, "\xEF\xBB\xBF" + lf}) {
        WriteFile("image.txt", content);
        EXPECT_EQ(MustLoad("image.txt")[2], 7);
    }
}

TEST_F(Files, AFailedSaveLeavesNoFile) {
    FileError error;
    const ConfigBuffer blank(layout::kBufferSize, 0xFF);
    EXPECT_FALSE(SaveImage(Path("blank.json"), blank, error));  // cannot be decoded
    EXPECT_EQ(error.kind, FileError::Kind::NotDecodable);
    EXPECT_FALSE(QFile::exists(Path("blank.json")));
    EXPECT_FALSE(SaveImage(Path("no/such/dir.bin"), blank, error));
    EXPECT_EQ(error.kind, FileError::Kind::NotSaved);
    EXPECT_FALSE(SaveImage(Path("short.txt"), ConfigBuffer(500, 0xFF), error));
    EXPECT_FALSE(QFile::exists(Path("short.txt")));
    EXPECT_TRUE(SaveImage(Path("blank.bin"), blank, error));
    EXPECT_EQ(LoadImage(Path("blank.bin"), error), blank);
    // A file with a second name is not replaced: the other name would keep the old content.
    std::filesystem::create_hard_link(Path("blank.bin").toStdWString(),
                                      Path("second.bin").toStdWString());
    EXPECT_FALSE(SaveImage(Path("second.bin"), ConfigBuffer(layout::kBufferSize, 0), error));
    EXPECT_EQ(error.kind, FileError::Kind::NotSaved);
    EXPECT_EQ(LoadImage(Path("blank.bin"), error), blank);
}

}  // namespace
}  // namespace kdx
