#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/Audio.h"
#include "platform/Input.h"
#include "platform/TAudioByteStream.h"
#include "platform/TAudioSample.h"
#include "platform/TChannel.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"
#include "support/TestSounds.h"

using namespace testsounds;

namespace {

constexpr int kFrames = TMixer::kBlockFrames;

std::shared_ptr<TAudioSample> Wav(const std::string& bytes) {
    TAudioByteStream stream(bytes);
    return LoadWavSample(stream);
}

// A sound of 16-bit mono frames at the rate.
std::shared_ptr<TSound> Mono16(const std::vector<int>& values, int rate = 44100, int flags = 0) {
    std::string bytes = Pcm16(values);
    return std::make_shared<TSound>(
        std::make_shared<TAudioSample>(TAudioSample::kMono16, rate,
                                       std::vector<uint8_t>(bytes.begin(), bytes.end())),
        flags);
}

std::shared_ptr<TSound> Constant(int value, int frames, int rate = 44100) {
    return Mono16(std::vector<int>(size_t(frames), value), rate);
}

// Mixes blocks on a private mixer; nowMs stays at the request time unless moved.
struct MixerRig {
    std::unique_ptr<TMixer> mixer = std::make_unique<TMixer>();
    std::vector<int16_t> out = std::vector<int16_t>(2 * kFrames);
    int now = 1000;

    // Starts the sound as requested 20 ms ago, so it sounds from the next block's first frame.
    int StartNow(const std::shared_ptr<TSound>& sound) {
        return mixer->StartVoice(sound, now - TMixer::kStartDelayMs);
    }
    const std::vector<int16_t>& Mix() {
        mixer->MixBlock(out.data(), now);
        now += 23;
        return out;
    }
    int Left(int frame) const { return out[size_t(2 * frame)]; }
    int Right(int frame) const { return out[size_t(2 * frame + 1)]; }
};

}  // namespace

// ---- WAV ----

TEST(AudioWav, EveryPcmLayoutLoadsWithItsFrames) {
    struct Case { int channels, bits, format; std::string data; int64_t frames; };
    const std::vector<Case> cases = {
        {1, 8, TAudioSample::kMono8, "\x80\x90\xA0", 3},
        {1, 16, TAudioSample::kMono16, Pcm16({100, -200, 300, -400}), 4},
        {2, 8, TAudioSample::kStereo8, "\x10\x20\x30\x40", 2},
        {2, 16, TAudioSample::kStereo16, Pcm16({1, 2, 3, 4, 5, 6}), 3},
    };
    for (const Case& c : cases) {
        auto sample = Wav(testsounds::Wav(c.channels, c.bits, 22050, c.data));
        ASSERT_TRUE(sample) << c.channels << "ch " << c.bits << "bit";
        EXPECT_EQ(sample->format, c.format);
        EXPECT_EQ(sample->rate, 22050);
        EXPECT_EQ(sample->length, c.frames);
        EXPECT_EQ(std::string(sample->data.begin(), sample->data.end()), c.data);
    }
}

TEST(AudioWav, SkipsExtraFmtBytesAndOddSizedChunksWithTheirPad) {
    // An odd "fmt " extension and an odd unknown chunk: both are followed by a pad byte.
    const std::string file =
        Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 16, "\x01\x00\x07")) + Chunk("LIST", "abc") +
             Chunk("fact", "1234") + Chunk("data", Pcm16({7, 8})));
    auto sample = Wav(file);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->length, 2);
    EXPECT_EQ(sample->rate, 8000);
    EXPECT_EQ(std::string(sample->data.begin(), sample->data.end()), Pcm16({7, 8}));
}

TEST(AudioWav, UnsupportedLayoutsAreRefused) {
    EXPECT_FALSE(Wav(testsounds::Wav(1, 24, 44100, std::string(9, '\0'))));
    EXPECT_FALSE(Wav(testsounds::Wav(2, 32, 44100, std::string(16, '\0'))));
    EXPECT_FALSE(Wav(testsounds::Wav(3, 16, 44100, std::string(12, '\0'))));
    EXPECT_FALSE(Wav(Riff(Chunk("fmt ", FmtBody(3, 1, 44100, 32)) + Chunk("data", "abcd"))));  // float
    EXPECT_FALSE(Wav(Riff(Chunk("fmt ", FmtBody(2, 1, 44100, 4)) + Chunk("data", "abcd"))));   // ADPCM
    EXPECT_FALSE(Wav(Riff(Chunk("fmt ", FmtBody(1, 1, 0, 16)) + Chunk("data", "abcd"))));      // rate 0
}

