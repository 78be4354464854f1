// PNG decoding and encoding through libpng. libpng reports errors by longjmp, so every
// function that calls into it here is plain C-style code without objects that have
// destructors; the C++ callers own all memory.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>

#include "platform/Images.h"
#include "platform/TPixmap.h"
#include "platform/TStream.h"

namespace {

// Where decoded bytes come from: either a memory buffer or a stream.
struct PngSource {
    const uint8_t* data;  // memory source, or null
    size_t size;          // bytes in the memory source
    size_t pos;           // read position in the memory source
    TStream* stream;      // stream source, or null
};

// The header facts the C++ side needs to allocate the pixmap.
struct PngHeader {
    int width;
    int height;
    int format;
    size_t rowBytes;
};

void PngSilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngSilentWarning(png_structp, png_const_charp) {}

void PngReadData(png_structp png, png_bytep out, png_size_t count) {
    PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (src->stream) {
        size_t got = 0;
        while (got < count) {
            size_t want = count - got;
            int n = src->stream->Read(out + got, want > (1u << 30) ? (1 << 30) : static_cast<int>(want));
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (got < count) png_error(png, "truncated");
        return;
    }
    if (src->size - src->pos < count) png_error(png, "truncated");
    std::memcpy(out, src->data + src->pos, count);
    src->pos += count;
}

// Reads the header and sets the transforms that turn every PNG into grey (1), RGB (4)
// or RGBA (6) with 8-bit channels. 0 on any error or when the picture exceeds the limits.
int PngBeginRead(png_structp png, png_infop info, PngHeader* header, size_t maxBytes) {
    if (setjmp(png_jmpbuf(png))) return 0;
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info);
    png_uint_32 h = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) return 0;
    int hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (depth == 16) png_set_strip_16(png);
    if (depth < 8) png_set_packing(png);
    int format = 4;
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
            if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
            if (hasTrns) {
                png_set_tRNS_to_alpha(png);
                png_set_gray_to_rgb(png);
                format = 6;
            } else {
                format = 1;
            }
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            png_set_gray_to_rgb(png);
            format = 6;
            break;
        case PNG_COLOR_TYPE_PALETTE:
            png_set_palette_to_rgb(png);
            if (hasTrns) png_set_tRNS_to_alpha(png);
            format = hasTrns ? 6 : 4;
            break;
        case PNG_COLOR_TYPE_RGB:
            if (hasTrns) png_set_tRNS_to_alpha(png);
            format = hasTrns ? 6 : 4;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            format = 6;
            break;
        default:
            return 0;
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    size_t bpp = format == 1 ? 1 : format == 4 ? 3 : 4;
    if (rowBytes != static_cast<size_t>(w) * bpp) return 0;
    if (rowBytes * h > maxBytes) return 0;
    header->width = static_cast<int>(w);
    header->height = static_cast<int>(h);
    header->format = format;
    header->rowBytes = rowBytes;
    return 1;
}

// Decodes the whole picture into the given rows. 0 on any error.
int PngFinishRead(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return 0;
    png_read_image(png, rows);
    return 1;
}

// The sink of encoded bytes: a string owned by the caller.
void PngWriteData(png_structp png, png_bytep data, png_size_t count) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), count);
}
void PngFlushData(png_structp) {}

// Writes the rows as a PNG of the given colour type; bgr asks for libpng's BGR order.
int PngWrite(png_structp png, png_infop info, int width, int height, int colorType, int bgr,
             int level, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return 0;
    png_set_compression_level(png, level);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    if (bgr) png_set_bgr(png);
    png_write_image(png, rows);
    png_write_end(png, info);
    return 1;
}

// Decodes from the source; sigBytes of the signature have already been consumed.
std::shared_ptr<TPixmap> DecodePng(PngSource& src, size_t maxBytes, int sigBytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngSilentError, PngSilentWarning);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    png_set_read_fn(png, &src, PngReadData);
    png_set_sig_bytes(png, sigBytes);
    std::shared_ptr<TPixmap> result;
    PngHeader header{};
    if (PngBeginRead(png, info, &header, maxBytes)) {
        auto pixmap = std::make_shared<TPixmap>(header.width, header.height, header.format);
        std::vector<png_bytep> rows(header.height);
        for (int y = 0; y < header.height; ++y) rows[y] = pixmap->Row(y);
        if (PngFinishRead(png, rows.data())) result = pixmap;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}

}  // namespace

std::shared_ptr<TPixmap> DecodePNGBytes(const void* data, size_t size, size_t maxDecodedBytes) {
    if (!data || size < 8 || png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return nullptr;
    PngSource src{static_cast<const uint8_t*>(data), size, 8, nullptr};
    return DecodePng(src, maxDecodedBytes, 8);
}

std::shared_ptr<TPixmap> DecodePNGStream(TStream& stream, size_t maxDecodedBytes) {
    png_byte sig[8];
    int got = 0;
    while (got < 8) {
        int n = stream.Read(sig + got, 8 - got);
        if (n <= 0) return nullptr;
        got += n;
    }
    if (png_sig_cmp(sig, 0, 8) != 0) return nullptr;
    PngSource src{nullptr, 0, 0, &stream};
    return DecodePng(src, maxDecodedBytes, 8);
}

std::string EncodePNGBytes(const TPixmap& pixmap, int compression) {
    if (pixmap.width <= 0 || pixmap.height <= 0) return std::string();
    std::shared_ptr<TPixmap> converted;
    const TPixmap* src = &pixmap;
    if (pixmap.format == 2) {
        converted = pixmap.Converted(6);
        src = converted.get();
    }
    int colorType = src->format == 1 ? PNG_COLOR_TYPE_GRAY
                    : (src->format == 3 || src->format == 4) ? PNG_COLOR_TYPE_RGB
                                                              : PNG_COLOR_TYPE_RGB_ALPHA;
    int bgr = src->format == 3 || src->format == 5;
    if (compression < 0) compression = 0;
    if (compression > 9) compression = 9;
    std::vector<png_bytep> rows(src->height);
    for (int y = 0; y < src->height; ++y) rows[y] = const_cast<png_bytep>(src->Row(y));
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngSilentError, PngSilentWarning);
    if (!png) return std::string();
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return std::string();
    }
    png_set_write_fn(png, &out, PngWriteData, PngFlushData);
    int ok = PngWrite(png, info, src->width, src->height, colorType, bgr, compression, rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return out;
}
