#include "platform/TSound.h"

#include <utility>

TSound::TSound(std::shared_ptr<const TAudioSample> sample_, int flags_)
    : sample(std::move(sample_)), flags(flags_) {}

int TSound::Looped() const {
    return (flags & kLooped) ? 1 : 0;
}
