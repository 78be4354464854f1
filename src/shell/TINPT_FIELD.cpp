#include "shell/TINPT_FIELD.h"

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/Text.h"

TList<TINPT_FIELD> TINPT_FIELD::inputFields;

namespace {

// The text starts this far in from the field's left edge and below the caption.
constexpr int kTextInset = 2;
// The visible tail of the text keeps this much of the field's width free.
constexpr int kTailMargin = 8;
// Width of the text cursor in pixels.
constexpr float kCursorWidth = 2.0f;

// Typed codes never inserted: the lowest insertable one, the highest, and the codes X
// delivers for Delete (127) and the C1 control codes (128-159).
constexpr int kFirstInsertable = 31;
constexpr int kLastInsertable = 254;
constexpr int kDeleteCode = 127;
constexpr int kFirstC1Control = 128;
constexpr int kLastC1Control = 159;

bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

bool Insertable(int c) {
    if (c < kFirstInsertable || c > kLastInsertable) return false;
    return c != kDeleteCode && (c < kFirstC1Control || c > kLastC1Control);
}

void ResetInputFields() { TINPT_FIELD::inputFields.Clear(); }

const int stateResetRegistered = RegisterStateReset("input fields", kResetRankShell, &ResetInputFields);

}  // namespace

std::shared_ptr<TINPT_FIELD> TINPT_FIELD::Create(int x, int y, int width, int height,
                                                 const std::string& label, int filter) {
    FlushInput();
    auto field = std::make_shared<TINPT_FIELD>();
    field->x = uint16_t(x);
    field->y = uint16_t(y);
    field->width = uint16_t(width);
    field->height = uint16_t(height);
    field->caption = label;
    field->inputFilter = uint8_t(filter);
    field->link = inputFields.Append(field);
    return field;
}

void TINPT_FIELD::SetColours(int frame, int back, int activeBack, int captionRgb, float opacity) {
    frameColour = frame;
    backColour = back;
    activeBackColour = activeBack;
    captionColour = captionRgb;
    alpha = opacity;
}

void TINPT_FIELD::SetValue(const std::string& text, int activate, int flags) {
    value = LeftText(text, kFieldMaxLength);
    // The cursor stays within the new text.
    if (cursor > value.size()) cursor = uint16_t(value.size());
    if (activate) Activate();
    displayFlags = uint8_t(flags);
}

void TINPT_FIELD::Activate() {
    inputFields.ForEach([](const std::shared_ptr<TINPT_FIELD>& field) { field->active = 0; });
    active = 1;
    cursor = uint16_t(value.size());
}

int TINPT_FIELD::UpdateFields(int mouseX, int mouseY, int mouseHit) {
    int editing = 0;
    inputFields.ForEach([&](const std::shared_ptr<TINPT_FIELD>& field) {
        if (field->Update(mouseX, mouseY, mouseHit & 0xFF)) ++editing;
    });
    return editing;
}

int TINPT_FIELD::Filtered(int c) const {
    if ((inputFilter & kFilterLetters) && IsLetter(c)) return 0;
    if ((inputFilter & kFilterDigits) && IsDigit(c)) return 0;
    if ((inputFilter & kFilterOthers) && !IsLetter(c) && !IsDigit(c)) return 0;
    return c;
}

int TINPT_FIELD::Update(int mouseX, int mouseY, int mouseHit) {
    if (active) {
        // One typed character per frame; the editing keys follow on the same frame, each on
        // the text the step before left.
        int c = NextTypedChar() & 0xFF;
        if (c == kKeyBackspace && cursor > 0) {
            value.erase(cursor - 1u, 1);
            --cursor;
        } else if (c == kKeyReturn) {
            // Enter ends the editing and takes its key hit along, so the caller's test of
            // Enter in the same frame sees none.
            active = 0;
            FlushInput();
        }
        // Each key's hit is taken whether or not it can move anything.
        if (KeyWasHit(kKeyDelete) && cursor < value.size()) value.erase(cursor, 1);
        if (KeyWasHit(kKeyLeft) && cursor > 0) --cursor;
        if (KeyWasHit(kKeyRight) && cursor < value.size()) ++cursor;
        if (KeyWasHit(kKeyEnd)) cursor = uint16_t(value.size());
        if (KeyWasHit(kKeyHome)) cursor = 0;
        c = Filtered(c);
        if (Insertable(c) && int(value.size()) < kFieldMaxLength) {
            value.insert(value.begin() + cursor, char(c));
            ++cursor;
        }
    } else if (mouseX > x && mouseY > y && mouseX < x + width && mouseY < y + height && mouseHit) {
        Activate();
    }
    Draw();
    return active;
}

void TINPT_FIELD::Draw() {
    SetColour(frameColour);
    SetDrawAlpha(active ? 1.0f : alpha);
    DrawRectangle(float(x), float(y), float(width), float(height));
    if (active) {
        SetColour(activeBackColour);
        SetDrawAlpha(1.0f);
    } else {
        SetColour(backColour);
        SetDrawAlpha(alpha);
    }
    DrawRectangle(float(x + 1), float(y + 1), float(width - 2), float(height - 2));
    if (displayFlags & kFieldShowCaption) {
        SetColour(captionColour);
        DrawTextAt(caption, float(x + kTextInset), float(y + kTextInset));
    }

    // The tail of a long text stays visible: leading characters go until it fits. Glyphs the
    // font does not count measure 0, so the width is measured, never estimated.
    std::string shown = value;
    while (!shown.empty() && TextWidthOf(shown) > width - kTailMargin) shown.erase(0, 1);
    int w = TextWidthOf(shown);
    uint16_t offset = kTextInset;
    if (displayFlags & kFieldCentreText) offset = uint16_t(kTextInset + width / 2 - w / 2);

    float top = float(y + TextHeightOf(caption) + kTextInset);
    DrawTextAt(shown, float(x + offset), top);
    if (active) {
        // The cursor counts from the start of the whole text, placed on the shown tail.
        float at = float(x + offset + TextWidthOf(LeftText(shown, cursor)));
        DrawRectangle(at, top, kCursorWidth, float(TextHeightOf(shown)));
    }
}

void TINPT_FIELD::SetColour(int rgb) { SetDrawColorRGB(rgb); }

void DrawFieldBox(float x, float y, float width, float height, int fill) {
    SetDrawColorRGB(kFieldFrameColour);
    DrawRectangle(x, y, width, height);
    SetDrawColorRGB(fill);
    DrawRectangle(x + 1.0f, y + 1.0f, width - 2.0f, height - 2.0f);
}

std::string TINPT_FIELD::GetValue() { return value; }

std::string TINPT_FIELD::GetCaption() { return caption; }

void TINPT_FIELD::Remove() {
    if (auto node = link.lock()) node->Remove();
}
