#pragma once
// On-screen messages: centred, stacked, scaled text lines with a shadow that fade in and out.
#include <memory>
#include <string>

// One timed text line. The live messages form one centred column, oldest on top.
class TMessage {
public:
    // Centre from the graphics size, empty list. Once at start-up, after the display opened.
    static void InitMessages();
    // Drops the messages whose time is up; sums the heights of the others. Every pass.
    static void UpdateMessages();
    // Draws every live message, oldest first. On drawn passes, just before the flip.
    static void DrawMessages();
    // A message of text for duration ms at a scale in colour 0xRRGGBB, appended to the list.
    static std::shared_ptr<TMessage> Create(const std::string& text, int duration, float scale, int colour);
    virtual ~TMessage() = default;

    // The line.
    std::string text;
    // Drawing scale; also the shadow offset in px.
    float scale = 1.0f;
    // trunc(TextHeightOf(text) * scale).
    int height = 0;
    // trunc(TextWidthOf(text) * scale).
    int width = 0;
    // engineClock at creation plus duration.
    int endTime = 0;
    // Display time in ms.
    int duration = 0;
    // 0xRRGGBB.
    int colour = 0;
};
