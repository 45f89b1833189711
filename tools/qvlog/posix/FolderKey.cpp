#include "tools/qvlog/FleetFile.h"

#include "tools/qvlog/Encoding.h"

// Names here differ by case: Logs and logs are two folders.
std::string FolderKey(const std::filesystem::path& folder) { return Utf8FromPath(folder); }
