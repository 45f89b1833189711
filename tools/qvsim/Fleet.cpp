#include "tools/qvsim/Fleet.h"

#include <algorithm>
#include <filesystem>

#include "tools/qvsim/Clock.h"
#include "tools/qvsim/FolderCatalogue.h"
#include "tools/qvsim/GeneratedCatalogue.h"

namespace qvsim {

namespace {

// DIR/K when the fleet's instrument K has a folder of its own there.
std::string LogsDirOf(const Options& options, uint32_t index) {
    if (options.instruments == 1) return options.logsDir;
    const std::string own = options.logsDir + "/" + std::to_string(index);
    std::error_code ec;
    return std::filesystem::is_directory(own, ec) ? own : options.logsDir;
}

}  // namespace

bool Fleet::Build(const Options& options, std::FILE* record, std::string& error) {
    m_members.clear();
    for (uint32_t index = 1; index <= options.instruments; ++index)
        if (!BuildMember(options, index, record, error)) return false;
    return true;
}

bool Fleet::BuildMember(const Options& options, uint32_t index, std::FILE* record, std::string& error) {
    std::unique_ptr<Member> member(new Member);
    if (!options.logsDir.empty()) {
        const std::string dir = LogsDirOf(options, index);
        std::vector<std::string> skipped;
        member->stored = FolderCatalogue::Load(dir, error, &skipped);
        if (!member->stored) return false;
        if (std::find(m_foldersTold.begin(), m_foldersTold.end(), dir) == m_foldersTold.end()) {
            m_foldersTold.push_back(dir);
            for (const std::string& name : skipped)
                std::fprintf(stderr, "qvsim: skipping %s (not a run folder YYYYMMDD_HHMMSS)\n", name.c_str());
        }
    } else {
        member->stored.reset(new GeneratedCatalogue(
            options.generateRuns, static_cast<uint16_t>(options.generateFiles), options.generateBytes, index));
    }
    // Logging counts from here, so the first connection finds it under way.
    if (const uint32_t rate = LoggingRateOf(options, index))
        member->live.reset(new LiveCatalogue(*member->stored, rate, ElapsedMicros()));
    Catalogue& served = member->live ? *member->live : *member->stored;

    member->dumpDir = DumpDirOf(options, index);
    if (!member->dumpDir.empty()) {
        if (!DumpCatalogue(served, member->dumpDir, error)) return false;
        if (member->live) {
            // Written before the request that saw the growth is answered, so
            // a test holding the answer finds the same bytes in the dump.
            Member* m = member.get();
            m->live->onGrowth = [m](size_t run, uint16_t first, uint32_t from) {
                std::string failure;
                if (!DumpGrowth(*m->live, m->dumpDir, run, first, from, failure))
                    std::fprintf(stderr, "qvsim: %s\n", failure.c_str());
            };
        }
    }
    member->log.reset(new FrameLog(options.verbose ? stderr : nullptr, record, options.instruments > 1 ? index : 0));
    member->instrument.reset(new Instrument(served, ConfigOf(options, index), member->log.get()));
    m_members.push_back(std::move(member));
    return true;
}

}  // namespace qvsim
