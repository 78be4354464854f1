#pragma once
// The game's handle to one mixer voice.

// One voice as the game sees it: a handle of slot and generation. When the voice has
// ended and its slot serves another sound, the handle no longer matches and the channel
// reads as not playing.
class TChannel {
public:
    explicit TChannel(int handle);

    int handle;  // low 12 bits the voice slot, the bits above its generation; 0 = none
};
