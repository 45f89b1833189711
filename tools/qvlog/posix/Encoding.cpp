#include "tools/qvlog/Encoding.h"

// Narrow text here is UTF-8 throughout: nothing to convert.

std::string DialogTextToUtf8(const std::string& text) { return text; }

bool Utf8ToDialogText(const std::string& utf8, std::string& text) {
    text = utf8;
    return true;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string Utf8FromPath(const std::filesystem::path& path) { return path.string(); }

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
