// The files around a run of qvlogdl.exe: its start folder with setting.ini,
// the expected catalogue and the files a download wrote.
#pragma once

#include <string>
#include <vector>

// Makes `parent`\`name`, which must not exist yet; empty on failure.
std::string FreshFolder(const std::string& parent, const std::string& name);

// Writes `folder`\setting.ini with only the save folder in it.
bool WriteSavePath(const std::string& folder, const std::string& savePath);

// A value of `folder`\setting.ini; `missing` when the key is not there.
std::string IniValue(const std::string& folder, const char* section, const char* key,
                     const std::string& missing = "(missing)");

// The names of the files in `folder`, sorted.
std::vector<std::string> FileNames(const std::string& folder);
// The names of the subfolders of `folder`, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// A file's bytes; `ok` false when it cannot be read.
std::string ReadWhole(const std::string& path, bool& ok);
