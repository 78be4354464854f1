// The sound effects: one laser per firing sound, two explosions, the rocket alarm, the kill
// point, the next-stage fanfare and the rocket launch.
#include <cstdio>
#include <map>

#include "AssetGen.h"
#include "Synth.h"

float SoundBuffer::Peak() const {
    float p = 0;
    for (size_t i = 0; i < left.size(); ++i) p = std::max(p, std::max(std::fabs(left[i]), std::fabs(right[i])));
    return p;
}

void SoundBuffer::Normalise(float peak) {
    float p = Peak();
    if (p <= 0) return;
    float k = peak / p;
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] *= k;
        right[i] *= k;
    }
}

void SoundBuffer::FadeEnds(float ms) {
    size_t n = std::min(left.size() / 2, static_cast<size_t>(rate * ms / 1000));
    for (size_t i = 0; i < n; ++i) {
        float k = static_cast<float>(i) / n;
        left[i] *= k;
        right[i] *= k;
        left[left.size() - 1 - i] *= k;
        right[right.size() - 1 - i] *= k;
    }
}

namespace {
void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 255);
    s += static_cast<char>((v >> 8) & 255);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
} // namespace

bool SoundBuffer::SaveWav(const std::string& path, int channels, int bits) const {
    const uint32_t bytesPerFrame = static_cast<uint32_t>(channels * bits / 8);
    const uint32_t dataBytes = static_cast<uint32_t>(Frames()) * bytesPerFrame;
    std::string s;
    s += "RIFF";
    Put32(s, 36 + dataBytes + (dataBytes & 1));
    s += "WAVEfmt ";
    Put32(s, 16);
    Put16(s, 1); // PCM
    Put16(s, static_cast<uint32_t>(channels));
    Put32(s, static_cast<uint32_t>(rate));
    Put32(s, static_cast<uint32_t>(rate) * bytesPerFrame);
    Put16(s, bytesPerFrame);
    Put16(s, static_cast<uint32_t>(bits));
    s += "data";
    Put32(s, dataBytes);
    for (size_t i = 0; i < Frames(); ++i)
        for (int c = 0; c < channels; ++c) {
            float v = std::clamp(c == 0 ? left[i] : right[i], -1.0f, 1.0f);
            if (bits == 8) {
                s += static_cast<char>(static_cast<uint8_t>(std::lround(128 + v * 127)));
            } else {
                Put16(s, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
            }
        }
    if (dataBytes & 1) s += '\0';
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size();
    return std::fclose(f) == 0 && ok;
}

namespace {
size_t Frames(int rate, float ms) { return static_cast<size_t>(rate * ms / 1000); }

// A laser: a falling tone with a sharp attack and exponential decay.
struct TLaser {
    float ms;        // length
    float f0, f1;    // start and end frequency
    float fm;        // frequency-modulation depth (ratio of the carrier)
    float fmRatio;   // modulator / carrier
    int voices;      // detuned copies
    float detune;    // spread of the copies (ratio)
    float noise;     // share of a noise burst at the start
    int wave;        // 0 sine, 1 saw, 2 square, 3 triangle
    float cutoff;    // low-pass cutoff
};

SoundBuffer Laser(int rate, const TLaser& l, uint32_t seed) {
    SoundBuffer b(rate, Frames(rate, l.ms));
    Noise noise(seed);
    OnePole lp, nlp;
    std::vector<float> phase(l.voices, 0), mph(l.voices, 0);
    const size_t n = b.Frames();
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / n;
        float f = l.f1 + (l.f0 - l.f1) * std::exp(-t * 5.0f);
        float env = std::min(1.0f, i / (rate * 0.002f)) * std::exp(-t * 3.2f) * (1 - t);
        float v = 0;
        for (int k = 0; k < l.voices; ++k) {
            float det = 1 + l.detune * (k - (l.voices - 1) * 0.5f);
            mph[k] += f * det * l.fmRatio / rate;
            float mod = std::sin(kTwoPi * mph[k]) * l.fm;
            phase[k] += f * det * (1 + mod) / rate;
            float ph = phase[k];
            switch (l.wave) {
            case 0: v += SineAt(ph); break;
            case 1: v += SawAt(ph); break;
            case 2: v += SquareAt(ph); break;
            default: v += TriAt(ph); break;
            }
        }
        v /= l.voices;
        v = lp.Run(v, l.cutoff, rate);
        float nz = nlp.Run(noise.Next(), 6000, rate) * l.noise * std::exp(-t * 14);
        b.left[i] = b.right[i] = (v + nz) * env;
    }
    return b;
}

// An explosion: a noise blast whose brightness falls, a low thump, and later rumbles.
SoundBuffer Explosion(float seconds, float thumpHz, std::vector<float> blasts, uint32_t seed) {
    const int rate = 44100;
    SoundBuffer b(rate, Frames(rate, seconds * 1000));
    Noise nl(seed), nr(seed + 1), crackle(seed + 2);
    Svf fl, fr;
    float thumpPh = 0;
    const size_t n = b.Frames();
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / rate;
        float env = 0;
        for (float start : blasts)
            if (t >= start) {
                float u = t - start;
                float k = start == 0 ? 1.0f : 0.55f;
                env += k * std::min(1.0f, u / 0.004f) * std::exp(-u * 3.2f / seconds * 2);
            }
        float cutoff = 200 + 5000 * std::exp(-t * 4.5f / seconds * 1.5f);
        fl.Run(nl.Next(), cutoff, 0.7f, rate);
        fr.Run(nr.Next(), cutoff * 0.93f, 0.7f, rate);
        thumpPh += (thumpHz * (1 + 1.5f * std::exp(-t * 18))) / rate;
        float thump = std::sin(kTwoPi * thumpPh) * std::exp(-t * 5) * 0.9f;
        float cr = crackle.Next();
        float pop = (std::fabs(cr) > 0.997f ? cr * 0.5f : 0) * std::exp(-t * 2 / seconds);
        float fade = 1 - Smooth(0.7f, 1.0f, t / seconds);
        b.left[i] = (fl.low * 1.6f * env + thump + pop) * fade;
        b.right[i] = (fr.low * 1.6f * env + thump + pop * 0.6f) * fade;
    }
    return b;
}

