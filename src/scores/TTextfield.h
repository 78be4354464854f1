#pragma once
// A block of text lines drawn with the built-in font under each other, each with a drop
// shadow, aligned left, centred or right on an anchor. Output only: the title screen's text.
#include <memory>
#include <string>

#include "platform/TList.h"

// Alignments of a text panel's lines on its anchor x.
constexpr int kAlignLeft = 0;    // x is the left edge
constexpr int kAlignCentre = 1;  // lines centred on x
constexpr int kAlignRight = 2;   // x is the right edge

// A panel of text lines on the screen, built once and drawn every frame.
class TTextfield {
public:
    // A panel whose first line's top is at y, anchored at x, drawn at a scale and alignment.
    static std::shared_ptr<TTextfield> Create(int x, int y, float scale, int align);

    // Appends a line at the end ("" is an empty line).
    void AddLine(const std::string& text);
    // Draws every line with its shadow; leaves scale 1, colour white and alpha 0.9 behind.
    void Draw();

    // Anchor x in screen pixels.
    float x = 0.0f;
    // Top of the first line.
    float y = 0.0f;
    // Text scale for both axes.
    float scale = 0.0f;
    // kAlignLeft, kAlignCentre or kAlignRight; any other value draws from x = 0.
    uint8_t align = kAlignLeft;
    // The lines, in order.
    TList<std::string> lines;
};
