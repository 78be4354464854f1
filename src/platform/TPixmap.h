#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// A pixel buffer: decoded pictures, screen captures and texture uploads. Rows are stored
// top to bottom, each pitch bytes long. Formats: 1 grey, 2 alpha only (colour reads as
// white), 3 bytes B,G,R, 4 bytes R,G,B, 5 bytes B,G,R,A, 6 bytes R,G,B,A.
class TPixmap {
public:
    // A zeroed pixmap; pitch is the row size rounded up to 4 bytes. An unknown format or
    // a negative size gives an empty pixmap of format 6.
    TPixmap(int width, int height, int format);

    // Bytes per pixel of a format (0 for an unknown one).
    static int BytesPerPixel(int format);
    // 1 for the formats that carry alpha (2, 5, 6).
    static int HasAlpha(int format);

    // First byte of row y.
    uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * pitch; }
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * pitch; }
    // The pixel as 0xAARRGGBB; alpha 0xFF for formats without it. Outside the pixmap: 0.
    uint32_t PixelARGB(int x, int y) const;
    // Sets a pixel from 0xAARRGGBB, reduced to the format (grey is the mean of r, g, b).
    void SetPixelARGB(int x, int y, uint32_t argb);
    // A copy in another format.
    std::shared_ptr<TPixmap> Converted(int toFormat) const;
    // RGBA (format 6) turned into BGRA (format 5) and back, in place; other formats stay.
    void SwapRedBlue();
    // A copy scaled to newWidth x newHeight by box averaging (format 6).
    std::shared_ptr<TPixmap> Resized(int newWidth, int newHeight) const;

    int width;                    // pixels per row
    int height;                   // rows
    int pitch;                    // bytes per row
    int format;                   // 1..6, see above
    std::vector<uint8_t> pixels;  // height * pitch bytes
};
