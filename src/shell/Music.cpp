#include "shell/Music.h"

#include <utility>
#include <vector>

#include "platform/Audio.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/TAudioSample.h"
#include "platform/TSound.h"
#include "platform/Text.h"
#include "shell/GamePaths.h"
#include "shell/Shell.h"

const std::string musicDir = "music";
std::shared_ptr<TSound> musicSound;
std::shared_ptr<TChannel> musicChannel;
std::string musicTitle;

namespace {

// The ARTIST the asset generator writes into the tracks it composes.
const std::string kGeneratedTrackArtist = "Tavrik";

// Only this exact spelling counts as a track: "OGG" or "Ogg" files are passed over.
const std::string kTrackExtension = "ogg";

// Whether a name listed in a music folder (ending in a separator) is a track: a regular file
// ending in ".ogg".
bool IsTrack(const std::string& folder, const std::string& name) {
    return PathKind(folder + name) == 1 && PathExtension(name) == kTrackExtension;
}

}  // namespace

void ChooseMusicTrack() {
    if (!(musicVolume > 0.0f)) return;
    // The tracks in the order the system lists them, the game's first, each with its folder.
    std::vector<std::pair<std::string, std::string>> tracks;
    for (const std::string& folder : {musicDir + "\\", GamePaths::UserMusicFolder()}) {
        if (folder.empty()) continue;
        for (const std::string& name : ListDirectory(folder, 1)) {
            if (IsTrack(folder, name)) tracks.emplace_back(folder, name);
        }
    }
    if (tracks.empty()) return;
    const auto& [folder, name] = tracks[size_t(RandomInt(1, int(tracks.size())) - 1)];
    musicSound = LoadSoundFile(folder + name, 0);
    // A track that cannot be decoded is still named.
    musicTitle = LeftText(name, FindText(name, ".") - 1);
}

bool PlayingGeneratedTrack() {
    return musicSound && musicSound->sample->artist == kGeneratedTrackArtist;
}

void KeepMusicPlaying() {
    if (!musicSound) return;
    // A null channel (no voice was free last time) reads as not playing: try again.
    if (ChannelIsPlaying(musicChannel)) return;
    musicChannel = PlaySoundOn(musicSound);
    ChangeChannelVolume(musicChannel, musicVolume);
}

void ResetMusic() {
    musicSound.reset();
    musicChannel.reset();
    musicTitle.clear();
}

namespace {
const int stateResetRegistered = RegisterStateReset("music", kResetRankShell + 4, &ResetMusic);
}  // namespace
