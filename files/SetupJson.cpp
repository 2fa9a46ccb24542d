#include "files/SetupJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>

#include "config/Codec.h"
#include "config/Cp1250.h"
#include "files/StrictJson.h"

namespace kdx {
namespace {

using namespace layout;
using json::Value;

QString Q(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Reads the members of one object, keeping the first problem with its path for the message.
class Reader {
  public:
    explicit Reader(QString& error) : error_(error) {}

    bool Failed() const { return !error_.isEmpty(); }
    void Fail(const std::string& path, const QString& what) {
        if (!Failed()) error_ = Q(path) + ": " + what;
    }

    // A key the format has that the file leaves out: a setup is read whole or not at all, so
    // that no value comes silently from the defaults. A wrong value is named before a gap.
    void Missing(const std::string& path) {
        if (missing_.empty()) missing_ = path;
    }
    bool Finish() {
        if (!missing_.empty()) Fail(missing_, "chybí");
        return !Failed();
    }

    // Refuses keys the format does not have, so a misspelt key is not silently dropped.
    void OnlyKeys(const Value& object, const std::string& path,
                  std::initializer_list<const char*> keys) {
        for (const std::string& key : object.keys) {
            if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key == k; })) {
                Fail(json::MemberPath(path, key), "neznámý klíč");
            }
        }
    }

    void Text(const Value& object, const std::string& path, const char* key, std::size_t width,
              std::string& target) {
        const Value* value = object.Member(key);
        const std::string at = json::MemberPath(path, key);
        if (!value) return Missing(at);
        if (value->type != Value::Type::String) return Fail(at, "očekáván text");
        const std::string bytes = Utf8ToCp1250(value->text);
        if (Cp1250ToUtf8(bytes) != value->text)
            return Fail(at, "znak mimo kódovou stránku Windows-1250");
        if (bytes.size() > width) return Fail(at, QString("text delší než %1 znaků").arg(width));
        if (bytes.find(static_cast<char>(kFill)) != std::string::npos) {
            return Fail(at, "znak ˙ (0xFF) paměť modulu neuloží");
        }
        target = value->text;
    }

    void Number(const Value& object, const std::string& path, const char* key, int lo, int hi,
                int& target) {
        const Value* value = object.Member(key);
        if (!value) return Missing(json::MemberPath(path, key));
        if (value->type != Value::Type::Integer || value->integer < lo || value->integer > hi) {
            return Fail(json::MemberPath(path, key),
                        QString("očekáváno celé číslo %1 až %2").arg(lo).arg(hi));
        }
        target = static_cast<int>(value->integer);
    }

    void Bool(const Value& object, const std::string& path, const char* key, bool& target) {
        const Value* value = object.Member(key);
        if (!value) return Missing(json::MemberPath(path, key));
        if (value->type != Value::Type::Bool) {
            return Fail(json::MemberPath(path, key), "očekáváno true nebo false");
        }
        target = value->boolean;
    }

    template <std::size_t N>
    void Word(const Value& object, const std::string& path, const char* key,
              const std::array<const char*, N>& words, std::string& target) {
        const Value* value = object.Member(key);
        if (!value) return Missing(json::MemberPath(path, key));
        const std::string& word = value->text;
        if (value->type != Value::Type::String ||
            std::none_of(words.begin(), words.end(), [&](const char* w) { return word == w; })) {
            QStringList allowed;
            for (const char* w : words) allowed << w;
            return Fail(json::MemberPath(path, key),
                        "neznámé slovo \"" + Q(word) + "\" (povoleno: " + allowed.join(", ") + ")");
        }
        target = word;
    }

    // The member object, or an empty one when it is left out or, with a message, no object.
    const Value& Object(const Value& object, const std::string& path, const char* key) {
        static const Value kEmpty = [] {
            Value empty;
            empty.type = Value::Type::Object;
            return empty;
        }();
        const Value* value = object.Member(key);
        if (!value) {
            Missing(json::MemberPath(path, key));
            return kEmpty;
        }
        if (value->type != Value::Type::Object) {
            Fail(json::MemberPath(path, key), "očekáván objekt");
            return kEmpty;
        }
        return *value;
    }

    // An array of exactly `count` objects, or none when it is left out or, with a message, wrong.
    const std::vector<Value>& Array(const Value& object, const char* key, std::size_t count) {
        static const std::vector<Value> kNone;
        const Value* value = object.Member(key);
        if (!value) {
            Missing(key);
            return kNone;
        }
        if (value->type != Value::Type::Array || value->items.size() != count ||
            std::any_of(value->items.begin(), value->items.end(),
                        [](const Value& item) { return item.type != Value::Type::Object; })) {
            Fail(key, QString("očekáváno pole %1 objektů").arg(count));
            return kNone;
        }
        return value->items;
    }

  private:
    QString& error_;
    std::string missing_;  // the first key left out
};

std::array<const char*, 9> AllActions() {
    std::array<const char*, 9> all{};
    std::copy(words::kSystemActions.begin(), words::kSystemActions.end(), all.begin());
    std::copy(words::kOutputActions.begin(), words::kOutputActions.end(), all.begin() + 5);
    return all;
}

}  // namespace

