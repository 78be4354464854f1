// The music track: a composed loop of chords, bass, lead, arpeggio and drums, rendered so
// that its end runs straight into its beginning, then encoded as Ogg Vorbis.
#include <vorbis/vorbisenc.h>

#include <cstdio>
#include <cstring>

#include "AssetGen.h"
#include "Synth.h"

namespace {
constexpr int kRate = 44100;
constexpr float kBpm = 120;
constexpr int kBars = 48;
constexpr float kBeat = 60.0f / kBpm;
constexpr float kBar = kBeat * 4;

// A chord: root note and its three tones (MIDI numbers around the middle octave).
struct TChord {
    int root;           // bass root
    int tones[3];       // pad tones
};

// A minor: i - VI - III - VII for the main part, iv - i - VI - V for the bridge.
const TChord kMain[4] = {{45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}}};
const TChord kBridge[4] = {{38, {57, 62, 65}}, {45, {57, 60, 64}}, {41, {57, 60, 65}}, {40, {56, 59, 64}}};

const TChord& ChordAt(int bar) {
    bool bridge = bar >= 24 && bar < 40;
    return (bridge ? kBridge : kMain)[bar % 4];
}

size_t At(float seconds) { return static_cast<size_t>(seconds * kRate); }

// Pad: detuned saws through a soft low-pass, slow swell over the bar.
void Pad(SoundBuffer& b, float start, float dur, int note, float level, float pan) {
    float hz = NoteHz(static_cast<float>(note));
    OnePole lp1, lp2;
    size_t s = At(start), n = At(dur + 0.6f);
    float ph[3] = {0, 0.33f, 0.67f};
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        float env = Clamp01(t / 0.35f) * (t < dur ? 1 : std::exp(-(t - dur) * 7));
        ph[0] += hz / kRate;
        ph[1] += hz * 1.005f / kRate;
        ph[2] += hz * 0.995f / kRate;
        float v = (SawAt(ph[0]) + SawAt(ph[1]) + SawAt(ph[2])) / 3;
        v = lp2.Run(lp1.Run(v, 1400, kRate), 1400, kRate);
        b.Add(s + i, v * env * level, pan, true);
    }
}

// Bass: a square-saw blend with a plucked filter.
void Bass(SoundBuffer& b, float start, float dur, int note, float level) {
    float hz = NoteHz(static_cast<float>(note));
    Svf f;
    size_t s = At(start), n = At(dur + 0.05f);
    float ph = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        float env = Clamp01(t / 0.004f) * (t < dur ? 1 - 0.3f * t / dur : std::exp(-(t - dur) * 60));
        ph += hz / kRate;
        float v = 0.6f * SawAt(ph) + 0.4f * SquareAt(ph);
        f.Run(v, 250 + 1800 * std::exp(-t * 14), 0.6f, kRate);
        b.Add(s + i, f.low * env * level, 0, true);
    }
}

// Lead: a pulse with delayed vibrato; pitch glides a little into each note.
void Lead(SoundBuffer& b, float start, float dur, int note, float level, float pan) {
    float hz = NoteHz(static_cast<float>(note));
    OnePole lp;
    size_t s = At(start), n = At(dur + 0.12f);
    float ph = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        float env = Clamp01(t / 0.01f) * (t < dur ? 1 - 0.25f * t / std::max(0.1f, dur) : std::exp(-(t - dur) * 30));
        float vib = 1 + 0.006f * std::sin(kTwoPi * 5.2f * t) * Clamp01((t - 0.15f) * 4);
        float glide = 1 - 0.02f * std::exp(-t * 40);
        ph += hz * vib * glide / kRate;
        float v = 0.7f * SquareAt(ph, 0.3f) + 0.3f * SawAt(ph * 2);
        v = lp.Run(v, 3200, kRate);
        b.Add(s + i, v * env * level, pan, true);
    }
}

