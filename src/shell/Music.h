#pragma once
// The background music: one track picked at random from the music folder at start-up and
// played over and over for the whole run.
#include <memory>
#include <string>

class TChannel;
class TSound;

// The folder of the game's tracks, without a trailing separator; an installed game also plays
// the player's own tracks from GamePaths::UserMusicFolder().
extern const std::string musicDir;
// The chosen track, decoded whole; null when music is off, no track was found or it
// could not be decoded.
extern std::shared_ptr<TSound> musicSound;
// The channel playing the track; null before it first starts or while no voice was free.
extern std::shared_ptr<TChannel> musicChannel;
// Title of the chosen track, shown on the title screen; "" while no track was chosen.
extern std::string musicTitle;

// Picks one regular file with the extension exactly "ogg" from the music folders at random, loads
// it and names it; does nothing while the music volume is not above 0.
void ChooseMusicTrack();
// Whether the chosen track is one the game's asset generator composed (its ARTIST says so),
// not one of the player's own.
bool PlayingGeneratedTrack();
// Starts the track again at the music volume when it is not playing; once per pass.
void KeepMusicPlaying();
// The music state back to its start-up value.
void ResetMusic();
