#pragma once
// Builds WAV and Ogg Vorbis files in memory for the audio tests and benchmarks.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace testsounds {

inline void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
inline void Put16(std::string& s, uint16_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}

// A RIFF chunk: id, size, body, and the pad byte an odd size needs.
inline std::string Chunk(const std::string& id, const std::string& body, bool pad = true) {
    std::string s = id;
    Put32(s, uint32_t(body.size()));
    s += body;
    if (pad && (body.size() & 1)) s.push_back('\0');
    return s;
}

// A "fmt " body; extra bytes are appended after the 16 standard ones.
inline std::string FmtBody(int tag, int channels, int rate, int bits, const std::string& extra = "") {
    std::string s;
    Put16(s, uint16_t(tag));
    Put16(s, uint16_t(channels));
    Put32(s, uint32_t(rate));
    Put32(s, uint32_t(rate * channels * bits / 8));
    Put16(s, uint16_t(channels * bits / 8));
    Put16(s, uint16_t(bits));
    return s + extra;
}

// A whole WAV file from its chunks (the RIFF size is computed).
inline std::string Riff(const std::string& chunks) {
    std::string s = "RIFF";
    Put32(s, uint32_t(4 + chunks.size()));
    return s + "WAVE" + chunks;
}

// A plain PCM WAV file of the given sample bytes.
inline std::string Wav(int channels, int bits, int rate, const std::string& samples) {
    return Riff(Chunk("fmt ", FmtBody(1, channels, rate, bits)) + Chunk("data", samples));
}

// 16-bit little-endian bytes of the values.
inline std::string Pcm16(const std::vector<int>& values) {
    std::string s;
    for (int v : values) Put16(s, uint16_t(int16_t(v)));
    return s;
}

// An Ogg Vorbis file of frames frames of a sine tone (amplitude 0.5) at the given rate,
// its pages stamped with the given stream serial number, with an ARTIST comment when given.
inline std::string EncodeOgg(int channels, int rate, long frames, double hz = 440.0, int serial = 12345,
                             const char* artist = nullptr) {
    std::string out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.3f) != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    if (artist) vorbis_comment_add_tag(&vc, "ARTIST", artist);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    auto writePage = [&](const ogg_page& page) {
        out.append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
    };
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) writePage(page);

    long done = 0;
    bool eos = false;
    while (!eos) {
        const long chunk = std::min<long>(4096, frames - done);
        if (chunk > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, int(chunk));
            for (long i = 0; i < chunk; ++i) {
                const double t = double(done + i) / rate;
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = float(0.5 * std::sin(2 * M_PI * hz * (c + 1) * t));
            }
            vorbis_analysis_wrote(&vd, int(chunk));
            done += chunk;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    writePage(page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

// The pages of an Ogg stream, each whole (header and body), in file order.
inline std::vector<std::string> OggPages(const std::string& bytes) {
    std::vector<std::string> pages;
    size_t at = 0;
    while (at + 27 <= bytes.size() && bytes.compare(at, 4, "OggS") == 0) {
        const size_t headerLen = 27 + uint8_t(bytes[at + 26]);
        if (at + headerLen > bytes.size()) break;
        size_t bodyLen = 0;
        for (size_t i = at + 27; i < at + headerLen; ++i) bodyLen += uint8_t(bytes[i]);
        if (at + headerLen + bodyLen > bytes.size()) break;
        pages.push_back(bytes.substr(at, headerLen + bodyLen));
        at += headerLen + bodyLen;
    }
    return pages;
}

// An Ogg page without packets that begins a new stream of the given serial number, with a
// correct checksum: the start of a chained part whose headers never come.
inline std::string EmptyStartPage(int serial) {
    std::string page = "OggS";
    page.push_back('\0');   // version
    page.push_back('\2');   // beginning of stream
    Put32(page, 0);         // granule position, low and high words
    Put32(page, 0);
    Put32(page, uint32_t(serial));
    Put32(page, 0);         // page sequence number
    Put32(page, 0);         // checksum, set below
    page.push_back('\0');   // no segments
    auto* header = reinterpret_cast<unsigned char*>(page.data());
    ogg_page og{header, long(page.size()), header + page.size(), 0};
    ogg_page_checksum_set(&og);
    return page;
}

}  // namespace testsounds
