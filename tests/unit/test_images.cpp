// Image layer without a display: PNG decoding and writing, masking, texture padding,
// tiling arithmetic, the overlap test and the built-in font.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TFont.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"

namespace {

// What a hand-made PNG holds: raw rows in libpng's own packing for the colour type.
struct PngSpec {
    int width = 1, height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    int interlace = PNG_INTERLACE_NONE;
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_color> palette;
    std::vector<uint8_t> trnsAlpha;     // palette alpha
    png_color_16 trnsColor{};           // grey or RGB transparent colour
    bool hasTrnsColor = false;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), n);
}

bool WriteSpec(png_structp png, png_infop info, const PngSpec& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colorType, s.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    if (!s.trnsAlpha.empty())
        png_set_tRNS(png, info, s.trnsAlpha.data(), static_cast<int>(s.trnsAlpha.size()), nullptr);
    if (s.hasTrnsColor) png_set_tRNS(png, info, nullptr, 0, &s.trnsColor);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string MakePng(const PngSpec& s) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    std::vector<png_bytep> rows;
    for (auto& r : s.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    bool ok = WriteSpec(png, info, s, rows.data());
    png_destroy_write_struct(&png, &info);
    EXPECT_TRUE(ok);
    return out;
}

std::shared_ptr<TPixmap> Decode(const std::string& bytes) { return DecodePNGBytes(bytes.data(), bytes.size()); }

// A w x h RGB test picture with distinct pixels.
std::string RgbPng(int w, int h) {
    PngSpec s;
    s.width = w;
    s.height = h;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < w; ++x) row.insert(row.end(), {uint8_t(x * 7), uint8_t(y * 11), uint8_t(x ^ y)});
        s.rows.push_back(row);
    }
    return MakePng(s);
}

// A format-6 pixmap whose opaque pixels are where the predicate holds.
std::shared_ptr<TPixmap> ShapePixmap(int w, int h, const std::function<bool(int, int)>& opaque) {
    auto p = std::make_shared<TPixmap>(w, h, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p->SetPixelARGB(x, y, opaque(x, y) ? 0xFFFFFFFFu : 0x00FFFFFFu);
    return p;
}

std::shared_ptr<TImage> ShapeImage(int w, int h, const std::function<bool(int, int)>& opaque) {
    return LoadImageFile(ShapePixmap(w, h, opaque), 0);
}

std::shared_ptr<TImage> Disc(int size) {
    return ShapeImage(size, size, [size](int x, int y) {
        float r = size * 0.5f, dx = x + 0.5f - r, dy = y + 0.5f - r;
        return dx * dx + dy * dy <= r * r;
    });
}

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override { ResetImages(); }
    void TearDown() override { ResetImages(); }
};

}  // namespace

// ---- Decoding ----

TEST_F(ImagesTest, DecodesEveryColourTypeIntoItsFormat) {
    // Grey 8 bit -> format 1.
    PngSpec grey;
    grey.width = 2;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows = {{10, 200}};
    auto p = Decode(MakePng(grey));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 1);
    EXPECT_EQ(p->PixelARGB(1, 0), 0xFFC8C8C8u);

    // Grey 1 bit expands to 0 / 255.
    PngSpec bits;
    bits.width = 8;
    bits.colorType = PNG_COLOR_TYPE_GRAY;
    bits.bitDepth = 1;
    bits.rows = {{0xA0}};
    p = Decode(MakePng(bits));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 1);
    EXPECT_EQ(p->PixelARGB(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(p->PixelARGB(1, 0), 0xFF000000u);
    EXPECT_EQ(p->PixelARGB(2, 0), 0xFFFFFFFFu);

    // Grey + alpha -> RGBA.
    PngSpec ga;
    ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {{50, 7}};
    p = Decode(MakePng(ga));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->PixelARGB(0, 0), 0x07323232u);

    // Palette without tRNS -> RGB; with tRNS -> RGBA with the palette alpha.
    PngSpec pal;
    pal.width = 3;
    pal.colorType = PNG_COLOR_TYPE_PALETTE;
    pal.palette = {{1, 2, 3}, {200, 100, 50}, {9, 9, 9}};
    pal.rows = {{0, 1, 2}};
    p = Decode(MakePng(pal));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 4);
    EXPECT_EQ(p->PixelARGB(1, 0), 0xFFC86432u);
    pal.trnsAlpha = {0, 128};
    p = Decode(MakePng(pal));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->PixelARGB(0, 0), 0x00010203u);
    EXPECT_EQ(p->PixelARGB(1, 0), 0x80C86432u);
    EXPECT_EQ(p->PixelARGB(2, 0), 0xFF090909u);

    // 16-bit RGBA keeps the high bytes.
    PngSpec deep;
    deep.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    deep.bitDepth = 16;
    deep.rows = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}};
    p = Decode(MakePng(deep));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->PixelARGB(0, 0), 0xDE12569Au);

    // RGB with a tRNS colour -> RGBA, that colour transparent.
    PngSpec key;
    key.width = 2;
    key.rows = {{5, 6, 7, 5, 6, 8}};
    key.hasTrnsColor = true;
    key.trnsColor.red = 5;
    key.trnsColor.green = 6;
    key.trnsColor.blue = 7;
    p = Decode(MakePng(key));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->PixelARGB(0, 0) >> 24, 0u);
    EXPECT_EQ(p->PixelARGB(1, 0) >> 24, 0xFFu);
}

