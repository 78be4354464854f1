#include "platform/Images.h"

#include <GL/gl.h>

#include <algorithm>
#include <functional>
#include <cmath>
#include <vector>

#include "platform/DrawRecording.h"
#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/TBackdrop.h"
#include "platform/TCollisionQuad.h"
#include "platform/TFont.h"
#include "platform/TImage.h"
#include "platform/TImageFrame.h"
#include "platform/TPixmap.h"
#include "platform/TShiftedFrame.h"
#include "platform/TwoCores.h"
#include "platform/StateResets.h"
#include "platform/Trimming.h"

namespace {

// Loader defaults.
struct TLoaderDefaults {
    int flags = kImageMasked | kImageFiltered;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    int autoCentre = 0;
    float centreX = 0.5f, centreY = 0.5f;
};
TLoaderDefaults gDefaults;
// The composed background and its texture.
std::unique_ptr<TBackdrop> gBackdrop;

// One textured quad with its top-left corner at local (left, top), placed at screen (x, y).
inline void EmitQuad(const TDrawState& s, const TImageFrame& tex, float x, float y, float left, float top,
                     float w, float h) {
    float right = left + w, bottom = top + h;
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x + left * s.ix + top * s.iy, y + left * s.jx + top * s.jy);
    glTexCoord2f(tex.uMax, 0.0f);
    glVertex2f(x + right * s.ix + top * s.iy, y + right * s.jx + top * s.jy);
    glTexCoord2f(tex.uMax, tex.vMax);
    glVertex2f(x + right * s.ix + bottom * s.iy, y + right * s.jx + bottom * s.jy);
    glTexCoord2f(0.0f, tex.vMax);
    glVertex2f(x + left * s.ix + bottom * s.iy, y + left * s.jx + bottom * s.jy);
}

// Local point (lx, ly) of an image drawn at screen (x, y), through the transform; the same
// arithmetic as EmitQuad, so that trimmed shapes meet the full quad's corners exactly.
inline void PlaceVertex(const TDrawState& s, float x, float y, float lx, float ly) {
    glVertex2f(x + lx * s.ix + ly * s.iy, y + lx * s.jx + ly * s.jy);
}

// Maps texel positions of a frame to local image coordinates and texture coordinates.
struct TTexelMap {
    const TImageFrame& tex;  // the frame drawn
    float left, top;         // local position of texel (0, 0)
    float w, h;              // local size of the whole frame
    float kx, ky;            // local units per texel

    TTexelMap(const TImageFrame& t, float left_, float top_, float w_, float h_)
        : tex(t), left(left_), top(top_), w(w_), h(h_), kx(w_ / t.usedWidth), ky(h_ / t.usedHeight) {}
    // The far edges map to left + w and top + h exactly, as the full quad has them.
    float LocalX(float tx) const { return tx == 0.0f ? left : left + (tx == float(tex.usedWidth) ? w : tx * kx); }
    float LocalY(float ty) const { return ty == 0.0f ? top : top + (ty == float(tex.usedHeight) ? h : ty * ky); }
    // One vertex at texel position (tx, ty), drawn at screen (x, y).
    void Vertex(const TDrawState& s, float x, float y, float tx, float ty) const {
        glTexCoord2f(tx / tex.textureWidth, ty / tex.textureHeight);
        PlaceVertex(s, x, y, LocalX(tx), LocalY(ty));
    }
    // A texel rectangle as one quad.
    void Rect(const TDrawState& s, float x, float y, float tx0, float ty0, float tx1, float ty1) const {
        Vertex(s, x, y, tx0, ty0);
        Vertex(s, x, y, tx1, ty0);
        Vertex(s, x, y, tx1, ty1);
        Vertex(s, x, y, tx0, ty1);
    }
};

// Sprites scaled below this are drawn whole: the outline's corners, a quarter texel inside the
// frame's edges, must stay several 1/256 pixel steps inside it on screen.
constexpr float kMinTrimScale = 0.125f;