TEST(AudioWav, DamagedFilesGiveNullOrOnlyTheBytesThatAreThere) {
    const std::string good = testsounds::Wav(1, 16, 44100, Pcm16({1, 2, 3, 4}));
    EXPECT_FALSE(Wav(""));
    EXPECT_FALSE(Wav(good.substr(0, 11)));                      // header cut
    EXPECT_FALSE(Wav(good.substr(0, 30)));                      // fmt cut
    EXPECT_FALSE(Wav(good.substr(0, 44)));                      // data header, no frames
    EXPECT_FALSE(Wav(Riff(Chunk("data", "abcd") + Chunk("fmt ", FmtBody(1, 1, 8000, 8)))));
    EXPECT_FALSE(Wav(Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)))));  // no data chunk
    EXPECT_FALSE(Wav("RIFX" + good.substr(4)));

    // Truncated inside the data (and an odd half frame): the whole frames that are there.
    auto cut = Wav(good.substr(0, good.size() - 3));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->length, 2);

    // A data chunk claiming 4 GB: bounded by the file.
    std::string lying = good;
    lying[40] = lying[41] = lying[42] = lying[43] = '\xFF';
    auto bounded = Wav(lying);
    ASSERT_TRUE(bounded);
    EXPECT_EQ(bounded->length, 4);

    // An unknown chunk whose size runs past the end: no data chunk can follow.
    std::string skipLie = Riff(Chunk("fmt ", FmtBody(1, 1, 8000, 8)) + "JUNK\xF0\xFF\xFF\x7F" +
                               Chunk("data", "abcd"));
    EXPECT_FALSE(Wav(skipLie));
}

TEST(AudioLoad, FilesAreReadThroughTheFileLayerAndOfferedToEachLoader) {
    char dir[] = "/tmp/tavrik-audio-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const std::string wavPath = std::string(dir) + "/beep.wav";
    const std::string oggPath = std::string(dir) + "/tune.ogg";
    const std::string badPath = std::string(dir) + "/bad.wav";
    auto write = [](const std::string& path, const std::string& bytes) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    write(wavPath, testsounds::Wav(2, 8, 11025, "\x01\x02\x03\x04"));
    write(oggPath, EncodeOgg(1, 22050, 2205));
    write(badPath, "not a sound at all");

    auto wav = LoadSoundFile(wavPath, 0);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->sample->format, TAudioSample::kStereo8);
    EXPECT_EQ(wav->Looped(), 0);
    auto ogg = LoadSoundFile(oggPath, TSound::kLooped);
    ASSERT_TRUE(ogg);
    EXPECT_EQ(ogg->sample->format, TAudioSample::kMono16);
    EXPECT_EQ(ogg->Looped(), 1);
    EXPECT_FALSE(LoadSoundFile(badPath, 0));
    EXPECT_FALSE(LoadSoundFile(std::string(dir) + "/missing.wav", 0));

    for (const auto& p : {wavPath, oggPath, badPath}) unlink(p.c_str());
    rmdir(dir);
}

// ---- Ogg Vorbis ----

TEST(AudioOgg, DecodesWholeFileToItsLengthRateAndChannels) {
    auto mono = LoadSoundFromMemory(EncodeOgg(1, 22050, 22050), 0);
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->sample->format, TAudioSample::kMono16);
    EXPECT_EQ(mono->sample->rate, 22050);
    EXPECT_EQ(mono->sample->length, 22050);

    auto stereo = LoadSoundFromMemory(EncodeOgg(2, 44100, 30000), 0);
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->sample->format, TAudioSample::kStereo16);
    EXPECT_EQ(stereo->sample->rate, 44100);
    EXPECT_EQ(stereo->sample->length, 30000);

    // The tone really is there: peak near half scale.
    int peak = 0;
    for (int64_t i = 0; i < stereo->sample->length; ++i) {
        int16_t v;
        std::memcpy(&v, stereo->sample->data.data() + 4 * i, 2);
        peak = std::max(peak, std::abs(int(v)));
    }
    EXPECT_GT(peak, 12000);
    EXPECT_LT(peak, 21000);
}

TEST(AudioOgg, TruncatedOrDamagedFilesDecodeWhatIsThereWithoutCrashing) {
    const std::string good = EncodeOgg(1, 44100, 441000);
    auto half = LoadSoundFromMemory(good.substr(0, good.size() / 2), 0);
    ASSERT_TRUE(half);
    EXPECT_GT(half->sample->length, 441000 / 4);
    EXPECT_LT(half->sample->length, 441000);

    EXPECT_FALSE(LoadSoundFromMemory(good.substr(0, 60), 0));  // headers cut
    EXPECT_FALSE(LoadSoundFromMemory("OggS", 0));

    std::string damaged = good;
    for (size_t i = damaged.size() / 3; i < damaged.size(); i += 97) damaged[i] ^= 0x5A;
    auto result = LoadSoundFromMemory(damaged, 0);
    if (result) {
        EXPECT_LE(result->sample->length, 441000 + 4096);
    }
}

