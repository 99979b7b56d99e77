#include "json.h"

#include <array>
#include <cstdio>

namespace tamo::tool {
namespace {

// Length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t utf8SequenceLength(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
        if (lead == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;
        if (lead == 0xF4 && byte(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

void appendUnicodeEscape(std::string& out, unsigned value) {
    std::array<char, 8> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "\\u%04x", value);
    out += buffer.data();
}

// Latin-1 byte 0x80-0xFF as UTF-8.
void appendLatin1(std::string& out, unsigned char byte) {
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
}

void indent(std::string& out, int depth) {
    out += '\n';
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        unsigned char c = static_cast<unsigned char>(text.front());
        std::size_t length = utf8SequenceLength(text);
        if (length == 0) {
            appendLatin1(out, c);
            length = 1;
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            appendUnicodeEscape(out, c);
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    out += '"';
    return out;
}

Json Json::array() {
    Json json;
    json.kind_ = Kind::Array;
    return json;
}

Json Json::object() {
    Json json;
    json.kind_ = Kind::Object;
    return json;
}

Json& Json::push(Json value) {
    items_.push_back(std::move(value));
    return *this;
}

Json& Json::set(std::string_view key, Json value) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) {
            items_[i] = std::move(value);
            return *this;
        }
    }
    keys_.emplace_back(key);
    items_.push_back(std::move(value));
    return *this;
}

std::string Json::dump() const {
    std::string out;
    write(out, 0);
    return out;
}

void Json::write(std::string& out, int depth) const {
    switch (kind_) {
    case Kind::Null:
        out += "null";
        return;
    case Kind::Boolean:
        out += boolean_ ? "true" : "false";
        return;
    case Kind::Number:
        out += std::to_string(number_);
        return;
    case Kind::Text:
        out += jsonString(text_);
        return;
    case Kind::Array:
        if (items_.empty()) {
            out += "[]";
            return;
        }
        out += '[';
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (i > 0) out += ',';
            indent(out, depth + 1);
            items_[i].write(out, depth + 1);
        }
        indent(out, depth);
        out += ']';
        return;
    case Kind::Object:
        if (items_.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (i > 0) out += ',';
            indent(out, depth + 1);
            out += jsonString(keys_[i]);
            out += ": ";
            items_[i].write(out, depth + 1);
        }
        indent(out, depth);
        out += '}';
        return;
    }
}

}  // namespace tamo::tool
