#include "scores/TTextfield.h"

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TFont.h"

namespace {
// Lines stand 12 px apart at scale 1, tighter than the 16 px font, as the title text wants.
constexpr float kLineSpacing = 12.0f;
// The shadow sits this far right and down, times the scale.
constexpr float kShadowOffset = 2.0f;
// Drawing alphas of the shadow and the text.
constexpr float kShadowAlpha = 0.5f;
constexpr float kTextAlpha = 0.9f;
}  // namespace

std::shared_ptr<TTextfield> TTextfield::Create(int x, int y, float scale, int align) {
    auto field = std::make_shared<TTextfield>();
    field->x = float(x);
    field->y = float(y);
    field->scale = scale;
    field->align = uint8_t(align);
    return field;
}

void TTextfield::AddLine(const std::string& text) { lines.Append(std::make_shared<std::string>(text)); }

void TTextfield::Draw() {
    SetDrawScale(scale, scale);
    int i = 0;
    lines.ForEach([&](const std::shared_ptr<std::string>& line) {
        // Every character counts towards the width, whatever its code.
        float n = float(line->size());
        float top = y + kLineSpacing * scale * float(i);
        ++i;
        if (line->empty()) return;  // an empty line only takes its height
        float left = 0.0f;
        if (align == kAlignLeft) left = x;
        else if (align == kAlignCentre) left = x - scale * (0.5f * n * TFont::kGlyphWidth);
        else if (align == kAlignRight) left = x - scale * (TFont::kGlyphWidth * n);
        SetDrawColor(0, 0, 0);
        SetDrawAlpha(kShadowAlpha);
        DrawTextAt(*line, left + kShadowOffset * scale, top + kShadowOffset * scale);
        SetDrawColor(255, 255, 255);
        SetDrawAlpha(kTextAlpha);
        DrawTextAt(*line, left, top);
    });
    SetDrawScale(1.0f, 1.0f);
    // The same final state with or without lines.
    SetDrawColor(255, 255, 255);
    SetDrawAlpha(kTextAlpha);
}