// Arpeggio pluck: a bright triangle with a quick decay.
void Pluck(SoundBuffer& b, float start, int note, float level, float pan) {
    float hz = NoteHz(static_cast<float>(note));
    size_t s = At(start), n = At(0.3f);
    float ph = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        ph += hz / kRate;
        float v = TriAt(ph) * 0.7f + SineAt(ph * 2) * 0.3f;
        b.Add(s + i, v * Clamp01(t / 0.002f) * std::exp(-t * 14) * level, pan, true);
    }
}

void Kick(SoundBuffer& b, float start, float level) {
    size_t s = At(start), n = At(0.35f);
    float ph = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        ph += (48 + 110 * std::exp(-t * 30)) / kRate;
        b.Add(s + i, std::sin(kTwoPi * ph) * std::exp(-t * 9) * Clamp01(t / 0.001f) * level, 0, true);
    }
}

void Snare(SoundBuffer& b, float start, float level, Noise& nz) {
    size_t s = At(start), n = At(0.25f);
    Svf f;
    float ph = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        ph += 190.0f / kRate;
        f.Run(nz.Next(), 5000, 0.8f, kRate);
        float v = (f.band * 1.4f * std::exp(-t * 16) + std::sin(kTwoPi * ph) * 0.5f * std::exp(-t * 30));
        b.Add(s + i, v * level, 0.1f, true);
    }
}

void Hat(SoundBuffer& b, float start, float level, bool open, Noise& nz) {
    size_t s = At(start), n = At(open ? 0.3f : 0.06f);
    float prev = 0;
    for (size_t i = 0; i < n; ++i) {
        float t = static_cast<float>(i) / kRate;
        float x = nz.Next();
        float hp = x - prev; // crude high-pass: only the hiss is left
        prev = x;
        b.Add(s + i, hp * std::exp(-t * (open ? 11 : 70)) * level, -0.25f, true);
    }
}

// The lead's melody for a four-bar phrase: note offsets in eighths and scale steps,
// chosen once from a seeded generator and reused with variations.
struct TPhraseNote {
    int eighth; // start, in eighths from the phrase start
    int len;    // length in eighths
    int tone;   // 0..2 chord tone, 3 = passing note a step above the top tone
};

std::vector<TPhraseNote> MakePhrase(uint32_t seed) {
    Rng rng(seed);
    std::vector<TPhraseNote> notes;
    for (int bar = 0; bar < 4; ++bar) {
        int e = 0;
        while (e < 8) {
            int len = (bar == 3 && e >= 4) ? 8 - e : std::min(8 - e, rng.Int(1, 3));
            if (rng.Float() < 0.18f && e > 0) { // a rest
                e += 1;
                continue;
            }
            notes.push_back({bar * 8 + e, len, rng.Int(0, 9) < 8 ? rng.Int(0, 2) : 3});
            e += len;
        }
    }
    return notes;
}

// Writes the stereo float buffer as Ogg Vorbis at a modest quality.
bool EncodeVorbis(const SoundBuffer& b, const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, kRate, 0.3f) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Starlane Pursuit");
    vorbis_comment_add_tag(&vc, "ARTIST", "Tavrik");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x54415652); // fixed serial: the same bytes every build
    ogg_packet header, comm, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comm);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    bool ok = true;
    auto writePage = [&](const ogg_page& pg) {
        ok = ok && std::fwrite(pg.header, 1, pg.header_len, f) == static_cast<size_t>(pg.header_len);
        ok = ok && std::fwrite(pg.body, 1, pg.body_len, f) == static_cast<size_t>(pg.body_len);
    };
    while (ogg_stream_flush(&os, &og)) writePage(og);
    const size_t chunk = 2048;
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min(chunk, b.Frames() - pos);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            std::memcpy(buf[0], &b.left[pos], n * sizeof(float));
            std::memcpy(buf[1], &b.right[pos], n * sizeof(float));
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og)) {
                    writePage(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // Everything has been handed over; flush whatever is left.
            while (ogg_stream_flush(&os, &og)) writePage(og);
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(f) == 0 && ok;
}
} // namespace

