// The background music, driven through the headless game: which file of the music folder
// is chosen and named on the title screen, and how the main loop keeps it playing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "harness/HeadlessGame.h"
#include "platform/Audio.h"
#include "platform/Input.h"
#include "platform/TAudioSample.h"
#include "platform/TChannel.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"
#include "scores/TTextfield.h"
#include "shell/Music.h"
#include "shell/TitleScreen.h"
#include "support/TestSounds.h"

namespace {

// Frames of the short track: a tenth of a second at the output rate.
constexpr long kTrackFrames = 4410;

// The windowed test settings with the given "MusicVolume" percentage.
std::string OptionsWithMusic(const std::string& percent) {
    std::string options = WindowedOptions(640, 480);
    const std::string key = "MusicVolume=100";
    return options.replace(options.find(key), key.size(), "MusicVolume=" + percent);
}

// Puts files into the music folder; an empty content makes a sub-folder of that name.
std::function<void(const TempWorkingFolder&)> MusicFiles(
    std::vector<std::pair<std::string, std::string>> files) {
    return [files](const TempWorkingFolder& folder) {
        std::filesystem::create_directory(folder.path / "music");
        for (const auto& [name, bytes] : files) {
            if (bytes.empty()) std::filesystem::create_directory(folder.path / "music" / name);
            else folder.Write("music/" + name, bytes);
        }
    };
}

// A mono Ogg track at 44100 Hz, so the mixer plays its frames one to one.
std::string Track(long frames = kTrackFrames) {
    return testsounds::EncodeOgg(1, TMixer::kOutputRate, frames);
}

// The next block of the program's mixer, mixed well after every request so no voice is
// still in its lead-in.
std::vector<int16_t> MixBlock() {
    std::vector<int16_t> out(2 * TMixer::kBlockFrames);
    AudioMixer().MixBlock(out.data(), MilliClock() + 100);
    return out;
}

// The largest left-channel level of a block.
int Peak(const std::vector<int16_t>& block) {
    int peak = 0;
    for (size_t i = 0; i < block.size(); i += 2) peak = std::max(peak, std::abs(int(block[i])));
    return peak;
}

// The title panel's lines that name the music.
std::vector<std::string> MusicLines() {
    std::vector<std::string> found;
    if (titlePanel) {
        titlePanel->lines.ForEach([&](const std::shared_ptr<std::string>& line) {
            if (line->rfind("Music: ", 0) == 0) found.push_back(*line);
        });
    }
    return found;
}

}  // namespace

TEST(Music, TheCreditsNameTheGeneratorOnlyWhileItsOwnTrackPlays) {
    // The asset generator signs its tracks "Tavrik"; a player's track is credited as theirs.
    for (const char* artist : {"Tavrik", "Someone Else"}) {
        const std::string track = testsounds::EncodeOgg(1, TMixer::kOutputRate, kTrackFrames, 440.0, 12345, artist);
        HeadlessGame game(OptionsWithMusic("100"), MusicFiles({{"track.ogg", track}}));
        game.RunFor(20);
        std::vector<std::string> lines;
        titlePanel->lines.ForEach([&](const std::shared_ptr<std::string>& line) { lines.push_back(*line); });
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Music: track");
        const bool generated = std::string(artist) == "Tavrik";
        EXPECT_EQ(lines.back().find("generator") != std::string::npos, generated) << lines.back();
    }
}

TEST(Music, OnlyALowerCaseOggFilePlaysAndTheTitleEndsAtItsFirstDot) {
    // A folder named like a track and a file with the extension in capitals are passed over,
    // whatever the random pick; a different start time seeds a different pick.
    for (int startMs : {100000, 123457, 250001, 777777}) {
        HeadlessGame game(OptionsWithMusic("100"), MusicFiles({{"x.ogg", ""},
                                                               {"Track.OGG", Track(2 * kTrackFrames)},
                                                               {"notes.txt", "not music"},
                                                               {"track.final.ogg", Track()}}),
                          startMs);
        ASSERT_TRUE(game.started);
        ASSERT_TRUE(musicSound) << startMs;
        EXPECT_EQ(musicSound->sample->length, kTrackFrames) << startMs;
        EXPECT_EQ(musicChannel, nullptr);  // nothing plays before the main loop

        game.RunFor(20);
        EXPECT_EQ(MusicLines(), std::vector<std::string>{"Music: track"}) << startMs;
        ASSERT_EQ(ChannelIsPlaying(musicChannel), 1);
        // Full volume: the mixer's output is the decoded track itself.
        const std::vector<int16_t> block = MixBlock();
        int16_t first[4];
        std::memcpy(first, musicSound->sample->data.data(), sizeof first);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(block[size_t(2 * i)], first[i]) << "frame " << i;
        EXPECT_GT(Peak(block), 8000);
    }
}

