// qvsim: an instrument simulator for the log downloader. Reads the options,
// builds the catalogue and hands the engine to the chosen transport.
#include <cstdio>
#include <memory>
#include <string>

#include "tools/qvsim/Catalogue.h"
#include "tools/qvsim/Clock.h"
#include "tools/qvsim/FolderCatalogue.h"
#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/GeneratedCatalogue.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/LiveCatalogue.h"
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

    std::unique_ptr<Catalogue> catalogue;
    if (!options.logsDir.empty()) {
        std::vector<std::string> skipped;
        catalogue = FolderCatalogue::Load(options.logsDir, error, &skipped);
        if (!catalogue) {
            std::fprintf(stderr, "qvsim: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& name : skipped)
            std::fprintf(stderr, "qvsim: skipping %s (not a run folder YYYYMMDD_HHMMSS)\n", name.c_str());
    } else {
        catalogue.reset(new GeneratedCatalogue(options.generateRuns,
                                               static_cast<uint16_t>(options.generateFiles),
                                               options.generateBytes));
    }
    // Logging counts from here, so the first connection finds it under way.
    std::unique_ptr<LiveCatalogue> live;
    if (options.loggingRate > 0)
        live.reset(new LiveCatalogue(*catalogue, options.loggingRate, ElapsedMicros()));
    Catalogue& served = live ? *live : *catalogue;
    if (!options.dumpDir.empty()) {
        if (!DumpCatalogue(served, options.dumpDir, error)) {
            std::fprintf(stderr, "qvsim: %s\n", error.c_str());
            return 1;
        }
        if (!live) return 0;
        // Written before the request that saw the growth is answered, so a
        // test holding the answer finds the same bytes in the dump.
        live->onGrowth = [&options, &served](size_t run, uint16_t first, uint32_t from) {
            std::string failure;
            if (!DumpGrowth(served, options.dumpDir, run, first, from, failure))
                std::fprintf(stderr, "qvsim: %s\n", failure.c_str());
        };
    }

    std::unique_ptr<std::FILE, FileCloser> record;
    if (!options.recordPath.empty()) {
        record.reset(std::fopen(options.recordPath.c_str(), "w"));
        if (!record) {
            std::fprintf(stderr, "qvsim: cannot write %s\n", options.recordPath.c_str());
            return 1;
        }
    }
    FrameLog log(options.verbose ? stderr : nullptr, record.get());
    Instrument instrument(served, options.instrument, &log);
    return options.transport == Transport::TCP ? ServeTcp(instrument, options, log)
                                               : ServeSerial(instrument, options, log);
}
