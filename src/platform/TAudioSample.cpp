#include "platform/TAudioSample.h"

#include <cstddef>
#include <utility>

TAudioSample::TAudioSample(int format_, int rate_, std::vector<uint8_t> data_)
    : format(format_), rate(rate_), length(0), data(std::move(data_)) {
    const int frameBytes = BytesPerFrame(format);
    if (frameBytes > 0) {
        length = static_cast<int64_t>(data.size()) / frameBytes;
        data.resize(static_cast<std::size_t>(length * frameBytes));
    } else {
        data.clear();
    }
    bytes_.Set(int64_t(data.size()));
}

TAudioSample::TAudioSample(int format_, int rate_, int64_t length_, std::string oggBytes)
    : format(format_), rate(rate_), length(length_), ogg(std::move(oggBytes)) {
    bytes_.Set(int64_t(ogg.size()));
}

int TAudioSample::BytesPerFrame(int format) {
    switch (format) {
        case kMono8: return 1;
        case kMono16: return 2;
        case kStereo8: return 2;
        case kStereo16: return 4;
        default: return 0;
    }
}

int TAudioSample::Channels() const {
    return (format == kStereo8 || format == kStereo16) ? 2 : 1;
}

int TAudioSample::Bits() const {
    return (format == kMono16 || format == kStereo16) ? 16 : 8;
}
