#include "platform/TMixer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/TAudioSample.h"
#include "platform/TOggReader.h"
#include "platform/TSound.h"

static_assert(std::endian::native == std::endian::little,
              "16-bit samples are read as little-endian words");

namespace {

constexpr int kSlotMask = TMixer::kSlots - 1;

// One channel value of frame i as a signed 16-bit level.
template <int Format>
inline void ReadFrame(const uint8_t* data, int64_t i, int& left, int& right) {
    if constexpr (Format == TAudioSample::kMono8) {
        left = right = (static_cast<int>(data[i]) - 128) * 256;
    } else if constexpr (Format == TAudioSample::kStereo8) {
        left = (static_cast<int>(data[2 * i]) - 128) * 256;
        right = (static_cast<int>(data[2 * i + 1]) - 128) * 256;
    } else if constexpr (Format == TAudioSample::kMono16) {
        int16_t v;
        std::memcpy(&v, data + 2 * i, 2);
        left = right = v;
    } else {
        int16_t v[2];
        std::memcpy(v, data + 4 * i, 4);
        left = v[0];
        right = v[1];
    }
}

}  // namespace

TMixer::TMixer() {
    active_.reserve(kSlots);
    Reset();
}

TMixer::~TMixer() = default;

void TMixer::Reset() {
    muted_.store(0);
    for (int slot = 0; slot < kSlots; ++slot) {
        Voice& v = voices_[slot];
        v.status.store(kFree);
        v.volume.store(kFullVolume);
        v.pan.store(0);
        v.stopRequested.store(0);
        v.requestMs.store(0);
        v.sample.store(nullptr);
        v.looped.store(0);
        v.reader.store(nullptr);
        v.sound.reset();
        v.ownReader.reset();
        v.generation = 0;
        v.handle = 0;
        // Slot 0 heads the list and is never handed out: the list proper starts at 1.
        v.nextFree = slot + 1 < kSlots ? slot + 1 : 0;
        v.position = v.step = v.waitFrames = 0;
        startRing_[slot].store(0);
        endRing_[slot].store(0);
    }
    freeHead_ = 1;
    freeCount_ = kSlots - 1;
    startWrite_.store(0);
    startRead_ = 0;
    endWrite_.store(0);
    endRead_ = 0;
    active_.clear();
    accum_.fill(0);
}

// ---- game thread ----

void TMixer::ReclaimFinished() {
    const int end = endWrite_.load(std::memory_order_acquire);
    while (endRead_ != end) {
        const int slot = endRing_[endRead_].load(std::memory_order_relaxed);
        endRead_ = (endRead_ + 1) & kSlotMask;
        Voice& v = voices_[slot];
        v.sound.reset();
        v.sample.store(nullptr, std::memory_order_relaxed);
        v.reader.store(nullptr, std::memory_order_relaxed);
        v.ownReader.reset();
        v.status.store(kFree, std::memory_order_relaxed);
        v.nextFree = freeHead_;
        freeHead_ = slot;
        ++freeCount_;
    }
}

int TMixer::StartVoice(const std::shared_ptr<TSound>& sound, int requestMs) {
    if (!sound || !sound->sample || sound->sample->length <= 0 ||
        TAudioSample::BytesPerFrame(sound->sample->format) == 0 || sound->sample->rate <= 0) {
        return 0;
    }
    ReclaimFinished();
    if (freeHead_ == 0) return 0;
    const int slot = freeHead_;
    Voice& v = voices_[slot];
    freeHead_ = v.nextFree;
    --freeCount_;

    // A fresh generation, so handles to the slot's earlier voices stop matching.
    v.generation += kSlots;
    v.handle = static_cast<int>(v.generation | static_cast<uint32_t>(slot));
    v.sound = sound;
    v.sample.store(sound->sample.get(), std::memory_order_relaxed);
    v.looped.store(sound->Looped(), std::memory_order_relaxed);
    // A kept Ogg file gets a decoder of its own for this voice; it opens on the mixing thread.
    const TAudioSample& sample = *sound->sample;
    v.ownReader = sample.data.empty() ? std::make_unique<TOggReader>(sample.ogg) : nullptr;
    v.reader.store(v.ownReader.get(), std::memory_order_relaxed);
    v.volume.store(kFullVolume, std::memory_order_relaxed);
    v.pan.store(0, std::memory_order_relaxed);
    v.stopRequested.store(0, std::memory_order_relaxed);
    v.requestMs.store(requestMs, std::memory_order_relaxed);
    v.status.store(kPlaying, std::memory_order_relaxed);

    // Hand over: the entry first, then the index that makes it visible.
    const int w = startWrite_.load(std::memory_order_relaxed);
    startRing_[w].store(static_cast<uint16_t>(slot), std::memory_order_relaxed);
    startWrite_.store((w + 1) & kSlotMask, std::memory_order_release);
    return v.handle;
}