TEST(AudioOgg, ChainedFilesDecodeWhileTheLayoutHoldsAndABrokenLinkEndsThem) {
    const std::string first = EncodeOgg(1, 22050, 5000, 440.0, 1);
    const std::string sameLayout = EncodeOgg(1, 22050, 3000, 660.0, 2);
    const std::string otherLayout = EncodeOgg(2, 44100, 3000, 660.0, 3);

    auto both = LoadSoundFromMemory(first + sameLayout, 0);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->sample->length, 8000);

    // Samples of another layout cannot join this sound: it ends where the layout changes.
    auto cut = LoadSoundFromMemory(first + otherLayout, 0);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->sample->format, TAudioSample::kMono16);
    EXPECT_EQ(cut->sample->length, 5000);

    // A new part that starts but never gives its headers: what came before it still plays;
    // with nothing before it, nothing loads. (This once leaked inside the decoder library.)
    auto beforeBreak = LoadSoundFromMemory(first + EmptyStartPage(7), 0);
    ASSERT_TRUE(beforeBreak);
    EXPECT_EQ(beforeBreak->sample->length, 5000);
    const std::vector<std::string> pages = OggPages(first);
    ASSERT_GE(pages.size(), 3u);
    EXPECT_FALSE(LoadSoundFromMemory(pages[0] + pages[1] + EmptyStartPage(7), 0));
}

TEST(AudioOgg, ALongTrackKeptAsItsFilePlaysTheSameFramesAsDecoded) {
    // Kept whenever it is longer than nothing, against decoded whole: a stereo track at the
    // output rate played once, and a mono one at half the rate looped three times round.
    struct TCase {
        int channels, rate, frames, flags, blocks;
    };
    for (const TCase c : {TCase{2, 44100, 30000, 0, 32}, TCase{1, 22050, 5000, TSound::kLooped, 22}}) {
        const std::string file = EncodeOgg(c.channels, c.rate, c.frames);
        TAudioByteStream forKept(file), forDecoded(file);
        auto kept = std::make_shared<TSound>(LoadOggSample(forKept, 0), c.flags);
        auto decoded = std::make_shared<TSound>(LoadOggSample(forDecoded, kMaxSoundBytes), c.flags);
        EXPECT_TRUE(kept->sample->data.empty());
        EXPECT_EQ(kept->sample->ogg, file);
        EXPECT_EQ(kept->sample->length, decoded->sample->length);
        EXPECT_EQ(kept->sample->format, decoded->sample->format);
        MixerRig a, b;
        const int ha = a.StartNow(kept), hb = b.StartNow(decoded);
        for (int block = 0; block < c.blocks; ++block) {
            ASSERT_EQ(a.Mix(), b.Mix()) << c.channels << " channels, block " << block;
            ASSERT_EQ(a.mixer->VoicePlaying(ha), b.mixer->VoicePlaying(hb)) << "block " << block;
        }
        EXPECT_EQ(a.mixer->VoicePlaying(ha), c.flags);  // the once-played track has ended
    }
}

// ---- Mixer ----

TEST(AudioMixer, SoundsStartTwentyMillisecondsAfterTheirRequest) {
    // (mixing time - request time, silent frames before the sound)
    for (auto [late, silent] : {std::pair{0, 882}, {10, 441}, {20, 0}, {50, 0}}) {
        MixerRig rig;
        rig.mixer->StartVoice(Constant(1000, 5000), rig.now - late);
        rig.Mix();
        EXPECT_EQ(rig.Left(0), silent ? 0 : 1000) << "late " << late;
        if (silent > 0) {
            EXPECT_EQ(rig.Left(silent - 1), 0) << "late " << late;
        }
        EXPECT_EQ(rig.Left(silent), 1000) << "late " << late;
        EXPECT_EQ(rig.Right(silent), 1000) << "late " << late;
    }
}

