// Fuzzer for the PNG reader: every input goes through the in-memory decoder as it is, and
// with its chunk checksums repaired (most mutations would otherwise stop at the first bad
// checksum) through both the in-memory decoder and the stream decoder the file loader
// uses, fed in small uneven pieces. Whatever decodes is masked, padded for a texture,
// tested for overlap and written back out, so those paths see odd pictures too.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
#include "platform/TStream.h"

namespace {

// Decoded pictures are capped lower than in the game so that headers claiming huge
// pictures do not slow every run down; the cap is the same code path either way.
constexpr size_t kFuzzMaxDecoded = size_t(32) << 20;

// A read-only stream over the input that hands out at most a few bytes per read.
class TPieceStream : public TStream {
public:
    TPieceStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int Read(void* buffer, int count) override {
        if (count <= 0 || pos_ >= size_) return 0;
        size_t n = std::min<size_t>({static_cast<size_t>(count), size_ - pos_, 1 + (pos_ * 7 + 3) % 61});
        std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return static_cast<int>(n);
    }
    int Write(const void*, int) override { return 0; }
    int64_t Position() override { return static_cast<int64_t>(pos_); }
    int64_t Size() override { return static_cast<int64_t>(size_); }
    int64_t Seek(int64_t) override { return -1; }
    void Flush() override {}
    void Close() override { pos_ = size_; }
    int AtEnd() override { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A copy of the bytes with the checksum of every whole chunk after the signature recomputed.
std::string WithRepairedChecksums(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        auto byte = [&](size_t i) { return uint32_t(uint8_t(bytes[i])); };
        uint32_t length = byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
        if (length > bytes.size() - at - 12) break;
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + at + 4), uInt(length + 4));
        for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = char(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return bytes;
}

// A few small pictures in every colour type the writer makes, as starting points.
void WriteSeeds(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (int format = 1; format <= 6; ++format) {
        TPixmap p(7, 5, format);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                p.SetPixelARGB(x, y, uint32_t(x * 36) << 24 | uint32_t(x * 30) << 16 | uint32_t(y * 50) << 8 |
                                         uint32_t((x ^ y) * 20));
        std::string png = EncodePNGBytes(p, format % 2 ? 9 : 0);
        std::ofstream(dir / ("seed-format" + std::to_string(format) + ".png"), std::ios::binary) << png;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // scripts/fuzz.sh names the corpus folder here so a fresh corpus has seeds.
    if (const char* seeds = std::getenv("TAVRIK_FUZZ_SEEDS")) WriteSeeds(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodePNGBytes(data, size, kFuzzMaxDecoded);
    std::string repaired = WithRepairedChecksums(data, size);
    std::shared_ptr<TPixmap> fromBytes = DecodePNGBytes(repaired.data(), repaired.size(), kFuzzMaxDecoded);
    TPieceStream stream(reinterpret_cast<const uint8_t*>(repaired.data()), repaired.size());
    std::shared_ptr<TPixmap> fromStream = DecodePNGStream(stream, kFuzzMaxDecoded);
    // Both readers see the same bytes and must agree.
    if (!fromBytes != !fromStream) std::abort();
    if (!fromBytes) return 0;
    if (fromBytes->pixels != fromStream->pixels || fromBytes->format != fromStream->format) std::abort();

    // Small pictures go on through the rest of the image layer.
    if (size_t(fromBytes->width) * fromBytes->height <= 256 * 256) {
        std::shared_ptr<TImage> image = LoadImageFile(fromBytes, -1);
        if (!image) std::abort();
        int usedW = 0, usedH = 0;
        TexturePixels(*image->FramePixmap(0), 64, 64, usedW, usedH);
        CentreImageAnchor(image);
        ImagesOverlap(image, 10.5f, 3, 0, 33, 1.5f, 0.75f, image, 12, 4, 0, -70, 1, 1);
        std::string again = EncodePNGBytes(*fromBytes, 1);
        std::shared_ptr<TPixmap> back = DecodePNGBytes(again.data(), again.size(), kFuzzMaxDecoded);
        if (!back || back->pixels != fromBytes->pixels) std::abort();
    }
    return 0;
}
