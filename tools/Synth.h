#pragma once
// Small synthesis toolkit shared by the sound effects and the music: oscillators, noise,
// filters and a stereo buffer that can wrap around its end for seamless loops.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"

constexpr float kTwoPi = 6.28318530718f;

// A stereo float buffer at one sample rate.
class SoundBuffer {
public:
    SoundBuffer(int rate, size_t frames) : rate(rate), left(frames, 0), right(frames, 0) {}

    int rate;                 // samples per second
    std::vector<float> left;  // left channel (the only one used for mono)
    std::vector<float> right; // right channel

    size_t Frames() const { return left.size(); }
    // Adds a sample at frame i with a pan of -1 (left) .. 1 (right); wraps past the end when loop is set.
    void Add(size_t i, float v, float pan = 0, bool loop = false) {
        if (i >= left.size()) {
            if (!loop) return;
            i %= left.size();
        }
        float l = std::sqrt(0.5f * (1 - pan)), r = std::sqrt(0.5f * (1 + pan));
        left[i] += v * l;
        right[i] += v * r;
    }
    // Largest absolute sample.
    float Peak() const;
    // Scales so the largest sample is peak.
    void Normalise(float peak);
    // Short fades at both ends against clicks.
    void FadeEnds(float ms);
    // Writes a PCM WAV: channels 1 (the left channel) or 2, bits 8 or 16. False on failure.
    bool SaveWav(const std::string& path, int channels, int bits) const;
};

// Deterministic white noise in -1..1.
class Noise {
public:
    explicit Noise(uint32_t seed) : rng(seed) {}
    float Next() { return rng.Float() * 2 - 1; }

private:
    Rng rng; // source
};

// One-pole low-pass filter with a cutoff in Hz.
class OnePole {
public:
    float Run(float x, float cutoff, int rate) {
        float a = 1 - std::exp(-kTwoPi * cutoff / rate);
        y += a * (x - y);
        return y;
    }

private:
    float y = 0; // state
};

// State-variable filter (low-pass and band-pass outputs), stable for cutoffs below rate / 6.
class Svf {
public:
    void Run(float x, float cutoff, float q, int rate) {
        float f = 2 * std::sin(3.14159265f * std::min(cutoff, rate / 6.0f) / rate);
        low += f * band;
        float high = x - low - q * band;
        band += f * high;
    }
    float low = 0;  // low-pass output
    float band = 0; // band-pass output
};

// Band-limited-ish oscillators by phase (0..1).
inline float SineAt(float ph) { return std::sin(kTwoPi * ph); }
inline float SawAt(float ph) { return 2 * (ph - std::floor(ph)) - 1; }
inline float SquareAt(float ph, float duty = 0.5f) { return (ph - std::floor(ph)) < duty ? 1.0f : -1.0f; }
inline float TriAt(float ph) {
    float f = ph - std::floor(ph);
    return f < 0.5f ? 4 * f - 1 : 3 - 4 * f;
}

// Frequency of a MIDI note number.
inline float NoteHz(float note) { return 440.0f * std::pow(2.0f, (note - 69) / 12.0f); }
