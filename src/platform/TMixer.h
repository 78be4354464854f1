#pragma once
// The software mixer: the voice table shared by the game thread and the output thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class TSound;
class TAudioSample;
class TOggReader;

// Mixes up to 4095 voices into blocks of 1024 stereo frames at 44100 Hz.
//
// Two threads use it without locks. The game thread (StartVoice, VoicePlaying, SetVoice*,
// StopVoice) owns the free list and hands new voices over through a ring: it fills the
// voice, stores its slot in the ring entry and only then advances the write index. The
// mixing thread (MixBlock) picks voices up from that ring, and when a voice ends it marks
// it finished and hands the slot back through a second ring, from which the game thread
// returns it to the free list at its next StartVoice. Every field both threads touch is
// an atomic; everything else belongs to one side only.
class TMixer {
public:
    static constexpr int kSlots = 4096;         // voice slots; slot 0 is never used
    static constexpr int kBlockFrames = 1024;   // stereo frames per mixed block
    static constexpr int kOutputRate = 44100;   // output frames per second
    static constexpr int kStartDelayMs = 20;    // every sound starts this long after its request
    static constexpr int kFullVolume = 4096;    // volume factor of 1.0

    TMixer();
    ~TMixer();
    TMixer(const TMixer&) = delete;
    TMixer& operator=(const TMixer&) = delete;

    // ---- game thread ----
    // Starts the sound from its beginning at full volume, as requested at clock time
    // requestMs; the handle of the new voice, or 0 when the sound is null or no slot is free.
    int StartVoice(const std::shared_ptr<TSound>& sound, int requestMs);
    // 1 while the voice of this handle is playing (waiting to start counts as playing,
    // a voice asked to stop does not).
    int VoicePlaying(int handle) const;
    // Sets the voice's volume factor (4096 = 1.0); values are clamped to 0..4096.
    void SetVoiceVolume(int handle, int volume);
    // Sets the voice's pan, -4096 full left .. 0 centre .. 4096 full right.
    void SetVoicePan(int handle, int pan);
    // Asks the mixer to end the voice at its next block.
    void StopVoice(int handle);
    // Slots that a StartVoice could hand out now (finished voices not yet taken back count).
    int FreeSlots() const;
    // Forgets every voice. Only while no thread is mixing.
    void Reset();
    // Muted, mixed blocks are silent while every voice goes on playing.
    void SetMuted(int on);
    int Muted() const;

    // ---- mixing thread ----
    // Mixes the next block into out (2 * kBlockFrames values, left/right interleaved),
    // with nowMs the clock time at which the block is mixed.
    void MixBlock(int16_t* out, int nowMs);

private:
    enum Status { kFree = 0, kPlaying = 1, kFinished = 2 };

    // One voice slot.
    struct Voice {
        // Shared between the threads.
        std::atomic<int> status{kFree};                       // Status
        std::atomic<int> volume{kFullVolume};                 // 0..4096
        std::atomic<int> pan{0};                              // -4096..4096
        std::atomic<int> stopRequested{0};                    // set by StopVoice
        std::atomic<int> requestMs{0};                        // clock time of the play request
        std::atomic<const TAudioSample*> sample{nullptr};     // what it plays
        std::atomic<int> looped{0};                           // 1 when the sound loops
        std::atomic<TOggReader*> reader{nullptr};             // decodes a kept Ogg file as it plays
        // Game thread only.
        std::shared_ptr<TSound> sound;                        // keeps the sample alive
        std::unique_ptr<TOggReader> ownReader;                // owns reader
        uint32_t generation = 0;                              // grows by kSlots per hand-out
        int handle = 0;                                       // current handle of the slot
        int nextFree = 0;                                     // free-list link
        // Mixing thread only.
        int64_t position = 0;                                 // 16.16 fixed-point frame position
        int64_t step = 0;                                     // 16.16 frames per output frame
        int64_t waitFrames = 0;                               // silent frames left before the start
    };

    // The slot of a handle when the handle is current and the voice playing, else 0.
    int LiveSlot(int handle) const;
    // Takes back the slots the mixer has finished with (game thread).
    void ReclaimFinished();
    // Ends a voice and hands its slot back (mixing thread).
    void FinishVoice(int slot);
    // Adds one voice's frames into the accumulator; false when the voice has ended.
    bool MixVoice(Voice& voice);
    template <int Format, bool Kept>
    bool MixFrames(Voice& voice, const TAudioSample& sample, int first, int gainL, int gainR);

    std::array<Voice, kSlots> voices_;               // the voice table
    int freeHead_ = 0;                               // first free slot (game thread)
    int freeCount_ = 0;                              // slots on the free list (game thread)

    std::array<std::atomic<uint16_t>, kSlots> startRing_;   // new voices, game -> mixer
    std::atomic<int> startWrite_{0};                 // advanced by the game thread
    int startRead_ = 0;                              // mixer's read index

    std::array<std::atomic<uint16_t>, kSlots> endRing_;     // finished voices, mixer -> game
    std::atomic<int> endWrite_{0};                   // advanced by the mixing thread
    int endRead_ = 0;                                // game thread's read index

    std::vector<int> active_;                        // slots being mixed (mixing thread)
    std::array<int32_t, 2 * kBlockFrames> accum_{};  // 32-bit accumulator of one block
    std::atomic<int> muted_{0};                      // 1: blocks are mixed silent
};
