#pragma once
// One recorded drawing call: what was drawn, where, and the drawing state it was drawn in.
#include <string>

class TImage;

// The drawing calls a recording tells apart.
enum class TDrawKind { Text, Image, Tile, Line, Rectangle, Point, Ellipse };

// A drawing call as a recording keeps it. Positions are the call's own arguments, before
// origin, handle and transform are applied.
struct TDrawCall {
    // Which call it was.
    TDrawKind kind = TDrawKind::Point;
    // The text of a text call; empty otherwise.
    std::string text;
    // The image of an image or tile call (identity only: it may be gone by the time it is read).
    const TImage* image = nullptr;
    // Frame size of that image, and the frame drawn.
    int imageWidth = 0, imageHeight = 0, frame = 0;
    // First position: the point, the top-left corner, a line's start.
    float x = 0.0f, y = 0.0f;
    // Second pair: a line's end, or a rectangle's or ellipse's width and height.
    float x2 = 0.0f, y2 = 0.0f;
    // Drawing colour 0..255 per channel.
    int red = 255, green = 255, blue = 255;
    // Drawing alpha 0..1.
    float alpha = 1.0f;
    // Drawing scale.
    float scaleX = 1.0f, scaleY = 1.0f;
    // Drawing rotation in degrees.
    float rotation = 0.0f;
    // Interface scale: the window pixel of a position is the position times this.
    float interfaceScale = 1.0f;
    // Blend mode (kBlendMask ... kBlendShade).
    int blendMode = 1;
};
