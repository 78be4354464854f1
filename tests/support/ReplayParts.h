#pragma once
// Takes a replay file apart into its clear header, its inflated steps block and its result,
// and seals such parts back into a file with matching block sizes and checksum, so a test or
// fuzzer can alter what lies inside the compressed block or behind the checksum.
#include <zlib.h>

#include <cstdint>
#include <string>

#include "scores/TReplay.h"

namespace replayparts {

// A replay with its header filled in and no steps.
inline TReplay Headed() {
    TReplay replay;
    replay.gameVersion = "0.91";
    replay.identity = "tavrik 0.91 (test)";
    replay.playerName = "Pilot";
    replay.date = "2026-12-09 16:05:00";
    replay.seed = 0xC0FFEE;
    return replay;
}

struct Parts {
    std::string head;    // magic, version, texts and seed
    std::string block;   // the steps block, inflated
    std::string result;  // the result, without the checksum
};

inline void Put32(std::string& out, uint64_t value) {
    for (int i = 0; i < 4; ++i) out += char((value >> (8 * i)) & 0xFF);
}

inline uint32_t Get32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return value;
}

// The parts of a file Encode wrote.
inline Parts Split(const std::string& file) {
    constexpr size_t kTextsAt = 8 + 2;
    constexpr int kTexts = 4;
    size_t at = kTextsAt;
    for (int i = 0; i < kTexts; ++i) at += 1 + uint8_t(file[at]);
    at += 4;
    Parts parts;
    parts.head = file.substr(0, at);
    uLongf rawSize = Get32(file, at);
    size_t compressedSize = Get32(file, at + 4);
    parts.block.assign(rawSize, '\0');
    uncompress(reinterpret_cast<Bytef*>(parts.block.data()), &rawSize,
               reinterpret_cast<const Bytef*>(file.data() + at + 8), uLong(compressedSize));
    parts.result = file.substr(at + 8 + compressedSize, file.size() - 4 - (at + 8 + compressedSize));
    return parts;
}

// The file of these parts; rawSize overrides the declared inflated size when not negative.
inline std::string Seal(const Parts& parts, int64_t rawSize = -1) {
    uLongf compressedSize = compressBound(uLong(parts.block.size()));
    std::string compressed(compressedSize, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize,
             reinterpret_cast<const Bytef*>(parts.block.data()), uLong(parts.block.size()));
    compressed.resize(compressedSize);
    std::string file = parts.head;
    Put32(file, rawSize < 0 ? uint64_t(parts.block.size()) : uint64_t(rawSize));
    Put32(file, compressed.size());
    file += compressed + parts.result;
    Put32(file, crc32(0, reinterpret_cast<const Bytef*>(file.data()), uInt(file.size())));
    return file;
}

}  // namespace replayparts
