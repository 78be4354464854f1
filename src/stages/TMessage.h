#pragma once
// On-screen messages: centred, stacked, scaled text lines with a shadow that fade in and out.
#include <memory>
#include <string>

#include "platform/TList.h"

// Display time and scale of the game's messages (stage names, rewards, the greeting).
constexpr int kMessageDuration = 5000;
constexpr float kMessageScale = 2.0f;

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
    // Moves every live message's end by the amount the game clock was moved, so a restarted
    // clock leaves them the time they had.
    static void ShiftClock(int moved);
    virtual ~TMessage() = default;

    // Shadow, then text, one line below the messages drawn before it; nothing once its time is up.
    virtual void Draw();
    // Leaves the list once its time has passed; otherwise counts its height in the stack.
    virtual void Update();
    // Sets the drawing colour from 0xRRGGBB.
    virtual void SetColour(int rgb);

    // The line.
    std::string text;
    // Drawing scale; also the shadow offset in px.
    float scale = 1.0f;
    // trunc(TextHeightOf(text) * scale).
    int height = 0;
    // trunc(TextWidthOf(text) * scale).
    int width = 0;
    // gameClock at creation plus duration.
    int endTime = 0;
    // Display time in ms.
    int duration = 0;
    // 0xRRGGBB.
    int colour = 0;
    // The message's node in messages.
    std::weak_ptr<TLink<TMessage>> link;
};

// Live messages, oldest first.
extern TList<TMessage>* messages;
// Half the graphics width and height, taken at start-up.
extern float messageCentreX, messageCentreY;
// Sum of the heights of the live messages, recomputed in every update.
extern float messageStackHeight;
// Running vertical offset while the messages are drawn.
extern float messageDrawOffset;

// The messages back to their start-up values: no messages, centre and offsets 0.
void ResetMessages();
