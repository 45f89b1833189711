// The user guides and the schedule pages as the docs tests read them.
#pragma once

#include <string>

#include "tests/support/TempFolder.h"

namespace guide_pages {

const char* const GUIDES[] = {"docs/ja/guide.md", "docs/en/guide.md"};
const char* const SCHEDULE_PAGES[] = {"docs/ja/schedule.md", "docs/en/schedule.md"};

// A file of the source tree; empty when it is missing.
inline std::string Source(const std::string& relative) {
    return FileText(std::string(QV_SOURCE_DIR) + "/" + relative);
}

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace guide_pages