TEST_F(ImagesTest, InterlacedPictureDecodesLikeThePlainOne) {
    PngSpec s;
    s.width = 13;
    s.height = 9;
    for (int y = 0; y < s.height; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < s.width; ++x) row.insert(row.end(), {uint8_t(x * 19), uint8_t(y * 23), uint8_t(x + y)});
        s.rows.push_back(row);
    }
    auto plain = Decode(MakePng(s));
    s.interlace = PNG_INTERLACE_ADAM7;
    auto laced = Decode(MakePng(s));
    ASSERT_TRUE(plain && laced);
    EXPECT_EQ(plain->pixels, laced->pixels);
}

TEST_F(ImagesTest, BadInputGivesNullSilently) {
    std::string good = RgbPng(20, 20);
    ASSERT_TRUE(Decode(good));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // Truncated anywhere, from inside the signature to just before the end.
    for (size_t cut : {size_t(0), size_t(4), size_t(8), size_t(20), size_t(33), good.size() / 2, good.size() - 13})
        EXPECT_FALSE(Decode(good.substr(0, cut))) << cut;
    // Not a PNG at all.
    EXPECT_FALSE(Decode(std::string(100, 'x')));
    // A flipped byte in the image data breaks the chunk checksum.
    std::string corrupt = good;
    corrupt[good.size() - 20] ^= 0x55;
    EXPECT_FALSE(Decode(corrupt));
    // Too wide, too high, and too many decoded bytes though each side is allowed.
    auto header = [](uint32_t w, uint32_t h, int colorType) {
        PngSpec s;
        s.colorType = colorType;
        s.rows = {{0, 0, 0, 0}};
        std::string png = MakePng(s);
        // Patch IHDR width and height and recompute its CRC.
        for (int i = 0; i < 4; ++i) {
            png[16 + i] = char(w >> (24 - 8 * i));
            png[20 + i] = char(h >> (24 - 8 * i));
        }
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
        for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
        return png;
    };
    EXPECT_FALSE(Decode(header(16385, 1, PNG_COLOR_TYPE_GRAY)));
    EXPECT_FALSE(Decode(header(1, 16385, PNG_COLOR_TYPE_GRAY)));
    EXPECT_FALSE(Decode(header(16384, 16384, PNG_COLOR_TYPE_RGB_ALPHA)));
    // The header says 4 x 4 but the data is for one pixel: truncated image data.
    EXPECT_FALSE(Decode(header(4, 4, PNG_COLOR_TYPE_GRAY)));
    // The same through files, which the loader reads as a stream.
    auto dir = std::filesystem::temp_directory_path() / ("tavrik_badpng_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    for (const std::string& bytes : {good.substr(0, good.size() / 2), good.substr(0, 8), corrupt, std::string()}) {
        std::ofstream((dir / "bad.png").string(), std::ios::binary) << bytes;
        EXPECT_FALSE(LoadPixmapFile((dir / "bad.png").string()));
        EXPECT_FALSE(LoadImageFile((dir / "bad.png").string()));
    }
    std::ofstream((dir / "good.png").string(), std::ios::binary) << good;
    EXPECT_TRUE(LoadPixmapFile((dir / "good.png").string()));
    std::filesystem::remove_all(dir);
    // Missing files.
    EXPECT_FALSE(LoadPixmapFile("/nonexistent/dir/none.png"));
    EXPECT_FALSE(LoadImageFile(std::string("/nonexistent/dir/none.png")));
    EXPECT_FALSE(LoadImageFile(std::shared_ptr<TPixmap>()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// ---- Masking ----

TEST_F(ImagesTest, MaskingCutsExactlyTheMaskColourOfPicturesWithoutAlpha) {
    auto rgb = std::make_shared<TPixmap>(3, 1, 4);
    rgb->SetPixelARGB(0, 0, 0xFF000000u);  // black: masked
    rgb->SetPixelARGB(1, 0, 0xFF010000u);  // (1, 0, 0): opaque
    rgb->SetPixelARGB(2, 0, 0xFF000001u);
    auto image = LoadImageFile(rgb);  // default flags: masked + filtered
    ASSERT_TRUE(image);
    EXPECT_EQ(image->flags, 3);
    const TPixmap* p = image->FramePixmap(0);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->PixelARGB(0, 0), 0x00000000u);
    EXPECT_EQ(p->PixelARGB(1, 0), 0xFF010000u);
    EXPECT_EQ(p->PixelARGB(2, 0), 0xFF000001u);
    EXPECT_EQ(image->anchorX, 0.0f);

    // BGR and grey pixmaps are masked as well.
    auto bgr = rgb->Converted(3);
    auto bgrImage = LoadImageFile(bgr);
    EXPECT_EQ(bgrImage->FramePixmap(0)->PixelARGB(0, 0) >> 24, 0u);
    auto grey = std::make_shared<TPixmap>(2, 1, 1);
    grey->Row(0)[1] = 1;
    auto gi = LoadImageFile(grey);
    EXPECT_EQ(gi->FramePixmap(0)->PixelARGB(0, 0) >> 24, 0u);
    EXPECT_EQ(gi->FramePixmap(0)->PixelARGB(1, 0) >> 24, 0xFFu);

    // Flags without the masked bit leave the pixmap untouched.
    auto plain = LoadImageFile(rgb, 2);
    EXPECT_EQ(plain->FramePixmap(0)->format, 4);

    // Another mask colour.
    SetImageMaskColor(1, 0, 0);
    auto otherImage = LoadImageFile(rgb);
    const TPixmap* other = otherImage->FramePixmap(0);
    EXPECT_EQ(other->PixelARGB(0, 0) >> 24, 0xFFu);
    EXPECT_EQ(other->PixelARGB(1, 0) >> 24, 0u);
}

TEST_F(ImagesTest, PictureWithItsOwnAlphaIsNeverMasked) {
    auto rgba = std::make_shared<TPixmap>(2, 1, 6);
    rgba->SetPixelARGB(0, 0, 0xFF000000u);  // opaque black stays
    rgba->SetPixelARGB(1, 0, 0x40FFFFFFu);
    auto image = LoadImageFile(rgba);
    const TPixmap* p = image->FramePixmap(0);
    EXPECT_EQ(p->PixelARGB(0, 0), 0xFF000000u);
    EXPECT_EQ(p->PixelARGB(1, 0), 0x40FFFFFFu);
}

TEST_F(ImagesTest, AnchorsAndSizes) {
    auto image = LoadImageFile(Decode(RgbPng(10, 7)));
    ASSERT_TRUE(image);
    EXPECT_EQ(ImageWidthOf(image), 10);
    EXPECT_EQ(ImageHeightOf(image), 7);
    CentreImageAnchor(image);
    EXPECT_EQ(image->anchorX, 5.0f);
    EXPECT_EQ(image->anchorY, 3.5f);
    SetImageAnchor(image, -2, 40);
    EXPECT_EQ(image->anchorX, -2.0f);
    EXPECT_EQ(image->anchorY, 40.0f);
    SetAutoCentreImages(1);
    EXPECT_EQ(LoadImageFile(Decode(RgbPng(10, 7)))->anchorY, 3.5f);

    // A null image is ignored everywhere.
    std::shared_ptr<TImage> none;
    CentreImageAnchor(none);
    SetImageAnchor(none, 1, 1);
    DrawImageAt(none, 0, 0);
    TileImageAt(none, 0, 0);
    EXPECT_EQ(ImageWidthOf(none), 0);
    EXPECT_EQ(ImageHeightOf(none), 0);
    EXPECT_EQ(ImagesOverlap(none, 0, 0, 0, 0, 1, 1, image, 0, 0, 0, 0, 1, 1), 0);
    EXPECT_EQ(ReadPixmapPixel(nullptr, 0, 0), 0);
    EXPECT_EQ(WritePixmapPNG(nullptr, "/tmp/x.png", 5), 0);
}

// ---- Pixel buffers and PNG writing ----

TEST_F(ImagesTest, ReadPixmapPixelPerFormat) {
    const uint8_t bytes[] = {0x11, 0x22, 0x33, 0x44};
    uint32_t expect[] = {0, 0xFF111111u, 0x11FFFFFFu, 0xFF332211u, 0xFF112233u, 0x44332211u, 0x44112233u};
    for (int format = 1; format <= 6; ++format) {
        auto p = std::make_shared<TPixmap>(2, 2, format);
        std::copy_n(bytes, TPixmap::BytesPerPixel(format), p->Row(1) + TPixmap::BytesPerPixel(format));
        EXPECT_EQ(static_cast<uint32_t>(ReadPixmapPixel(p, 1, 1)), expect[format]) << format;
        EXPECT_EQ(ReadPixmapPixel(p, 2, 0), 0) << format;
    }
}

TEST_F(ImagesTest, PngRoundTripForEveryFormat) {
    for (int format = 1; format <= 6; ++format) {
        TPixmap p(5, 3, format);  // odd width: rows padded to 4 bytes
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                p.SetPixelARGB(x, y, uint32_t(x * 40 + 3) << 24 | uint32_t(x * 50) << 16 | uint32_t(y * 90) << 8 |
                                         uint32_t(x + y * 5));
        std::string png = EncodePNGBytes(p, 5);
        auto back = Decode(png);
        ASSERT_TRUE(back) << format;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(back->PixelARGB(x, y), p.PixelARGB(x, y)) << format;
        // Alpha survives where the format has it; grey stays grey.
        EXPECT_EQ(back->format, format == 1 ? 1 : TPixmap::HasAlpha(format) ? 6 : 4) << format;
    }
    // The level only changes the size.
    TPixmap big(64, 64, 4);
    EXPECT_LT(EncodePNGBytes(big, 9).size(), EncodePNGBytes(big, 0).size());
}

TEST_F(ImagesTest, WritePixmapPngThroughFiles) {
    auto dir = std::filesystem::temp_directory_path() / ("tavrik_images_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto p = Decode(RgbPng(9, 4));
    std::string path = (dir / "Shot.png").string();
    ASSERT_EQ(WritePixmapPNG(p, path, 5), 1);
    auto back = LoadPixmapFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixels, p->pixels);
    // Found again through the case-insensitive fallback, and as an image.
    EXPECT_TRUE(LoadImageFile((dir / "shot.PNG").string()));
    // A folder that does not exist: 0, and nothing left behind.
    EXPECT_EQ(WritePixmapPNG(p, (dir / "none" / "x.png").string(), 5), 0);
    // Replacing leaves exactly the one file.
    ASSERT_EQ(WritePixmapPNG(Decode(RgbPng(3, 3)), path, 9), 1);
    EXPECT_EQ(LoadPixmapFile(path)->width, 3);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    std::filesystem::remove_all(dir);
}

TEST_F(ImagesTest, CaptureWithoutGraphicsIsZeroed) {
    auto p = CaptureScreenPixels(3, 4, 10, 5);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, 6);
    EXPECT_EQ(p->width, 10);
    EXPECT_EQ(p->height, 5);
    for (uint8_t b : p->pixels) ASSERT_EQ(b, 0);
}

// ---- Textures ----

TEST_F(ImagesTest, TextureSizeIsPowerOfTwoHalvedUntilAccepted) {
    int tw, th;
    auto any = [](int, int) { return 1; };
    ASSERT_TRUE(FitTextureSize(100, 60, any, tw, th));
    EXPECT_EQ(tw, 128);
    EXPECT_EQ(th, 64);
    ASSERT_TRUE(FitTextureSize(64, 1, any, tw, th));
    EXPECT_EQ(tw, 64);
    EXPECT_EQ(th, 1);
    // A driver taking at most 256 on a side: both sides halve together, each down to 1.
    auto small = [](int w, int h) { return w <= 256 && h <= 256; };
    ASSERT_TRUE(FitTextureSize(1000, 3, small, tw, th));
    EXPECT_EQ(tw, 256);
    EXPECT_EQ(th, 1);
    EXPECT_FALSE(FitTextureSize(8, 8, [](int, int) { return 0; }, tw, th));
    EXPECT_EQ(tw, 0);
}

TEST_F(ImagesTest, TexturePixelsPadOneEdgePixel) {
    auto p = Decode(RgbPng(100, 60));
    ASSERT_TRUE(p);
    int usedW, usedH;
    auto t = TexturePixels(*p, 128, 64, usedW, usedH);
    ASSERT_EQ(t->width, 128);
    ASSERT_EQ(t->height, 64);
    EXPECT_EQ(t->format, 6);
    EXPECT_EQ(usedW, 100);
    EXPECT_EQ(usedH, 60);
    EXPECT_EQ(t->pitch, 128 * 4);
    for (int y = 0; y < 60; ++y) {
        EXPECT_EQ(t->PixelARGB(37, y), p->PixelARGB(37, y));
        EXPECT_EQ(t->PixelARGB(100, y), p->PixelARGB(99, y));
        EXPECT_EQ(t->PixelARGB(101, y), 0u);
    }
    for (int x = 0; x < 100; ++x) EXPECT_EQ(t->PixelARGB(x, 60), p->PixelARGB(x, 59));
    EXPECT_EQ(t->PixelARGB(100, 60), p->PixelARGB(99, 59));
    EXPECT_EQ(t->PixelARGB(5, 61), 0u);

    // Exactly texture-sized: a plain conversion; larger: resized down to the texture.
    auto exact = TexturePixels(*Decode(RgbPng(32, 16)), 32, 16, usedW, usedH);
    EXPECT_EQ(exact->width, 32);
    auto shrunk = TexturePixels(*p, 64, 32, usedW, usedH);
    EXPECT_EQ(usedW, 64);
    EXPECT_EQ(usedH, 32);
    EXPECT_EQ(shrunk->width, 64);
    // Shrinking a uniform picture keeps its colour.
    TPixmap flat(100, 60, 6);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) flat.SetPixelARGB(x, y, 0x80204060u);
    EXPECT_EQ(TexturePixels(flat, 64, 32, usedW, usedH)->PixelARGB(63, 31), 0x80204060u);
}

