// qvsim: an instrument simulator for the log downloader. Reads the options,
// builds the instruments and hands them to the chosen transport.
#include <cstdio>
#include <memory>
#include <string>

#include "tools/qvsim/Fleet.h"
#include "tools/qvsim/Options.h"
#include "tools/qvsim/Serve.h"
#include "version/Version.h"

namespace {

// Closes the record file on every way out.
struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace qvsim;
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "qvsim: %s\n(qvsim --help lists the options)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("qvsim %s\n", QV_VERSION_TEXT);
        return 0;
    }

    // Nothing else to do: the record file is not even made.
    if (DumpsAndExits(options)) {
        Fleet dumped;
        if (!dumped.Build(options, nullptr, error)) {
            std::fprintf(stderr, "qvsim: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    std::unique_ptr<std::FILE, FileCloser> record;
    if (!options.recordPath.empty()) {
        record.reset(std::fopen(options.recordPath.c_str(), "w"));
        if (!record) {
            std::fprintf(stderr, "qvsim: cannot write %s\n", options.recordPath.c_str());
            return 1;
        }
    }
    Fleet fleet;
    if (!fleet.Build(options, record.get(), error)) {
        std::fprintf(stderr, "qvsim: %s\n", error.c_str());
        return 1;
    }
    return options.transport == Transport::TCP ? ServeTcp(fleet, options)
                                               : ServeSerial(fleet.InstrumentAt(0), options, fleet.LogAt(0));
}
