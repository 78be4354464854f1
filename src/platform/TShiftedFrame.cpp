#include "platform/TShiftedFrame.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/Graphics.h"
#include "platform/TPixmap.h"

namespace {

// Steps of a texel in the rasteriser's filter weights.
constexpr int kWeightSteps = 256;
// Steps of a pixel in the rasteriser's edge positions.
constexpr long kEdgeSteps = 256;

// n bytes of a moved towards b by weight / 256, rounded as the rasteriser's 8-bit filter
// rounds; a * (256 - weight) + b * weight + 128 stays below 65536, so 16 bits per byte do,
// and the loop runs on vector registers.
void LerpBytes(const uint8_t* __restrict a, const uint8_t* __restrict b, int n, int weight, uint8_t* __restrict out) {
    const uint16_t wa = uint16_t(256 - weight), wb = uint16_t(weight);
    for (int k = 0; k < n; ++k) out[k] = uint8_t((a[k] * wa + b[k] * wb + 128) >> 8);
}

// One row filtered across: texel i mixes texels i - back and i - back + 1, clamped to the
// used width.
void ShiftRow(const uint8_t* src, int usedWidth, int back, int weight, uint8_t* out) {
    if (usedWidth == 1 || weight == 0) {
        // Without a weight each texel is texel i - back, the first repeated.
        std::copy_n(src, size_t(usedWidth - back) * 4, out + back * 4);
        if (back) std::copy_n(src, 4, out);
        return;
    }
    // The texels whose two neighbours both lie inside the row, then the clamped end.
    if (back) {
        std::copy_n(src, 4, out);
        LerpBytes(src, src + 4, (usedWidth - 1) * 4, weight, out + 4);
    } else {
        LerpBytes(src, src + 4, (usedWidth - 1) * 4, weight, out);
        std::copy_n(src + (usedWidth - 1) * 4, 4, out + (usedWidth - 1) * 4);
    }
}

// Texels [x0, x1) of one row filtered across as ShiftRow filters them, into out[0 ..).
void ShiftSpan(const uint8_t* src, int usedWidth, int back, int weight, int x0, int x1, uint8_t* out) {
    // Texel i mixes texels i - back and i - back + 1; both inside the row from `from` to `to`.
    const int from = std::clamp(back, x0, x1), to = std::clamp(usedWidth - 1 + back, from, x1);
    auto clamped = [&](int i) {
        // At the row's ends both neighbours clamp to the same texel: the mix is that texel.
        const int k = std::clamp(i - back, 0, usedWidth - 1);
        std::copy_n(src + size_t(k) * 4, 4, out + size_t(i - x0) * 4);
    };
    for (int i = x0; i < from; ++i) clamped(i);
    if (to > from) {
        if (weight == 0) std::copy_n(src + size_t(from - back) * 4, size_t(to - from) * 4, out + size_t(from - x0) * 4);
        else LerpBytes(src + size_t(from - back) * 4, src + size_t(from - back + 1) * 4, (to - from) * 4, weight,
                       out + size_t(from - x0) * 4);
    }
    for (int i = to; i < x1; ++i) clamped(i);
}

}  // namespace

TShiftedFrame::TAxis TShiftedFrame::AxisFor(float pos, bool centreOnEdgeIn) {
    TAxis axis;
    const double base = std::floor(double(pos));
    // The rasteriser places edges at 1/256 pixel: the copy starts at the first pixel whose
    // centre the layer's first edge covers there.
    const long edge = std::lround((double(pos) - base) * kEdgeSteps);  // 0..256
    const long half = kEdgeSteps / 2;
    axis.shift = int(centreOnEdgeIn ? (edge <= half ? 0 : 1) : (edge < half ? 0 : 1));
    // Texel coordinates come from the unrounded position: pixel p samples p - pos texels
    // from the first texel's centre, in steps of 1/256 texel.
    const long at = std::lround((base + axis.shift - double(pos)) * kWeightSteps);  // -128..128
    axis.back = at < 0 ? 1 : 0;
    axis.weight = int(at + (at < 0 ? kWeightSteps : 0)) & (kWeightSteps - 1);
    return axis;
}

void TShiftedFrame::Shift(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y,
                          TPixmap& out) {
    if (usedWidth <= 0 || usedHeight <= 0) return;
    // Each source row filtered across once, kept while two rows of the copy need it.
    std::vector<uint8_t> rowA(size_t(usedWidth) * 4), rowB(size_t(usedWidth) * 4);
    int rowAOf = -1, rowBOf = -1;
    const int last = usedHeight - 1;
    for (int j = 0; j < usedHeight; ++j) {
        const int j0 = std::clamp(j - y.back, 0, last), j1 = std::clamp(j - y.back + 1, 0, last);
        if (rowAOf != j0) {
            if (rowBOf == j0) {
                std::swap(rowA, rowB);
                std::swap(rowAOf, rowBOf);
            } else {
                ShiftRow(source.Row(j0), usedWidth, x.back, x.weight, rowA.data());
                rowAOf = j0;
            }
        }
        if (rowBOf != j1 && j1 != j0) {
            ShiftRow(source.Row(j1), usedWidth, x.back, x.weight, rowB.data());
            rowBOf = j1;
        }
        if (j1 == j0 || y.weight == 0) std::copy(rowA.begin(), rowA.end(), out.Row(j));
        else LerpBytes(rowA.data(), rowB.data(), usedWidth * 4, y.weight, out.Row(j));
    }
}