TEST(Music, EachRunPicksOneOfTheTracksAtRandom) {
    std::set<std::string> titles;
    for (int run = 0; run < 12 && titles.size() < 2; ++run) {
        HeadlessGame game(OptionsWithMusic("100"), MusicFiles({{"alpha.ogg", Track(100)}, {"beta.ogg", Track(100)}}),
                          100000 + 7919 * run);
        ASSERT_TRUE(musicSound);
        titles.insert(musicTitle);
    }
    EXPECT_EQ(titles, (std::set<std::string>{"alpha", "beta"}));
}

TEST(Music, VolumeZeroOrBelowLeavesTheTrackAloneAndTheTitlePanelWithoutMusic) {
    for (const char* percent : {"0", "-50"}) {
        HeadlessGame game(OptionsWithMusic(percent), MusicFiles({{"track.ogg", Track()}}));
        EXPECT_EQ(musicSound, nullptr) << percent;
        EXPECT_EQ(musicTitle, "") << percent;
        game.RunFor(20);
        ASSERT_TRUE(titlePanel);
        EXPECT_TRUE(MusicLines().empty()) << percent;
        EXPECT_EQ(musicChannel, nullptr) << percent;
        EXPECT_EQ(AudioMixer().FreeSlots(), TMixer::kSlots - 1) << percent;
    }
}

TEST(Music, VolumesAboveAHundredPercentPlayAtFullVolume) {
    // (MusicVolume, peak as a share of the full-volume peak in percent)
    int fullPeak = 0;
    for (auto [percent, share] : {std::pair{"100", 100}, {"50", 50}, {"250", 100}, {"100000", 100},
                                  {"99999999999", 100}}) {
        HeadlessGame game(OptionsWithMusic(percent), MusicFiles({{"track.ogg", Track()}}));
        game.Pass();
        ASSERT_EQ(ChannelIsPlaying(musicChannel), 1) << percent;
        const int peak = Peak(MixBlock());
        if (fullPeak == 0) fullPeak = peak;
        EXPECT_NEAR(peak, fullPeak * share / 100, 2) << percent;
    }
}

TEST(Music, ATrackThatEndsStartsAgainInTheNextPassAtTheMusicVolume) {
    HeadlessGame game(OptionsWithMusic("50"), MusicFiles({{"loop.ogg", Track()}}));
    game.Pass();
    const std::shared_ptr<TChannel> channel = musicChannel;
    ASSERT_EQ(ChannelIsPlaying(channel), 1);
    const int firstHandle = channel->handle;
    const int halfPeak = Peak(MixBlock());

    // While it plays, passes leave it alone.
    game.Pass();
    EXPECT_EQ(musicChannel->handle, firstHandle);

    while (ChannelIsPlaying(musicChannel)) MixBlock();
    game.Pass();
    ASSERT_EQ(ChannelIsPlaying(musicChannel), 1);
    EXPECT_NE(musicChannel->handle, firstHandle);
    EXPECT_NEAR(Peak(MixBlock()), halfPeak, 2);  // from its start, at the same volume
}

TEST(Music, AnUndecodableTrackIsNamedButNothingPlays) {
    HeadlessGame game(OptionsWithMusic("100"), MusicFiles({{"broken.tune.ogg", "OggS but no sound"}}));
    EXPECT_EQ(musicSound, nullptr);
    EXPECT_EQ(musicTitle, "broken");
    game.RunFor(20);
    EXPECT_EQ(MusicLines(), std::vector<std::string>{"Music: broken"});
    EXPECT_EQ(musicChannel, nullptr);
    EXPECT_EQ(AudioMixer().FreeSlots(), TMixer::kSlots - 1);
}

TEST(Music, WhenEveryVoiceIsBusyTheMusicStartsOnceOneIsFree) {
    HeadlessGame game(OptionsWithMusic("100"), MusicFiles({{"track.ogg", Track()}}));
    // Short sounds hold every voice until the next mixed block.
    auto blip = LoadSoundFromMemory(testsounds::EncodeOgg(1, TMixer::kOutputRate, 64), 0);
    ASSERT_TRUE(blip);
    while (PlaySoundOn(blip)) {}
    game.Pass();
    game.Pass();
    EXPECT_EQ(musicChannel, nullptr);
    EXPECT_EQ(ChannelIsPlaying(musicChannel), 0);
    ChangeChannelVolume(musicChannel, 1.0f);  // harmless on no channel

    MixBlock();  // the short sounds end
    game.Pass();
    EXPECT_EQ(ChannelIsPlaying(musicChannel), 1);
}
