// Reads the JSON qvlog prints, so tests look at members by name and learn
// that the whole output is exactly one well-formed document.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct JsonValue {
    enum Kind { MISSING, NUL, BOOL, NUMBER, STRING, ARRAY, OBJECT } kind = MISSING;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& name) const {
        static const JsonValue missing;
        const auto found = members.find(name);
        return found == members.end() ? missing : found->second;
    }
    const JsonValue& operator[](size_t index) const {
        static const JsonValue missing;
        return index < items.size() ? items[index] : missing;
    }
    long long Int() const { return static_cast<long long>(number); }
};

class JsonReader {
public:
    // False when `text` is not one JSON value with nothing but white space
    // around it.
    static bool Read(const std::string& text, JsonValue& out) {
        JsonReader reader(text);
        return reader.Value(out) && reader.AtEnd();
    }

private:
    explicit JsonReader(const std::string& text) : m_text(text) {}

    void Space() {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    }
    bool AtEnd() {
        Space();
        return m_at == m_text.size();
    }
    bool Take(char c) {
        Space();
        if (m_at < m_text.size() && m_text[m_at] == c) return ++m_at, true;
        return false;
    }
    bool Word(const char* word) {
        const std::string w(word);
        if (m_text.compare(m_at, w.size(), w) != 0) return false;
        m_at += w.size();
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c == '\\') {
                if (m_at >= m_text.size()) return false;
                c = m_text[m_at++];
                if (c == 'u') {
                    if (m_at + 4 > m_text.size()) return false;
                    const long code = std::strtol(m_text.substr(m_at, 4).c_str(), nullptr, 16);
                    m_at += 4;
                    if (code < 0x80) out += static_cast<char>(code);
                    continue;
                }
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            }
            out += c;
        }
        return Take('"');
    }
    bool Value(JsonValue& v) {
        Space();
        if (m_at >= m_text.size()) return false;
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            v.kind = JsonValue::OBJECT;
            if (Take('}')) return true;
            do {
                std::string name;
                if (!String(name) || !Take(':') || !Value(v.members[name])) return false;
            } while (Take(','));
            return Take('}');
        }
        if (c == '[') {
            ++m_at;
            v.kind = JsonValue::ARRAY;
            if (Take(']')) return true;
            do {
                v.items.emplace_back();
                if (!Value(v.items.back())) return false;
            } while (Take(','));
            return Take(']');
        }
        if (c == '"') return v.kind = JsonValue::STRING, String(v.text);
        if (Word("null")) return v.kind = JsonValue::NUL, true;
        if (Word("true")) return v.kind = JsonValue::BOOL, v.boolean = true, true;
        if (Word("false")) return v.kind = JsonValue::BOOL, true;
        char* end = nullptr;
        v.number = std::strtod(m_text.c_str() + m_at, &end);
        if (end == m_text.c_str() + m_at) return false;
        m_at = static_cast<size_t>(end - m_text.c_str());
        v.kind = JsonValue::NUMBER;
        return true;
    }

    const std::string& m_text;
    size_t m_at = 0;
};