// Draws the frame with its anchor at screen point (x, y), origin already added. Under the
// light, alpha and mask blend modes only the frame's outline is drawn, with the texture
// coordinates the full quad gives those points, so every pixel gets the value it would
// get from the full quad and the pixels over empty texels are not filled at all.
void DrawImageScreen(TImage& image, float x, float y, int frame) {
    TImageFrame* tex = image.TextureFrame(frame);
    if (!tex) return;
    const TDrawState& s = DrawState();
    const float w = static_cast<float>(image.width), h = static_cast<float>(image.height);
    const TFrameOutline::TShape* shape = tex->outline.ForBlend(s.blendMode);
    // Screen pixels per texel, for the counters.
    const float perTexel = std::fabs(s.ix * s.jy - s.iy * s.jx) * (w / tex->usedWidth) * (h / tex->usedHeight);
    TFillCounters& fill = FillCounters();
    fill.changed += perTexel * (shape ? shape->nonEmpty : double(tex->usedWidth) * tex->usedHeight);
    const bool trim = shape && TrimmingOn();
    if (trim && shape->nonEmpty == 0) return;  // nothing in it can change the screen
    const bool unrotated = s.iy == 0.0f && s.jx == 0.0f;
    const float frameArea = float(tex->usedWidth) * float(tex->usedHeight);
    // The cheapest of three ways, counting each triangle as kTrianglePixels filled pixels:
    // the full quad; the bounding box, a quad too, when it is unrotated (its edges along the
    // frame's are then exactly the full quad's) or lies strictly inside the frame; and the
    // outline with its strips. Neither trimmed way at a scale so small that corners kept
    // off the frame's edges would come within the rasteriser's rounding of them.
    enum { kFull, kBox, kOutline } way = kFull;
    if (trim && std::min(std::fabs(s.scaleX), std::fabs(s.scaleY)) >= kMinTrimScale) {
        const float triangle = TFrameOutline::kTrianglePixels / perTexel;  // in texels
        const float boxArea = (shape->boxMax.x - shape->boxMin.x) * (shape->boxMax.y - shape->boxMin.y);
        const bool boxInside = shape->boxMin.x > 0.0f && shape->boxMin.y > 0.0f &&
                               shape->boxMax.x < float(tex->usedWidth) && shape->boxMax.y < float(tex->usedHeight);
        float best = frameArea;
        if ((unrotated || boxInside) && boxArea < best) {
            best = boxArea;
            way = kBox;
        }
        if (!unrotated && !shape->whole && shape->outlineArea + triangle * float(shape->triangles - 2) < best)
            way = kOutline;
    }
    if (way == kFull) {
        fill.filled += perTexel * frameArea;
        UseTexture(tex->Texture());
        glBegin(GL_QUADS);
        EmitQuad(s, *tex, x, y, -image.anchorX, -image.anchorY, w, h);
        glEnd();
        return;
    }
    TTexelMap map(*tex, -image.anchorX, -image.anchorY, w, h);
    UseTexture(tex->Texture());
    if (way == kBox) {
        fill.filled += perTexel * (shape->boxMax.x - shape->boxMin.x) * (shape->boxMax.y - shape->boxMin.y);
        glBegin(GL_QUADS);
        map.Rect(s, x, y, shape->boxMin.x, shape->boxMin.y, shape->boxMax.x, shape->boxMax.y);
        glEnd();
        return;
    }
    fill.filled += perTexel * shape->outlineArea;
    // One batch of triangles: the polygon as a fan from its first corner, each strip as two.
    const std::vector<TFrameOutline::TPoint>& o = shape->outline;
    const std::vector<TFrameOutline::TPoint>& q = shape->strips;
    glBegin(GL_TRIANGLES);
    for (size_t i = 1; i + 1 < o.size(); ++i) {
        map.Vertex(s, x, y, o[0].x, o[0].y);
        map.Vertex(s, x, y, o[i].x, o[i].y);
        map.Vertex(s, x, y, o[i + 1].x, o[i + 1].y);
    }
    for (size_t i = 0; i + 4 <= q.size(); i += 4)
        for (size_t k : {i, i + 1, i + 2, i, i + 2, i + 3}) map.Vertex(s, x, y, q[k].x, q[k].y);
    glEnd();
}