// Everything as the module stores it, so that the file reads back whatever the setup holds:
// texts cut to their fields, numbers bounded to bytes. Only an action keeps its word, where it
// is one of the tables' words: a row's code for "ZMENA" on "SYSTEM" would read back as MONITOR.
QByteArray SetupToJson(const SetupModel& setup) {
    SetupModel stored = setup;
    DecodeBuffer(EncodeSetup(setup), stored);  // an encoded setup always decodes
    const auto actions = AllActions();
    QJsonArray commands;
    for (std::size_t r = 0; r < kCommandRows; ++r) {
        const CommandRow& row = stored.commandTable[r];
        const std::string& action = setup.commandTable[r].action;
        const bool tableWord = std::find(actions.begin(), actions.end(), action) != actions.end();
        commands.append(QJsonObject{{"sms", Q(row.smsText)},
                                    {"output", Q(row.output)},
                                    {"action", Q(tableWord ? action : row.action)},
                                    {"time", std::stoi(row.time)},
                                    {"confirm", row.confirm == words::kYes}});
    }
    QJsonArray phones;
    for (const PhoneEntry& entry : stored.phoneList) {
        QJsonObject phone{{"number", Q(entry.number)}};
        for (std::size_t f = 0; f < keys::kFlags.size(); ++f) {
            phone[keys::kFlags[f]] = !entry.Cell(static_cast<int>(f) + 1).empty();
        }
        phones.append(phone);
    }
    QJsonObject texts;
    for (std::size_t k = 0; k < kMessageTexts; ++k)
        texts[keys::kTexts[k]] = Q(stored.messageTexts.Text(static_cast<int>(k)));
    auto input = [](int polarity, int insensitivity) {
        return QJsonObject{{"polarity", polarity}, {"insensitivity", insensitivity}};
    };
    const InputSettings& in = stored.inputSettings;
    const QJsonObject root{
        {"commands", commands},
        {"inputs", QJsonObject{{"in1", input(in.in1Polarity, in.in1Insensitivity)},
                               {"in2", input(in.in2Polarity, in.in2Insensitivity)}}},
        {"sys", std::stoi(stored.sysValue)},
        {"outputDefaults", stored.outputDefaults},
        {"creditKeepAlive", stored.creditKeepAlive},
        {"creditCode", Q(stored.creditCode)},
        {"phones", phones},
        {"texts", texts}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<SetupModel> SetupFromJson(const QByteArray& text, QString& error) {
    error.clear();
    std::string syntax;
    const auto document =
        json::Parse(std::string_view(text.constData(), std::size_t(text.size())), syntax);
    if (!document) {
        error = Q(syntax);
        return std::nullopt;
    }
    if (document->type != Value::Type::Object) {
        error = "očekáván objekt s nastavením";
        return std::nullopt;
    }
    const Value& root = *document;
    Reader read(error);
    read.OnlyKeys(root, "",
                  {"commands", "inputs", "sys", "outputDefaults", "creditKeepAlive", "creditCode",
                   "phones", "texts"});
    SetupModel setup = StartSetup();

    const auto& commands = read.Array(root, "commands", kCommandRows);
    for (std::size_t r = 0; r < commands.size() && !read.Failed(); ++r) {
        const Value& object = commands[r];
        const std::string path = json::ItemPath("commands", r);
        CommandRow& row = setup.commandTable[r];
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

    const Value& inputs = read.Object(root, "", "inputs");
    read.OnlyKeys(inputs, "inputs", {"in1", "in2"});
    int values[4] = {0, 1, 0, 1};
    for (int n = 0; n < 2; ++n) {
        const char* key = n == 0 ? "in1" : "in2";
        const std::string path = json::MemberPath("inputs", key);
        const Value& input = read.Object(inputs, "inputs", key);
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
    int outputs = setup.outputDefaults;
    read.Number(root, "", "outputDefaults", 0, 255, outputs);
    setup.outputDefaults = static_cast<std::uint8_t>(outputs);
    read.Bool(root, "", "creditKeepAlive", setup.creditKeepAlive);
    read.Text(root, "", "creditCode", kCreditCodeWidth, setup.creditCode);

    const auto& phones = read.Array(root, "phones", kPhoneEntries);
    for (std::size_t i = 0; i < phones.size() && !read.Failed(); ++i) {
        const Value& object = phones[i];
        const std::string path = json::ItemPath("phones", i);
        PhoneEntry& entry = setup.phoneList[i];
        read.OnlyKeys(object, path,
                      {"number", "call", "sms", "in1", "in2", "sys", "ring", "monitor"});
        read.Text(object, path, "number", kNumberWidth, entry.number);
        for (std::size_t f = 0; f < keys::kFlags.size(); ++f) {
            bool set = false;
            read.Bool(object, path, keys::kFlags[f], set);
            entry.Cell(static_cast<int>(f) + 1) = set ? words::kFlagSet : "";
        }
    }

    const Value& texts = read.Object(root, "", "texts");
    read.OnlyKeys(texts, "texts", {"pagerName", "alarmIn1", "alarmIn2", "calmIn1", "calmIn2"});
    for (int k = 0; k < kMessageTexts; ++k) {
        read.Text(texts, "texts", keys::kTexts[static_cast<std::size_t>(k)], kTextWidth,
                  setup.messageTexts.Text(k));
    }
    if (!read.Finish()) return std::nullopt;
    return setup;
}

}  // namespace kdx
