// Sound costs: the mixer's time per output block with many voices playing, against the
// block's own length in real time, the time to load a long Ogg Vorbis track and to mix it
// decoding as it plays.
//   build/bench/bench_audio
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioSample.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"
#include "support/TestSounds.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Two seconds of a tone in the given layout and rate, looped so the voice never ends.
std::shared_ptr<TSound> LoopedTone(int format, int rate) {
    const int frames = 2 * rate;
    const int channels = (format == TAudioSample::kStereo8 || format == TAudioSample::kStereo16) ? 2 : 1;
    const bool wide = format == TAudioSample::kMono16 || format == TAudioSample::kStereo16;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int v = (i * (c + 3) * 97) % 20000 - 10000;
            if (wide) {
                bytes.push_back(uint8_t(v & 0xFF));
                bytes.push_back(uint8_t((v >> 8) & 0xFF));
            } else {
                bytes.push_back(uint8_t(128 + v / 256));
            }
        }
    }
    return std::make_shared<TSound>(std::make_shared<TAudioSample>(format, rate, std::move(bytes)),
                                    TSound::kLooped);
}

// Mixes blocks with `voices` voices playing: the game's mix of layouts and rates
// (8 and 16-bit, mono and stereo, 22050, 44100 and 11025 Hz), at volumes below full.
void MixerWorkload(int voices) {
    const std::vector<std::shared_ptr<TSound>> sounds = {
        LoopedTone(TAudioSample::kMono16, 22050), LoopedTone(TAudioSample::kMono16, 44100),
        LoopedTone(TAudioSample::kMono8, 22050),  LoopedTone(TAudioSample::kStereo16, 44100),
        LoopedTone(TAudioSample::kStereo8, 11025)};
    auto mixer = std::make_unique<TMixer>();
    for (int i = 0; i < voices; ++i) {
        const int handle = mixer->StartVoice(sounds[size_t(i) % sounds.size()], -TMixer::kStartDelayMs);
        mixer->SetVoiceVolume(handle, 600 + (i * 37) % 3000);
    }
    std::vector<int16_t> out(2 * TMixer::kBlockFrames);
    mixer->MixBlock(out.data(), 0);  // voices join; warm-up

    // About the same number of voice-blocks for every count, at least 500 blocks.
    const int blocks = std::max(500, 8000 * 8 / voices);
    std::vector<double> each;
    each.reserve(size_t(blocks));
    int64_t checksum = 0;
    const auto start = Clock::now();
    for (int b = 0; b < blocks; ++b) {
        const auto t = Clock::now();
        mixer->MixBlock(out.data(), 0);
        each.push_back(Seconds(t) * 1e6);
        checksum += out[size_t(b) % out.size()];
    }
    const double meanUs = Seconds(start) * 1e6 / blocks;
    std::sort(each.begin(), each.end());
    const double medianUs = each[each.size() / 2];
    const double worstUs = each.back();
    const double blockUs = 1e6 * TMixer::kBlockFrames / TMixer::kOutputRate;
    std::printf("workload mix_block_%d_voices blocks=%d\n", voices, blocks);
    std::printf("  us_per_block_mean     %.1f\n", meanUs);
    std::printf("  us_per_block_median   %.1f\n", medianUs);
    std::printf("  us_per_block_worst    %.1f\n", worstUs);
    // The median is the steady cost; the mean also carries the times the thread was preempted.
    std::printf("  share_of_block_median %.2f%% (of %.1f ms)\n", 100.0 * medianUs / blockUs, blockUs / 1000);
    std::printf("  share_of_block_mean   %.2f%%\n", 100.0 * meanUs / blockUs);
    std::printf("  ns_per_voice_frame    %.2f (median)\n", medianUs * 1000 / (double(voices) * TMixer::kBlockFrames));
    std::printf("  (checksum %lld)\n", static_cast<long long>(checksum));
}

