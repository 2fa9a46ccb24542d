#include "cli/SetupJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "config/Codec.h"
#include "config/Cp1250.h"

namespace kdx {
namespace {

using namespace layout;

// Phone flag keys in cell order 1 to 7.
constexpr std::array<const char*, 7> kFlagKeys = {"call", "sms",  "in1",    "in2",
                                                  "sys",  "ring", "monitor"};
constexpr std::array<const char*, kMessageTexts> kTextKeys = {"pagerName", "alarmIn1", "alarmIn2",
                                                              "calmIn1", "calmIn2"};

QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Reads one object's keys, collecting the first problem with a path for the message.
class Reader {
  public:
    explicit Reader(QString& error) : error_(error) {}

    bool Failed() const { return !error_.isEmpty(); }
    void Fail(const QString& path, const QString& what) {
        if (!Failed()) error_ = path + ": " + what;
    }

    // Refuses keys the format does not have, so a misspelt key is not silently dropped.
    void OnlyKeys(const QJsonObject& object, const QString& path,
                  std::initializer_list<const char*> keys) {
        for (const QString& key : object.keys()) {
            if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key == k; })) {
                Fail(Join(path, key), "neznámý klíč");
            }
        }
    }

    void Text(const QJsonObject& object, const QString& path, const char* key, std::size_t width,
              std::string& target) {
        if (!object.contains(key)) return;
        const QJsonValue value = object[key];
        if (!value.isString()) return Fail(Join(path, key), "očekáván text");
        const std::string utf8 = value.toString().toStdString();
        const std::string bytes = Utf8ToCp1250(utf8);
        if (Cp1250ToUtf8(bytes) != utf8)
            return Fail(Join(path, key), "znak mimo kódovou stránku Windows-1250");
        if (bytes.size() > width) {
            return Fail(Join(path, key), QString("text delší než %1 znaků").arg(width));
        }
        if (bytes.find(static_cast<char>(kFill)) != std::string::npos) {
            return Fail(Join(path, key), "znak ˙ (0xFF) paměť modulu neuloží");
        }
        target = utf8;
    }

    void Number(const QJsonObject& object, const QString& path, const char* key, int lo, int hi,
                int& target) {
        if (!object.contains(key)) return;
        const QJsonValue value = object[key];
        const double number = value.toDouble(-1e9);
        if (!value.isDouble() || number != static_cast<int>(number) || number < lo || number > hi) {
            return Fail(Join(path, key), QString("očekáváno celé číslo %1 až %2").arg(lo).arg(hi));
        }
        target = static_cast<int>(number);
    }

    void Bool(const QJsonObject& object, const QString& path, const char* key, bool& target) {
        if (!object.contains(key)) return;
        if (!object[key].isBool()) return Fail(Join(path, key), "očekáváno true nebo false");
        target = object[key].toBool();
    }

    template <std::size_t N>
    void Word(const QJsonObject& object, const QString& path, const char* key,
              const std::array<const char*, N>& words, std::string& target) {
        if (!object.contains(key)) return;
        const std::string word = object[key].toString().toStdString();
        if (std::none_of(words.begin(), words.end(), [&](const char* w) { return word == w; })) {
            QStringList allowed;
            for (const char* w : words) allowed << w;
            return Fail(Join(path, key), "neznámé slovo \"" + object[key].toString() +
                                             "\" (povoleno: " + allowed.join(", ") + ")");
        }
        target = word;
    }

    QJsonObject Object(const QJsonObject& object, const QString& path, const char* key) {
        if (object.contains(key) && !object[key].isObject())
            Fail(Join(path, key), "očekáván objekt");
        return object[key].toObject();
    }

    // An array of exactly `count` objects, or none at all.
    QJsonArray Array(const QJsonObject& object, const char* key, int count) {
        if (!object.contains(key)) return {};
        const QJsonArray array = object[key].toArray();
        if (!object[key].isArray() || array.size() != count) {
            Fail(key, QString("očekáváno pole %1 objektů").arg(count));
        }
        for (const QJsonValue& item : array) {
            if (!item.isObject()) Fail(key, "očekáváno pole objektů");
        }
        return array;
    }

    static QString Join(const QString& path, const QString& key) {
        return path.isEmpty() ? key : path + "." + key;
    }

  private:
    QString& error_;
};

std::array<const char*, 9> AllActions() {
    std::array<const char*, 9> all{};
    std::copy(words::kSystemActions.begin(), words::kSystemActions.end(), all.begin());
    std::copy(words::kOutputActions.begin(), words::kOutputActions.end(), all.begin() + 5);
    return all;
}

}  // namespace

