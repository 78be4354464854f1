// RIFF/WAVE reader for uncompressed PCM: 8 or 16 bits, one or two channels.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioSample.h"
#include "platform/TStream.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool ReadExactly(TStream& stream, void* buffer, int count) {
    return stream.Read(buffer, count) == count;
}

// Moves forward by count bytes; false when that leaves the file.
bool Skip(TStream& stream, int64_t count, int64_t fileSize) {
    const int64_t pos = stream.Position();
    if (pos < 0) return false;
    const int64_t target = pos + count;
    if (fileSize >= 0 && target > fileSize) return false;
    return stream.Seek(target) == target;
}

// Reads up to count bytes, fewer when the stream ends first.
std::vector<uint8_t> ReadUpTo(TStream& stream, int64_t count) {
    std::vector<uint8_t> data;
    constexpr int kPiece = 1 << 20;
    while (static_cast<int64_t>(data.size()) < count) {
        const int want = static_cast<int>(std::min<int64_t>(kPiece, count - int64_t(data.size())));
        const size_t old = data.size();
        data.resize(old + size_t(want));
        const int got = stream.Read(data.data() + old, want);
        data.resize(old + size_t(std::max(got, 0)));
        if (got < want) break;
    }
    return data;
}

}  // namespace

std::shared_ptr<TAudioSample> LoadWavSample(TStream& stream) {
    uint8_t header[12];
    if (!ReadExactly(stream, header, 12)) return nullptr;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) return nullptr;
    const int64_t fileSize = stream.Size();

    int format = 0;
    int rate = 0;
    for (;;) {
        uint8_t chunk[8];
        if (!ReadExactly(stream, chunk, 8)) return nullptr;
        const int64_t size = Le32(chunk + 4);
        // Chunks of odd size are followed by one pad byte.
        const int64_t padded = size + (size & 1);

        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t fmt[16];
            if (size < 16 || !ReadExactly(stream, fmt, 16)) return nullptr;
            const int tag = Le16(fmt);
            const int channels = Le16(fmt + 2);
            const uint32_t fileRate = Le32(fmt + 4);
            const int bits = Le16(fmt + 14);
            if (tag != 1) return nullptr;
            if (channels == 1 && bits == 8) format = TAudioSample::kMono8;
            else if (channels == 1 && bits == 16) format = TAudioSample::kMono16;
            else if (channels == 2 && bits == 8) format = TAudioSample::kStereo8;
            else if (channels == 2 && bits == 16) format = TAudioSample::kStereo16;
            else return nullptr;
            if (fileRate == 0 || fileRate > uint32_t(kMaxSoundRate)) return nullptr;
            rate = static_cast<int>(fileRate);
            if (!Skip(stream, padded - 16, fileSize)) return nullptr;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (format == 0) return nullptr;
            // Never trust the size: only the bytes the file really holds, within the cap.
            int64_t want = size;
            if (fileSize >= 0) {
                const int64_t pos = stream.Position();
                if (pos >= 0) want = std::min(want, fileSize - pos);
            }
            want = std::clamp<int64_t>(want, 0, kMaxSoundBytes);
            const int frameBytes = TAudioSample::BytesPerFrame(format);
            want -= want % frameBytes;
            auto sample = std::make_shared<TAudioSample>(format, rate, ReadUpTo(stream, want));
            if (sample->length <= 0) return nullptr;
            return sample;
        } else if (!Skip(stream, padded, fileSize)) {
            return nullptr;
        }
    }
}