int TMixer::LiveSlot(int handle) const {
    const int slot = handle & kSlotMask;
    if (handle == 0 || slot == 0) return 0;
    const Voice& v = voices_[slot];
    if (v.handle != handle) return 0;
    if (v.status.load(std::memory_order_acquire) != kPlaying) return 0;
    return slot;
}

int TMixer::VoicePlaying(int handle) const {
    // A stop request ends the voice for the game at once, though the mixer sees it later.
    const int slot = LiveSlot(handle);
    return slot != 0 && voices_[slot].stopRequested.load(std::memory_order_relaxed) == 0 ? 1 : 0;
}

void TMixer::SetVoiceVolume(int handle, int volume) {
    const int slot = LiveSlot(handle);
    if (slot == 0) return;
    voices_[slot].volume.store(std::clamp(volume, 0, kFullVolume), std::memory_order_relaxed);
}

void TMixer::SetVoicePan(int handle, int pan) {
    const int slot = LiveSlot(handle);
    if (slot == 0) return;
    voices_[slot].pan.store(std::clamp(pan, -kFullVolume, kFullVolume), std::memory_order_relaxed);
}

void TMixer::StopVoice(int handle) {
    const int slot = LiveSlot(handle);
    if (slot == 0) return;
    voices_[slot].stopRequested.store(1, std::memory_order_relaxed);
}

int TMixer::FreeSlots() const {
    const int pending = (endWrite_.load(std::memory_order_acquire) - endRead_) & kSlotMask;
    return freeCount_ + pending;
}

// ---- mixing thread ----

void TMixer::FinishVoice(int slot) {
    voices_[slot].status.store(kFinished, std::memory_order_release);
    const int w = endWrite_.load(std::memory_order_relaxed);
    endRing_[w].store(static_cast<uint16_t>(slot), std::memory_order_relaxed);
    endWrite_.store((w + 1) & kSlotMask, std::memory_order_release);
}

template <int Format, bool Kept>
bool TMixer::MixFrames(Voice& voice, const TAudioSample& sample, int first, int gainL, int gainR) {
    const uint8_t* data = sample.data.data();
    TOggReader* reader = voice.reader.load(std::memory_order_relaxed);
    const int64_t length = sample.length;
    const int64_t end = length << 16;
    const bool looped = voice.looped.load(std::memory_order_relaxed) != 0;
    int64_t pos = voice.position;
    const int64_t step = voice.step;
    int32_t* acc = accum_.data();

    for (int k = first; k < kBlockFrames; ++k) {
        if (pos >= end) {
            if (!looped) break;
            pos %= end;
        }
        const int64_t i = pos >> 16;
        int64_t j = i + 1;
        if (j >= length) j = looped ? 0 : i;
        // 15-bit fraction keeps (b - a) * f inside 32 bits.
        const int f = static_cast<int>(pos & 0xFFFF) >> 1;
        int la, ra, lb, rb;
        if constexpr (Kept) {
            ReadFrame<Format>(reader->Frame(i), 0, la, ra);
            ReadFrame<Format>(reader->Frame(j), 0, lb, rb);
        } else {
            ReadFrame<Format>(data, i, la, ra);
            ReadFrame<Format>(data, j, lb, rb);
        }
        const int l = la + (((lb - la) * f) >> 15);
        const int r = ra + (((rb - ra) * f) >> 15);
        // Full volume adds the level times 16; the output stage shifts that back by 4.
        acc[2 * k] += (l * gainL) >> 8;
        acc[2 * k + 1] += (r * gainR) >> 8;
        pos += step;
    }
    voice.position = pos;
    return looped || pos < end;
}

