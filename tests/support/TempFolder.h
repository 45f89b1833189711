// A folder of its own under the system's temporary folder, named after the
// test and removed with everything in it when the test ends; whole-file
// reads and writes in binary; and the names of the files the tool downloads.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/support/Hex.h"

class TempFolder {
public:
    TempFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test != nullptr ? test->name() : "test";
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';  // "Case/Param"
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("qv-" + name + "-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) m_path = candidate;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Made() const { return !m_path.empty(); }
    const std::filesystem::path& Path() const { return m_path; }
    std::string Text() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Empty when the file cannot be read.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes FileBytes(const std::filesystem::path& path) {
    const std::string text = FileText(path);
    return Bytes(text.begin(), text.end());
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Makes the folders on the way.
inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    WriteText(path, std::string(bytes.begin(), bytes.end()));
}

// The name the tool gives file `n` of the run 2024-05-07 09:05:00, the run
// most tests use.
inline std::string OutputName(int n) {
    char name[40];
    std::snprintf(name, sizeof name, "20240507_090500_%08d.csv", n);
    return name;
}

// Files and folders, sorted.
inline std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The files of a `qvsim --dump` folder in the order the tool downloads them,
// with the names it gives them.
struct DumpedFile {
    std::string name;
    std::filesystem::path source;
};

inline std::vector<DumpedFile> DumpedFiles(const std::filesystem::path& dump) {
    std::vector<DumpedFile> files;
    for (const std::string& run : FileNames(dump))
        for (const std::string& file : FileNames(dump / run)) files.push_back({run + "_" + file, dump / run / file});
    return files;
}
