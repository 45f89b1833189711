#include "tools/qvlog/FleetFile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <system_error>

#include "tools/qvlog/Cp932.h"
#include "tools/qvlog/Encoding.h"

namespace {

// A lab's list of instruments is a few kilobytes; anything near these is
// some other file given by mistake.
constexpr size_t FILE_BYTES_MAX = 1024 * 1024;
constexpr size_t LINE_BYTES_MAX = 4096;
constexpr int PORT_MAX = 65535;
constexpr int NUMBER_DIGITS_MAX = 9;
const char FLEET_SECTION[] = "fleet";
const char UTF8_BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
const char NOT_IN_FOLDER_NAMES[] = "\\/:*?\"<>|";
const char FLEET_KEYS[] = "out, jobs";
const char INSTRUMENT_KEYS[] = "tcp, serial, out";

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Windows drops one pair of matching quotes around a value, as setting.ini
// is read: a quoted folder is that folder, not one named with quotes.
std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool ParseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > static_cast<size_t>(NUMBER_DIGITS_MAX)) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    value = v;
    return true;
}

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF, so that
// Shift_JIS bytes are not mistaken for UTF-8.
bool IsUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) continue;
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) more = 1;
        else if (lead == 0xE0) more = 2, low = 0xA0;
        else if (lead == 0xED) more = 2, high = 0x9F;
        else if (lead >= 0xE1 && lead <= 0xEF) more = 2;
        else if (lead == 0xF0) more = 3, low = 0x90;
        else if (lead == 0xF4) more = 3, high = 0x8F;
        else if (lead >= 0xF1 && lead <= 0xF3) more = 3;
        else return false;
        if (end - p < more || *p < low || *p > high) return false;
        for (int i = 1; i < more; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        p += more;
    }
    return true;
}

// Windows keeps these names for devices, with or without an extension.
bool IsDeviceName(const std::string& name) {
    const std::string stem = Lower(Trim(name.substr(0, name.find('.'))));
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

bool CanNameFolder(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || std::strchr(NOT_IN_FOLDER_NAMES, c) != nullptr) return false;
    return !IsDeviceName(name);
}

bool HasControlCharacter(const std::string& line) {
    for (unsigned char c : line)
        if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
    return false;
}

// Line ends are LF or CRLF; Shift_JIS never uses either byte inside a
// character, so lines split the same before and after decoding.
std::string LineAt(const std::string& text, size_t& start) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Relative folders are taken from the fleet file's folder, not from wherever
// the sync was started.
std::filesystem::path Resolve(const std::string& utf8, const std::filesystem::path& base) {
    std::filesystem::path path = (base / PathFromUtf8(utf8)).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path;
}

struct Draft {
    FleetInstrument instrument;
    bool hasTcp = false;
    bool hasSerial = false;
    std::string out;
    int outLine = 0;
};

class FleetReader {
public:
    FleetReader(const std::filesystem::path& file, Language language, std::string& error)
        : m_file(Utf8FromPath(file)), m_language(language), m_error(error) {}

    bool Fail(int line, Text fault, std::initializer_list<std::string> args = {}) {
        m_error = m_file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                  Say(m_language, fault, args);
        return false;
    }

    bool Read(const std::string& text) {
        size_t start = 0;
        for (int number = 1; start < text.size(); ++number)
            if (!ReadLine(LineAt(text, start), number)) return false;
        return CloseSection();
    }

    // Folders last: only a complete fleet says where its folders go.
    bool Finish(const std::filesystem::path& base, Fleet& fleet) {
        if (m_drafts.empty()) return Fail(0, Text::FLEET_NO_INSTRUMENT);
        const std::filesystem::path out = m_out.empty() ? base : Resolve(m_out, base);
        fleet.out = Utf8FromPath(out);
        fleet.jobs = m_jobs;
        std::map<std::string, size_t> owners;  // folder key -> instrument
        for (Draft& draft : m_drafts) {
            FleetInstrument& instrument = draft.instrument;
            const std::filesystem::path folder =
                draft.out.empty() ? Resolve(instrument.name, out) : Resolve(draft.out, base);
            instrument.folder = Utf8FromPath(folder);
            const auto owner = owners.emplace(FolderKey(folder), fleet.instruments.size());
            if (!owner.second) {
                const FleetInstrument& first = fleet.instruments[owner.first->second];
                return Fail(draft.outLine > 0 ? draft.outLine : instrument.line, Text::FLEET_SAME_FOLDER,
                            {instrument.name, first.name, std::to_string(first.line), instrument.folder});
            }
            fleet.instruments.push_back(instrument);
        }
        return true;
    }

private:
    enum class Section { NONE, FLEET, INSTRUMENT };

