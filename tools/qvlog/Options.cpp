#include "tools/qvlog/Options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int FILE_NUMBER_MAX = 65534;

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

bool ParseHostPort(const std::string& text, Options& options, std::string& error) {
    const size_t colon = text.rfind(':');
    options.host = text.substr(0, colon);
    if (colon != std::string::npos) {
        long long port = 0;
        if (!ParseInteger(text.substr(colon + 1), 1, 65535, port)) {
            error = "--tcp: the port must be a number from 1 to 65535: " + text;
            return false;
        }
        options.port = static_cast<int>(port);
    }
    if (options.host.empty()) {
        error = "--tcp needs a host: --tcp HOST[:PORT]";
        return false;
    }
    return true;
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

const char* UsageText() {
    return "usage: qvlog [--tcp HOST[:PORT] | --serial PORT] [--paced] COMMAND [OPTIONS]\n"
           "  devices                        list instruments found on USB (no connection needed)\n"
           "  list [--json]                  every date, its start times and each run's file count\n"
           "  download [--date YYYY/MM/DD] [--time HH:MM:SS] [--files LIST | --all] [--all-runs]\n"
           "           [--out DIR] [--skip-existing] [--json]\n"
           "  settings get [--json]\n"
           "  settings set [--collect on|off] [--size-kb N]\n"
           "Without --tcp or --serial the connection comes from setting.ini in the current folder.\n"
           "--tcp's port defaults to 10101; --files takes numbers and ranges (0,2,5-7).\n"
           "qvlog handles each frame as it arrives; --paced looks at the line every 10 ms,\n"
           "as the dialog does (slower: at most one 1024-byte block per 10 ms).\n"
           "Exit status: 0 done, 1 instrument error, 2 usage, 3 no response, 4 file not written,\n"
           "5 aborted.\n";
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    std::vector<std::string> args(argv + 1, argv + argc);
    size_t i = 0;
    auto value = [&](const std::string& name, std::string& out) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return false;
        }
        out = args[++i];
        return true;
    };
    bool filesGiven = false;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        if (a == "--tcp") {
            if (!value(a, v) || !ParseHostPort(v, options, error)) return false;
            options.transport = Transport::TCP;
        } else if (a == "--serial") {
            if (!value(a, v)) return false;
            options.serialPort = v;
            options.transport = Transport::SERIAL;
        } else if (a == "--json") {
            options.json = true;
        } else if (a == "--paced") {
            options.paced = true;
        } else if (a == "--date") {
            if (!value(a, options.date)) return false;
            if (!MatchesPattern(options.date, "9999/99/99")) {
                error = "--date takes YYYY/MM/DD: " + options.date;
                return false;
            }
        } else if (a == "--time") {
            if (!value(a, options.time)) return false;
            if (!MatchesPattern(options.time, "99:99:99")) {
                error = "--time takes HH:MM:SS: " + options.time;
                return false;
            }
        } else if (a == "--files") {
            if (!value(a, v)) return false;
            if (!ParseFileList(v, options.files)) {
                error = "--files takes file numbers and ranges such as 0,2,5-7: " + v;
                return false;
            }
            filesGiven = true;
        } else if (a == "--all") {
            options.allFiles = true;
        } else if (a == "--all-runs") {
            options.allRuns = true;
        } else if (a == "--out") {
            if (!value(a, options.outDir)) return false;
        } else if (a == "--skip-existing") {
            options.skipExisting = true;
        } else if (a == "--collect") {
            if (!value(a, v)) return false;
            if (v != "on" && v != "off") {
                error = "--collect takes on or off: " + v;
                return false;
            }
            options.collect = v == "on" ? 1 : 0;
        } else if (a == "--size-kb") {
            if (!value(a, v)) return false;
            long long kb = 0;
            if (!ParseInteger(v, -2147483647LL, 2147483647LL, kb)) {
                error = "--size-kb takes a number of kilobytes: " + v;
                return false;
            }
            options.sizeKb = kb;
            options.sizeGiven = true;
        } else if (a == "-h" || a == "--help") {
            error.clear();
            return false;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (options.command == Command::NONE) {
            if (a == "devices") options.command = Command::DEVICES;
            else if (a == "list") options.command = Command::LIST;
            else if (a == "download") options.command = Command::DOWNLOAD;
            else if (a == "settings") {
                std::string sub;
                if (!value(a, sub) || (sub != "get" && sub != "set")) {
                    error = "settings takes get or set";
                    return false;
                }
                options.command = sub == "get" ? Command::SETTINGS_GET : Command::SETTINGS_SET;
            } else {
                error = "unknown command " + a;
                return false;
            }
        } else {
            error = "unexpected argument " + a;
            return false;
        }
    }
    if (options.command == Command::NONE) {
        error = "no command given";
        return false;
    }
    if (filesGiven && options.allFiles) {
        error = "--files and --all exclude each other";
        return false;
    }
    if (options.allRuns && (filesGiven || !options.date.empty() || !options.time.empty())) {
        error = "--all-runs takes every file of every run: no --date, --time or --files with it";
        return false;
    }
    if (options.command == Command::SETTINGS_SET && options.collect < 0 && !options.sizeGiven) {
        error = "settings set needs --collect or --size-kb";
        return false;
    }
    return true;
}
