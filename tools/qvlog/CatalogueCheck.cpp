#include "tools/qvlog/CatalogueCheck.h"

#include <cctype>

namespace {

// '9' in `shape` stands for a digit; every other character must match itself.
bool HasShape(const std::string& text, const std::string& shape) {
    if (text.size() != shape.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i]) return false;
    return true;
}

}  // namespace

bool DateReadsBack(const std::string& text) { return HasShape(text, "9999/99/99"); }
bool TimeReadsBack(const std::string& text) { return HasShape(text, "99:99:99"); }

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
