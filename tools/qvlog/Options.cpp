#include "tools/qvlog/Options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>

#include "tools/qvlog/CatalogueCheck.h"

namespace {

constexpr int FILE_NUMBER_MAX = 65534;
// In the order of Command.
const char* const COMMAND_NAMES[] = {"", "devices", "list", "download", "settings get", "settings set", "sync"};

template <typename Integer>
bool ParseInteger(const std::string& text, long long low, long long high, Integer& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || v < low || v > high) return false;
    value = static_cast<Integer>(v);
    return true;
}

// "0,2,5-7" into file numbers, ascending, without repeats.
bool ParseFileList(const std::string& text, std::vector<int>& files) {
    files.clear();
    for (size_t start = 0; start <= text.size();) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        int first = 0;
        if (!ParseInteger(item.substr(0, dash), 0, FILE_NUMBER_MAX, first)) return false;
        int last = first;
        if (dash != std::string::npos && !ParseInteger(item.substr(dash + 1), 0, FILE_NUMBER_MAX, last)) return false;
        if (last < first) return false;
        for (int n = first; n <= last; ++n) files.push_back(n);
        start = comma + 1;
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return !files.empty();
}

// Each reads an option's value into Options and is false when it is bad;
// the option's complaint, said with the value, then tells why.
bool StoreTcp(Options& o, const std::string& value, Text& complaint) {
    const size_t colon = value.rfind(':');
    o.host = value.substr(0, colon);
    if (colon != std::string::npos && !ParseInteger(value.substr(colon + 1), 1, 65535, o.port)) return false;
    if (o.host.empty()) {
        complaint = Text::TCP_HOST;
        return false;
    }
    o.transport = Transport::TCP;
    return true;
}

bool StoreSerial(Options& o, const std::string& value, Text&) {
    o.serialPort = value;
    o.transport = Transport::SERIAL;
    return true;
}

bool StoreDate(Options& o, const std::string& value, Text&) { return DateReadsBack(o.date = value); }
bool StoreTime(Options& o, const std::string& value, Text&) { return TimeReadsBack(o.time = value); }
bool StoreFiles(Options& o, const std::string& value, Text&) { return ParseFileList(value, o.files); }
bool StoreRetries(Options& o, const std::string& value, Text&) {
    return ParseInteger(value, 0, RETRIES_MAX, o.retries);
}

bool StoreJobs(Options& o, const std::string& value, Text&) { return ParseInteger(value, 1, JOBS_MAX, o.jobs); }

bool StoreCollect(Options& o, const std::string& value, Text&) {
    if (value != "on" && value != "off") return false;
    o.collect = value == "on" ? 1 : 0;
    return true;
}

bool StoreSize(Options& o, const std::string& value, Text&) {
    o.sizeGiven = ParseInteger(value, SIZE_KB_MIN, SIZE_KB_MAX, o.sizeKb);
    return o.sizeGiven;
}

struct OptionRow {
    const char* name;
    bool Options::*flag;  // set by the option, which takes no value
    std::string Options::*text;  // or takes any value as it stands
    bool (*store)(Options& o, const std::string& value, Text& complaint);  // or reads it so
    Text complaint;
};

constexpr Text ANY_VALUE = Text::COUNT;  // the option takes any value

const OptionRow OPTIONS[] = {
    {"--tcp", nullptr, nullptr, StoreTcp, Text::TCP_PORT},
    {"--serial", nullptr, nullptr, StoreSerial, ANY_VALUE},
    {"--paced", &Options::paced, nullptr, nullptr, ANY_VALUE},
    {"--json", &Options::json, nullptr, nullptr, ANY_VALUE},
    {"--date", nullptr, nullptr, StoreDate, Text::DATE_FORMAT},
    {"--time", nullptr, nullptr, StoreTime, Text::TIME_FORMAT},
    {"--files", nullptr, nullptr, StoreFiles, Text::FILES_FORMAT},
    {"--all", &Options::allFiles, nullptr, nullptr, ANY_VALUE},
    {"--all-runs", &Options::allRuns, nullptr, nullptr, ANY_VALUE},
    {"--out", nullptr, &Options::outDir, nullptr, ANY_VALUE},
    {"--skip-existing", &Options::skipExisting, nullptr, nullptr, ANY_VALUE},
    {"--retries", nullptr, nullptr, StoreRetries, Text::RETRIES_FORMAT},
    {"--collect", nullptr, nullptr, StoreCollect, Text::COLLECT_FORMAT},
    {"--size-kb", nullptr, nullptr, StoreSize, Text::SIZE_RANGE},
    {"--fleet", nullptr, &Options::fleetFile, nullptr, ANY_VALUE},
    {"--only", nullptr, &Options::only, nullptr, ANY_VALUE},
    {"--jobs", nullptr, nullptr, StoreJobs, Text::JOBS_FORMAT},
};