TEST_F(ImagesTest, FirstTileCopyCoversTheViewportStart) {
    EXPECT_EQ(FirstTileStart(-10, 64, 0), -10);
    EXPECT_EQ(FirstTileStart(-127, 64, 0), -63);
    EXPECT_EQ(FirstTileStart(0, 64, 0), 0);
    EXPECT_EQ(FirstTileStart(64, 64, 0), 0);
    EXPECT_EQ(FirstTileStart(1000.7f, 64, 0), -24);  // 1000 = 15 * 64 + 40 -> 40 - 64
    EXPECT_EQ(FirstTileStart(-0.5f, 64, 0), -1);
    EXPECT_EQ(FirstTileStart(5, 64, 100), 69);
}

// ---- Overlap ----

TEST_F(ImagesTest, OverlapOfPlainSprites) {
    auto a = ShapeImage(16, 16, [](int, int) { return true; });
    auto b = ShapeImage(16, 16, [](int, int) { return true; });
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 15, 15, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 16, 0, 0, 0, 1, 1), 0);  // edges meet
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 100, 0, 0, 0, 1, 1), 0);
    // Corners are truncated toward zero: b at -14.6 spans columns -14..0 and reaches a,
    // at -15.9 it spans -15..-1 and does not; at 15.9 it starts in a's last column.
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, -14.6f, 3, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, -15.9f, 3, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 15.9f, 3, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 3, 15.9f, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 1, 1, b, 3, -15.9f, 0, 0, 1, 1), 0);
    // Scale reaches further; frame 1 does not exist.
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 2, 1, b, 30, 0, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 1, 0, 1, 1, b, 0, 0, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, 0, 0, 1, b, 0, 0, 0, 0, 1, 1), 0);  // no area
}

