#pragma once
// The one-line input field of the options screen.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TList.h"

// Bits of an input field's displayFlags.
constexpr uint8_t kFieldCentreText = 1;   // text centred horizontally
constexpr uint8_t kFieldShowCaption = 2;  // caption drawn in the top-left corner

// Bits of an input field's inputFilter: the typed characters it rejects.
constexpr uint8_t kFilterLetters = 1;  // A-Z and a-z
constexpr uint8_t kFilterDigits = 2;   // 0-9
constexpr uint8_t kFilterOthers = 4;   // everything that is neither a letter nor a digit
// Only digits pass.
constexpr uint8_t kFilterDigitsOnly = kFilterLetters | kFilterOthers;

// The fields' colours (0xRRGGBB), shared by the screens drawn in their style.
constexpr int kFieldFrameColour = 0xF4CF00;
constexpr int kFieldBackColour = 0x540200;
constexpr int kFieldActiveBackColour = 0x7C1400;
constexpr int kFieldTextColour = 0xFFF773;

// A box in the fields' style at the current alpha: a one-pixel frame around a fill colour.
void DrawFieldBox(float x, float y, float width, float height, int fill);

// Longest text a field holds.
constexpr int kFieldMaxLength = 255;

// A framed box with a caption and an editable line of text, activated by a click inside it
// and edited from the keyboard. Every field is kept in inputFields; UpdateFields handles
// and draws them all once per frame.
class TINPT_FIELD {
public:
    // Fields are shared and may be derived from.
    virtual ~TINPT_FIELD() = default;

    // Drops pending key input, then makes a field at (x, y) of the size, with the caption
    // and filter, and appends it to inputFields.
    static std::shared_ptr<TINPT_FIELD> Create(int x, int y, int width, int height,
                                               const std::string& label, int filter);
    // Replaces the four colours (0xRRGGBB) and the opacity while not being edited.
    virtual void SetColours(int frame, int back, int activeBack, int captionRgb, float opacity);
    // Sets the text (capped at kFieldMaxLength), activates the field if asked, and stores
    // the display flags.
    virtual void SetValue(const std::string& text, int activate, int flags);
    // Makes this the one field being edited, with the cursor at the end of its text.
    virtual void Activate();
    // Updates and draws every field in list order; returns how many are being edited.
    static int UpdateFields(int mouseX, int mouseY, int mouseHit);
    // Editing while active, activation by a click strictly inside otherwise, then Draw;
    // returns active.
    virtual int Update(int mouseX, int mouseY, int mouseHit);
    // Frame, inner box, caption, the visible tail of the text and, while active, the cursor.
    virtual void Draw();
    // The drawing colour from 0xRRGGBB.
    virtual void SetColour(int rgb);
    // The text as edited.
    virtual std::string GetValue();
    // The caption given at creation.
    virtual std::string GetCaption();
    // Takes the field out of inputFields.
    virtual void Remove();

    // Every field created and not removed, in creation order.
    static TList<TINPT_FIELD> inputFields;

    // Top-left corner in screen pixels.
    uint16_t x = 0, y = 0;
    // Size in pixels.
    uint16_t width = 0, height = 0;
    // Drawn in the top-left corner when kFieldShowCaption is set.
    std::string caption;
    // The edited text.
    std::string value;
    // Frame colour.
    int frameColour = kFieldFrameColour;
    // Inner colour while not being edited.
    int backColour = kFieldBackColour;
    // Inner colour while being edited.
    int activeBackColour = kFieldActiveBackColour;
    // Caption and text colour.
    int captionColour = kFieldTextColour;
    // Opacity while not being edited (an edited field is opaque).
    float alpha = 1.0f;
    // 1 while the field is being edited.
    uint8_t active = 0;
    // kFieldCentreText and kFieldShowCaption.
    uint8_t displayFlags = 0;
    // The kFilter bits of characters to reject.
    uint8_t inputFilter = 0;
    // The field's node in inputFields.
    std::weak_ptr<TLink<TINPT_FIELD>> link;
    // Insertion point, 0 .. length of value.
    uint16_t cursor = 0;

private:
    // The typed character after the filter; 0 when rejected.
    int Filtered(int c) const;
};