bool WriteMusic(const std::string& file) {
    SoundBuffer b(kRate, At(kBars * kBar));
    Noise nz(4711);
    const std::vector<TPhraseNote> phraseA = MakePhrase(1234), phraseB = MakePhrase(987);
    for (int bar = 0; bar < kBars; ++bar) {
        const float t0 = bar * kBar;
        const TChord& ch = ChordAt(bar);
        const bool intro = bar < 8, outro = bar >= 40, bridge = bar >= 24 && bar < 40;
        const bool windDown = bar >= 44; // the last bars calm down into the quiet opening
        // Chords, spread across the stereo field.
        for (int k = 0; k < 3; ++k) Pad(b, t0, kBar, ch.tones[k], intro || windDown ? 0.07f : 0.055f, (k - 1) * 0.5f);
        // Bass: eighths on the root with an octave jump, sparse in the intro.
        for (int e = 0; e < 8; ++e) {
            if (intro && bar < 4 && e % 4 != 0) continue;
            int note = ch.root + ((e == 3 || e == 6) ? 12 : 0);
            Bass(b, t0 + e * kBeat / 2, kBeat / 2 * 0.85f, note, 0.32f);
        }
        // Drums.
        if (!(intro && bar < 4)) {
            for (int e = 0; e < 8; ++e) Hat(b, t0 + e * kBeat / 2, e % 2 ? 0.08f : 0.12f, false, nz);
            if (windDown) {
                Kick(b, t0, bar == 47 ? 0.3f : 0.5f);
            } else if (!intro) {
                Kick(b, t0, 0.7f);
                Kick(b, t0 + 2 * kBeat, 0.7f);
                if (bar % 2) Kick(b, t0 + 2.5f * kBeat, 0.5f);
                Snare(b, t0 + kBeat, 0.35f, nz);
                Snare(b, t0 + 3 * kBeat, 0.35f, nz);
                Hat(b, t0 + 3.5f * kBeat, 0.07f, true, nz);
                if (bar % 8 == 7) // a fill into the next section
                    for (int s = 0; s < 4; ++s) Snare(b, t0 + 3 * kBeat + s * kBeat / 4, 0.15f + 0.05f * s, nz);
            } else if (bar >= 6) {
                Kick(b, t0, 0.5f);
            }
        }
        // Arpeggio in the bridge and the outro: sixteenths over the chord.
        if (bridge || outro)
            for (int s = 0; s < 16; ++s) {
                int tone = ch.tones[(s * 2 + s / 4) % 3] + ((s / 2) % 2 ? 12 : 0);
                Pluck(b, t0 + s * kBeat / 4, tone + 12, windDown ? 0.06f - 0.01f * (bar - 44) : 0.06f,
                      ((s % 4) - 1.5f) * 0.3f);
            }
    }
    // Lead phrases over the main part and the bridge.
    for (int phrase = 2; phrase < 10; ++phrase) {
        const bool bridge = phrase >= 6;
        const std::vector<TPhraseNote>& ph = bridge ? phraseB : phraseA;
        for (const TPhraseNote& n : ph) {
            int bar = phrase * 4 + n.eighth / 8;
            const TChord& ch = ChordAt(bar);
            int note = n.tone < 3 ? ch.tones[n.tone] : ch.tones[2] + 2;
            if (phrase % 2 == 1 && n.eighth >= 24) note += (n.tone == 0 ? 12 : 0); // answer ends higher
            float start = bar * kBar + (n.eighth % 8) * kBeat / 2;
            Lead(b, start, n.len * kBeat / 2 * 0.9f, note + 12, 0.11f, -0.15f);
        }
    }
    // Stereo echo of the whole mix at a dotted eighth, wrapping around the loop.
    const size_t delay = At(kBeat * 0.75f), n = b.Frames();
    std::vector<float> l = b.left, r = b.right;
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + n - delay) % n;
            l[i] += 0.22f * r[j];
            r[i] += 0.22f * l[j];
        }
    b.left = l;
    b.right = r;
    b.Normalise(0.7f);
    return EncodeVorbis(b, file);
}