// Rocket alarm: two sharp beeps and a rest, silent at both ends so it repeats cleanly.
SoundBuffer Alarm(int rate) {
    SoundBuffer b(rate, Frames(rate, 600));
    auto beep = [&](float at, float dur, float hz) {
        size_t s = Frames(rate, at * 1000), e = Frames(rate, (at + dur) * 1000);
        for (size_t i = s; i < e && i < b.Frames(); ++i) {
            float t = static_cast<float>(i - s) / rate;
            float env = std::min(1.0f, t / 0.004f) * std::min(1.0f, (dur - t) / 0.01f);
            float v = 0.6f * SquareAt(hz * t, 0.5f) + 0.4f * SineAt(hz * 2 * t);
            b.left[i] += v * env * 0.8f;
        }
    };
    beep(0.01f, 0.2f, 880);
    beep(0.3f, 0.2f, 660);
    // Soften the square's edges.
    OnePole lp;
    for (float& v : b.left) v = lp.Run(v, 5000, rate);
    b.right = b.left;
    return b;
}

// Kill point: two bell notes a fifth apart.
SoundBuffer Point(int rate) {
    SoundBuffer b(rate, Frames(rate, 420));
    auto bell = [&](float at, float hz) {
        size_t s = Frames(rate, at * 1000);
        for (size_t i = s; i < b.Frames(); ++i) {
            float t = static_cast<float>(i - s) / rate;
            float env = std::min(1.0f, t / 0.002f) * std::exp(-t * 9);
            b.left[i] += (SineAt(hz * t) + 0.35f * SineAt(hz * 2.76f * t) * std::exp(-t * 20)) * env;
        }
    };
    bell(0, 1318.5f);
    bell(0.07f, 1975.5f);
    b.right = b.left;
    return b;
}

