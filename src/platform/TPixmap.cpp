#include "platform/TPixmap.h"

#include <algorithm>

TPixmap::TPixmap(int w, int h, int fmt) : width(0), height(0), pitch(0), format(6) {
    if (BytesPerPixel(fmt) == 0) fmt = 6;
    format = fmt;
    if (w <= 0 || h <= 0) return;
    width = w;
    height = h;
    pitch = (w * BytesPerPixel(fmt) + 3) & ~3;
    pixels.assign(static_cast<size_t>(pitch) * h, 0);
}

int TPixmap::BytesPerPixel(int fmt) {
    switch (fmt) {
        case 1: case 2: return 1;
        case 3: case 4: return 3;
        case 5: case 6: return 4;
        default: return 0;
    }
}

int TPixmap::HasAlpha(int fmt) { return fmt == 2 || fmt == 5 || fmt == 6; }

uint32_t TPixmap::PixelARGB(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = Row(y) + x * BytesPerPixel(format);
    uint32_t a = 0xFF, r, g, b;
    switch (format) {
        case 1: r = g = b = p[0]; break;
        case 2: r = g = b = 0xFF; a = p[0]; break;
        case 3: b = p[0]; g = p[1]; r = p[2]; break;
        case 4: r = p[0]; g = p[1]; b = p[2]; break;
        case 5: b = p[0]; g = p[1]; r = p[2]; a = p[3]; break;
        default: r = p[0]; g = p[1]; b = p[2]; a = p[3]; break;
    }
    return a << 24 | r << 16 | g << 8 | b;
}

void TPixmap::SetPixelARGB(int x, int y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = Row(y) + x * BytesPerPixel(format);
    uint8_t a = argb >> 24, r = argb >> 16, g = argb >> 8, b = argb;
    switch (format) {
        case 1: p[0] = static_cast<uint8_t>((r + g + b) / 3); break;
        case 2: p[0] = a; break;
        case 3: p[0] = b; p[1] = g; p[2] = r; break;
        case 4: p[0] = r; p[1] = g; p[2] = b; break;
        case 5: p[0] = b; p[1] = g; p[2] = r; p[3] = a; break;
        default: p[0] = r; p[1] = g; p[2] = b; p[3] = a; break;
    }
}

std::shared_ptr<TPixmap> TPixmap::Converted(int toFormat) const {
    auto out = std::make_shared<TPixmap>(width, height, toFormat);
    if (out->format == format) {
        out->pixels = pixels;
        return out;
    }
    if (format == 4 && out->format == 6) {  // the common case of every masked-off load
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = Row(y);
            uint8_t* d = out->Row(y);
            for (int x = 0; x < width; ++x, s += 3, d += 4) {
                d[0] = s[0]; d[1] = s[1]; d[2] = s[2]; d[3] = 0xFF;
            }
        }
        return out;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out->SetPixelARGB(x, y, PixelARGB(x, y));
    return out;
}

std::shared_ptr<TPixmap> TPixmap::Resized(int newWidth, int newHeight) const {
    auto out = std::make_shared<TPixmap>(newWidth, newHeight, 6);
    if (width <= 0 || height <= 0) return out;
    for (int y = 0; y < out->height; ++y) {
        int y0 = static_cast<int>(static_cast<int64_t>(y) * height / out->height);
        int y1 = std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(y + 1) * height / out->height));
        for (int x = 0; x < out->width; ++x) {
            int x0 = static_cast<int>(static_cast<int64_t>(x) * width / out->width);
            int x1 = std::max(x0 + 1, static_cast<int>(static_cast<int64_t>(x + 1) * width / out->width));
            uint64_t sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    uint32_t c = PixelARGB(sx, sy);
                    sum[0] += c >> 16 & 0xFF; sum[1] += c >> 8 & 0xFF;
                    sum[2] += c & 0xFF; sum[3] += c >> 24;
                }
            uint64_t n = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
            uint8_t* d = out->Row(y) + x * 4;
            for (int i = 0; i < 4; ++i) d[i] = static_cast<uint8_t>(sum[i] / n);
        }
    }
    return out;
}

void TPixmap::SwapRedBlue() {
    if (format != 5 && format != 6) return;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = Row(y);
        for (int x = 0; x < width; ++x) std::swap(row[x * 4], row[x * 4 + 2]);
    }
    format = format == 5 ? 6 : 5;
}
