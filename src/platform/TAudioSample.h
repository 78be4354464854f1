#pragma once
// Decoded PCM data of one sound, exactly as the loaders produced it.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MemoryCounters.h"
#include "platform/TMemoryTally.h"

// Decoded PCM: the frames of a WAV or Ogg file in one of four layouts.
class TAudioSample {
public:
    // Sample layouts: mono 8-bit unsigned, mono 16-bit, stereo 8-bit, stereo 16-bit.
    enum Format { kMono8 = 1, kMono16 = 2, kStereo8 = 4, kStereo16 = 5 };

    // Takes the bytes of whole frames; a trailing partial frame is dropped.
    TAudioSample(int format, int rate, std::vector<uint8_t> data);
    // A long Ogg Vorbis file kept as it is, length frames of 16-bit format once decoded:
    // each voice playing it decodes it as it goes (see TOggReader).
    TAudioSample(int format, int rate, int64_t length, std::string oggBytes);

    // Bytes in one frame of the format (0 for an unknown format).
    static int BytesPerFrame(int format);
    // 1 or 2.
    int Channels() const;
    // 8 or 16.
    int Bits() const;

    int format;                 // one of Format
    int rate;                   // frames per second
    int64_t length;             // frames
    std::vector<uint8_t> data;  // frames, 16-bit values little-endian, 8-bit values unsigned
    std::string artist;         // an Ogg file's ARTIST comment (its first 256 bytes); "" for none
    std::string ogg;            // the kept Ogg file, when data is empty and the frames are decoded in play

private:
    TMemoryTally bytes_{MemoryCounters().sounds};
};
