// Writes the seed corpus of the frame target into the folder given: whole
// frames of every command the tool meets, built with BuildFrame, alone and
// back to back, with a noise byte, split at odd places, and one whose length
// field says more than 1024.
#include <cstdio>
#include <string>
#include <vector>

#include "link/Frame.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(uint8_t sync, uint8_t command, uint8_t status, const Bytes& payload) {
    Bytes out(payload.size() + FRAME_OVERHEAD);
    out.resize(BuildFrame(sync, command, status, static_cast<uint32_t>(payload.size()), payload.data(), out.data()));
    return out;
}

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
        Frame(SYNC_RESPONSE, 0x10, 0, {}),
        Frame(SYNC_RESPONSE, 0x85, 0, {}),
        Frame(SYNC_REQUEST, 0x88, 0x80, {0x07, 0xE8, 0x05, 0x07}),
        Frame(SYNC_REQUEST, 0x88, 0x90, {0x09, 0x05, 0x00, 0x0E, 0x1E, 0x0F}),
        Frame(SYNC_RESPONSE, 0x84, 0, {0x00, 0x03}),
        Frame(SYNC_RESPONSE, 0x87, 0, {0x00, 0x00, 0x0B, 0xB8}),
        Frame(SYNC_REQUEST, 0x88, 0x20, block),
        Frame(SYNC_REQUEST, 0x88, 0xA0, {0x41, 0x42}),
        Frame(SYNC_REQUEST, 0x88, 0x60, {}),
        Frame(SYNC_RESPONSE, 0x83, 0, {0x01, 0x00, 0x10, 0x00, 0x00}),
        Frame(SYNC_RESPONSE, 0x81, 0, {0x01}),
        Frame(SYNC_REQUEST, 0xB9, 0, {0x01}),
        Frame(SYNC_RESPONSE, 0x42, 0, {}),
    };
    // The same block key many times over: slots stay busy, frames wait.
    Bytes burst;
    for (int i = 0; i < 24; ++i) {
        const Bytes f = Frame(SYNC_REQUEST, 0x88, 0x20, {static_cast<uint8_t>(i)});
        burst.insert(burst.end(), f.begin(), f.end());
    }
    seeds.push_back(burst);
    // Noise, then a frame; a frame with a bad checksum, then a good one.
    Bytes mixed = {0x00, 0x13, 0xFF};
    Bytes good = Frame(SYNC_RESPONSE, 0x11, 0, {});
    mixed.insert(mixed.end(), good.begin(), good.end());
    Bytes bad = Frame(SYNC_RESPONSE, 0x10, 0, {});
    bad.back() ^= 1;
    mixed.insert(mixed.end(), bad.begin(), bad.end());
    mixed.insert(mixed.end(), good.begin(), good.end());
    seeds.push_back(mixed);
    // A header that announces 2000 bytes, its payload and checksum, then a frame.
    Bytes oversized = {SYNC_REQUEST, 0x88, 0x20, 0x07, 0xD0};
    uint8_t sum = 0;
    for (uint8_t b : oversized) sum = static_cast<uint8_t>(sum + b);
    for (int i = 0; i < 2000; ++i) {
        oversized.push_back(static_cast<uint8_t>(i));
        sum = static_cast<uint8_t>(sum + i);
    }
    oversized.push_back(static_cast<uint8_t>(sum + 1));
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