TEST(AudioMixer, LowRateSoundsStepHalfAFrameAndInterpolate) {
    // A 22050 Hz mono 8-bit WAV: each source frame covers two output frames, the odd ones
    // halfway between two source frames.
    std::string bytes;
    for (int i = 0; i < 600; ++i) bytes.push_back(char(128 + (i % 2 ? 40 : -40)));
    auto sound = LoadSoundFromMemory(testsounds::Wav(1, 8, 22050, bytes), 0);
    ASSERT_TRUE(sound);
    MixerRig rig;
    const int handle = rig.StartNow(sound);
    rig.Mix();
    EXPECT_EQ(rig.Left(0), -40 * 256);
    EXPECT_EQ(rig.Left(1), 0);   // halfway between -40 and +40
    EXPECT_EQ(rig.Left(2), 40 * 256);
    EXPECT_EQ(rig.Left(4), -40 * 256);
    EXPECT_EQ(rig.mixer->VoicePlaying(handle), 1);
    // 600 source frames last 1200 output frames: done during the second block.
    rig.Mix();
    EXPECT_EQ(rig.mixer->VoicePlaying(handle), 0);
    EXPECT_EQ(rig.Left(1200 - kFrames - 1), 40 * 256 / 1);
    EXPECT_EQ(rig.Left(1200 - kFrames), 0);
}

TEST(AudioMixer, VolumeScalesAndTwoFullVoicesClipInsteadOfWrapping) {
    MixerRig rig;
    const int half = rig.StartNow(Constant(20000, 5000));
    const int full = rig.StartNow(Constant(-12000, 5000));
    rig.mixer->SetVoiceVolume(half, TMixer::kFullVolume / 2);
    rig.Mix();
    EXPECT_EQ(rig.Left(0), 10000 - 12000);

    rig.mixer->SetVoiceVolume(half, 0);
    rig.mixer->SetVoiceVolume(full, 50000);  // above 1 plays as 1
    rig.Mix();
    EXPECT_EQ(rig.Left(0), -12000);

    MixerRig loud;
    loud.StartNow(Constant(32767, 3000));
    loud.StartNow(Constant(32767, 3000));
    loud.Mix();
    EXPECT_EQ(loud.Left(0), 32767);   // 65534 clipped high
    EXPECT_EQ(loud.Right(0), 32767);
    const int neg = loud.StartNow(Constant(-32768, 3000));
    loud.StartNow(Constant(-32768, 3000));
    loud.StartNow(Constant(-32768, 3000));
    loud.Mix();
    EXPECT_EQ(loud.Left(0), -32768);  // 65534 - 98304 clipped low
    EXPECT_EQ(loud.mixer->VoicePlaying(neg), 1);
}

TEST(AudioMixer, ChannelVolumeFloatsAreStoredSafely) {
    ResetAudio();
    auto sound = Constant(16000, 50000);
    std::vector<std::pair<float, int>> cases = {
        {0.5f, 8000}, {0.25f, 4000}, {0.0f, 0}, {-3.0f, 0}, {1e9f, 16000}, {NAN, 0}};
    for (auto [volume, level] : cases) {
        AudioMixer().Reset();
        auto channel = PlaySoundOn(sound);
        ASSERT_TRUE(channel);
        ChangeChannelVolume(channel, volume);
        std::vector<int16_t> out(2 * kFrames);
        AudioMixer().MixBlock(out.data(), MilliClock() + 100);
        EXPECT_EQ(out[0], level) << "volume " << volume;
    }
    ResetAudio();
}

TEST(AudioMixer, StereoChannelsStayApartAndPanMovesThem) {
    std::string bytes = Pcm16({1000, -3000, 1000, -3000, 1000, -3000});
    auto sound = std::make_shared<TSound>(
        std::make_shared<TAudioSample>(TAudioSample::kStereo16, 44100,
                                       std::vector<uint8_t>(bytes.begin(), bytes.end())),
        0);
    MixerRig rig;
    const int handle = rig.StartNow(sound);
    rig.mixer->SetVoicePan(handle, -TMixer::kFullVolume);  // hard left
    rig.Mix();
    EXPECT_EQ(rig.Left(0), 1000);
    EXPECT_EQ(rig.Right(0), 0);
    EXPECT_EQ(rig.Left(3), 0);  // past the end of three frames
}

