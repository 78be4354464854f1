#include "platform/TAudioDriver.h"

#include <alsa/asoundlib.h>
#include <pthread.h>
#include <signal.h>
#include <fcntl.h>
#include <linux/soundcard.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/Audio.h"
#include "platform/Input.h"
#include "platform/TMixer.h"

namespace {

constexpr int kChannels = 2;
constexpr int kBlockBytes = TMixer::kBlockFrames * kChannels * 2;
// How far (ms of sound) the mixer may run ahead of the clock before it waits: a real
// device's blocking writes hold it at about three blocks; a sink that swallows data at
// once (a file, nowhere) is held to real time by sleeping.
constexpr int kLeadMs = 70;
constexpr int kDeviceSlackMs = 250;

// ALSA reports its errors through this; the game stays quiet on machines without sound.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// One step more scheduling priority than the thread inherited; refusal is ignored.
void RaiseThreadPriority() {
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0) setpriority(PRIO_PROCESS, tid, nice - 1);
}

// ALSA's default playback device at 16-bit stereo 44100 Hz, three periods of one block.
snd_pcm_t* OpenAlsa() {
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return nullptr;
    snd_pcm_hw_params_t* hw = nullptr;
    bool ok = snd_pcm_hw_params_malloc(&hw) == 0;
    unsigned int rate = TMixer::kOutputRate;
    snd_pcm_uframes_t period = TMixer::kBlockFrames;
    snd_pcm_uframes_t buffer = 3 * TMixer::kBlockFrames;
    ok = ok && snd_pcm_hw_params_any(pcm, hw) >= 0 &&
         snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
         snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) >= 0 &&
         snd_pcm_hw_params_set_channels(pcm, hw, kChannels) >= 0 &&
         snd_pcm_hw_params_set_rate_near(pcm, hw, &rate, nullptr) >= 0 &&
         rate == unsigned(TMixer::kOutputRate) &&
         snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr) >= 0 &&
         snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer) >= 0 &&
         snd_pcm_hw_params(pcm, hw) >= 0 && snd_pcm_prepare(pcm) >= 0;
    if (hw) snd_pcm_hw_params_free(hw);
    if (!ok) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

bool WriteAlsa(snd_pcm_t* pcm, const int16_t* block) {
    snd_pcm_uframes_t left = TMixer::kBlockFrames;
    int failures = 0;
    while (left > 0) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, block, left);
        if (n >= 0) {
            block += n * kChannels;
            left -= snd_pcm_uframes_t(n);
            continue;
        }
        // Underruns and suspends are recovered; anything that keeps failing ends the device.
        if (++failures > 8 || snd_pcm_recover(pcm, int(n), 1) < 0) return false;
    }
    return true;
}

// OSS "/dev/dsp": three fragments of 4096 bytes, 16-bit little-endian, stereo, 44100 Hz.
int OpenOss() {
    const int fd = open("/dev/dsp", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    int fragments = 0x3000C;
    ioctl(fd, SNDCTL_DSP_SETFRAGMENT, &fragments);
    int format = AFMT_S16_LE;
    int channels = kChannels;
    int speed = TMixer::kOutputRate;
    if (ioctl(fd, SNDCTL_DSP_SETFMT, &format) < 0 || format != AFMT_S16_LE ||
        ioctl(fd, SNDCTL_DSP_CHANNELS, &channels) < 0 || channels != kChannels ||
        ioctl(fd, SNDCTL_DSP_SPEED, &speed) < 0 || speed < 43000 || speed > 45200) {
        close(fd);
        return -1;
    }
    return fd;
}

bool WriteOss(int fd, const int16_t* block) {
    const char* p = reinterpret_cast<const char*>(block);
    int left = kBlockBytes;
    while (left > 0) {
        const ssize_t n = write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= int(n);
    }
    return true;
}

}  // namespace

TAudioDriver::TAudioDriver(TMixer& mixer) : mixer_(mixer) {}

int TAudioDriver::WaitUntilIdle(int timeoutMs) {
    for (int waited = 0; !done_.load(std::memory_order_acquire); waited += 5) {
        if (waited >= timeoutMs) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (thread_.joinable()) thread_.join();
    return 1;
}

void TAudioDriver::Start(int openDevice) {
    if (run_.load() || !WaitUntilIdle(2000)) return;
    // Process-wide and not thread-safe in ALSA, so set here on the calling thread.
    snd_lib_error_set_handler(QuietAlsaErrors);
    run_.store(1);
    done_.store(0);
    output_.store(kAudioNotRunning);
    // The new thread inherits a mask with the alarm blocked, so not even its first
    // instructions can be interrupted by it.
    sigset_t alarm, old;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, &old);
    thread_ = std::thread(&TAudioDriver::Run, this, openDevice);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void TAudioDriver::Stop() {
    if (!thread_.joinable()) return;
    run_.store(0);
    for (int check = 0; check < 5; ++check) {
        if (done_.load(std::memory_order_acquire)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (done_.load(std::memory_order_acquire)) thread_.join();
    else thread_.detach();
}

int TAudioDriver::Output() const {
    return output_.load();
}

void TAudioDriver::Run(int openDevice) {
    BlockAlarmSignal();
    RaiseThreadPriority();

    snd_pcm_t* pcm = openDevice ? OpenAlsa() : nullptr;
    int dsp = (openDevice && pcm == nullptr) ? OpenOss() : -1;
    output_.store(pcm ? kAudioAlsa : dsp >= 0 ? kAudioOss : kAudioSilent);

    using Clock = std::chrono::steady_clock;
    auto started = Clock::now();
    int64_t framesOut = 0;
    int16_t block[2 * TMixer::kBlockFrames];

    while (run_.load(std::memory_order_acquire)) {
        mixer_.MixBlock(block, MilliClock());
        bool written = true;
        if (pcm) written = WriteAlsa(pcm, block);
        else if (dsp >= 0) written = WriteOss(dsp, block);
        if (!written) {
            // The device went away: carry on silently so voices still end on time.
            if (pcm) snd_pcm_close(pcm);
            if (dsp >= 0) close(dsp);
            pcm = nullptr;
            dsp = -1;
            output_.store(kAudioSilent);
            started = Clock::now();
            framesOut = 0;
            continue;
        }
        framesOut += TMixer::kBlockFrames;

        // Hold the mixer to real time when the output does not: once it is more than the
        // slack ahead, wait until it is only kLeadMs ahead, in short naps so Stop is quick.
        const int slack = (pcm || dsp >= 0) ? kDeviceSlackMs : kLeadMs;
        const int64_t resumeAt = framesOut * 1000 / TMixer::kOutputRate - kLeadMs;
        auto elapsedMs = [&] {
            return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
        };
        if (resumeAt + kLeadMs - elapsedMs() > slack) {
            for (int64_t now = elapsedMs(); now < resumeAt && run_.load(std::memory_order_acquire);
                 now = elapsedMs()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(resumeAt - now, 10)));
            }
        }
    }

    if (pcm) {
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
    }
    if (dsp >= 0) close(dsp);
    output_.store(kAudioNotRunning);
    done_.store(1, std::memory_order_release);
}