    bool ReadLine(const std::string& line, int number) {
        if (HasControlCharacter(line)) return Fail(number, Text::FLEET_CONTROL_CHARACTER);
        const std::string content = Trim(line.substr(0, line.find(';')));
        if (content.empty()) return true;
        if (content.front() == '[') {
            if (content.back() != ']') return Fail(number, Text::FLEET_NOT_UNDERSTOOD, {content});
            return CloseSection() && OpenSection(Trim(content.substr(1, content.size() - 2)), number);
        }
        const size_t equals = content.find('=');
        const std::string key = Lower(Trim(content.substr(0, equals)));
        if (equals == std::string::npos || key.empty()) return Fail(number, Text::FLEET_NOT_UNDERSTOOD, {content});
        if (m_section == Section::NONE) return Fail(number, Text::FLEET_KEY_BEFORE_SECTION, {key});
        const std::string value = Unquoted(Trim(content.substr(equals + 1)));
        for (const std::string& seen : m_keysSeen)
            if (seen == key) return Fail(number, Text::FLEET_KEY_TWICE, {key, m_sectionName});
        m_keysSeen.push_back(key);
        return m_section == Section::FLEET ? FleetKey(key, value, number) : InstrumentKey(key, value, number);
    }

    bool OpenSection(const std::string& name, int number) {
        const bool fleet = Lower(name) == FLEET_SECTION;
        if (!fleet && !CanNameFolder(name)) return Fail(number, Text::FLEET_NOT_A_FOLDER_NAME, {name});
        const auto first = m_sectionLines.emplace(fleet ? FLEET_SECTION : name, number);
        if (!first.second) return Fail(number, Text::FLEET_SECTION_TWICE, {name, std::to_string(first.first->second)});
        m_section = fleet ? Section::FLEET : Section::INSTRUMENT;
        m_sectionName = name;
        m_keysSeen.clear();
        if (!fleet) {
            m_drafts.emplace_back();
            m_drafts.back().instrument.name = name;
            m_drafts.back().instrument.line = number;
        }
        return true;
    }

    bool CloseSection() {
        if (m_section != Section::INSTRUMENT) return true;
        const Draft& draft = m_drafts.back();
        if (!draft.hasTcp && !draft.hasSerial)
            return Fail(draft.instrument.line, Text::FLEET_NO_TRANSPORT, {draft.instrument.name});
        return true;
    }

    bool FleetKey(const std::string& key, const std::string& value, int number) {
        if (key == "out") {
            m_out = value;
        } else if (key == "jobs") {
            if (!ParseNumber(value, 1, FLEET_JOBS_MAX, m_jobs))
                return Fail(number, Text::FLEET_JOBS, {value, std::to_string(FLEET_JOBS_MAX)});
        } else {
            return Fail(number, Text::FLEET_UNKNOWN_KEY, {m_sectionName, FLEET_KEYS, key});
        }
        return true;
    }

    bool InstrumentKey(const std::string& key, const std::string& value, int number) {
        Draft& draft = m_drafts.back();
        FleetInstrument& instrument = draft.instrument;
        if (key == "out") {
            draft.out = value;
            draft.outLine = number;
            return true;
        }
        if (key != "tcp" && key != "serial")
            return Fail(number, Text::FLEET_UNKNOWN_KEY, {m_sectionName, INSTRUMENT_KEYS, key});
        if (value.empty()) return Fail(number, Text::FLEET_NEEDS_VALUE, {key});
        if (draft.hasTcp || draft.hasSerial) return Fail(number, Text::FLEET_BOTH_TRANSPORTS, {instrument.name});
        if (key == "serial") {
            draft.hasSerial = true;
            instrument.serialPort = value;
            return true;
        }
        draft.hasTcp = instrument.tcp = true;
        const size_t colon = value.rfind(':');
        instrument.host = Trim(value.substr(0, colon));
        if (instrument.host.empty()) return Fail(number, Text::FLEET_TCP_HOST);
        if (colon != std::string::npos && !ParseNumber(Trim(value.substr(colon + 1)), 1, PORT_MAX, instrument.port))
            return Fail(number, Text::FLEET_TCP_PORT, {value.substr(colon + 1), std::to_string(PORT_MAX)});
        return true;
    }

