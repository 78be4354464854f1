#pragma once
#include <cstdint>
#include <memory>

#include "platform/MemoryCounters.h"
#include "platform/TMemoryTally.h"
#include "platform/TTexelSpans.h"

class TPixmap;

// A copy of an opaque, filtered texture frame with the linear filter worked out on the CPU
// for one sub-texel shift. A layer tiled at a fractional offset costs the rasteriser four
// texel reads and a blend of them per pixel; drawn instead from this copy at the
// whole-pixel position next to it, with nearest sampling, it gives the same pixels from
// one texel each. The copy is worked out again only when the filter weights change, which
// for a far layer that moves a thousandth of the camera's speed is seldom.
class TShiftedFrame {
public:
    // How one axis of a layer at a fractional screen position is filtered, and where the
    // copy goes instead.
    struct TAxis {
        int weight = 0;  // weight of the next texel, 0..255 of 256
        int back = 0;    // 1: texel i of the copy mixes texels i - 1 and i, 0: i and i + 1
        int shift = 0;   // whole pixels from floor(position) to the copy's first pixel
    };
    // The axis for a layer whose first texel starts at screen position pos. Where that edge
    // falls on a pixel centre, the rasteriser counts the pixel in for a left edge and out
    // for a top edge.
    static TAxis AxisFor(float pos, bool centreOnEdgeIn);
    // The used width x height texels of source (BGRA, padded as uploaded) filtered for the
    // two axes, as the rasteriser filters them with clamping at the edges, into the same
    // texels of out (a pixmap of source's size and format; its padding is left alone).
    static void Shift(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y,
                      TPixmap& out);

    // The copy for the two axes, worked out again only when the weights change; valid until
    // the next call. Needs no graphics.
    const TPixmap& Copy(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y);
    // The copy for the two axes with its colours scaled by alpha, rounded as the rasteriser's
    // light blending rounds them, as additive blending would add it to the screen. Worked out
    // in one pass, only inside Spans() (the rest stays empty) and again only when the weights
    // change; valid until the next call. Needs no graphics.
    const TPixmap& LitCopy(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y);
    // Colours of the count BGRA texels at texels scaled by their alpha, in place, as LitCopy
    // scales them; texels of alpha 255 are left alone (their colours already are).
    static void Light(uint8_t* texels, int count);
    // Where the copies can hold anything, worked out at the first Copy: the spans of a mostly
    // empty source, null for one not worth splitting. Filtering itself runs over whole rows:
    // spread over short spans, its reads lose more to the cache than they save.
    const TTexelSpans* Spans() const { return sparse_ ? &spans_ : nullptr; }
    // Makes or brings up to date the texture for the two axes; needs the current context.
    // Returns the texture name, or 0 when none can be made.
    unsigned Update(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y);
    // Deletes the texture while its context is still the current one.
    ~TShiftedFrame();

    long uploads = 0;  // times the copy was uploaded
    long copies = 0;   // times the copy (or the lit copy) was worked out

private:
    unsigned name_ = 0;           // OpenGL texture name
    int sequence_ = 0;            // graphics sequence of the texture
    // The filter a copy was worked out for; unknown (matching no axes) until set.
    struct TFilter {
        int weightX = -1, weightY = -1, backX = -1, backY = -1;
        static TFilter Of(const TAxis& x, const TAxis& y) { return {x.weight, y.weight, x.back, y.back}; }
        bool operator==(const TFilter&) const = default;
    };
    TFilter textureFilter_;            // what the texture holds
    TFilter copyFilter_;               // what pixels_ holds
    std::unique_ptr<TPixmap> pixels_;  // the last copy worked out, reused for the next
    TFilter litFilter_;                // what lit_ holds
    std::unique_ptr<TPixmap> lit_;     // the last lit copy
    TMemoryTally litBytes_{MemoryCounters().texelCopies};  // lit_
    // Makes the spans on the first sight of source.
    void LearnSpans(const TPixmap& source, int usedWidth, int usedHeight);
    bool learnt_ = false;
    TTexelSpans spans_;                // see Spans()
    bool sparse_ = false;              // the spans leave out most of the picture
    TMemoryTally copyBytes_{MemoryCounters().texelCopies};  // pixels_
    TMemoryTally textureBytes_{MemoryCounters().textures};  // the texture
};