const TPixmap& TShiftedFrame::Copy(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x,
                                   const TAxis& y) {
    if (!pixels_ || pixels_->width != source.width || pixels_->height != source.height) {
        pixels_ = std::make_unique<TPixmap>(source);  // the padding, never sampled, comes along
        copyBytes_.Set(int64_t(pixels_->pixels.size()));
        copyFilter_ = TFilter{};
        LearnSpans(source, usedWidth, usedHeight);
    }
    if (copyFilter_ != TFilter::Of(x, y)) {
        Shift(source, usedWidth, usedHeight, x, y, *pixels_);
        copyFilter_ = TFilter::Of(x, y);
        ++copies;
    }
    return *pixels_;
}

unsigned TShiftedFrame::Update(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x, const TAxis& y) {
    if (!GLActive()) return 0;
    if (name_ != 0 && sequence_ != GraphicsSequence()) name_ = 0;  // went with its context
    const bool fresh = name_ == 0;
    if (fresh) {
        GLuint name = 0;
        glGenTextures(1, &name);
        if (name == 0) return 0;
        name_ = name;
        sequence_ = GraphicsSequence();
        textureFilter_ = TFilter{};
    }
    if (textureFilter_ == TFilter::Of(x, y)) return name_;
    Copy(source, usedWidth, usedHeight, x, y);
    UseTexture(name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (fresh) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        // Source texels are BGRA (see the image layer): an unsized format keeps them so.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, source.width, source.height, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     pixels_->pixels.data());
        textureBytes_.Set(int64_t(source.width) * source.height * 4);
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, source.width, source.height, GL_BGRA, GL_UNSIGNED_BYTE,
                        pixels_->pixels.data());
    }
    textureFilter_ = TFilter::Of(x, y);
    ++uploads;
    return name_;
}

void TShiftedFrame::LearnSpans(const TPixmap& source, int usedWidth, int usedHeight) {
    if (learnt_) return;
    spans_ = TTexelSpans::Of(source, usedWidth, usedHeight);
    sparse_ = spans_.Covered() * 2 < long(usedWidth) * usedHeight;
    learnt_ = true;
}

void TShiftedFrame::Light(uint8_t* texels, int count) {
    for (int i = 0; i < count; ++i) {
        uint8_t* t = texels + size_t(i) * 4;
        const unsigned a = t[3];
        if (a == 255) continue;  // c * 255 / 255 is c
        if (a == 0) {            // the empty texels between a span's stars
            t[0] = t[1] = t[2] = 0;
            continue;
        }
        // c * a / 255 rounded to nearest, in integers.
        for (int c = 0; c < 3; ++c) {
            const unsigned v = t[c] * a;
            t[c] = uint8_t((v + (v >> 8) + 128) >> 8);
        }
    }
}

const TPixmap& TShiftedFrame::LitCopy(const TPixmap& source, int usedWidth, int usedHeight, const TAxis& x,
                                      const TAxis& y) {
    LearnSpans(source, usedWidth, usedHeight);
    if (!lit_ || lit_->width != source.width || lit_->height != source.height) {
        lit_ = std::make_unique<TPixmap>(source.width, source.height, source.format);  // zeroed
        litBytes_.Set(int64_t(lit_->pixels.size()));
        litFilter_ = TFilter{};
    }
    if (litFilter_ == TFilter::Of(x, y)) return *lit_;
    if (usedWidth > 0 && usedHeight > 0) {
        std::vector<uint8_t> above(size_t(usedWidth) * 4), below(size_t(usedWidth) * 4);
        const int last = usedHeight - 1;
        const TTexelSpans::TSpan whole{0, usedWidth};
        for (int j = 0; j < usedHeight; ++j) {
            // The same rows and weights as Shift, over the spans only.
            const int j0 = std::clamp(j - y.back, 0, last), j1 = std::clamp(j - y.back + 1, 0, last);
            const bool mix = j1 != j0 && y.weight != 0;
            const TTexelSpans::TSpan* s = sparse_ ? spans_.begin(j) : &whole;
            const TTexelSpans::TSpan* end = sparse_ ? spans_.end(j) : &whole + 1;
            uint8_t* row = lit_->Row(j);
            if (sparse_ && j + 2 < usedHeight) {
                // The spans of a later row start where the prefetcher cannot guess: ask early.
                const int ahead = std::clamp(j + 2 - y.back + 1, 0, last);
                for (const TTexelSpans::TSpan* p = spans_.begin(j + 2); p != spans_.end(j + 2); ++p)
                    for (int x = p->x0; x < p->x1; x += 16) {
                        __builtin_prefetch(source.Row(ahead) + size_t(x) * 4);
                        __builtin_prefetch(lit_->Row(j + 2) + size_t(x) * 4, 1);
                    }
            }
            for (; s != end; ++s) {
                uint8_t* out = row + size_t(s->x0) * 4;
                const int n = s->x1 - s->x0;
                if (mix) {
                    ShiftSpan(source.Row(j0), usedWidth, x.back, x.weight, s->x0, s->x1, above.data());
                    ShiftSpan(source.Row(j1), usedWidth, x.back, x.weight, s->x0, s->x1, below.data());
                    LerpBytes(above.data(), below.data(), n * 4, y.weight, out);
                } else {
                    ShiftSpan(source.Row(j0), usedWidth, x.back, x.weight, s->x0, s->x1, out);
                }
                Light(out, n);
            }
        }
    }
    litFilter_ = TFilter::Of(x, y);
    ++copies;
    return *lit_;
}

TShiftedFrame::~TShiftedFrame() { DeleteLiveTexture(name_, sequence_); }
