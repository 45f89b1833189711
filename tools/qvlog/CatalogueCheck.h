// What the instrument lists that the dialog cannot follow, though it goes
// on without a word: an entry whose combo text it reads back at fixed
// positions as other numbers (month 100, year 10000, minute 131), so that it
// asks for another run, and a dates or times block that ended part-way
// through a record, which it drops. qvlog leaves such an entry alone and
// fails the command once the rest is done.
#pragma once

#include <cstdint>
#include <string>

#include "tools/qvlog/Outcome.h"
#include "tools/qvlog/Texts.h"

// True when the text is "YYYY/MM/DD" ("HH:MM:SS"): the dialog reads it back
// as the numbers it was made from.
bool DateReadsBack(const std::string& text);
bool TimeReadsBack(const std::string& text);

class CatalogueCheck {
public:
    explicit CatalogueCheck(Language language) : m_language(language) {}

    // False, and noted, for an entry the dialog would ask for as another run.
    bool DateUsable(const std::string& date);
    bool TimeUsable(const std::string& date, const std::string& time);
    // The dialog's count of records it has dropped so far.
    void NoteRecordsCut(uint32_t count);

    bool Found() const { return m_unusable > 0 || m_recordsCut > 0; }
    // The failure to end the command with; none when nothing was found.
    Failure Result() const;

private:
    Language m_language;
    std::string m_firstUnusable;
    int m_unusable = 0;
    uint32_t m_recordsCut = 0;
};
