#include "files/StrictJson.h"

#include <algorithm>
#include <set>

#include "config/Cp1250.h"

namespace kdx::json {
namespace {

constexpr int kMaxDepth = 32;  // a setup needs 3; a stack of 100,000 brackets must not crash us

// Bytes of a well-formed UTF-8 sequence at the start of `s` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0.
std::size_t Utf8Length(std::string_view s) {
    auto byte = [&](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0u; };
    auto cont = [&](std::size_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return byte(i) >= lo && byte(i) <= hi;
    };
    const unsigned lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) return cont(1) ? 2 : 0;
    if (lead == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
    if (lead == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;
    if (lead >= 0xE1 && lead <= 0xEF) return cont(1) && cont(2) ? 3 : 0;
    if (lead == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
    if (lead == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Parser {
  public:
    Parser(std::string_view text, std::string& error) : text_(text), error_(error) {}

    std::optional<Value> Document() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;  // a byte order mark some editors add
        Value value;
        if (!ParseValue(value, "", 0)) return std::nullopt;
        SkipSpace();
        if (!AtEnd()) {
            Fail("za hodnotou následuje další text");
            return std::nullopt;
        }
        return value;
    }

  private:
    // Where the document breaks the grammar.
    bool Fail(const std::string& why) {
        error_ = "chybný JSON na znaku " + std::to_string(pos_ + 1) + ": " + why;
        return false;
    }
    // What a well-formed member holds that a setup must not.
    bool FailAt(const std::string& path, const std::string& why) {
        return path.empty() ? Fail(why) : (error_ = path + ": " + why, false);
    }

    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool Take() {  // the closing character of what is being read
        ++pos_;
        return true;
    }

    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++pos_;
    }

    bool ParseValue(Value& value, const std::string& path, int depth) {
        if (depth > kMaxDepth) return Fail("příliš hluboké vnoření");
        SkipSpace();
        if (AtEnd()) return Fail("neočekávaný konec");
        switch (Peek()) {
            case '{':
                return ParseObject(value, path, depth);
            case '[':
                return ParseArray(value, path, depth);
            case '"':
                value.type = Value::Type::String;
                return ParseString(value.text, path);
            case 't':
            case 'f':
                value.type = Value::Type::Bool;
                value.boolean = Peek() == 't';
                return Literal(value.boolean ? "true" : "false");
            case 'n':
                return Literal("null");
            default:
                if (Peek() == '-' || IsDigit(Peek())) return ParseNumber(value);
                return Fail("očekávána hodnota");
        }
    }

    bool Literal(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return Fail("očekávána hodnota");
        pos_ += word.size();
        return true;
    }

    bool ParseObject(Value& value, const std::string& path, int depth) {
        value.type = Value::Type::Object;
        ++pos_;
        SkipSpace();
        if (Peek() == '}') return Take();
        std::set<std::string, std::less<>> keys;
        for (;;) {
            SkipSpace();
            if (Peek() != '"') return Fail("očekáván klíč v uvozovkách");
            std::string key;
            if (!ParseString(key, path)) return false;
            const std::string memberPath = MemberPath(path, key);
            if (!keys.insert(key).second) return FailAt(memberPath, "klíč je v objektu dvakrát");
            SkipSpace();
            if (Peek() != ':') return Fail("očekávána dvojtečka");
            ++pos_;
            Value member;
            if (!ParseValue(member, memberPath, depth + 1)) return false;
            value.keys.push_back(std::move(key));
            value.items.push_back(std::move(member));
            SkipSpace();
            if (Peek() == '}') return Take();
            if (Peek() != ',') return Fail("očekávána čárka nebo }");
            ++pos_;
        }
    }

    bool ParseArray(Value& value, const std::string& path, int depth) {
        value.type = Value::Type::Array;
        ++pos_;
        SkipSpace();
        if (Peek() == ']') return Take();
        for (;;) {
            Value item;
            if (!ParseValue(item, ItemPath(path, value.items.size()), depth + 1)) return false;
            value.items.push_back(std::move(item));
            SkipSpace();
            if (Peek() == ']') return Take();
            if (Peek() != ',') return Fail("očekávána čárka nebo ]");
            ++pos_;
        }
    }

    // After the opening quote; `path` names the member for a message about the text.
    bool ParseString(std::string& out, const std::string& path) {
        ++pos_;
        for (;;) {
            if (AtEnd()) return Fail("neukončený text");
            const auto c = static_cast<unsigned char>(Peek());
            if (c == '"') return Take();
            if (c < 0x20) return Fail("řídicí znak v textu (zapište jej jako \\u00XX)");
            if (c == '\\') {
                if (!ParseEscape(out, path)) return false;
            } else if (c < 0x80) {
                out += static_cast<char>(c);
                ++pos_;
            } else {
                const std::size_t length = Utf8Length(text_.substr(pos_));
                if (length == 0) return FailAt(path, "text není platné UTF-8");
                out += text_.substr(pos_, length);
                pos_ += length;
            }
        }
    }

    bool ParseEscape(std::string& out, const std::string& path) {
        const char c = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
        pos_ += 2;
        switch (c) {
            case '"':
                out += '"';
                return true;
            case '\\':
                out += '\\';
                return true;
            case '/':
                out += '/';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                --pos_;
                return Fail("neplatná sekvence za \\");
        }
        char32_t unit = 0;
        if (!HexUnit(unit)) return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF) return LoneSurrogate(path, unit);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            char32_t low = 0;
            if (text_.substr(pos_, 2) != "\\u") return LoneSurrogate(path, unit);
            pos_ += 2;
            if (!HexUnit(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return LoneSurrogate(path, unit);
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    bool LoneSurrogate(const std::string& path, char32_t unit) {
        static const char* kHex = "0123456789abcdef";
        std::string escape = "\\u";
        for (int shift = 12; shift >= 0; shift -= 4) escape += kHex[(unit >> shift) & 0xF];
        return FailAt(path, "samotná polovina páru UTF-16 (" + escape + ") není znak");
    }

    bool HexUnit(char32_t& unit) {
        for (int i = 0; i < 4; ++i, ++pos_) {
            const char c = Peek();
            int digit = 0;
            if (IsDigit(c)) {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return Fail("za \\u mají být čtyři šestnáctkové číslice");
            }
            unit = unit * 16 + static_cast<char32_t>(digit);
        }
        return true;
    }

    bool ParseNumber(Value& value) {
        value.type = Value::Type::Integer;
        const bool negative = Peek() == '-';
        if (negative) ++pos_;
        if (!IsDigit(Peek())) return Fail("za znaménkem má být číslice");
        if (Peek() == '0' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1])) {
            return Fail("číslo nesmí začínat nulou");
        }
        long long magnitude = 0;
        for (; IsDigit(Peek()); ++pos_) {
            magnitude = std::min(magnitude * 10 + (Peek() - '0'), kIntegerLimit);
        }
        value.integer = negative ? -magnitude : magnitude;
        if (Peek() == '.') {
            value.type = Value::Type::OtherNumber;
            ++pos_;
            if (!IsDigit(Peek())) return Fail("za desetinnou tečkou má být číslice");
            while (IsDigit(Peek())) ++pos_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            value.type = Value::Type::OtherNumber;
            ++pos_;
            if (Peek() == '+' || Peek() == '-') ++pos_;
            if (!IsDigit(Peek())) return Fail("v exponentu má být číslice");
            while (IsDigit(Peek())) ++pos_;
        }
        return true;
    }

    std::string_view text_;
    std::string& error_;
    std::size_t pos_ = 0;
};

}  // namespace

const Value* Value::Member(std::string_view key) const {
    const auto found = std::find(keys.begin(), keys.end(), key);
    return found == keys.end() ? nullptr : &items[static_cast<std::size_t>(found - keys.begin())];
}

std::optional<Value> Parse(std::string_view text, std::string& error) {
    return Parser(text, error).Document();
}

std::string MemberPath(const std::string& object, std::string_view key) {
    return object.empty() ? std::string(key) : object + "." + std::string(key);
}

std::string ItemPath(const std::string& array, std::size_t index) {
    return array + "[" + std::to_string(index + 1) + "]";
}

}  // namespace kdx::json
