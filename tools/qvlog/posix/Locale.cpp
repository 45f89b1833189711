#include <cstdlib>

#include "tools/qvlog/Texts.h"

Language DetectLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != 0) return LanguageOfLocaleName(value);
    }
    return Language::ENGLISH;
}
