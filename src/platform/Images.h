#pragma once
// Images, text and pixel buffers: PNG pictures loaded into TImage objects and drawn as
// textured quads through the drawing state, the built-in 8 x 16 font, screen capture,
// PNG writing and the pixel-exact overlap test used for collisions.
// Without an OpenGL context every drawing call here is inert.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TImage;
class TPixmap;
class TStream;

// Largest picture the decoder accepts: each side, and the decoded bytes.
constexpr int kMaxImageSide = 16384;
constexpr size_t kMaxDecodedBytes = size_t(256) << 20;

// Image flags.
constexpr int kImageMasked = 1;
constexpr int kImageFiltered = 2;
constexpr int kImageMipmapped = 4;

// ---- Images ----
// Loads a PNG file into an image; flags -1 means the loader's default flags (3). Null when
// the file is missing, unreadable or not a picture.
std::shared_ptr<TImage> LoadImageFile(const std::string& path, int flags = -1);
// An image of one frame made from the pixmap (masked per the flags).
std::shared_ptr<TImage> LoadImageFile(const std::shared_ptr<TPixmap>& pixmap, int flags = -1);
// Anchor at the centre: (width * 0.5, height * 0.5).
void CentreImageAnchor(const std::shared_ptr<TImage>& image);
void SetImageAnchor(const std::shared_ptr<TImage>& image, float x, float y);
// Size of one frame; 0 for a null image.
int ImageWidthOf(const std::shared_ptr<TImage>& image);
int ImageHeightOf(const std::shared_ptr<TImage>& image);
// One textured quad placed with the image's anchor, the transform and the origin.
void DrawImageAt(const std::shared_ptr<TImage>& image, float x, float y, int frame = 0);
// Copies of the image covering the whole viewport, unrotated and unscaled.
void TileImageAt(const std::shared_ptr<TImage>& image, float x, float y, int frame = 0);
// One layer of TileImagesAt: frame 0 of the image tiled at (x, y).
struct TTileLayer {
    std::shared_ptr<TImage> image;
    float x = 0.0f, y = 0.0f;
};
// The layers tiled one over the other as TileImageAt tiles each, in order; where the
// rasteriser is the software one and the first layer lies opaque over a black screen under
// light blending, composed on the CPU and drawn as one picture, with the same pixels.
void TileImagesAt(const TTileLayer* layers, int count);
// 1 when the two placed images share an opaque screen pixel. Pure computation: needs no
// graphics and leaves the drawing state alone.
int ImagesOverlap(const std::shared_ptr<TImage>& image1, float x1, float y1, int frame1, float rotation1,
                  float scaleX1, float scaleY1, const std::shared_ptr<TImage>& image2, float x2, float y2,
                  int frame2, float rotation2, float scaleX2, float scaleY2);

// Loader defaults, process-wide.
void SetDefaultImageFlags(int flags);
void SetImageMaskColor(int r, int g, int b);
void SetAutoCentreImages(int on);

// ---- Text with the built-in font ----
void DrawTextAt(const std::string& text, float x, float y);
// 8 per character with a code in 32..127.
int TextWidthOf(const std::string& text);
// Always 16.
int TextHeightOf(const std::string& text);

// ---- Pixel buffers ----
// The w x h rectangle of the back buffer at x, y (format 6, row 0 on top); zeroed when no
// OpenGL context is current. Call after drawing and before FlipScreen.
std::shared_ptr<TPixmap> CaptureScreenPixels(int x, int y, int w, int h);
// Decodes a PNG file; null when it cannot.
std::shared_ptr<TPixmap> LoadPixmapFile(const std::string& path);
// The pixel as 0xAARRGGBB; 0 for a null pixmap or outside it.
int ReadPixmapPixel(const std::shared_ptr<TPixmap>& pixmap, int x, int y);
// Writes the pixmap as a PNG at a zlib level 0..9. The file appears complete or not at all;
// 0 when it cannot be written.
int WritePixmapPNG(const std::shared_ptr<TPixmap>& pixmap, const std::string& path, int compression);

// ---- Pieces of the above, open for tests and tools ----
// PNG decoding from memory or a stream into format 1 (grey), 4 (RGB) or 6 (RGBA).
std::shared_ptr<TPixmap> DecodePNGBytes(const void* data, size_t size, size_t maxDecodedBytes = kMaxDecodedBytes);
std::shared_ptr<TPixmap> DecodePNGStream(TStream& stream, size_t maxDecodedBytes = kMaxDecodedBytes);
// PNG file bytes of a pixmap; empty on failure.
std::string EncodePNGBytes(const TPixmap& pixmap, int compression);
// A format-6 copy with alpha 0 where the colour is exactly the mask colour, 255 elsewhere.
std::shared_ptr<TPixmap> MaskPixmap(const TPixmap& pixmap, int r, int g, int b);
// Power-of-two texture size for a w x h picture, halved on both sides until accepts says
// yes; 0 when not even 1 x 1 is accepted.
int FitTextureSize(int w, int h, const std::function<int(int, int)>& accepts, int& textureW, int& textureH);
// The format-6 texture pixels: the picture at 0, 0 (resized down if larger), its last
// column and row repeated once beyond it and its corner pixel diagonally.
std::shared_ptr<TPixmap> TexturePixels(const TPixmap& pixmap, int textureW, int textureH, int& usedW, int& usedH);
// Whether the pixmap already is what TexturePixels would make of it for that texture size.
bool IsTextureLayout(const TPixmap& pixmap, int textureW, int textureH);
// Where the first tile copy starts: the largest whole position <= viewStart congruent
// to floor(pos) modulo size.
int FirstTileStart(float pos, int size, int viewStart);

// The text drawn one texture and one glBegin per character, from the glyph images: the
// pixels DrawTextAt must give, for tests. Not recorded.
void DrawTextGlyphByGlyph(const std::string& text, float x, float y);

// Puts the loader defaults back to their start-up values.
void ResetImages();
