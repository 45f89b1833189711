// A catalogue read from a folder: one subfolder per run named
// YYYYMMDD_HHMMSS, holding 00000000.csv, 00000001.csv, ... A run's files are
// the consecutive numbers from 0; the contents are read from disk on demand.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tools/qvsim/Catalogue.h"

namespace qvsim {

class FolderCatalogue : public Catalogue {
public:
    // Null with a reason in `error` when `dir` is not a readable folder.
    // Subfolders with other names are skipped and named in `skipped`.
    static std::unique_ptr<FolderCatalogue> Load(const std::string& dir, std::string& error,
                                                 std::vector<std::string>* skipped = nullptr);

    uint32_t FileSize(size_t run, uint16_t file) const override;
    bool Read(size_t run, uint16_t file, uint32_t offset, uint8_t* out, uint32_t size) override;

private:
    struct Folder {
        std::string path;
        std::vector<uint32_t> sizes;
    };
    std::vector<Folder> m_folders;

    // One file stays open between blocks: a download reads it front to back.
    std::ifstream m_open;
    size_t m_openRun = SIZE_MAX;
    uint16_t m_openFile = 0;
};

}  // namespace qvsim