// Decodes a 60-second stereo 44100 Hz Ogg Vorbis file, the size of a music track, through
// the same call the game uses: from a file on disk, and from the bytes in memory.
void OggDecodeWorkload() {
    constexpr int kRate = 44100;
    constexpr int kSeconds = 60;
    const std::string ogg = testsounds::EncodeOgg(2, kRate, long(kRate) * kSeconds);
    char path[] = "/tmp/tavrik-bench-ogg-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, ogg.data(), ogg.size()) != ssize_t(ogg.size())) {
        std::printf("workload ogg_decode_60s_stereo_44100: cannot write %s\n", path);
        return;
    }
    close(fd);

    constexpr int kRuns = 3;
    double fileBest = 1e9, memoryBest = 1e9;
    int64_t frames = 0;
    size_t bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto t = Clock::now();
        auto sound = LoadSoundFile(path, 0);
        fileBest = std::min(fileBest, Seconds(t));
        if (!sound) {
            std::printf("workload ogg_decode_60s_stereo_44100: file did not load\n");
            unlink(path);
            return;
        }
        frames = sound->sample->length;
        bytes = sound->sample->data.size() + sound->sample->ogg.size();
        t = Clock::now();
        auto again = LoadSoundFromMemory(ogg, 0);
        memoryBest = std::min(memoryBest, Seconds(t));
    }
    unlink(path);
    std::printf("workload ogg_decode_60s_stereo_44100 runs=%d\n", kRuns);
    std::printf("  file_bytes            %zu\n", ogg.size());
    std::printf("  decoded_frames        %lld (%.1f s)\n", static_cast<long long>(frames), double(frames) / kRate);
    std::printf("  kept_bytes            %zu (%s)\n", bytes, bytes < ogg.size() * 2 ? "the file, decoded in play" : "decoded");
    std::printf("  ms_load_from_file     %.1f (best)\n", fileBest * 1000);
    std::printf("  ms_load_from_memory   %.1f (best)\n", memoryBest * 1000);
    std::printf("  times_real_time       %.0fx\n", kSeconds / fileBest);
}

// Mixes a kept 60-second track from start to end on one voice: what decoding as it plays
// costs the output thread per block.
void KeptTrackWorkload() {
    constexpr int kRate = 44100;
    constexpr int kSeconds = 60;
    auto sound = LoadSoundFromMemory(testsounds::EncodeOgg(2, kRate, long(kRate) * kSeconds), 0);
    if (!sound) return;
    auto mixer = std::make_unique<TMixer>();
    mixer->StartVoice(sound, -TMixer::kStartDelayMs);
    std::vector<int16_t> out(2 * TMixer::kBlockFrames);
    std::vector<double> each;
    for (int64_t done = 0; done < sound->sample->length; done += TMixer::kBlockFrames) {
        const auto t = Clock::now();
        mixer->MixBlock(out.data(), 0);
        each.push_back(Seconds(t) * 1e6);
    }
    const double firstUs = each.front();  // opens the decoder
    std::sort(each.begin(), each.end());
    const double blockUs = 1e6 * TMixer::kBlockFrames / TMixer::kOutputRate;
    std::printf("workload mix_kept_track_60s blocks=%zu kept=%s\n", each.size(),
                sound->sample->data.empty() ? "file" : "decoded");
    std::printf("  us_per_block_median   %.1f (%.2f%% of the block)\n", each[each.size() / 2],
                100.0 * each[each.size() / 2] / blockUs);
    std::printf("  us_first_block        %.1f (%.2f%% of the block)\n", firstUs, 100.0 * firstUs / blockUs);
    std::printf("  us_per_block_worst    %.1f (%.2f%% of the block; preemption included)\n", each.back(),
                100.0 * each.back() / blockUs);
    std::printf("  us_per_block_99th     %.1f\n", each[each.size() * 99 / 100]);
}

}  // namespace

int main() {
    for (int voices : {8, 64, 512}) MixerWorkload(voices);
    OggDecodeWorkload();
    KeptTrackWorkload();
    return 0;
}
