// Writes the seed corpus of the frame target into the folder given: whole
// frames of every command the tool meets, alone and back to back, with a
// noise byte, split at odd places, and one whose length field says more
// than 1024.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/Frames.h"

namespace {

bool Write(const std::string& folder, int number, uint8_t steering, const Bytes& bytes) {
    const std::string path = folder + "/seed" + std::to_string(number);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::fputc(steering, file);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Bytes block(1024, 0x41);
    std::vector<Bytes> seeds = {
        WireFrame(SYNC_RESPONSE, 0x10, 0, {}),
        WireFrame(SYNC_RESPONSE, 0x85, 0, {}),
        WireFrame(SYNC_REQUEST, 0x88, 0x80, {0x07, 0xE8, 0x05, 0x07}),
        WireFrame(SYNC_REQUEST, 0x88, 0x90, {0x09, 0x05, 0x00, 0x0E, 0x1E, 0x0F}),
        WireFrame(SYNC_RESPONSE, 0x84, 0, {0x00, 0x03}),
        WireFrame(SYNC_RESPONSE, 0x87, 0, {0x00, 0x00, 0x0B, 0xB8}),
        WireFrame(SYNC_REQUEST, 0x88, 0x20, block),
        WireFrame(SYNC_REQUEST, 0x88, 0xA0, {0x41, 0x42}),
        WireFrame(SYNC_REQUEST, 0x88, 0x60, {}),
        WireFrame(SYNC_RESPONSE, 0x83, 0, {0x01, 0x00, 0x10, 0x00, 0x00}),
        WireFrame(SYNC_RESPONSE, 0x81, 0, {0x01}),
        WireFrame(SYNC_REQUEST, 0xB9, 0, {0x01}),
        WireFrame(SYNC_RESPONSE, 0x42, 0, {}),
    };
    // The same block key many times over: slots stay busy, frames wait.
    Bytes burst;
    for (int i = 0; i < 24; ++i) {
        const Bytes f = WireFrame(SYNC_REQUEST, 0x88, 0x20, {static_cast<uint8_t>(i)});
        burst.insert(burst.end(), f.begin(), f.end());
    }
    seeds.push_back(burst);
    // Noise, then a frame; a frame with a bad checksum, then a good one.
    Bytes mixed = {0x00, 0x13, 0xFF};
    Bytes good = WireFrame(SYNC_RESPONSE, 0x11, 0, {});
    mixed.insert(mixed.end(), good.begin(), good.end());
    Bytes bad = WireFrame(SYNC_RESPONSE, 0x10, 0, {});
    bad.back() ^= 1;
    mixed.insert(mixed.end(), bad.begin(), bad.end());
    mixed.insert(mixed.end(), good.begin(), good.end());
    seeds.push_back(mixed);
    // A header that announces 2000 bytes, its payload and checksum, then a frame.
    Bytes counting(2000);
    for (size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<uint8_t>(i);
    Bytes oversized = WireFrame(SYNC_REQUEST, 0x88, 0x20, counting);
    oversized.insert(oversized.end(), good.begin(), good.end());
    seeds.push_back(oversized);

    int number = 0;
    for (const Bytes& seed : seeds) {
        // Taken at once in one-byte and 1030-byte chunks, and left waiting.
        for (uint8_t steering : {uint8_t{0}, uint8_t{2 * 9}, uint8_t{1}})
            if (!Write(folder, number++, steering, seed)) return 1;
    }
    return 0;
}