TEST_F(ImagesTest, OverlapLooksAtOpaquePixelsOnly) {
    // Two discs whose boxes overlap at the corners only where both are transparent.
    auto d = Disc(32);
    EXPECT_EQ(ImagesOverlap(d, 0, 0, 0, 0, 1, 1, d, 28, 28, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(d, 0, 0, 0, 0, 1, 1, d, 20, 20, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(d, 0, 0, 0, 0, 1, 1, d, 31, 0, 0, 0, 1, 1), 1);
    // Boxes that only touch at a corner.
    EXPECT_EQ(ImagesOverlap(d, 0, 0, 0, 0, 1, 1, d, 32, 32, 0, 0, 1, 1), 0);
    // A ring around a hole does not hit a dot inside the hole.
    auto ring = ShapeImage(40, 40, [](int x, int y) { return x < 4 || y < 4 || x >= 36 || y >= 36; });
    auto dot = ShapeImage(4, 4, [](int, int) { return true; });
    EXPECT_EQ(ImagesOverlap(ring, 0, 0, 0, 0, 1, 1, dot, 18, 18, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(ring, 0, 0, 0, 0, 1, 1, dot, 34, 18, 0, 0, 1, 1), 1);
    // The same hit and miss with the ring scaled about its centre by 2: the hole grows too.
    CentreImageAnchor(ring);
    EXPECT_EQ(ImagesOverlap(ring, 20, 20, 0, 0, 2, 2, dot, 30, 18, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(ring, 20, 20, 0, 0, 2, 2, dot, 55, 18, 0, 0, 1, 1), 1);
}

TEST_F(ImagesTest, OverlapFollowsRotation) {
    // A horizontal bar (left half of a 40 x 40 image) and a dot above its anchor.
    auto bar = ShapeImage(40, 40, [](int x, int y) { return y >= 18 && y < 22 && x < 20; });
    SetImageAnchor(bar, 20, 20);
    auto dot = ShapeImage(2, 2, [](int, int) { return true; });
    // Unrotated the bar reaches left from the anchor only.
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 85, 99, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 110, 99, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 0, 1, 1, dot, 99, 85, 0, 0, 1, 1), 0);
    // Turned 90 degrees clockwise the left arm points up (y down on screen).
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 99, 85, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 85, 99, 0, 0, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 90, 1, 1, dot, 99, 110, 0, 0, 1, 1), 0);
    // At 45 degrees the arm runs up and left.
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 45, 1, 1, dot, 89, 89, 0, 0, 1, 1), 1);
    EXPECT_EQ(ImagesOverlap(bar, 100, 100, 0, 45, 1, 1, dot, 89, 109, 0, 0, 1, 1), 0);
    // Either side may be the rotated one.
    EXPECT_EQ(ImagesOverlap(dot, 99, 85, 0, 0, 1, 1, bar, 100, 100, 0, 90, 1, 1), 1);
    // Two diamonds (squares turned 45 degrees) whose boxes overlap but not their shapes.
    auto square = ShapeImage(20, 20, [](int, int) { return true; });
    CentreImageAnchor(square);
    EXPECT_EQ(ImagesOverlap(square, 0, 0, 0, 45, 1, 1, square, 24, 24, 0, 45, 1, 1), 0);
    EXPECT_EQ(ImagesOverlap(square, 0, 0, 0, 45, 1, 1, square, 26, 0, 0, 45, 1, 1), 1);
}

