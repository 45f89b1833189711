#include "tools/qvlog/CatalogueCheck.h"

#include <cctype>

namespace {

// Digits everywhere but at the two separator positions, which hold `mark`.
bool FixedForm(const std::string& text, size_t length, char mark, size_t first, size_t second) {
    if (text.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        const bool separator = i == first || i == second;
        if (separator ? text[i] != mark : !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

}  // namespace

bool DateReadsBack(const std::string& text) { return FixedForm(text, 10, '/', 4, 7); }

bool TimeReadsBack(const std::string& text) { return FixedForm(text, 8, ':', 2, 5); }

bool CatalogueCheck::DateUsable(const std::string& date) {
    if (DateReadsBack(date)) return true;
    if (m_unusable++ == 0) m_firstUnusable = date;
    return false;
}

bool CatalogueCheck::TimeUsable(const std::string& date, const std::string& time) {
    if (TimeReadsBack(time)) return true;
    if (m_unusable++ == 0) m_firstUnusable = date + " " + time;
    return false;
}

void CatalogueCheck::NoteRecordsCut(uint32_t count) {
    if (count > m_recordsCut) m_recordsCut = count;
}

Failure CatalogueCheck::Result() const {
    if (m_unusable > 0) {
        const std::string more =
            m_unusable > 1 ? Say(m_language, Text::AND_MORE, {std::to_string(m_unusable - 1)}) : "";
        return Fail(Cause::CATALOGUE_ENTRY, Say(m_language, Text::ENTRY_OUT_OF_RANGE, {m_firstUnusable, more}));
    }
    if (m_recordsCut > 0)
        return Fail(Cause::CATALOGUE_CUT, Say(m_language, Text::RECORD_CUT, {std::to_string(m_recordsCut)}));
    return Failure();
}
