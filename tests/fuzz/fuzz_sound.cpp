// libFuzzer target for the sound loaders: the bytes are offered to the WAV and Ogg Vorbis
// loaders exactly as a file would be, and whatever loads is played for a few blocks so the
// mixer also meets every layout and rate a file can declare. Ogg pages carry a checksum
// that almost every mutation breaks, so an Ogg input is offered a second time with its page
// checksums made right: that way the mutations reach the Vorbis decoder too.
// Seed it with a few small WAV files of each layout and a short Ogg file or two (the
// builders in tests/support/TestSounds.h make them).
#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioByteStream.h"
#include "platform/TAudioSample.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"

namespace {

// Sets the checksum of every whole Ogg page found in a row from the start.
void FixOggChecksums(std::string& bytes) {
    size_t at = 0;
    while (at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0) {
        auto* page = reinterpret_cast<unsigned char*>(&bytes[at]);
        const size_t headerLen = 27 + size_t(page[26]);
        if (at + headerLen > bytes.size()) return;
        size_t bodyLen = 0;
        for (size_t i = 27; i < headerLen; ++i) bodyLen += page[i];
        if (at + headerLen + bodyLen > bytes.size()) return;
        ogg_page og{page, long(headerLen), page + headerLen, long(bodyLen)};
        ogg_page_checksum_set(&og);
        at += headerLen + bodyLen;
    }
}

void LoadAndPlay(const std::string& bytes) {
    TAudioByteStream stream(bytes);
    const std::shared_ptr<TSound> sound = LoadSoundFromStream(stream, 0);
    if (!sound) return;

    // What a loader accepts must be consistent: whole frames of a known layout.
    const TAudioSample& sample = *sound->sample;
    const int frameBytes = TAudioSample::BytesPerFrame(sample.format);
    if (frameBytes == 0 || sample.length <= 0 || sample.rate <= 0 || sample.rate > kMaxSoundRate ||
        static_cast<int64_t>(sample.data.size()) != sample.length * frameBytes) {
        __builtin_trap();
    }

    // One private mixer for the whole run: the sound plays for three blocks, then a looped
    // copy joins it for three more so short sounds wrap; then both are forgotten.
    static TMixer& mixer = *new TMixer;
    static std::vector<int16_t> out(2 * TMixer::kBlockFrames);
    mixer.Reset();
    const int handle = mixer.StartVoice(sound, -TMixer::kStartDelayMs);
    if (handle == 0) __builtin_trap();
    for (int block = 0; block < 3; ++block) mixer.MixBlock(out.data(), 0);
    auto looped = std::make_shared<TSound>(sound->sample, TSound::kLooped);
    mixer.StartVoice(looped, -TMixer::kStartDelayMs);
    for (int block = 0; block < 3; ++block) mixer.MixBlock(out.data(), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    LoadAndPlay(bytes);
    if (bytes.compare(0, 4, "OggS") == 0) {
        FixOggChecksums(bytes);
        LoadAndPlay(bytes);
    }
    return 0;
}