// Next-stage fanfare: a rising brass arpeggio to a held major chord.
SoundBuffer Fanfare() {
    const int rate = 44100;
    SoundBuffer b(rate, Frames(rate, 1800));
    struct TNote { float at, dur, note, pan; };
    const TNote notes[] = {{0, 0.16f, 67, -0.3f}, {0.15f, 0.16f, 72, 0.3f}, {0.3f, 0.16f, 76, -0.2f},
                           {0.45f, 1.3f, 79, 0.0f}, {0.45f, 1.3f, 72, -0.4f}, {0.45f, 1.3f, 76, 0.4f}, {0.45f, 1.3f, 60, 0}};
    for (const TNote& nt : notes) {
        size_t s = Frames(rate, nt.at * 1000), e = std::min(b.Frames(), s + Frames(rate, nt.dur * 1000));
        float hz = NoteHz(nt.note);
        OnePole lp;
        for (size_t i = s; i < e; ++i) {
            float t = static_cast<float>(i - s) / rate;
            float env = std::min(1.0f, t / 0.02f) * std::min(1.0f, (nt.dur - t) / 0.15f);
            float vib = 1 + 0.004f * std::sin(kTwoPi * 5.5f * t) * Clamp01(t * 3);
            float v = 0.5f * SawAt(hz * vib * t) + 0.5f * SawAt(hz * 1.004f * t);
            v = lp.Run(v, 1200 + 3000 * std::exp(-t * 4), rate);
            b.Add(i, v * env * 0.5f, nt.pan);
        }
    }
    return b;
}

// Rocket launch: an ignition thump and a hissing whoosh that sweeps up and away.
SoundBuffer Launch() {
    const int rate = 44100;
    SoundBuffer b(rate, Frames(rate, 750));
    Noise nz(515);
    Svf f;
    float ph = 0;
    const size_t n = b.Frames();
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / rate, u = static_cast<float>(i) / n;
        f.Run(nz.Next(), 600 + 5000 * u, 1.2f, rate);
        float env = std::min(1.0f, t / 0.03f) * std::pow(1 - u, 1.6f);
        ph += (90 - 40 * u) / rate;
        float thump = std::sin(kTwoPi * ph) * std::exp(-t * 14) * 0.8f;
        float v = f.band * 1.8f * env + thump;
        b.Add(i, v, -0.6f + 1.2f * u);
    }
    return b;
}
} // namespace

bool WriteSound(const TAssetSound& snd, const std::string& file) {
    std::string_view p = snd.path;
    const int r = snd.rate;
    static const std::map<std::string_view, TLaser> lasers = {
        {"sfx\\alternatelaser_1c.wav", {68, 2200, 700, 0.0f, 1, 2, 0.012f, 0.1f, 2, 5000}},
        {"sfx\\alternatelaser_1b.wav", {100, 1500, 320, 0.3f, 0.5f, 1, 0, 0.15f, 1, 4500}},
        {"sfx\\alternatelaser_3.wav", {185, 700, 110, 0.6f, 0.5f, 3, 0.02f, 0.5f, 1, 2500}},
        {"sfx\\alternatelaser_1.wav", {250, 2600, 180, 0.5f, 1.5f, 1, 0, 0.05f, 0, 8000}},
        {"sfx\\alternatelaser_1a.wav", {55, 1100, 500, 0.0f, 1, 1, 0, 0.6f, 2, 3500}},
        {"sfx\\Laser_1.wav", {70, 3200, 900, 0.25f, 2.0f, 1, 0, 0.05f, 3, 9000}},
        {"sfx\\Laser_6.wav", {165, 950, 140, 0.2f, 0.5f, 3, 0.018f, 0.2f, 1, 3000}},
    };
    SoundBuffer b(r, 1);
    float peak = 0.35f;
    uint32_t seed = 1;
    for (char ch : p) seed = seed * 31 + static_cast<uint8_t>(ch);
    if (auto it = lasers.find(p); it != lasers.end()) b = Laser(r, it->second, seed);
    else if (p == "sfx\\Explosio-Brak-1074.wav") b = Explosion(1.3f, 55, {0}, 2024), peak = 0.5f;
    else if (p == "sfx\\aexplo6.wav") b = Explosion(2.6f, 40, {0, 0.28f, 0.75f}, 6006), peak = 0.55f;
    else if (p == "sfx\\geraet_agressive.wav") b = Alarm(r), peak = 0.3f;
    else if (p == "sfx\\getpoint.wav") b = Point(r), peak = 0.4f;
    else if (p == "sfx\\nextstage.wav") b = Fanfare(), peak = 0.4f;
    else if (p == "sfx\\rocketfire.wav") b = Launch(), peak = 0.4f;
    else return false;
    if (b.rate != r) return false;
    b.Normalise(peak);
    b.FadeEnds(2);
    return b.SaveWav(file, snd.channels, snd.bits);
}