    const std::string m_file;
    const Language m_language;
    std::string& m_error;

    Section m_section = Section::NONE;
    std::string m_sectionName;
    std::vector<std::string> m_keysSeen;  // in the open section
    std::map<std::string, int> m_sectionLines;
    std::string m_out;
    int m_jobs = FLEET_JOBS_DEFAULT;
    std::vector<Draft> m_drafts;
};

}  // namespace

bool ReadFleet(const std::filesystem::path& file, Language language, Fleet& fleet, std::string& error) {
    fleet = Fleet();
    error.clear();
    FleetReader reader(file, language, error);
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(file, code);
    if (!std::filesystem::exists(status)) return reader.Fail(0, Text::FLEET_NOT_FOUND);
    std::ifstream in(file, std::ios::binary);
    if (std::filesystem::is_directory(status) || !in) return reader.Fail(0, Text::FLEET_CANNOT_READ);
    std::string raw(FILE_BYTES_MAX + 1, '\0');
    in.read(&raw[0], static_cast<std::streamsize>(raw.size()));
    if (in.bad()) return reader.Fail(0, Text::FLEET_CANNOT_READ);
    raw.resize(static_cast<size_t>(in.gcount()));
    if (raw.size() > FILE_BYTES_MAX) return reader.Fail(0, Text::FLEET_TOO_BIG, {std::to_string(FILE_BYTES_MAX)});

    const bool marked = raw.compare(0, 3, UTF8_BYTE_ORDER_MARK) == 0;
    if (marked) raw.erase(0, 3);
    size_t start = 0;
    for (int number = 1; start < raw.size(); ++number)
        if (LineAt(raw, start).size() > LINE_BYTES_MAX)
            return reader.Fail(number, Text::FLEET_LINE_TOO_LONG, {std::to_string(LINE_BYTES_MAX)});
    // Notepad's "ANSI" on Japanese Windows is code page 932; a byte-order
    // mark promises UTF-8, so then nothing else is tried.
    std::string text;
    if (IsUtf8(raw)) text.swap(raw);
    else if (marked || !Cp932ToUtf8(raw, text)) return reader.Fail(0, Text::FLEET_NOT_TEXT);

    const std::filesystem::path absolute = std::filesystem::absolute(file, code);
    if (code) return reader.Fail(0, Text::FLEET_CANNOT_READ);
    return reader.Read(text) && reader.Finish(absolute.parent_path().lexically_normal(), fleet);
}

bool SelectInstruments(Fleet& fleet, const std::string& onlyList, Language language, std::string& error) {
    error.clear();
    std::vector<bool> wanted(fleet.instruments.size(), false);
    bool named = false;
    for (size_t start = 0; start <= onlyList.size();) {
        const size_t comma = std::min(onlyList.find(',', start), onlyList.size());
        const std::string name = Trim(onlyList.substr(start, comma - start));
        start = comma + 1;
        if (name.empty()) continue;
        named = true;
        bool found = false;
        for (size_t i = 0; i < fleet.instruments.size(); ++i)
            if (fleet.instruments[i].name == name) wanted[i] = found = true;
        if (!found) {
            error = Say(language, Text::FLEET_NOT_IN_FLEET, {name});
            return false;
        }
    }
    if (!named) return true;
    std::vector<FleetInstrument> kept;
    for (size_t i = 0; i < fleet.instruments.size(); ++i)
        if (wanted[i]) kept.push_back(fleet.instruments[i]);
    fleet.instruments.swap(kept);
    return true;
}