TEST_F(ImagesTest, PictureWithoutAlphaIsOpaqueOverItsQuad) {
    auto black = std::make_shared<TPixmap>(10, 10, 4);  // all mask colour, but unmasked
    auto solid = LoadImageFile(black, 0);
    auto dot = ShapeImage(2, 2, [](int, int) { return true; });
    EXPECT_EQ(ImagesOverlap(solid, 0, 0, 0, 0, 1, 1, dot, 5, 5, 0, 0, 1, 1), 1);
    // Masked, the same picture is all transparent.
    auto cut = LoadImageFile(black, 1);
    EXPECT_EQ(ImagesOverlap(cut, 0, 0, 0, 0, 1, 1, dot, 5, 5, 0, 0, 1, 1), 0);
}

TEST_F(ImagesTest, OverlapLeavesTheDrawingStateAlone) {
    SetDrawRotation(30);
    SetDrawScale(2, 3);
    auto d = Disc(16);
    ImagesOverlap(d, 0, 0, 0, 77, 0.5f, 4, d, 5, 5, 0, 12, 1, 1);
    float sx, sy;
    GetDrawScale(sx, sy);
    EXPECT_EQ(GetDrawRotation(), 30.0f);
    EXPECT_EQ(sx, 2.0f);
    EXPECT_EQ(sy, 3.0f);
    SetDrawRotation(0);
    SetDrawScale(1, 1);
}

