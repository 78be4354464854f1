#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TImage;
class TPixmap;

// The built-in 8 x 16 bitmap font: one unfiltered 8 x 16 image per character code 32..127,
// and all of them stacked in one atlas image so that a string is drawn from a single texture.
class TFont {
public:
    static constexpr int kFirstCode = 32;                                 // code of the first glyph
    static constexpr int kGlyphCount = 96;                                // codes 32..127
    static constexpr int kGlyphWidth = 8;                                 // pixels, also the advance
    static constexpr int kGlyphHeight = 16;                               // pixels, also the font height
    static constexpr int kTableBytes = kGlyphCount * kGlyphHeight;        // 16 rows of 96 bytes
    static constexpr int kAtlasCellHeight = kGlyphHeight + 2;             // a glyph and one edge row above and below

    // Splits the glyph sheet into its glyph images.
    TFont();
    // The glyph bits: byte j of row r is row r of glyph j, bit k is column k from the left.
    static const std::array<uint8_t, kTableBytes>& GlyphTable();
    // The 768 x 16 sheet as a format-6 pixmap: set bits opaque white, the rest transparent.
    static std::shared_ptr<TPixmap> SheetPixmap();
    // The glyphs one below the other, kAtlasCellHeight apart, each glyph's first and last
    // row repeated above and below it: a sample that strays past a glyph's edge reads what
    // the glyph's own texture, clamped at its edges, would give. Being one glyph wide, the
    // atlas maps across exactly as a glyph's own texture does, so text at a half-pixel x
    // rounds alike.
    static std::shared_ptr<TPixmap> AtlasPixmap();
    // Top edge of the glyph of a character code in the atlas, in texels; -1 outside 32..127.
    static int AtlasTop(int code);
    // The glyph image of a character code, or null outside 32..127.
    const std::shared_ptr<TImage>* Glyph(int code) const;
    // The one built-in font, made on first need.
    static TFont& BuiltIn();

    std::vector<std::shared_ptr<TImage>> glyphs;  // index = code - 32
    std::shared_ptr<TImage> atlas;                // unfiltered image of AtlasPixmap
};
