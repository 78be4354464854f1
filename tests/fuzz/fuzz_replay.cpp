// Fuzzer for replay files. The first byte chooses how the rest is used:
//   0: the rest is the file as it is;
//   1: the rest is the file, its last four bytes replaced by the right checksum;
//   2 and 3: the rest is the inflated steps block of a small valid replay (3 also gets a result
//      whose step count is the block's first word), sealed with right sizes and checksum.
// A file that decodes must encode to a file that decodes to the same replay.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "scores/TReplay.h"
#include "support/ReplayParts.h"

namespace {

constexpr uint8_t kModes = 4;

TReplay Sample() {
    TReplay replay = replayparts::Headed();
    for (int i = 0; i < 130; ++i) {
        TControls step;
        step.thrust = uint8_t(i * 7);
        step.aimX = 320 + i * 3;
        step.aimY = 240 - i;
        step.buttons = uint8_t(i / 20 & kControlButtonMask);
        step.selectRocket = uint8_t(i % 4 == 0 ? 1 : 0);
        replay.steps.push_back(step);
    }
    replay.checkpoints = {0x0123456789ABCDEFull, 42};
    replay.result = {4200, 17, 2, 130, TReplayEnd::GameOver};
    return replay;
}

void WriteSeeds(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::string file = Sample().Encode();
    const replayparts::Parts parts = replayparts::Split(file);
    std::ofstream(dir / "seed-file", std::ios::binary) << char(0) << file;
    std::ofstream(dir / "seed-block", std::ios::binary) << char(3) << parts.block;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("TAVRIK_FUZZ_SEEDS")) WriteSeeds(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0] % kModes;
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string file = rest;
    if (mode == 1 && rest.size() >= 4) {
        file.resize(rest.size() - 4);
        replayparts::Put32(file, crc32(0, reinterpret_cast<const Bytef*>(file.data()), uInt(file.size())));
    } else if (mode >= 2) {
        static const std::string sample = Sample().Encode();
        replayparts::Parts parts = replayparts::Split(sample);
        parts.block = rest;
        if (mode == 3 && rest.size() >= 4) parts.result.replace(16, 4, rest.substr(0, 4));
        file = replayparts::Seal(parts);
    }

    TReplay replay;
    std::string error;
    if (!TReplay::Decode(file, replay, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    TReplay again;
    if (!TReplay::Decode(replay.Encode(), again, error)) std::abort();
    if (!(again == replay)) std::abort();
    return 0;
}
