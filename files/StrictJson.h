#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::json {

// A JSON value as read, for the setup files. A number keeps only what a setup can use: an
// integer written as one (no fraction, no exponent), never converted through floating point.
struct Value {
    enum class Type { Null, Bool, Integer, OtherNumber, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    long long integer = 0;          // Integer: its value, held at +-kIntegerLimit beyond that
    std::string text;               // String: UTF-8
    std::vector<Value> items;       // Array: the items; Object: the members' values
    std::vector<std::string> keys;  // Object: the members' keys, in file order, each once

    // The member named `key` of an object, or nullptr.
    const Value* Member(std::string_view key) const;
};

// Far beyond every range a setup has, and far from overflowing.
inline constexpr long long kIntegerLimit = 1'000'000'000'000LL;

// Reads a whole document by the JSON grammar, and refuses what a lenient reader would guess at:
// a key twice in one object, a lone UTF-16 surrogate (escaped or encoded), malformed UTF-8,
// nesting deeper than 32 levels. The message names the key's path ("commands[3].output",
// counting array items from 1) where there is one, else the byte position.
std::optional<Value> Parse(std::string_view text, std::string& error);

// The path of a member or an item, as messages name it.
std::string MemberPath(const std::string& object, std::string_view key);
std::string ItemPath(const std::string& array, std::size_t index);

}  // namespace kdx::json