std::shared_ptr<TImage> MakeImage(std::shared_ptr<TPixmap> pixmap, int flags) {
    if (!pixmap || pixmap->width <= 0 || pixmap->height <= 0) return nullptr;
    if (flags < 0) flags = gDefaults.flags;
    if ((flags & kImageMasked) && !TPixmap::HasAlpha(pixmap->format))
        pixmap = MaskPixmap(*pixmap, gDefaults.maskRed, gDefaults.maskGreen, gDefaults.maskBlue);
    auto image = std::make_shared<TImage>(std::move(pixmap), flags, gDefaults.maskRed, gDefaults.maskGreen,
                                          gDefaults.maskBlue);
    if (gDefaults.autoCentre) {
        image->anchorX = image->width * gDefaults.centreX;
        image->anchorY = image->height * gDefaults.centreY;
    }
    return image;
}

}  // namespace

// ---- Images ----

std::shared_ptr<TPixmap> LoadPixmapFile(const std::string& path) {
    std::shared_ptr<TStream> stream = OpenReadStream(path);
    if (!stream) return nullptr;
    std::shared_ptr<TPixmap> pixmap = DecodePNGStream(*stream);
    StreamClose(stream);
    return pixmap;
}

std::shared_ptr<TImage> LoadImageFile(const std::string& path, int flags) {
    return MakeImage(LoadPixmapFile(path), flags);
}

std::shared_ptr<TImage> LoadImageFile(const std::shared_ptr<TPixmap>& pixmap, int flags) {
    return MakeImage(pixmap, flags);
}

void CentreImageAnchor(const std::shared_ptr<TImage>& image) {
    if (!image) return;
    image->anchorX = image->width * 0.5f;
    image->anchorY = image->height * 0.5f;
}

void SetImageAnchor(const std::shared_ptr<TImage>& image, float x, float y) {
    if (!image) return;
    image->anchorX = x;
    image->anchorY = y;
}

int ImageWidthOf(const std::shared_ptr<TImage>& image) { return image ? image->width : 0; }
int ImageHeightOf(const std::shared_ptr<TImage>& image) { return image ? image->height : 0; }

void DrawImageAt(const std::shared_ptr<TImage>& image, float x, float y, int frame) {
    if (drawRecordingOn && image) RecordImageCall(TDrawKind::Image, *image, x, y, frame);
    if (!image || !GLActive()) return;
    NoteScreenDrawn();
    const TDrawState& s = DrawState();
    DrawImageScreen(*image, x + s.originX, y + s.originY, frame);
}

int FirstTileStart(float pos, int size, int viewStart) {
    if (size <= 0) return viewStart;
    int64_t p = static_cast<int64_t>(std::floor(pos));
    int64_t back = (static_cast<int64_t>(viewStart) - p) % size;
    if (back < 0) back += size;
    return static_cast<int>(viewStart - back);
}

// The frame's texels as uploaded, kept from the first call, for filtering on the CPU; null
// unless the frame is filtered bilinearly and fills its texture.
static const TPixmap* ShiftableTexels(const TImage& image, TImageFrame& tex, int frame) {
    const bool bilinear = (image.flags & kImageFiltered) && !(image.flags & kImageMipmapped);
    if (!bilinear || tex.usedWidth != image.width || tex.usedHeight != image.height) return nullptr;
    const TPixmap* pixmap = image.FramePixmap(frame);
    if (!tex.texels && pixmap) {
        if (IsTextureLayout(*pixmap, tex.textureWidth, tex.textureHeight)) {
            tex.texels = image.frames[size_t(frame)].pixmap;  // the same bytes: no copy
        } else {
            int usedW = 0, usedH = 0;
            tex.texels = TexturePixels(*pixmap, tex.textureWidth, tex.textureHeight, usedW, usedH);
            tex.texelBytes.Set(int64_t(tex.texels->pixels.size()));
        }
        // Kept as BGRA (format 5), the order the software rasteriser keeps textures in: the
        // copies made from them are uploaded and composed without reordering. A shared pixmap
        // turns BGRA with them; its readers go by its format.
        tex.texels->SwapRedBlue();
    }
    return tex.texels.get();
}

