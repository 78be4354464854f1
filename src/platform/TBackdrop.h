#pragma once
#include <cstdint>
#include <vector>

#include "platform/MemoryCounters.h"
#include "platform/TMemoryTally.h"

class TPixmap;
class TTexelSpans;

// The background layers composed on the CPU into one screen-sized picture and drawn as one
// opaque quad. Tiled layers under light blending cost the software rasteriser a filtered
// read and a blend per pixel each, and the sparse star layers thousands of small quads;
// their CPU-filtered copies (see TShiftedFrame) added up here give the same pixels for a
// copy of one texel per pixel.
class TBackdrop {
public:
    // One tiled layer: a copy already filtered for its offset and, above the first, scaled
    // by alpha as light adds it (TShiftedFrame::LitCopy), placed at whole pixels.
    struct TLayer {
        const TPixmap* texels = nullptr;  // BGRA, at least width x height
        int width = 0, height = 0;        // the tile's size
        long originX = 0, originY = 0;    // screen position of some tile's first texel
        const TTexelSpans* spans = nullptr;  // where texels can be non-empty (null: anywhere)
    };

    // Writes the width x height pixels at screen (left, top), BGRA rows of width (the order
    // the software rasteriser keeps textures in, so the upload is a plain copy): the first
    // layer copied, each further one added with 8-bit saturation (colours already scaled)
    // inside its spans.
    static void Compose(const TLayer* layers, int count, long left, long top, int width, int height,
                        uint8_t* out);

    // Composes the layers over the viewport at (left, top) and draws them there as one
    // unblended, nearest-sampled quad under the current blend mode; needs the current
    // context. Returns 0 when no texture could be made (nothing drawn).
    int Draw(const TLayer* layers, int count, int left, int top, int width, int height);
    // Deletes the texture while its context is still the current one.
    ~TBackdrop();

private:
    std::vector<uint8_t> buffer_;      // the composed picture
    unsigned name_ = 0;                // OpenGL texture name
    int sequence_ = 0;                 // graphics sequence of the texture
    int textureWidth_ = 0, textureHeight_ = 0;  // at least the viewport's size
    TMemoryTally bufferBytes_{MemoryCounters().backdrop};
    TMemoryTally textureBytes_{MemoryCounters().textures};
};
