#include "settings/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "settings/FileReplace.h"
#include "settings/TextField.h"

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr size_t NOT_FOUND = static_cast<size_t>(-1);

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
    return text;
}

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names are ASCII here; folding only A to Z keeps double-byte names intact.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

bool SectionHeader(std::string_view line, std::string_view& name) {
    line = TrimLeft(line);
    if (line.empty() || line.front() != '[') return false;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

bool KeyLine(std::string_view line, std::string_view& name, std::string_view& value) {
    std::string_view ignored;
    if (SectionHeader(line, ignored)) return false;
    line = TrimLeft(line);
    if (line.empty() || line.front() == ';') return false;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    name = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return !name.empty();
}

// Windows drops one pair of matching quotes around a value.
std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value.substr(0, value.find('\0'));
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

enum class Load { FOUND, MISSING, FAILED };

Load LoadText(const char* path, std::string& text) {
    text.clear();
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) return errno == ENOENT ? Load::MISSING : Load::FAILED;
    char chunk[4096];
    for (;;) {
        const size_t count = std::fread(chunk, 1, sizeof chunk, file.get());
        text.append(chunk, count);
        if (text.size() > IniFile::FILE_MAX) return Load::FAILED;
        if (count < sizeof chunk) return std::ferror(file.get()) ? Load::FAILED : Load::FOUND;
    }
}

}  // namespace

IniFile::IniFile(const std::string& text) {
    size_t start = 0;
    if (text.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0) {
        m_byteOrderMark = true;
        start = BYTE_ORDER_MARK.size();
    }
    bool endingSeen = false;
    while (start < text.size()) {
        Line line;
        const size_t feed = text.find('\n', start);
        if (feed == std::string::npos) {
            line.text = text.substr(start);
            start = text.size();
        } else {
            size_t stop = feed;
            if (stop > start && text[stop - 1] == '\r') --stop;
            line.text = text.substr(start, stop - start);
            line.end = text.substr(stop, feed + 1 - stop);
            start = feed + 1;
            if (!endingSeen) m_newline = line.end;
            endingSeen = true;
        }
        m_lines.push_back(std::move(line));
    }
}

size_t IniFile::FindSection(const char* section) const {
    std::string_view name;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (SectionHeader(m_lines[i].text, name) && SameName(name, Trim(section))) return i;
    }
    return NOT_FOUND;
}

size_t IniFile::SectionEnd(size_t header) const {
    std::string_view name;
    for (size_t i = header + 1; i < m_lines.size(); ++i) {
        if (SectionHeader(m_lines[i].text, name)) return i;
    }
    return m_lines.size();
}

size_t IniFile::FindKey(size_t header, const char* key) const {
    std::string_view name, value;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (KeyLine(m_lines[i].text, name, value) && SameName(name, Trim(key))) return i;
    }
    return NOT_FOUND;
}

uint32_t IniFile::Get(const char* section, const char* key, char* buffer, uint32_t size) const {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    if (section == nullptr || key == nullptr) return 0;
    const size_t header = FindSection(section);
    if (header == NOT_FOUND) return 0;
    const size_t line = FindKey(header, key);
    if (line == NOT_FOUND) return 0;
    std::string_view name, value;
    KeyLine(m_lines[line].text, name, value);
    value = Unquote(value);
    const size_t count = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

void IniFile::Insert(size_t index, std::string text) {
    if (index > 0 && m_lines[index - 1].end.empty()) m_lines[index - 1].end = m_newline;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(index),
                   Line{std::move(text), m_newline});
}

bool IniFile::Set(const char* section, const char* key, const char* value) {
    if (section == nullptr || key == nullptr || value == nullptr) return false;
    const std::string_view sectionName = Trim(section);
    const std::string_view keyName = Trim(key);
    if (sectionName.empty() || HasLineBreak(section) || std::strchr(section, ']') != nullptr ||
        keyName.empty() || HasLineBreak(key) || std::strchr(key, '=') != nullptr ||
        keyName.front() == ';' || keyName.front() == '[' || HasLineBreak(value)) {
        return false;
    }

    const size_t header = FindSection(section);
    if (header == NOT_FOUND) {
        Insert(m_lines.size(), "[" + std::string(sectionName) + "]");
        Insert(m_lines.size(), std::string(keyName) + "=" + value);
        return true;
    }
    const size_t line = FindKey(header, key);
    if (line != NOT_FOUND) {
        // The file's own spelling of the key stays.
        std::string_view name, old;
        KeyLine(m_lines[line].text, name, old);
        m_lines[line].text = std::string(name) + "=" + value;
        return true;
    }
    size_t at = header + 1;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (!Trim(m_lines[i].text).empty()) at = i + 1;
    }
    Insert(at, std::string(keyName) + "=" + value);
    return true;
}

std::string IniFile::Text() const {
    std::string text(m_byteOrderMark ? BYTE_ORDER_MARK : std::string_view());
    for (const Line& line : m_lines) text.append(line.text).append(line.end);
    return text;
}

uint32_t ReadIniText(const char* path, const char* section, const char* key, char* buffer,
                     uint32_t size) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    std::string text;
    if (path == nullptr || *path == '\0' || LoadText(path, text) != Load::FOUND) return 0;
    return IniFile(text).Get(section, key, buffer, size);
}

bool WriteIniText(const char* path, const char* section, const char* key, const char* value) {
    if (path == nullptr || *path == '\0') return false;
    std::string text;
    // A file that exists but cannot be read is left alone rather than
    // replaced by one holding this key only.
    if (LoadText(path, text) == Load::FAILED) return false;
    IniFile file(text);
    if (!file.Set(section, key, value)) return false;
    const std::string updated = file.Text();
    if (updated.size() > IniFile::FILE_MAX) return false;
    return WriteFileReplacing(path, updated.data(), updated.size());
}