bool TMixer::MixVoice(Voice& voice) {
    if (voice.stopRequested.load(std::memory_order_relaxed)) return false;
    if (voice.waitFrames >= kBlockFrames) {
        voice.waitFrames -= kBlockFrames;
        return true;
    }
    const int first = static_cast<int>(voice.waitFrames);
    voice.waitFrames = 0;

    const TAudioSample* sample = voice.sample.load(std::memory_order_relaxed);
    if (sample == nullptr || sample->length <= 0) return false;
    const int volume = voice.volume.load(std::memory_order_relaxed);
    const int pan = voice.pan.load(std::memory_order_relaxed);
    // Linear pan law: centre plays both sides at the voice's volume.
    const int gainL = volume * (kFullVolume - std::max(pan, 0)) / kFullVolume;
    const int gainR = volume * (kFullVolume + std::min(pan, 0)) / kFullVolume;

    if (voice.reader.load(std::memory_order_relaxed)) {
        switch (sample->format) {
            case TAudioSample::kMono16: return MixFrames<TAudioSample::kMono16, true>(voice, *sample, first, gainL, gainR);
            case TAudioSample::kStereo16: return MixFrames<TAudioSample::kStereo16, true>(voice, *sample, first, gainL, gainR);
            default: return false;
        }
    }
    switch (sample->format) {
        case TAudioSample::kMono8: return MixFrames<TAudioSample::kMono8, false>(voice, *sample, first, gainL, gainR);
        case TAudioSample::kMono16: return MixFrames<TAudioSample::kMono16, false>(voice, *sample, first, gainL, gainR);
        case TAudioSample::kStereo8: return MixFrames<TAudioSample::kStereo8, false>(voice, *sample, first, gainL, gainR);
        case TAudioSample::kStereo16: return MixFrames<TAudioSample::kStereo16, false>(voice, *sample, first, gainL, gainR);
        default: return false;
    }
}

void TMixer::MixBlock(int16_t* out, int nowMs) {
    // Voices handed over since the last block join the active list.
    const int w = startWrite_.load(std::memory_order_acquire);
    while (startRead_ != w) {
        const int slot = startRing_[startRead_].load(std::memory_order_relaxed);
        startRead_ = (startRead_ + 1) & kSlotMask;
        Voice& v = voices_[slot];
        const TAudioSample* sample = v.sample.load(std::memory_order_relaxed);
        v.position = 0;
        v.step = sample ? (static_cast<int64_t>(sample->rate) << 16) / kOutputRate : 0;
        // Silent lead-in so the sound starts kStartDelayMs after its request. The clock
        // difference is taken modulo 2^32 so a wrapping clock still works.
        const uint32_t due = static_cast<uint32_t>(v.requestMs.load(std::memory_order_relaxed)) +
                             static_cast<uint32_t>(kStartDelayMs);
        const int32_t waitMs = static_cast<int32_t>(due - static_cast<uint32_t>(nowMs));
        v.waitFrames = static_cast<int64_t>(std::clamp(waitMs, 0, kStartDelayMs)) * kOutputRate / 1000;
        active_.push_back(slot);
    }

    for (size_t n = 0; n < active_.size();) {
        const int slot = active_[n];
        if (MixVoice(voices_[slot])) {
            ++n;
        } else {
            FinishVoice(slot);
            active_[n] = active_.back();
            active_.pop_back();
        }
    }

    // Muted, the voices still advance (music goes on where it is) but nothing is heard.
    const bool muted = muted_.load(std::memory_order_relaxed) != 0;
    for (int i = 0; i < 2 * kBlockFrames; ++i) {
        out[i] = muted ? 0 : static_cast<int16_t>(std::clamp(accum_[i] >> 4, -32768, 32767));
        accum_[i] = 0;
    }
}

void TMixer::SetMuted(int on) { muted_.store(on ? 1 : 0, std::memory_order_relaxed); }

int TMixer::Muted() const { return muted_.load(std::memory_order_relaxed); }
