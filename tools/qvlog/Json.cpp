#include "tools/qvlog/Json.h"

#include <cstdio>

namespace {

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
size_t Utf8Length(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    uint32_t low = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, low = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = 0x10000;
    else return 0;
    if (i + length > text.size()) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char u = static_cast<unsigned char>(text[i]);
        const size_t length = Utf8Length(text, i);
        if (u == '"' || u == '\\') {
            out += {'\\', text[i]};
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", u);
            out += escape;
        } else if (length > 0) {
            out.append(text, i, length);
        } else {
            out += "\xEF\xBF\xBD";
        }
        i += length > 0 ? length : 1;
    }
    return out + "\"";
}

std::string JsonNumber(int64_t value) { return std::to_string(value); }

std::string JsonBool(bool value) { return value ? "true" : "false"; }

std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string out = "{";
    for (size_t i = 0; i < members.size(); ++i)
        out += (i ? "," : "") + JsonString(members[i].first) + ":" + members[i].second;
    return out + "}";
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    return out + "]";
}
