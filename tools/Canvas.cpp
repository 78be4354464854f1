#include "Canvas.h"

#include <png.h>

#include <cstdio>
#include <memory>

Canvas::Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0.0f) {}

void Canvas::Over(int x, int y, Col c, float a) {
    if (!Inside(x, y) || a <= 0) return;
    a = Clamp01(a);
    float* p = At(x, y);
    float k = 1 - a;
    p[0] = c.r * a + p[0] * k;
    p[1] = c.g * a + p[1] * k;
    p[2] = c.b * a + p[2] * k;
    p[3] = a + p[3] * k;
}

void Canvas::Add(int x, int y, Col c, float a) {
    if (!Inside(x, y) || a <= 0) return;
    float* p = At(x, y);
    p[0] += c.r * a;
    p[1] += c.g * a;
    p[2] += c.b * a;
    p[3] = std::min(1.0f, p[3] + a);
}

void Canvas::Set(int x, int y, Col c, float a) {
    if (!Inside(x, y)) return;
    float* p = At(x, y);
    a = Clamp01(a);
    p[0] = c.r * a;
    p[1] = c.g * a;
    p[2] = c.b * a;
    p[3] = a;
}

void Canvas::Blit(const Canvas& src, int x, int y) {
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i) {
            if (!Inside(x + i, y + j)) continue;
            const float* s = src.At(i, j);
            float* d = At(x + i, y + j);
            float k = 1 - s[3];
            for (int n = 0; n < 4; ++n) d[n] = s[n] + d[n] * k;
        }
}

void Canvas::Fill(Col c) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) Set(x, y, c, 1);
}

namespace {
uint8_t ToByte(float v) {
    v = Clamp01(v);
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

struct PngFile {
    FILE* f = nullptr;
    ~PngFile() {
        if (f) std::fclose(f);
    }
};
} // namespace

bool Canvas::SavePNG(const std::string& path, bool withAlpha, int compression) const {
    PngFile file;
    file.f = std::fopen(path.c_str(), "wb");
    if (!file.f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float* p = At(x, y);
            uint8_t* o = &rows[(static_cast<size_t>(y) * w + x) * channels];
            if (withAlpha) {
                uint8_t a = ToByte(p[3]);
                if (a == 0) {
                    o[0] = o[1] = o[2] = o[3] = 0;
                    continue;
                }
                float inv = 1.0f / p[3];
                o[0] = ToByte(p[0] * inv);
                o[1] = ToByte(p[1] * inv);
                o[2] = ToByte(p[2] * inv);
                o[3] = a;
            } else {
                o[0] = ToByte(p[0]);
                o[1] = ToByte(p[1]);
                o[2] = ToByte(p[2]);
            }
        }
    std::vector<png_bytep> rowPointers(h);
    for (int y = 0; y < h; ++y) rowPointers[y] = &rows[static_cast<size_t>(y) * w * channels];
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.f);
    png_set_compression_level(png, compression);
    png_set_IHDR(png, info, w, h, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

float SdCircle(V2 p, V2 c, float r) { return Len(p - c) - r; }

float SdEllipse(V2 p, V2 c, V2 radii) {
    // Scaled-circle estimate, corrected by the gradient length: close enough for 1 px edges.
    V2 q{(p.x - c.x) / radii.x, (p.y - c.y) / radii.y};
    float k = Len(q);
    if (k < 1e-6f) return -std::min(radii.x, radii.y);
    V2 grad{q.x / (radii.x * k), q.y / (radii.y * k)};
    return (k - 1) / std::max(1e-6f, Len(grad));
}

float SdSegment(V2 p, V2 a, V2 b, float r) {
    V2 pa = p - a, ba = b - a;
    float t = Clamp01(Dot(pa, ba) / std::max(1e-6f, Dot(ba, ba)));
    return Len(pa - ba * t) - r;
}

float SdBox(V2 p, V2 c, V2 half, float round) {
    V2 d{std::fabs(p.x - c.x) - half.x + round, std::fabs(p.y - c.y) - half.y + round};
    V2 o{std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
    return Len(o) + std::min(std::max(d.x, d.y), 0.0f) - round;
}

float SdPolygon(V2 p, const std::vector<V2>& v) {
    const size_t n = v.size();
    float d = Dot(p - v[0], p - v[0]);
    float s = 1;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        V2 e = v[j] - v[i];
        V2 wv = p - v[i];
        V2 b = wv - e * Clamp01(Dot(wv, e) / std::max(1e-9f, Dot(e, e)));
        d = std::min(d, Dot(b, b));
        bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * wv.y > e.y * wv.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

uint32_t Hash32(uint32_t v) {
    v ^= v >> 16;
    v *= 0x7feb352du;
    v ^= v >> 15;
    v *= 0x846ca68bu;
    v ^= v >> 16;
    return v;
}

float Hash01(int x, int y, uint32_t seed) {
    uint32_t v = Hash32(static_cast<uint32_t>(x) * 0x9E3779B1u ^ Hash32(static_cast<uint32_t>(y) + seed * 0x85EBCA77u));
    return (v >> 8) * (1.0f / 16777216.0f);
}

float TileNoise(float x, float y, int period, uint32_t seed) {
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = x - xi, fy = y - yi;
    auto wrap = [period](int v) { return ((v % period) + period) % period; };
    int x0 = wrap(xi), x1 = wrap(xi + 1), y0 = wrap(yi), y1 = wrap(yi + 1);
    float a = Hash01(x0, y0, seed), b = Hash01(x1, y0, seed), c = Hash01(x0, y1, seed), d = Hash01(x1, y1, seed);
    float u = fx * fx * (3 - 2 * fx), v = fy * fy * (3 - 2 * fy);
    return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}

float TileFbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * TileNoise(x, y, period, seed + o * 101u);
        norm += amp;
        x *= 2;
        y *= 2;
        period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}
