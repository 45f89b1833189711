// The instruments one qvsim process plays (--instruments), each with its own
// catalogue, logging, --dump folder and trace, built from the options. Each
// instrument is then served by one thread alone.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/qvsim/Catalogue.h"
#include "tools/qvsim/FrameLog.h"
#include "tools/qvsim/Instrument.h"
#include "tools/qvsim/LiveCatalogue.h"
#include "tools/qvsim/Options.h"

namespace qvsim {

class Fleet {
public:
    // Loads or makes every catalogue and writes the --dump folders; false
    // with the reason in `error`. `record` (may be null) outlives the fleet.
    bool Build(const Options& options, std::FILE* record, std::string& error);

    size_t Size() const { return m_members.size(); }
    // `at` counts from 0: instrument K is at K - 1.
    Instrument& InstrumentAt(size_t at) { return *m_members[at]->instrument; }
    FrameLog& LogAt(size_t at) { return *m_members[at]->log; }

private:
    // Held by pointer: the growth callbacks hold on to the members' addresses.
    struct Member {
        std::unique_ptr<Catalogue> stored;
        std::unique_ptr<LiveCatalogue> live;
        std::string dumpDir;
        std::unique_ptr<FrameLog> log;
        std::unique_ptr<Instrument> instrument;
    };
    bool BuildMember(const Options& options, uint32_t index, std::FILE* record, std::string& error);

    std::vector<std::unique_ptr<Member>> m_members;
    std::vector<std::string> m_foldersTold;  // --logs folders whose odd entries were named
};

}  // namespace qvsim
