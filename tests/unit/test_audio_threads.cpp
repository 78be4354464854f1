// The voice table used from two threads at once; meant to run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/Audio.h"
#include "platform/TAudioByteStream.h"
#include "platform/TAudioSample.h"
#include "platform/TChannel.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"
#include "support/TestSounds.h"

namespace {

std::shared_ptr<TSound> Tone(int frames, int rate, int value) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        bytes.push_back(uint8_t(value & 0xFF));
        bytes.push_back(uint8_t((value >> 8) & 0xFF));
    }
    return std::make_shared<TSound>(std::make_shared<TAudioSample>(TAudioSample::kMono16, rate, bytes), 0);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

// A thread mixing as fast as it can while the game thread starts, changes, stops and asks
// about thousands of voices, so every slot is reused many times over.
TEST(AudioThreads, VoicesComeAndGoWhileAnotherThreadMixes) {
    auto mixer = std::make_unique<TMixer>();
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread mixing([&] {
        std::vector<int16_t> out(2 * TMixer::kBlockFrames);
        int now = 0;
        while (!stop.load()) {
            mixer->MixBlock(out.data(), now);
            now += 23;
            blocks.fetch_add(1);
        }
    });

    const std::vector<std::shared_ptr<TSound>> sounds = {
        Tone(300, 44100, 1000), Tone(700, 22050, -2000), Tone(1500, 48000, 300)};
    int started = 0;
    int refused = 0;
    std::vector<int> handles;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    for (int round = 0; started < 12000 && std::chrono::steady_clock::now() < until; ++round) {
        const int handle = mixer->StartVoice(sounds[size_t(round % 3)], round / 10);
        if (handle == 0) {
            // Every slot busy: let the mixer end some.
            ++refused;
            std::this_thread::yield();
            continue;
        }
        ++started;
        handles.push_back(handle);
        mixer->SetVoiceVolume(handle, round % 4097);
        mixer->SetVoicePan(handle, (round % 8193) - 4096);
        if (round % 7 == 0) mixer->StopVoice(handle);
        if (handles.size() > 64) {
            for (int h : handles) mixer->VoicePlaying(h);
            handles.clear();
        }
    }
    // Every voice ends by itself; all slots come back.
    const bool drained = WaitFor([&] { return mixer->FreeSlots() == TMixer::kSlots - 1; }, 5000);
    // On a loaded machine the voices can all end within fewer blocks; the mixer keeps going.
    WaitFor([&] { return blocks.load() > 10; }, 5000);
    stop.store(true);
    mixing.join();
    EXPECT_TRUE(drained);
    EXPECT_EQ(started, 12000);
    EXPECT_GT(blocks.load(), 10);
}

// The real output thread (without a device) against the public calls.
TEST(AudioThreads, PublicCallsAgainstTheOutputThread) {
    ResetAudio();
    StartAudioDriver(0);
    auto sound = Tone(2205, 44100, 5000);  // 50 ms
    // Now and then a track kept as its file, which the output thread decodes as it plays.
    TAudioByteStream file(testsounds::EncodeOgg(1, 44100, 2205));
    auto kept = std::make_shared<TSound>(LoadOggSample(file, 0), 0);
    std::vector<std::shared_ptr<TChannel>> channels;
    for (int i = 0; i < 400; ++i) {
        auto channel = PlaySoundOn(i % 50 == 25 ? kept : sound);
        ASSERT_TRUE(channel);
        ChangeChannelVolume(channel, float(i % 10) / 10.0f);
        channels.push_back(channel);
        if (i % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    auto replayed = PlaySoundOn(sound, channels.front());
    EXPECT_EQ(replayed, channels.front());
    const bool ended = WaitFor([&] {
        for (const auto& c : channels)
            if (ChannelIsPlaying(c)) return false;
        return true;
    }, 5000);
    EXPECT_TRUE(ended);
    StopAudioDriver();
    EXPECT_EQ(AudioMixer().FreeSlots(), TMixer::kSlots - 1);
    ResetAudio();
}
