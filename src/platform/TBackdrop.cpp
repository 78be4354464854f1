#include "platform/TBackdrop.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Graphics.h"
#include "platform/TPixmap.h"
#include "platform/TTexelSpans.h"
#include "platform/TwoCores.h"

namespace {

// n bytes of add added to out, each saturating at 255 as additive blending does.
void AddBytes(const uint8_t* __restrict add, size_t n, uint8_t* __restrict out) {
    size_t k = 0;
#if defined(__SSE2__)
    // The compiler widens the plain loop to 16 bits; the saturating byte add does it in one.
    for (; k + 16 <= n; k += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(add + k));
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_adds_epu8(o, a));
    }
#endif
    for (; k < n; ++k) {
        const unsigned sum = unsigned(out[k]) + add[k];
        out[k] = uint8_t(sum > 255 ? 255 : sum);
    }
}

// Calls span(texel row, first texel, pixels, screen pixel offset) over one screen row of a
// layer, tile by tile; a layer with spans only over the parts of its tiles inside them.
template <class Span>
void EachSpan(const TBackdrop::TLayer& layer, long left, long y, int width, Span span) {
    long ty = (y - layer.originY) % layer.height;
    if (ty < 0) ty += layer.height;
    long tx = (left - layer.originX) % layer.width;
    if (tx < 0) tx += layer.width;
    const uint8_t* row = layer.texels->Row(int(ty));
    for (int x = 0; x < width;) {
        const int n = int(std::min<long>(layer.width - tx, width - x));
        if (!layer.spans) {
            span(row + tx * 4, size_t(n) * 4, x);
        } else {
            // Texels [tx, tx + n) of the row land on pixels from x on.
            for (const TTexelSpans::TSpan* s = layer.spans->begin(int(ty)); s != layer.spans->end(int(ty)); ++s) {
                const long from = std::max<long>(s->x0, tx), to = std::min<long>(s->x1, tx + n);
                if (to > from) span(row + from * 4, size_t(to - from) * 4, x + int(from - tx));
            }
        }
        x += n;
        tx = 0;
    }
}

// Smallest power of two >= n.
int PowerOfTwo(int n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// The side of a texture for n pixels: n itself where the context takes textures of any size
// (OpenGL 2.0 on), saving the padding's memory; else the power of two above.
int TextureSide(int n) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version && version[0] >= '2' && version[0] <= '9' ? n : PowerOfTwo(n);
}

// Rows [y0, y1) of Compose's picture.
void ComposeRows(const TBackdrop::TLayer* layers, int count, long left, long top, int width, int y0, int y1,
                 uint8_t* out) {
    // The first layer covers every pixel, whatever its spans.
    TBackdrop::TLayer first = count > 0 ? layers[0] : TBackdrop::TLayer{};
    first.spans = nullptr;
    for (int y = y0; y < y1; ++y) {
        uint8_t* dest = out + size_t(y) * width * 4;
        if (count < 1) {
            std::memset(dest, 0, size_t(width) * 4);
            continue;
        }
        EachSpan(first, left, top + y, width,
                 [&](const uint8_t* from, size_t n, int x) { std::memcpy(dest + size_t(x) * 4, from, n); });
        for (int i = 1; i < count; ++i)
            EachSpan(layers[i], left, top + y, width,
                     [&](const uint8_t* from, size_t n, int x) { AddBytes(from, n, dest + size_t(x) * 4); });
    }
}

}  // namespace

void TBackdrop::Compose(const TLayer* layers, int count, long left, long top, int width, int height, uint8_t* out) {
    if (!WorthTwoCores(long(width) * height)) return ComposeRows(layers, count, left, top, width, 0, height, out);
    // The copies are bound by memory, and one core's share of it is not enough for a large
    // screen: the lower half is composed on a second core.
    const int half = height / 2;
    RunOnTwoCores([&] { ComposeRows(layers, count, left, top, width, half, height, out); },
                  [&] { ComposeRows(layers, count, left, top, width, 0, half, out); });
}

int TBackdrop::Draw(const TLayer* layers, int count, int left, int top, int width, int height) {
    if (!GLActive() || width <= 0 || height <= 0) return 0;
    buffer_.resize(size_t(width) * height * 4);
    bufferBytes_.Set(int64_t(buffer_.capacity()));
    Compose(layers, count, left, top, width, height, buffer_.data());

    if (name_ != 0 && sequence_ != GraphicsSequence()) name_ = 0;  // went with its context
    if (name_ == 0 || width > textureWidth_ || height > textureHeight_) {
        const int tw = TextureSide(width), th = TextureSide(height);
        if (name_ == 0) {
            GLuint name = 0;
            glGenTextures(1, &name);
            if (name == 0) return 0;
            name_ = name;
            sequence_ = GraphicsSequence();
        }
        UseTexture(name_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        // An unsized format with BGRA texels lets the driver keep them in that order.
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        textureWidth_ = tw;
        textureHeight_ = th;
        textureBytes_.Set(int64_t(tw) * th * 4);
    }
    UseTexture(name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, buffer_.data());
    // Texel (i, j) lands on pixel (left + i, top + j): pixel centres sample texel centres.
    const float u = float(width) / float(textureWidth_), v = float(height) / float(textureHeight_);
    const float x0 = float(left), y0 = float(top), x1 = float(left + width), y1 = float(top + height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x0, y0);
    glTexCoord2f(u, 0.0f);
    glVertex2f(x1, y0);
    glTexCoord2f(u, v);
    glVertex2f(x1, y1);
    glTexCoord2f(0.0f, v);
    glVertex2f(x0, y1);
    glEnd();
    return 1;
}

TBackdrop::~TBackdrop() { DeleteLiveTexture(name_, sequence_); }