// Whether drawing the frame under the current blend mode gives exactly what drawing it
// solid would, so the rasteriser can copy instead of blend: alpha and mask with an opaque
// frame at full drawing alpha, and light over a screen known to be black.
static bool SameAsSolid(const TImageFrame& tex, const TDrawState& s) {
    if (!tex.outline.opaque || AlphaByte(s.alpha) != 255) return false;
    return s.blendMode == kBlendAlpha || s.blendMode == kBlendMask || (s.blendMode == kBlendLight && ScreenKnownBlack());
}

void TileImageAt(const std::shared_ptr<TImage>& image, float x, float y, int frame) {
    if (drawRecordingOn && image) RecordImageCall(TDrawKind::Tile, *image, x, y, frame);
    if (!image || !GLActive() || image->width <= 0 || image->height <= 0) return;
    TImageFrame* tex = image->TextureFrame(frame);
    if (!tex) return;
    const int blendMode = GetBlendMode();
    const bool copy = TrimmingOn() && SameAsSolid(*tex, DrawState());
    NoteScreenDrawn();
    // Copied, the empty cells of the blend mode are still left out: over black, or opaque.
    if (copy) SetBlendMode(kBlendSolid);
    const TDrawState& s = DrawState();
    float fx = x + s.originX - image->anchorX, fy = y + s.originY - image->anchorY;
    if (!std::isfinite(fx) || !std::isfinite(fy)) return;
    float fracX = fx - std::floor(fx), fracY = fy - std::floor(fy);
    int startX = FirstTileStart(fx, image->width, s.viewportX);
    int startY = FirstTileStart(fy, image->height, s.viewportY);
    // Tiles are placed unrotated and unscaled: the identity transform.
    TDrawState identity = s;
    identity.ix = 1.0f; identity.iy = 0.0f; identity.jx = 0.0f; identity.jy = 1.0f;
    float w = static_cast<float>(image->width), h = static_cast<float>(image->height);
    const TFrameOutline::TShape* shape = tex->outline.ForBlend(blendMode);
    const bool trim = shape && TrimmingOn();
    const float viewLeft = float(s.viewportX), viewRight = float(s.viewportX + s.viewportW);
    const float viewTop = float(s.viewportY), viewBottom = float(s.viewportY + s.viewportH);
    TTexelMap map(*tex, 0.0f, 0.0f, w, h);
    // A copied filtered layer is drawn from its copy filtered on the CPU for its fractional
    // offset, at whole pixels with nearest sampling: one texel read per pixel, same pixels.
    // Blended layers are left to the rasteriser: on the star layers, which move with the
    // camera, working out and uploading the copy each frame cost what nearest sampling saved.
    unsigned texture = 0;
    const TPixmap* texels = copy && ShiftedLayersOn() ? ShiftableTexels(*image, *tex, frame) : nullptr;
    if (texels) {
        const TShiftedFrame::TAxis shiftX = TShiftedFrame::AxisFor(fx, true);
        const TShiftedFrame::TAxis shiftY = TShiftedFrame::AxisFor(fy, false);
        unsigned name = tex->shifted.Update(*texels, tex->usedWidth, tex->usedHeight, shiftX, shiftY);
        if (name != 0) {
            texture = name;
            fracX = float(shiftX.shift);
            fracY = float(shiftY.shift);
        }
    }
    if (texture == 0) texture = tex->Texture();
    // A first copy starting right of the view's first pixel centre leaves that column (row)
    // to the copy before it.
    if (float(startX) + fracX > float(s.viewportX)) startX -= image->width;
    if (float(startY) + fracY > float(s.viewportY)) startY -= image->height;
    TFillCounters& fill = FillCounters();
    // Visible area of the local rectangle [lx0, lx1) x [ly0, ly1) of the copy at (cx, cy).
    auto visible = [&](float cx, float cy, float lx0, float ly0, float lx1, float ly1) {
        float across = std::min(cx + lx1, viewRight) - std::max(cx + lx0, viewLeft);
        float down = std::min(cy + ly1, viewBottom) - std::max(cy + ly0, viewTop);
        return across > 0.0f && down > 0.0f ? double(across) * down : 0.0;
    };
    UseTexture(texture);
    glBegin(GL_QUADS);
    for (int row = startY; row < s.viewportY + s.viewportH; row += image->height)
        for (int col = startX; col < s.viewportX + s.viewportW; col += image->width) {
            float cx = col + fracX, cy = row + fracY;
            if (!shape) {
                double area = visible(cx, cy, 0.0f, 0.0f, w, h);
                fill.filled += area;
                fill.changed += area;
            } else {
                // Non-empty texels counted by the share of each rectangle in view.
                for (const TFrameOutline::TRect& r : shape->cells) {
                    float lx0 = map.LocalX(float(r.x0)), lx1 = map.LocalX(float(r.x1));
                    float ly0 = map.LocalY(float(r.y0)), ly1 = map.LocalY(float(r.y1));
                    double area = visible(cx, cy, lx0, ly0, lx1, ly1);
                    if (area <= 0.0) continue;
                    fill.changed += r.nonEmpty * area / (double(lx1 - lx0) * (ly1 - ly0));
                    if (!trim) continue;
                    fill.filled += area;
                    map.Rect(identity, cx, cy, float(r.x0), float(r.y0), float(r.x1), float(r.y1));
                }
            }
            if (!trim) {
                if (shape) fill.filled += visible(cx, cy, 0.0f, 0.0f, w, h);
                EmitQuad(identity, *tex, cx, cy, 0.0f, 0.0f, w, h);
            }
        }
    glEnd();
    if (copy) SetBlendMode(blendMode);
    NoteFramePoint(TFramePoint::LayerTiled);
}

