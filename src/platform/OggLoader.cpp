// Ogg Vorbis decoding through libvorbisfile, reading from a game stream.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioSample.h"
#include "platform/TStream.h"

namespace {

// Longest ARTIST comment kept; the rest of a longer one is dropped.
constexpr size_t kMaxArtistBytes = 256;

size_t StreamRead(void* ptr, size_t size, size_t count, void* source) {
    auto* stream = static_cast<TStream*>(source);
    if (size == 0) return 0;
    const size_t total = size * count;
    size_t done = 0;
    while (done < total) {
        const int want = static_cast<int>(std::min<size_t>(total - done, 1 << 20));
        const int got = stream->Read(static_cast<char*>(ptr) + done, want);
        if (got <= 0) break;
        done += size_t(got);
    }
    return done / size;
}

}  // namespace

std::shared_ptr<TAudioSample> LoadOggSample(TStream& stream) {
    // Quick reject: every Ogg stream starts with a page header.
    char magic[4];
    const int64_t start = stream.Position();
    if (stream.Read(magic, 4) != 4 || magic[0] != 'O' || magic[1] != 'g' || magic[2] != 'g' ||
        magic[3] != 'S') {
        return nullptr;
    }
    if (start < 0 || stream.Seek(start) != start) return nullptr;

    // Opened as a stream without seeking: the whole file is decoded front to back anyway,
    // and a seekable open first scans the file for chained parts, which costs time and, on
    // a damaged chain, leaks inside libvorbisfile.
    ov_callbacks callbacks{};
    callbacks.read_func = StreamRead;
    callbacks.seek_func = nullptr;
    callbacks.tell_func = nullptr;
    callbacks.close_func = nullptr;  // the stream belongs to the caller

    OggVorbis_File file;
    if (ov_open_callbacks(&stream, &file, nullptr, 0, callbacks) < 0) return nullptr;

    const vorbis_info* info = ov_info(&file, -1);
    if (info == nullptr || (info->channels != 1 && info->channels != 2) || info->rate <= 0 ||
        info->rate > kMaxSoundRate) {
        ov_clear(&file);
        return nullptr;
    }
    const int channels = info->channels;
    const long rate = info->rate;
    // Read before decoding: the comments belong to the first part of the stream.
    std::string artist;
    if (vorbis_comment* comments = ov_comment(&file, -1)) {
        if (const char* tag = vorbis_comment_query(comments, "ARTIST", 0)) artist.assign(tag, strnlen(tag, kMaxArtistBytes));
    }

    std::vector<uint8_t> data;
    char buffer[16384];
    int section = 0;
    int holes = 0;
    for (;;) {
        const long got = ov_read(&file, buffer, sizeof buffer, 0 /*little-endian*/, 2, 1, &section);
        if (got == 0) break;
        if (got < 0) {
            // A hole is damage the decoder stepped over; anything else ends the decode.
            if (got == OV_HOLE && ++holes < 1000) continue;
            break;
        }
        // A chained stream whose later part changes layout ends where it changes.
        const vorbis_info* now = ov_info(&file, section);
        if (now == nullptr || now->channels != channels || now->rate != rate) break;
        const int64_t room = kMaxSoundBytes - int64_t(data.size());
        const int64_t take = std::min<int64_t>(got, room);
        data.insert(data.end(), buffer, buffer + take);
        if (take < got) break;
    }
    ov_clear(&file);

    auto sample = std::make_shared<TAudioSample>(
        channels == 1 ? TAudioSample::kMono16 : TAudioSample::kStereo16, static_cast<int>(rate),
        std::move(data));
    if (sample->length <= 0) return nullptr;
    sample->artist = std::move(artist);
    return sample;
}