QByteArray SetupToJson(const SetupModel& setup) {
    // The model keeps times and SYS as typed; the file keeps the numbers the module stores.
    const ConfigBuffer image = EncodeSetup(setup);
    QJsonArray commands;
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        const CommandRow& row = setup.commandTable[r];
        const int time = (image[kRecordOffset + kRecordSize * r + 2] & 0x7F) - kTimeBias;
        commands.append(QJsonObject{{"sms", Q(row.smsText)},
                                    {"output", Q(row.output)},
                                    {"action", Q(row.action)},
                                    {"time", time},
                                    {"confirm", row.confirm == words::kYes}});
    }
    QJsonArray phones;
    for (const PhoneEntry& entry : setup.phoneList) {
        QJsonObject phone{{"number", Q(entry.number)}};
        for (std::size_t f = 0; f < kFlagKeys.size(); ++f) {
            phone[kFlagKeys[f]] = !entry.Cell(static_cast<int>(f) + 1).empty();
        }
        phones.append(phone);
    }
    QJsonObject texts;
    for (int k = 0; k < kMessageTexts; ++k)
        texts[kTextKeys[static_cast<std::size_t>(k)]] = Q(setup.messageTexts.Text(k));
    const InputSettings& in = setup.inputSettings;
    const QJsonObject inputs{
        {"in1", QJsonObject{{"polarity", in.in1Polarity}, {"insensitivity", in.in1Insensitivity}}},
        {"in2", QJsonObject{{"polarity", in.in2Polarity}, {"insensitivity", in.in2Insensitivity}}}};
    const QJsonObject root{{"commands", commands},
                           {"inputs", inputs},
                           {"sys", image[kSysValueOffset]},
                           {"outputDefaults", setup.outputDefaults},
                           {"creditKeepAlive", setup.creditKeepAlive},
                           {"creditCode", Q(setup.creditCode)},
                           {"phones", phones},
                           {"texts", texts}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<SetupModel> SetupFromJson(const QByteArray& json, QString& error) {
    error.clear();
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QString("chybný JSON na znaku %1: %2")
                    .arg(parseError.offset)
                    .arg(parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "očekáván objekt s nastavením";
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    Reader read(error);
    read.OnlyKeys(root, "",
                  {"commands", "inputs", "sys", "outputDefaults", "creditKeepAlive", "creditCode",
                   "phones", "texts"});
    SetupModel setup;

    const QJsonArray commands = read.Array(root, "commands", kCommandRows);
    for (qsizetype r = 0; r < commands.size() && !read.Failed(); ++r) {
        const QJsonObject object = commands[r].toObject();
        const QString path = QString("commands[%1]").arg(r + 1);
        CommandRow& row = setup.commandTable[static_cast<std::size_t>(r)];
        read.OnlyKeys(object, path, {"sms", "output", "action", "time", "confirm"});
        read.Text(object, path, "sms", kSmsTextWidth, row.smsText);
        read.Word(object, path, "output", words::kOutputs, row.output);
        read.Word(object, path, "action", AllActions(), row.action);
        int time = 0;
        read.Number(object, path, "time", kTimeMin, kTimeMax, time);
        row.time = std::to_string(time);
        bool confirm = false;
        read.Bool(object, path, "confirm", confirm);
        row.confirm = confirm ? words::kYes : words::kNo;
    }

    const QJsonObject inputs = read.Object(root, "", "inputs");
    read.OnlyKeys(inputs, "inputs", {"in1", "in2"});
    int values[4] = {0, 1, 0, 1};
    for (int n = 0; n < 2; ++n) {
        const char* key = n == 0 ? "in1" : "in2";
        const QString path = QString("inputs.") + key;
        const QJsonObject input = read.Object(inputs, "inputs", key);
        read.OnlyKeys(input, path, {"polarity", "insensitivity"});
        read.Number(input, path, "polarity", 0, 255, values[2 * n]);
        read.Number(input, path, "insensitivity", 0, 255, values[2 * n + 1]);
    }
    setup.inputSettings = {
        static_cast<std::int16_t>(values[0]), static_cast<std::int16_t>(values[1]),
        static_cast<std::int16_t>(values[2]), static_cast<std::int16_t>(values[3])};

    int sys = 0;
    read.Number(root, "", "sys", 0, 255, sys);
    setup.sysValue = std::to_string(sys);
    int outputs = kOutputsComposedBase;
    read.Number(root, "", "outputDefaults", 0, 255, outputs);
    setup.outputDefaults = static_cast<std::uint8_t>(outputs);
    read.Bool(root, "", "creditKeepAlive", setup.creditKeepAlive);
    read.Text(root, "", "creditCode", kCreditCodeWidth, setup.creditCode);

    const QJsonArray phones = read.Array(root, "phones", kPhoneEntries);
    for (qsizetype i = 0; i < phones.size() && !read.Failed(); ++i) {
        const QJsonObject object = phones[i].toObject();
        const QString path = QString("phones[%1]").arg(i + 1);
        PhoneEntry& entry = setup.phoneList[static_cast<std::size_t>(i)];
        read.OnlyKeys(object, path,
                      {"number", "call", "sms", "in1", "in2", "sys", "ring", "monitor"});
        read.Text(object, path, "number", kNumberWidth, entry.number);
        for (std::size_t f = 0; f < kFlagKeys.size(); ++f) {
            bool set = false;
            read.Bool(object, path, kFlagKeys[f], set);
            entry.Cell(static_cast<int>(f) + 1) = set ? words::kFlagSet : "";
        }
    }

    const QJsonObject texts = read.Object(root, "", "texts");
    read.OnlyKeys(texts, "texts", {"pagerName", "alarmIn1", "alarmIn2", "calmIn1", "calmIn2"});
    for (int k = 0; k < kMessageTexts; ++k) {
        read.Text(texts, "texts", kTextKeys[static_cast<std::size_t>(k)], kTextWidth,
                  setup.messageTexts.Text(k));
    }
    if (read.Failed()) return std::nullopt;
    return setup;
}

}  // namespace kdx