void TileImagesAt(const TTileLayer* layers, int count) {
    auto eachAlone = [&] {
        for (int i = 0; i < count; ++i) TileImageAt(layers[i].image, layers[i].x, layers[i].y, 0);
    };
    if (count < 1 || !GLActive() || !ShiftedLayersOn() || !TrimmingOn()) return eachAlone();
    const TDrawState& s = DrawState();
    if (s.blendMode != kBlendLight || s.colorRed != 255 || s.colorGreen != 255 || s.colorBlue != 255 ||
        AlphaByte(s.alpha) != 255 || !ScreenKnownBlack() || s.viewportW <= 0 || s.viewportH <= 0)
        return eachAlone();
    // Every layer bilinear and whole in its texture, the first opaque: then each pixel is the
    // first layer's filtered texel plus the others' filtered texels scaled by their alpha.
    std::vector<TBackdrop::TLayer> parts(static_cast<size_t>(count));
    std::vector<std::function<void()>> copies(static_cast<size_t>(count));
    std::vector<TShiftedFrame*> shifted(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::shared_ptr<TImage>& image = layers[i].image;
        if (!image || image->width <= 0 || image->height <= 0) return eachAlone();
        TImageFrame* tex = image->TextureFrame(0);
        if (!tex || (i == 0 && !tex->outline.opaque)) return eachAlone();
        const float fx = layers[i].x + s.originX - image->anchorX, fy = layers[i].y + s.originY - image->anchorY;
        if (!std::isfinite(fx) || !std::isfinite(fy)) return eachAlone();
        const TPixmap* texels = ShiftableTexels(*image, *tex, 0);
        if (!texels) return eachAlone();
        const TShiftedFrame::TAxis shiftX = TShiftedFrame::AxisFor(fx, true);
        const TShiftedFrame::TAxis shiftY = TShiftedFrame::AxisFor(fy, false);
        TBackdrop::TLayer& part = parts[size_t(i)];
        // Above the first, layers add their light: their copies come scaled by alpha.
        copies[size_t(i)] = [&part, tex, texels, shiftX, shiftY, i] {
            TShiftedFrame& frame = tex->shifted;
            part.texels = i == 0 ? &frame.Copy(*texels, tex->usedWidth, tex->usedHeight, shiftX, shiftY)
                                 : &frame.LitCopy(*texels, tex->usedWidth, tex->usedHeight, shiftX, shiftY);
        };
        shifted[size_t(i)] = &tex->shifted;
        part.width = image->width;
        part.height = image->height;
        part.originX = long(std::fmod(std::floor(double(fx)), double(image->width))) + shiftX.shift;
        part.originY = long(std::fmod(std::floor(double(fy)), double(image->height))) + shiftY.shift;
    }
    // On a large screen the first layer's copy is worked out on a second core beside the
    // others', unless a layer repeats it (the two would share one copy).
    const bool apart = std::count(shifted.begin() + 1, shifted.end(), shifted[0]) == 0;
    auto others = [&] {
        for (int i = 1; i < count; ++i) copies[size_t(i)]();
    };
    if (apart && count > 1 && WorthTwoCores(long(s.viewportW) * s.viewportH)) {
        RunOnTwoCores(copies[0], others);
    } else {
        copies[0]();
        others();
    }
    for (int i = 1; i < count; ++i) parts[size_t(i)].spans = shifted[size_t(i)]->Spans();
    if (drawRecordingOn)
        for (int i = 0; i < count; ++i) RecordImageCall(TDrawKind::Tile, *layers[i].image, layers[i].x, layers[i].y, 0);
    if (!gBackdrop) gBackdrop = std::make_unique<TBackdrop>();
    SetBlendMode(kBlendSolid);
    const int drawn = gBackdrop->Draw(parts.data(), count, s.viewportX, s.viewportY, s.viewportW, s.viewportH);
    SetBlendMode(kBlendLight);
    if (!drawn) return eachAlone();
    NoteScreenDrawn();
    TFillCounters& fill = FillCounters();
    const double area = double(DrawState().viewportW) * DrawState().viewportH;
    fill.filled += area;
    fill.changed += area;
    NoteFramePoint(TFramePoint::LayerTiled);
}