// One pass over the arguments, `error` said in `language`.
struct Parser {
    const std::vector<std::string>& args;
    Options& options;
    std::string& error;
    Language language;
    size_t i = 0;

    bool Fail(Text text, std::initializer_list<std::string> values = {}) {
        error = Say(language, text, values);
        return false;
    }
    bool Option(const std::string& a);
    bool Word(const std::string& a);
    bool Consistent();
    bool Run();
};

bool Parser::Option(const std::string& a) {
    for (const OptionRow& row : OPTIONS) {
        if (a != row.name) continue;
        if (row.flag != nullptr) {
            options.*row.flag = true;
            return true;
        }
        if (i + 1 >= args.size()) return Fail(Text::NEEDS_VALUE, {a});
        const std::string& value = args[++i];
        if (row.text != nullptr) {
            options.*row.text = value;
            return true;
        }
        Text complaint = row.complaint;
        return row.store(options, value, complaint) || Fail(complaint, {value});
    }
    return Fail(Text::UNKNOWN_OPTION, {a});
}

bool Parser::Word(const std::string& a) {
    if (options.command != Command::NONE) return Fail(Text::UNEXPECTED_ARGUMENT, {a});
    std::string name = a;
    if (a == "settings") {
        if (i + 1 >= args.size() || (args[i + 1] != "get" && args[i + 1] != "set"))
            return Fail(Text::SETTINGS_SUBCOMMAND);
        name += " " + args[++i];
    }
    for (size_t c = 1; c < std::size(COMMAND_NAMES); ++c)
        if (name == COMMAND_NAMES[c]) options.command = static_cast<Command>(c);
    return options.command != Command::NONE || Fail(Text::UNKNOWN_COMMAND, {a});
}

bool Parser::Run() {
    for (i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            error.clear();
            return false;
        }
        if (a == "--version") {
            options.version = true;
            return true;
        }
        if (!(!a.empty() && a[0] == '-' ? Option(a) : Word(a))) return false;
    }
    return Consistent();
}

bool Parser::Consistent() {
    const Options& o = options;
    const bool filesGiven = !o.files.empty();
    if (o.command == Command::NONE) return Fail(Text::NO_COMMAND);
    if (filesGiven && o.allFiles) return Fail(Text::FILES_AND_ALL);
    if (o.allRuns && (filesGiven || !o.date.empty() || !o.time.empty())) return Fail(Text::ALL_RUNS_ALONE);
    if (o.command == Command::SETTINGS_SET && o.collect < 0 && !o.sizeGiven) return Fail(Text::SET_NEEDS_CHANGE);
    const bool sync = o.command == Command::SYNC;
    if (sync && (o.transport != Transport::FROM_SETTINGS || !o.outDir.empty() || !o.date.empty() || !o.time.empty() ||
                 filesGiven || o.allFiles || o.allRuns || o.skipExisting))
        return Fail(Text::SYNC_ALONE);
    if (!sync && (!o.fleetFile.empty() || !o.only.empty() || o.jobs > 0)) return Fail(Text::SYNC_OPTIONS);
    return true;
}

}  // namespace

const char* CommandName(Command command) { return COMMAND_NAMES[static_cast<int>(command)]; }

std::string UsageText(Language language) { return Say(language, Text::USAGE); }

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error, Language language) {
    return Parser{args, options, error, language}.Run();
}
