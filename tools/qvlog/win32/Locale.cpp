#include <windows.h>

#include <cstdlib>

#include "tools/qvlog/Texts.h"

Language DetectLanguage() {
    // A locale named in the environment (a POSIX shell, Wine) speaks first.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != 0) return LanguageOfLocaleName(value);
    }
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::JAPANESE : Language::ENGLISH;
}