int ImagesOverlap(const std::shared_ptr<TImage>& image1, float x1, float y1, int frame1, float rotation1,
                  float scaleX1, float scaleY1, const std::shared_ptr<TImage>& image2, float x2, float y2,
                  int frame2, float rotation2, float scaleX2, float scaleY2) {
    if (!image1 || !image2) return 0;
    TCollisionQuad a(*image1, x1, y1, frame1, rotation1, scaleX1, scaleY1);
    TCollisionQuad b(*image2, x2, y2, frame2, rotation2, scaleX2, scaleY2);
    return TCollisionQuad::Overlap(a, b);
}

void SetDefaultImageFlags(int flags) { gDefaults.flags = flags < 0 ? 3 : flags & 7; }

void SetImageMaskColor(int r, int g, int b) {
    gDefaults.maskRed = std::clamp(r, 0, 255);
    gDefaults.maskGreen = std::clamp(g, 0, 255);
    gDefaults.maskBlue = std::clamp(b, 0, 255);
}

void SetAutoCentreImages(int on) { gDefaults.autoCentre = on ? 1 : 0; }

// ---- Text ----

namespace {

// A glyph quad as EmitQuad places it (same vertex arithmetic, so the same pixels), with
// texture coordinates from 0 to uMax across and v0 to v1 down.
inline void EmitGlyphQuad(const TDrawState& s, float uMax, float v0, float v1, float x, float y) {
    const float right = TFont::kGlyphWidth, bottom = TFont::kGlyphHeight;
    glTexCoord2f(0.0f, v0);
    glVertex2f(x + 0.0f * s.ix + 0.0f * s.iy, y + 0.0f * s.jx + 0.0f * s.jy);
    glTexCoord2f(uMax, v0);
    glVertex2f(x + right * s.ix + 0.0f * s.iy, y + right * s.jx + 0.0f * s.jy);
    glTexCoord2f(uMax, v1);
    glVertex2f(x + right * s.ix + bottom * s.iy, y + right * s.jx + bottom * s.jy);
    glTexCoord2f(0.0f, v1);
    glVertex2f(x + 0.0f * s.ix + bottom * s.iy, y + 0.0f * s.jx + bottom * s.jy);
}

}  // namespace