TEST(AudioVoices, EndedVoicesFreeTheirSlotAndStaleHandlesStayInvalid) {
    ResetAudio();
    auto shortSound = Constant(500, 100);
    auto longSound = Constant(700, 100000);
    auto first = PlaySoundOn(shortSound);
    ASSERT_TRUE(first);
    EXPECT_NE(first->handle & 4095, 0);
    EXPECT_EQ(ChannelIsPlaying(first), 1);  // playing while it waits for its start

    std::vector<int16_t> out(2 * kFrames);
    AudioMixer().MixBlock(out.data(), MilliClock() + 100);
    EXPECT_EQ(ChannelIsPlaying(first), 0);

    // The freed slot is reused with a new generation.
    auto second = PlaySoundOn(longSound);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->handle & 4095, first->handle & 4095);
    EXPECT_EQ(second->handle - first->handle, 4096);
    EXPECT_EQ(ChannelIsPlaying(first), 0);
    EXPECT_EQ(ChannelIsPlaying(second), 1);
    ChangeChannelVolume(first, 0.0f);  // aimed at the old voice: no effect on the new one
    StopChannel(first);
    AudioMixer().MixBlock(out.data(), MilliClock() + 100);
    EXPECT_EQ(out[0], 700);
    EXPECT_EQ(ChannelIsPlaying(second), 1);

    // A stopped voice reads as ended at once and is silent from the next block on.
    StopChannel(second);
    EXPECT_EQ(ChannelIsPlaying(second), 0);
    AudioMixer().MixBlock(out.data(), MilliClock() + 100);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(AudioMixer().FreeSlots(), TMixer::kSlots - 1);

    EXPECT_FALSE(PlaySoundOn(nullptr));
    EXPECT_EQ(ChannelIsPlaying(nullptr), 0);
    ResetAudio();
}

TEST(AudioVoices, AllSlotsBusyGivesNullUntilOneEnds) {
    TMixer mixer;
    auto sound = Constant(1, 2000);
    auto quick = Constant(1, 10);
    std::vector<int> handles;
    for (int i = 0; i < TMixer::kSlots - 2; ++i) handles.push_back(mixer.StartVoice(sound, 0));
    const int last = mixer.StartVoice(quick, 0);
    handles.push_back(last);
    EXPECT_EQ(std::count(handles.begin(), handles.end(), 0), 0);
    EXPECT_EQ(mixer.StartVoice(sound, 0), 0);  // 4095 voices at most
    EXPECT_EQ(mixer.FreeSlots(), 0);

    std::vector<int16_t> out(2 * kFrames);
    mixer.MixBlock(out.data(), 100);
    EXPECT_EQ(mixer.VoicePlaying(last), 0);
    EXPECT_EQ(mixer.VoicePlaying(handles.front()), 1);
    EXPECT_NE(mixer.StartVoice(sound, 0), 0);
    EXPECT_EQ(mixer.StartVoice(sound, 0), 0);

    mixer.MixBlock(out.data(), 200);
    EXPECT_EQ(mixer.FreeSlots(), TMixer::kSlots - 2);  // only the latest still plays
}

TEST(AudioVoices, LoopsRestartAndAChannelCanBeReplayed) {
    MixerRig rig;
    const int loop = rig.mixer->StartVoice(Mono16({100, 200, 300}, 44100, TSound::kLooped), rig.now - 20);
    for (int i = 0; i < 3; ++i) rig.Mix();
    EXPECT_EQ(rig.mixer->VoicePlaying(loop), 1);
    EXPECT_EQ(rig.Left(0) + rig.Left(1) + rig.Left(2), 600);

    ResetAudio();
    auto channel = PlaySoundOn(Constant(111, 100000));
    const int oldHandle = channel->handle;
    auto again = PlaySoundOn(Constant(222, 100000), channel);
    EXPECT_EQ(again, channel);
    EXPECT_NE(channel->handle, oldHandle);
    std::vector<int16_t> out(2 * kFrames);
    AudioMixer().MixBlock(out.data(), MilliClock() + 100);
    EXPECT_EQ(out[0], 222);  // the first voice was stopped
    ResetAudio();
}

// ---- Output thread ----

TEST(AudioDriver, WithoutADeviceVoicesStillEndOnTheClock) {
    ResetAudio();
    StartAudioDriver(0);
    const auto start = std::chrono::steady_clock::now();
    auto channel = PlaySoundOn(Constant(100, 22050));  // 500 ms
    ASSERT_TRUE(channel);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(AudioDriverOutput(), kAudioSilent);
    EXPECT_EQ(ChannelIsPlaying(channel), 1);
    while (ChannelIsPlaying(channel) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Mixed at the real-time pace, at most a few blocks ahead: not all at once.
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(ChannelIsPlaying(channel), 0);
    EXPECT_GT(took, std::chrono::milliseconds(350));
    EXPECT_LT(took, std::chrono::milliseconds(1500));

    const auto stopStart = std::chrono::steady_clock::now();
    StopAudioDriver();
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, std::chrono::milliseconds(150));
    EXPECT_EQ(AudioDriverOutput(), kAudioNotRunning);
    ResetAudio();
}
