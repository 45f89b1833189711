// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/Hex.h"

namespace qvsim_test {

class TempDir {
public:
    TempDir() {
        const auto tick = std::chrono::high_resolution_clock::now().time_since_epoch().count();
        m_path = std::filesystem::temp_directory_path() / ("qvsim_test_" + std::to_string(tick));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qvsim_test