void DrawTextAt(const std::string& text, float x, float y) {
    if (drawRecordingOn && !text.empty()) RecordTextCall(text, x, y);
    if (!GLActive() || text.empty()) return;
    NoteScreenDrawn();
    TFont& font = TFont::BuiltIn();
    // The whole string comes from the atlas texture in one batch of quads: one bind and one
    // glBegin per string rather than per character.
    TImageFrame* tex = font.atlas->TextureFrame(0);
    const TDrawState& s = DrawState();
    float penX = x + s.originX + s.handleX * s.ix + s.handleY * s.iy;
    float penY = y + s.originY + s.handleX * s.jx + s.handleY * s.jy;
    // Texture coordinate of one atlas row (a power of two's inverse, so every cell edge is exact).
    const float texelV = tex ? float(double(tex->vMax) / font.atlas->height) : 0.0f;
    bool begun = false;
    for (unsigned char c : text) {
        int top = TFont::AtlasTop(c);
        if (top < 0) continue;
        if (tex) {
            if (!begun) {
                UseTexture(tex->Texture());
                glBegin(GL_QUADS);
                begun = true;
            }
            // Glyphs are placed by their top-left corner.
            EmitGlyphQuad(s, tex->uMax, float(top) * texelV, float(top + TFont::kGlyphHeight) * texelV, penX, penY);
        }
        penX += TFont::kGlyphWidth * s.ix;
        penY += TFont::kGlyphWidth * s.jx;
    }
    if (begun) glEnd();
}

void DrawTextGlyphByGlyph(const std::string& text, float x, float y) {
    if (!GLActive() || text.empty()) return;
    NoteScreenDrawn();
    TFont& font = TFont::BuiltIn();
    const TDrawState& s = DrawState();
    float penX = x + s.originX + s.handleX * s.ix + s.handleY * s.iy;
    float penY = y + s.originY + s.handleX * s.jx + s.handleY * s.jy;
    for (unsigned char c : text) {
        const std::shared_ptr<TImage>* glyph = font.Glyph(c);
        if (!glyph) continue;
        // Glyphs are placed by their top-left corner whatever their anchor.
        TImageFrame* tex = (*glyph)->TextureFrame(0);
        if (tex) {
            UseTexture(tex->Texture());
            glBegin(GL_QUADS);
            EmitQuad(s, *tex, penX, penY, 0.0f, 0.0f, TFont::kGlyphWidth, TFont::kGlyphHeight);
            glEnd();
        }
        penX += TFont::kGlyphWidth * s.ix;
        penY += TFont::kGlyphWidth * s.jx;
    }
}

int TextWidthOf(const std::string& text) {
    int width = 0;
    for (unsigned char c : text)
        if (c >= TFont::kFirstCode && c < TFont::kFirstCode + TFont::kGlyphCount) width += TFont::kGlyphWidth;
    return width;
}

int TextHeightOf(const std::string&) { return TFont::kGlyphHeight; }

// ---- Pixel buffers ----

std::shared_ptr<TPixmap> CaptureScreenPixels(int x, int y, int w, int h) {
    auto pixmap = std::make_shared<TPixmap>(w, h, 6);
    if (!GLActive() || pixmap->width <= 0 || pixmap->height <= 0) return pixmap;
    int oldMode = GetBlendMode();
    SetBlendMode(kBlendSolid);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(x, GraphicsHeight() - h - y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixmap->pixels.data());
    SetBlendMode(oldMode);
    // OpenGL counts rows from the bottom; ours run from the top.
    std::vector<uint8_t> line(pixmap->pitch);
    for (int top = 0, bottom = h - 1; top < bottom; ++top, --bottom) {
        std::copy_n(pixmap->Row(top), pixmap->pitch, line.data());
        std::copy_n(pixmap->Row(bottom), pixmap->pitch, pixmap->Row(top));
        std::copy_n(line.data(), pixmap->pitch, pixmap->Row(bottom));
    }
    return pixmap;
}

