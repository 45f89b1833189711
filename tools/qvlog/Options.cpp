#include "tools/qvlog/Options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int FILE_NUMBER_MAX = 65534;
constexpr Command COMMANDS[] = {Command::DEVICES, Command::LIST, Command::DOWNLOAD, Command::SETTINGS_GET,
                                Command::SETTINGS_SET};

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || v < low || v > high) return false;
    value = v;
    return true;
}

bool MatchesPattern(const std::string& text, const char* pattern) {
    // '9' stands for a digit; every other character must match itself.
    if (text.size() != std::strlen(pattern)) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == '9' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i])
            return false;
    }
    return true;
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, Options& options, std::string& error, Language language)
        : m_args(args), m_options(options), m_error(error), m_language(language) {}

    bool Run();

private:
    bool Fail(Text text, std::initializer_list<std::string> args = {}) {
        m_error = Say(m_language, text, args);
        return false;
    }
    bool Value(const std::string& name, std::string& out) {
        if (m_i + 1 >= m_args.size()) return Fail(Text::NEEDS_VALUE, {name});
        out = m_args[++m_i];
        return true;
    }
    bool HostPort(const std::string& text);
    bool Option(const std::string& a, bool& filesGiven);
    bool Word(const std::string& a);
    bool Consistent(bool filesGiven);

    const std::vector<std::string>& m_args;
    Options& m_options;
    std::string& m_error;
    Language m_language;
    size_t m_i = 0;
};

bool Parser::HostPort(const std::string& text) {
    const size_t colon = text.rfind(':');
    m_options.host = text.substr(0, colon);
    if (colon != std::string::npos) {
        long long port = 0;
        if (!ParseInteger(text.substr(colon + 1), 1, 65535, port)) return Fail(Text::TCP_PORT, {text});
        m_options.port = static_cast<int>(port);
    }
    if (m_options.host.empty()) return Fail(Text::TCP_HOST);
    return true;
}

bool Parser::Option(const std::string& a, bool& filesGiven) {
    Options& o = m_options;
    std::string v;
    long long number = 0;
    if (a == "--tcp") {
        if (!Value(a, v) || !HostPort(v)) return false;
        o.transport = Transport::TCP;
    } else if (a == "--serial") {
        if (!Value(a, o.serialPort)) return false;
        o.transport = Transport::SERIAL;
    } else if (a == "--paced") {
        m_options.paced = true;
    } else if (a == "--json") {
        o.json = true;
    } else if (a == "--date") {
        if (!Value(a, o.date)) return false;
        if (!MatchesPattern(o.date, "9999/99/99")) return Fail(Text::DATE_FORMAT, {o.date});
    } else if (a == "--time") {
        if (!Value(a, o.time)) return false;
        if (!MatchesPattern(o.time, "99:99:99")) return Fail(Text::TIME_FORMAT, {o.time});
    } else if (a == "--files") {
        if (!Value(a, v)) return false;
        if (!ParseFileList(v, o.files)) return Fail(Text::FILES_FORMAT, {v});
        filesGiven = true;
    } else if (a == "--all") {
        o.allFiles = true;
    } else if (a == "--all-runs") {
        o.allRuns = true;
    } else if (a == "--out") {
        if (!Value(a, o.outDir)) return false;
    } else if (a == "--skip-existing") {
        o.skipExisting = true;
    } else if (a == "--retries") {
        if (!Value(a, v)) return false;
        if (!ParseInteger(v, 0, RETRIES_MAX, number)) return Fail(Text::RETRIES_FORMAT, {v});
        o.retries = static_cast<int>(number);
    } else if (a == "--collect") {
        if (!Value(a, v)) return false;
        if (v != "on" && v != "off") return Fail(Text::COLLECT_FORMAT, {v});
        o.collect = v == "on" ? 1 : 0;
    } else if (a == "--size-kb") {
        if (!Value(a, v)) return false;
        if (!ParseInteger(v, SIZE_KB_MIN, SIZE_KB_MAX, number)) return Fail(Text::SIZE_RANGE, {v});
        o.sizeKb = number;
        o.sizeGiven = true;
    } else {
        return Fail(Text::UNKNOWN_OPTION, {a});
    }
    return true;
}

bool Parser::Word(const std::string& a) {
    Options& o = m_options;
    if (o.command != Command::NONE) return Fail(Text::UNEXPECTED_ARGUMENT, {a});
    std::string name = a;
    if (a == "settings") {
        if (m_i + 1 >= m_args.size() || (m_args[m_i + 1] != "get" && m_args[m_i + 1] != "set"))
            return Fail(Text::SETTINGS_SUBCOMMAND);
        name += " " + m_args[++m_i];
    }
    for (Command command : COMMANDS)
        if (name == CommandName(command)) o.command = command;
    return o.command != Command::NONE || Fail(Text::UNKNOWN_COMMAND, {a});
}

bool Parser::Consistent(bool filesGiven) {
    const Options& o = m_options;
    if (o.command == Command::NONE) return Fail(Text::NO_COMMAND);
    if (filesGiven && o.allFiles) return Fail(Text::FILES_AND_ALL);
    if (o.allRuns && (filesGiven || !o.date.empty() || !o.time.empty())) return Fail(Text::ALL_RUNS_ALONE);
    if (o.command == Command::SETTINGS_SET && o.collect < 0 && !o.sizeGiven) return Fail(Text::SET_NEEDS_CHANGE);
    return true;
}

bool Parser::Run() {
    bool filesGiven = false;
    for (m_i = 0; m_i < m_args.size(); ++m_i) {
        const std::string& a = m_args[m_i];
        if (a == "-h" || a == "--help") {
            m_error.clear();
            return false;
        }
        if (a == "--version") {
            m_options.version = true;
            return true;
        }
        const bool ok = !a.empty() && a[0] == '-' ? Option(a, filesGiven) : Word(a);
        if (!ok) return false;
    }
    return Consistent(filesGiven);
}

}  // namespace

bool ParseFileList(const std::string& text, std::vector<int>& files) {
    files.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-');
        long long first = 0, last = 0;
        if (dash == std::string::npos) {
            if (!ParseInteger(item, 0, FILE_NUMBER_MAX, first)) return false;
            last = first;
        } else if (!ParseInteger(item.substr(0, dash), 0, FILE_NUMBER_MAX, first) ||
                   !ParseInteger(item.substr(dash + 1), 0, FILE_NUMBER_MAX, last) || last < first) {
            return false;
        }
        for (long long n = first; n <= last; ++n) files.push_back(static_cast<int>(n));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return !files.empty();
}

const char* CommandName(Command command) {
    switch (command) {
    case Command::DEVICES: return "devices";
    case Command::LIST: return "list";
    case Command::DOWNLOAD: return "download";
    case Command::SETTINGS_GET: return "settings get";
    case Command::SETTINGS_SET: return "settings set";
    case Command::NONE: break;
    }
    return "";
}

std::string UsageText(Language language) { return Say(language, Text::USAGE); }

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error, Language language) {
    return Parser(args, options, error, language).Run();
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error, Language language) {
    return ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error, language);
}
