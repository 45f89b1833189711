#include "TestFolders.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> Names(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (name != "." && name != ".." && isFolder == folders) names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string FreshFolder(const std::string& parent, const std::string& name) {
    const std::string folder = parent + "\\" + name;
    return CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

bool WriteSavePath(const std::string& folder, const std::string& savePath) {
    std::ofstream file(folder + "\\setting.ini", std::ios::binary);
    file << "[log]\r\npath=" << savePath << "\r\n";
    return static_cast<bool>(file);
}

std::string IniValue(const std::string& folder, const char* section, const char* key,
                     const std::string& missing) {
    char value[1024] = {};
    const std::string path = folder + "\\setting.ini";
    GetPrivateProfileStringA(section, key, missing.c_str(), value, sizeof value, path.c_str());
    return value;
}

std::vector<std::string> FileNames(const std::string& folder) { return Names(folder, false); }

std::vector<std::string> FolderNames(const std::string& folder) { return Names(folder, true); }

std::string ReadWhole(const std::string& path, bool& ok) {
    std::ifstream file(path, std::ios::binary);
    ok = file.is_open();
    if (!ok) return std::string();
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ok = !file.bad();
    return bytes;
}