int ReadPixmapPixel(const std::shared_ptr<TPixmap>& pixmap, int x, int y) {
    return pixmap ? static_cast<int>(pixmap->PixelARGB(x, y)) : 0;
}

int WritePixmapPNG(const std::shared_ptr<TPixmap>& pixmap, const std::string& path, int compression) {
    if (!pixmap) return 0;
    std::string bytes = EncodePNGBytes(*pixmap, compression);
    if (bytes.empty()) return 0;
    // Through a temporary file renamed into place: a failed write leaves no half a PNG.
    return WriteFileAtomically(path, bytes);
}

// ---- Pieces ----

std::shared_ptr<TPixmap> MaskPixmap(const TPixmap& pixmap, int r, int g, int b) {
    auto out = std::make_shared<TPixmap>(pixmap.width, pixmap.height, 6);
    uint32_t mask = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
    for (int y = 0; y < pixmap.height; ++y) {
        uint8_t* d = out->Row(y);
        for (int x = 0; x < pixmap.width; ++x, d += 4) {
            uint32_t c = pixmap.PixelARGB(x, y);
            d[0] = static_cast<uint8_t>(c >> 16);
            d[1] = static_cast<uint8_t>(c >> 8);
            d[2] = static_cast<uint8_t>(c);
            d[3] = (c & 0xFFFFFF) == mask ? 0 : 255;
        }
    }
    return out;
}

int FitTextureSize(int w, int h, const std::function<int(int, int)>& accepts, int& textureW, int& textureH) {
    int tw = 1, th = 1;
    while (tw < w && tw < (1 << 30)) tw <<= 1;
    while (th < h && th < (1 << 30)) th <<= 1;
    for (;;) {
        if (accepts(tw, th)) {
            textureW = tw;
            textureH = th;
            return 1;
        }
        if (tw == 1 && th == 1) break;
        tw = std::max(1, tw / 2);
        th = std::max(1, th / 2);
    }
    textureW = textureH = 0;
    return 0;
}

std::shared_ptr<TPixmap> TexturePixels(const TPixmap& pixmap, int textureW, int textureH, int& usedW, int& usedH) {
    usedW = std::min(pixmap.width, textureW);
    usedH = std::min(pixmap.height, textureH);
    std::shared_ptr<TPixmap> source;
    const TPixmap* src = &pixmap;
    if (usedW < pixmap.width || usedH < pixmap.height) {
        source = pixmap.Resized(usedW, usedH);
        src = source.get();
    } else if (src->format != 6) {
        source = pixmap.Converted(6);
        src = source.get();
    }
    if (usedW == textureW && usedH == textureH) return source ? source : pixmap.Converted(6);
    auto out = std::make_shared<TPixmap>(textureW, textureH, 6);
    for (int y = 0; y < usedH; ++y) {
        std::copy_n(src->Row(y), usedW * 4, out->Row(y));
        // One column of edge padding against filtering seams.
        if (usedW < textureW) std::copy_n(out->Row(y) + (usedW - 1) * 4, 4, out->Row(y) + usedW * 4);
    }
    if (usedH < textureH) {
        int n = std::min(usedW + 1, textureW) * 4;
        std::copy_n(out->Row(usedH - 1), n, out->Row(usedH));  // the corner comes along diagonally
    }
    return out;
}

bool IsTextureLayout(const TPixmap& pixmap, int textureW, int textureH) {
    return pixmap.format == 6 && pixmap.width == textureW && pixmap.height == textureH;
}

void ResetImages() {
    gDefaults = TLoaderDefaults();
    gBackdrop.reset();
}

namespace {
const int stateResetRegistered = RegisterStateReset("images", kResetRankPlatform + 1, &ResetImages);
}  // namespace
