// Ogg Vorbis loading: a short file decoded whole, a long one kept as it is.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioSample.h"
#include "platform/TOggReader.h"
#include "platform/TStream.h"

namespace {

// Bytes read from the stream at a time.
constexpr int kReadBytes = 1 << 20;

}  // namespace

std::shared_ptr<TAudioSample> LoadOggSample(TStream& stream, int64_t keepOggAbove) {
    // Quick reject: every Ogg stream starts with a page header.
    char magic[4];
    const int64_t start = stream.Position();
    if (stream.Read(magic, 4) != 4 || magic[0] != 'O' || magic[1] != 'g' || magic[2] != 'g' ||
        magic[3] != 'S') {
        return nullptr;
    }
    if (start < 0 || stream.Seek(start) != start) return nullptr;
    std::string bytes;
    for (;;) {
        const size_t at = bytes.size();
        bytes.resize(at + kReadBytes);
        const int got = stream.Read(bytes.data() + at, kReadBytes);
        bytes.resize(at + size_t(std::max(got, 0)));
        if (got <= 0 || int64_t(bytes.size()) >= kMaxSoundBytes) break;
    }

    TOggReader reader(bytes);
    if (!reader.Open()) return nullptr;
    const int channels = reader.Channels();
    const std::string artist = reader.Artist();
    // Decoded whole, up to the largest sound kept; the frames are dropped once they pass
    // keepOggAbove bytes, and only counted from there on.
    std::vector<uint8_t> data;
    int64_t total = 0;
    char buffer[16384];
    for (;;) {
        const long got = reader.Next(buffer, sizeof buffer);
        if (got <= 0) break;
        const int64_t take = std::min<int64_t>(got, kMaxSoundBytes - total);
        total += take;
        if (total <= keepOggAbove) data.insert(data.end(), buffer, buffer + take);
        else std::vector<uint8_t>().swap(data);
        if (take < got) break;
    }
    const int format = channels == 1 ? TAudioSample::kMono16 : TAudioSample::kStereo16;
    std::shared_ptr<TAudioSample> sample;
    if (total > keepOggAbove) {
        const int64_t length = total / TAudioSample::BytesPerFrame(format);
        bytes.shrink_to_fit();
        sample = std::make_shared<TAudioSample>(format, static_cast<int>(reader.Rate()), length, std::move(bytes));
    } else {
        sample = std::make_shared<TAudioSample>(format, static_cast<int>(reader.Rate()), std::move(data));
    }
    if (sample->length <= 0) return nullptr;
    sample->artist = artist;
    return sample;
}
