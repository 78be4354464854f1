#pragma once
// Decodes an Ogg Vorbis file held in memory front to back into 16-bit frames. The loader
// reads a file through it once to find its length; a voice playing a long file kept whole
// reads its frames through one of its own as the mixer comes to them, so the track never
// sits in memory decoded.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct OggVorbis_File;

class TOggReader {
public:
    // Reads bytes, which must outlive the reader. Opens on the first Open or Frame call.
    explicit TOggReader(const std::string& bytes);
    TOggReader(const TOggReader&) = delete;
    TOggReader& operator=(const TOggReader&) = delete;
    ~TOggReader();

    // Opens the decoder from the start; false when the bytes are no Ogg Vorbis stream of
    // one or two channels at a rate the mixer takes.
    bool Open();
    int Channels() const { return channels_; }
    long Rate() const { return rate_; }
    // The ARTIST comment, its first 256 bytes; "" for none. After Open.
    std::string Artist() const;
    // The next decoded frames into buffer, at most size bytes; 0 at the end: where the
    // stream ends, is damaged beyond repair or changes its channels or rate. After Open.
    long Next(char* buffer, int size);

    // The 4 or 2 bytes of frame i, decoding on from the last frame asked for, or again from
    // the start for an earlier one; silence past the stream's end. The frame asked for
    // before stays readable too, so the mixer can read a frame and the one after it.
    const uint8_t* Frame(int64_t i);

private:
    void Close();

    const std::string& bytes_;
    size_t readAt_ = 0;                    // next byte the decoder reads
    std::unique_ptr<OggVorbis_File> file_;  // open decoder or null
    int channels_ = 0;
    long rate_ = 0;
    int holes_ = 0;                        // damaged spots stepped over
    std::vector<uint8_t> window_;          // decoded frames from first_ on
    int64_t first_ = 0;                    // frame number of window_'s first frame
    bool ended_ = false;                   // Next has returned 0
    bool opened_ = false;                  // Frame has opened the decoder
    uint8_t head_[4] = {};                 // the first frame, once decoded
    bool headKnown_ = false;
    std::pair<const std::string*, size_t*> source_;  // what the decoder's reads see
};
