// The audio area's free functions over the one program-wide mixer and output thread.
#include "platform/Audio.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/TAudioByteStream.h"
#include "platform/TAudioDriver.h"
#include "platform/TChannel.h"
#include "platform/TMixer.h"
#include "platform/TSound.h"
#include "platform/StateResets.h"

namespace {

// The mixer and its thread. Never destroyed, so an output thread that Stop had to leave
// running never meets a destroyed mixer while the program exits.
struct AudioState {
    TMixer mixer;                      // the voice table
    TAudioDriver driver{mixer};        // the thread that mixes it
};

AudioState& State() {
    static AudioState& state = *std::make_unique<AudioState>().release();
    return state;
}

// The volume as the 16-bit factor the voice stores; out-of-range values are clamped so a
// large volume cannot wrap.
int VolumeFactor(float volume) {
    if (!(volume > 0.0f)) return 0;  // also NaN
    if (volume >= 65535.0f / TMixer::kFullVolume) return 65535;
    return static_cast<int>(volume * TMixer::kFullVolume);
}

}  // namespace

std::shared_ptr<TSound> LoadSoundFromStream(TStream& stream, int flags) {
    std::shared_ptr<TAudioSample> sample;
    if (stream.Seek(0) == 0) sample = LoadWavSample(stream);
    if (!sample && stream.Seek(0) == 0) sample = LoadOggSample(stream);
    if (!sample) return nullptr;
    return std::make_shared<TSound>(std::move(sample), flags);
}

std::shared_ptr<TSound> LoadSoundFromMemory(const std::string& bytes, int flags) {
    TAudioByteStream stream(bytes);
    return LoadSoundFromStream(stream, flags);
}

std::shared_ptr<TSound> LoadSoundFile(const std::string& path, int flags) {
    const std::shared_ptr<TStream> stream = OpenReadStream(path);
    if (!stream) return nullptr;
    std::shared_ptr<TSound> sound = LoadSoundFromStream(*stream, flags);
    stream->Close();
    return sound;
}

std::shared_ptr<TChannel> PlaySoundOn(const std::shared_ptr<TSound>& sound,
                                      const std::shared_ptr<TChannel>& channel) {
    if (!sound) return nullptr;
    TMixer& mixer = State().mixer;
    if (channel) mixer.StopVoice(channel->handle);
    const int handle = mixer.StartVoice(sound, MilliClock());
    if (handle == 0) return nullptr;
    if (channel) {
        channel->handle = handle;
        return channel;
    }
    return std::make_shared<TChannel>(handle);
}

int ChannelIsPlaying(const std::shared_ptr<TChannel>& channel) {
    return channel ? State().mixer.VoicePlaying(channel->handle) : 0;
}

void ChangeChannelVolume(const std::shared_ptr<TChannel>& channel, float volume) {
    if (channel) State().mixer.SetVoiceVolume(channel->handle, VolumeFactor(volume));
}

void ChangeChannelPan(const std::shared_ptr<TChannel>& channel, float pan) {
    if (!channel || std::isnan(pan)) return;
    const float clamped = pan < -1.0f ? -1.0f : pan > 1.0f ? 1.0f : pan;
    State().mixer.SetVoicePan(channel->handle, static_cast<int>(clamped * TMixer::kFullVolume));
}

void StopChannel(const std::shared_ptr<TChannel>& channel) {
    if (channel) State().mixer.StopVoice(channel->handle);
}

void StartAudioDriver(int openDevice) {
    // Every way out of the program stops the thread, also an exit() deep inside the game.
    static const bool stopAtExit = std::atexit(StopAudioDriver) == 0;
    (void)stopAtExit;
    State().driver.Start(openDevice);
}

void StopAudioDriver() {
    State().driver.Stop();
}

int AudioDriverOutput() {
    return State().driver.Output();
}

TMixer& AudioMixer() {
    return State().mixer;
}

void ResetAudio() {
    AudioState& state = State();
    state.driver.Stop();
    // Never clear the table under a thread that is still mixing.
    if (!state.driver.WaitUntilIdle(2000)) return;
    state.mixer.Reset();
}

namespace {
const int stateResetRegistered = RegisterStateReset("audio", kResetRankPlatform + 2, &ResetAudio);
}  // namespace
