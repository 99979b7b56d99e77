// A small JSON document model for the --json output.
//
// Objects keep their members in insertion order, so the output reads in the
// order the schema documents. Text is 8-bit: valid UTF-8 passes through, and
// any byte that is not part of a valid UTF-8 sequence is written as the
// Latin-1 character of that value (\u00XX), so the document is always valid
// JSON, whatever bytes a device or a configuration file held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::tool {

class Json {
public:
    enum class Kind { Null, Boolean, Number, Text, Array, Object };

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool value) : kind_(Kind::Boolean), boolean_(value) {}
    Json(int value) : kind_(Kind::Number), number_(value) {}
    Json(long value) : kind_(Kind::Number), number_(value) {}
    Json(long long value) : kind_(Kind::Number), number_(value) {}
    Json(unsigned value) : kind_(Kind::Number), number_(value) {}
    Json(unsigned long value) : kind_(Kind::Number), number_(static_cast<long long>(value)) {}
    Json(unsigned long long value) : kind_(Kind::Number), number_(static_cast<long long>(value)) {}
    Json(std::string value) : kind_(Kind::Text), text_(std::move(value)) {}
    Json(std::string_view value) : kind_(Kind::Text), text_(value) {}
    Json(const char* value) : kind_(Kind::Text), text_(value) {}

    static Json array();
    static Json object();

    Kind kind() const { return kind_; }

    // Appends to an array.
    Json& push(Json value);
    // Adds a member to an object (or replaces the value of an existing one).
    Json& set(std::string_view key, Json value);

    // The whole document, indented by two blanks per level, no final line end.
    std::string dump() const;

private:
    void write(std::string& out, int depth) const;

    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    long long number_ = 0;
    std::string text_;
    std::vector<std::string> keys_;  // objects: member names, in order
    std::vector<Json> items_;        // arrays: elements; objects: member values
};

// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace tamo::tool
