#include "tools/qvsim/FolderCatalogue.h"

#include <cstdint>
#include <filesystem>

namespace qvsim {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t MAX_FILES = 65535;  // the file count travels as 16 bits

}  // namespace

std::unique_ptr<FolderCatalogue> FolderCatalogue::Load(const std::string& dir, std::string& error,
                                                       std::vector<std::string>* skipped) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        error = dir + " is not a folder";
        return nullptr;
    }
    std::unique_ptr<FolderCatalogue> catalogue(new FolderCatalogue);
    std::vector<RunInfo> runs;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        RunStamp stamp;
        if (!it->is_directory(ec) || !ParseRunFolder(name, stamp)) {
            if (skipped) skipped->push_back(name);
            continue;
        }
        Folder folder{it->path().string(), {}};
        // A file of 4 GiB or more cannot be announced in 32 bits: the run
        // ends before it, as at a gap in the numbering.
        for (uint32_t n = 0; n < MAX_FILES; ++n) {
            const fs::path file = it->path() / LogFileName(n);
            if (!fs::is_regular_file(file, ec)) break;
            const uintmax_t size = fs::file_size(file, ec);
            if (ec || size > UINT32_MAX) break;
            folder.sizes.push_back(static_cast<uint32_t>(size));
        }
        runs.push_back(RunInfo{stamp, static_cast<uint16_t>(folder.sizes.size()),
                               catalogue->m_folders.size()});
        catalogue->m_folders.push_back(std::move(folder));
    }
    if (ec) {
        error = "cannot read " + dir + ": " + ec.message();
        return nullptr;
    }
    catalogue->SetRuns(std::move(runs));
    return catalogue;
}

uint32_t FolderCatalogue::FileSize(size_t run, uint16_t file) const {
    return m_folders[Source(run)].sizes[file];
}

bool FolderCatalogue::Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out,
                           uint32_t size) {
    if (m_openRun != run || m_openFile != file || !m_open.is_open()) {
        m_open.close();
        m_open.clear();
        m_openRun = SIZE_MAX;
        m_open.open(fs::path(m_folders[Source(run)].path) / LogFileName(file), std::ios::binary);
        if (!m_open) return false;
        m_openRun = run;
        m_openFile = file;
    }
    m_open.clear();
    m_open.seekg(static_cast<std::streamoff>(offset));
    m_open.read(reinterpret_cast<char*>(out), size);
    if (m_open.gcount() == static_cast<std::streamsize>(size)) return true;
    // Shorter than when the folder was read: the file changed under us.
    m_open.close();
    m_openRun = SIZE_MAX;
    return false;
}

}  // namespace qvsim