// ---- Font ----

TEST_F(ImagesTest, FontTableLayoutAndGlyphImages) {
    const auto& table = TFont::GlyphTable();
    auto sheet = TFont::SheetPixmap();
    ASSERT_EQ(sheet->width, 768);
    ASSERT_EQ(sheet->height, 16);
    // Byte j of row r, bit k = column k of glyph j.
    for (int r = 0; r < 16; ++r)
        for (int j = 0; j < 96; ++j)
            for (int k = 0; k < 8; ++k)
                ASSERT_EQ(sheet->PixelARGB(j * 8 + k, r), (table[r * 96 + j] >> k & 1) ? 0xFFFFFFFFu : 0u);
    // The space is empty; every other glyph has ink, and no two glyphs are the same.
    std::set<std::vector<uint8_t>> seen;
    for (int j = 0; j < 96; ++j) {
        std::vector<uint8_t> rows;
        for (int r = 0; r < 16; ++r) rows.push_back(table[r * 96 + j]);
        int ink = 0;
        for (uint8_t b : rows) ink += b != 0;
        EXPECT_EQ(ink == 0, j == 0) << char(32 + j);
        EXPECT_TRUE(seen.insert(rows).second) << char(32 + j);
        for (uint8_t b : rows) EXPECT_EQ(b & 0x80, 0) << "column 7 is spacing: " << char(32 + j);
    }
    // 'I' has its stem in column 3, '_' sits at the bottom.
    EXPECT_EQ(table[7 * 96 + ('I' - 32)], 1 << 3);
    EXPECT_EQ(table[2 * 96 + ('_' - 32)], 0);

    TFont& font = TFont::BuiltIn();
    EXPECT_EQ(&font, &TFont::BuiltIn());
    EXPECT_EQ(font.Glyph(31), nullptr);
    EXPECT_EQ(font.Glyph(128), nullptr);
    const auto& a = *font.Glyph('A');
    EXPECT_EQ(a->width, 8);
    EXPECT_EQ(a->height, 16);
    EXPECT_EQ(a->flags, 0);
    EXPECT_EQ(a->FramePixmap(0)->PixelARGB(3, 2), 0xFFFFFFFFu);
}

TEST_F(ImagesTest, TextMetrics) {
    EXPECT_EQ(TextWidthOf("abc"), 24);
    EXPECT_EQ(TextWidthOf(""), 0);
    EXPECT_EQ(TextWidthOf("a\xE9" "b"), 16);
    EXPECT_EQ(TextWidthOf("\x7f\x1f"), 8);
    EXPECT_EQ(TextHeightOf(""), 16);
    EXPECT_EQ(TextHeightOf("Tavrik 0.91"), 16);
    DrawTextAt("inert without graphics", 0, 0);
}
