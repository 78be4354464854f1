#pragma once
// A loaded sound: its sample plus the flags it was loaded with.
#include <memory>

#include "platform/TAudioSample.h"

// A sound the mixer can play; loaded once and kept while the game wants it.
class TSound {
public:
    // Load flag: play the sound in a loop instead of once.
    static constexpr int kLooped = 1;

    TSound(std::shared_ptr<const TAudioSample> sample, int flags);
    // 1 when the sound loops.
    int Looped() const;

    std::shared_ptr<const TAudioSample> sample;  // never null
    int flags;                                   // load flags (the game passes 0)
};
