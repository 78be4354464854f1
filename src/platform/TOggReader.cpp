#include "platform/TOggReader.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "platform/Audio.h"

namespace {

// Longest ARTIST comment kept; the rest of a longer one is dropped.
constexpr size_t kMaxArtistBytes = 256;
// Damaged spots stepped over before a stream counts as ended.
constexpr int kMaxHoles = 1000;
// Bytes asked of the decoder at a time: more than one packet gives.
constexpr int kChunkBytes = 16384;
// Silent frames added at a time past the stream's end.
constexpr int kSilenceFrames = 1024;

size_t ReadBytes(void* ptr, size_t size, size_t count, void* source) {
    auto* reader = static_cast<std::pair<const std::string*, size_t*>*>(source);
    if (size == 0) return 0;
    const std::string& bytes = *reader->first;
    size_t& at = *reader->second;
    const size_t n = std::min(count, (bytes.size() - at) / size);
    std::memcpy(ptr, bytes.data() + at, n * size);
    at += n * size;
    return n;
}

}  // namespace

TOggReader::TOggReader(const std::string& bytes) : bytes_(bytes) {}

TOggReader::~TOggReader() { Close(); }

void TOggReader::Close() {
    if (file_) ov_clear(file_.get());
    file_.reset();
}

bool TOggReader::Open() {
    Close();
    readAt_ = 0;
    holes_ = 0;
    ended_ = true;
    channels_ = 0;
    rate_ = 0;
    source_ = {&bytes_, &readAt_};
    // Opened as a stream without seeking: it is decoded front to back anyway, and a seekable
    // open first scans the file for chained parts, which costs time and, on a damaged chain,
    // leaks inside libvorbisfile.
    ov_callbacks callbacks{};
    callbacks.read_func = ReadBytes;
    auto file = std::make_unique<OggVorbis_File>();
    if (ov_open_callbacks(&source_, file.get(), nullptr, 0, callbacks) < 0) return false;
    file_ = std::move(file);
    const vorbis_info* info = ov_info(file_.get(), -1);
    if (info == nullptr || (info->channels != 1 && info->channels != 2) || info->rate <= 0 ||
        info->rate > kMaxSoundRate) {
        Close();
        return false;
    }
    channels_ = info->channels;
    rate_ = info->rate;
    ended_ = false;
    return true;
}

std::string TOggReader::Artist() const {
    // Read before decoding: the comments belong to the first part of the stream.
    if (file_) {
        if (vorbis_comment* comments = ov_comment(file_.get(), -1)) {
            if (const char* tag = vorbis_comment_query(comments, "ARTIST", 0))
                return std::string(tag, strnlen(tag, kMaxArtistBytes));
        }
    }
    return "";
}

long TOggReader::Next(char* buffer, int size) {
    while (file_ && !ended_) {
        int section = 0;
        const long got = ov_read(file_.get(), buffer, size, 0 /*little-endian*/, 2, 1, &section);
        if (got < 0 && got == OV_HOLE && ++holes_ < kMaxHoles) continue;  // damage stepped over
        // A chained stream whose later part changes layout ends where it changes.
        const vorbis_info* now = got > 0 ? ov_info(file_.get(), section) : nullptr;
        if (now == nullptr || now->channels != channels_ || now->rate != rate_) break;
        return got;
    }
    ended_ = true;
    return 0;
}

const uint8_t* TOggReader::Frame(int64_t i) {
    static const uint8_t kSilence[4] = {};
    // A looped voice reads the first frame beside the last: that one is kept aside rather
    // than decoding the stream again.
    if (i == 0 && first_ > 0 && headKnown_) return head_;
    if (i < first_ || !opened_) {
        window_.clear();
        first_ = 0;
        opened_ = true;
        Open();
    }
    const int frameBytes = channels_ * 2;
    if (frameBytes == 0) return kSilence;
    char buffer[kChunkBytes];
    while (i >= first_ + int64_t(window_.size()) / frameBytes) {
        // Only the last frame stays: the mixer reads on from there.
        const int64_t frames = int64_t(window_.size()) / frameBytes;
        if (frames > 1) {
            window_.erase(window_.begin(), window_.end() - frameBytes);
            first_ += frames - 1;
        }
        const long got = Next(buffer, kChunkBytes);
        if (got > 0) window_.insert(window_.end(), buffer, buffer + got);
        else window_.resize(window_.size() + size_t(kSilenceFrames) * frameBytes, 0);
        if (first_ == 0 && !headKnown_) {
            std::memcpy(head_, window_.data(), size_t(frameBytes));
            headKnown_ = true;
        }
    }
    return window_.data() + (i - first_) * frameBytes;
}
