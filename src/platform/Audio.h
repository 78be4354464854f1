#pragma once
// Sound effects and music: loading WAV and Ogg Vorbis files whole into memory, playing
// them on mixer voices, and the output thread that feeds the sound device.
#include <cstdint>
#include <memory>
#include <string>

class TAudioSample;
class TChannel;
class TMixer;
class TSound;
class TStream;

// Largest decoded sound kept, in bytes; a longer Ogg file is cut there.
constexpr int64_t kMaxSoundBytes = int64_t(256) << 20;
// Highest sample rate a file may declare.
constexpr int kMaxSoundRate = 384000;
// Decoded size above which an Ogg file is kept as it is and decoded as it plays: a music
// track holds a tenth of its decoded size that way, a sound effect stays decoded.
constexpr int64_t kKeepOggAboveBytes = int64_t(4) << 20;

// ---- Loading ----
// Loads a WAV (8 or 16-bit PCM, mono or stereo) or Ogg Vorbis file; null when the file is
// missing or no loader accepts it. flags: TSound::kLooped or 0.
std::shared_ptr<TSound> LoadSoundFile(const std::string& path, int flags);
// The same from bytes in memory.
std::shared_ptr<TSound> LoadSoundFromMemory(const std::string& bytes, int flags);
// The same from a stream positioned anywhere; it is read from its start.
std::shared_ptr<TSound> LoadSoundFromStream(TStream& stream, int flags);
// The WAV loader alone, reading from the stream's current position. Null unless the data
// is a RIFF/WAVE file with PCM samples; a data chunk longer than the file gives the frames
// that are really there.
std::shared_ptr<TAudioSample> LoadWavSample(TStream& stream);
// The Ogg Vorbis loader alone: decodes the whole stream into 16-bit frames at its own rate.
// A chained file goes on through its parts while channels and rate stay the same. A
// truncated or damaged stream gives what decoded before the damage; null when nothing did.
// Frames of more than keepOggAbove bytes are not kept: the sample keeps the file instead,
// and plays the same frames decoded as it goes.
std::shared_ptr<TAudioSample> LoadOggSample(TStream& stream, int64_t keepOggAbove = kKeepOggAboveBytes);

// ---- Playing ----
// Starts the sound from its beginning at full volume on a free voice; the new channel, or
// null when the sound is null or every voice is busy. Given a channel, its current voice
// is stopped and the channel is moved to the new voice (and returned).
std::shared_ptr<TChannel> PlaySoundOn(const std::shared_ptr<TSound>& sound,
                                      const std::shared_ptr<TChannel>& channel = nullptr);
// 1 while the channel's voice plays (including its short lead-in), else 0; a null channel
// (no voice was free) reads as not playing.
int ChannelIsPlaying(const std::shared_ptr<TChannel>& channel);
// Volume 0 silent .. 1 full; stored as trunc(volume * 4096). Volumes above 1 play as 1,
// negative ones as 0; a null channel is left alone.
void ChangeChannelVolume(const std::shared_ptr<TChannel>& channel, float volume);
// Pan -1 full left .. 0 centre .. 1 full right.
void ChangeChannelPan(const std::shared_ptr<TChannel>& channel, float pan);
// Ends the channel's voice at the next mixed block.
void StopChannel(const std::shared_ptr<TChannel>& channel);

// ---- Output ----
// What the output thread writes to.
enum AudioDriverKind { kAudioNotRunning = 0, kAudioAlsa = 1, kAudioOss = 2, kAudioSilent = 3 };
// Starts the output thread once (later calls do nothing while it runs). It tries ALSA's
// default device, then OSS "/dev/dsp"; with neither (or openDevice 0) it keeps mixing
// into silence at the real-time pace, so voices still end on time.
void StartAudioDriver(int openDevice = 1);
// Clears the run flag and waits up to about 100 ms for the thread to end, then goes on.
void StopAudioDriver();
// The output in use: AudioDriverKind; kAudioNotRunning until the thread has chosen.
int AudioDriverOutput();

// ---- Tests ----
// The program's mixer, for driving it block by block without the output thread.
TMixer& AudioMixer();
// Stops the output thread and forgets every voice.
void ResetAudio();
