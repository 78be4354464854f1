#include "shell/TLetterPicker.h"

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TFont.h"
#include "shell/MenuInput.h"
#include "shell/TINPT_FIELD.h"

const char* const kPickerCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -_.!?()";

namespace {

// Never offered, whatever the caller allows: it separates the highscore file's fields.
constexpr char kFieldSeparator = '=';

// The grid's cells and the box of the typed text above it, in interface pixels.
constexpr float kCellWidth = 20.0f;
constexpr float kCellHeight = 20.0f;
constexpr float kTextBoxHeight = 24.0f;
constexpr float kGap = 6.0f;
constexpr float kBorder = 6.0f;
// The options screen's field colours (TINPT_FIELD), so the picker looks like the fields it
// types into, and white for the marked character.
constexpr int kMarkedTextColour = 0xFFFFFF;
// The text box shows a cursor after the text.
constexpr float kCursorWidth = 2.0f;
// Where the space's bar sits in its cell.
constexpr float kSpaceBarInset = 4.0f;
constexpr float kSpaceBarRise = 6.0f;
constexpr float kSpaceBarHeight = 2.0f;
constexpr float kSpaceTickHeight = 4.0f;

}  // namespace

void TLetterPicker::Start(const std::string& text, int maxLength, const std::string& extraCharacters) {
    characters_ = kPickerCharacters;
    for (char c : extraCharacters)
        if (c != kFieldSeparator && characters_.find(c) == std::string::npos) characters_ += c;
    maxLength_ = maxLength;
    text_.clear();
    for (char c : text)
        if (characters_.find(c) != std::string::npos && int(text_.size()) < maxLength_) text_ += c;
    marked_ = 0;
    ClearMenuMoves();
}

TLetterPicker::TState TLetterPicker::Update() {
    const int count = int(characters_.size());
    if (count == 0) return Finished;
    const int rows = (count + kPickerColumns - 1) / kPickerColumns;
    for (TMenuMove move : ReadMenuMoves()) {
        int row = marked_ / kPickerColumns, column = marked_ % kPickerColumns;
        // The last row may be short: moves along it wrap within its own length.
        auto rowLength = [&](int r) { return r == rows - 1 ? count - r * kPickerColumns : kPickerColumns; };
        switch (move) {
            case TMenuMove::Left: column = (column + rowLength(row) - 1) % rowLength(row); break;
            case TMenuMove::Right: column = (column + 1) % rowLength(row); break;
            case TMenuMove::Up:
                row = (row + rows - 1) % rows;
                // A column past the short last row's end is skipped.
                if (column >= rowLength(row)) row = (row + rows - 1) % rows;
                break;
            case TMenuMove::Down:
                row = (row + 1) % rows;
                if (column >= rowLength(row)) row = 0;
                break;
            case TMenuMove::Confirm:
                if (int(text_.size()) < maxLength_) text_ += characters_[size_t(marked_)];
                break;
            case TMenuMove::Back:
                if (!text_.empty()) text_.pop_back();
                break;
            case TMenuMove::Finish: return Finished;
        }
        marked_ = row * kPickerColumns + column;
    }
    return Editing;
}

void TLetterPicker::Draw(float centreX, float top) const {
    const int count = int(characters_.size());
    const int rows = (count + kPickerColumns - 1) / kPickerColumns;
    const float gridWidth = kCellWidth * kPickerColumns;
    const float left = centreX - gridWidth / 2.0f;
    SetDrawAlpha(1.0f);
    SetDrawScale(1.0f, 1.0f);
    DrawFieldBox(left - kBorder, top - kBorder, gridWidth + 2.0f * kBorder,
           kTextBoxHeight + kGap + kCellHeight * float(rows) + 2.0f * kBorder, kFieldBackColour);

    // The text typed so far, its tail kept in view, and the cursor after it.
    DrawFieldBox(left, top, gridWidth, kTextBoxHeight, kFieldActiveBackColour);
    std::string shown = text_;
    while (!shown.empty() && TextWidthOf(shown) > gridWidth - 2.0f * kBorder) shown.erase(0, 1);
    const float textTop = top + (kTextBoxHeight - TFont::kGlyphHeight) / 2.0f;
    SetDrawColorRGB(kFieldTextColour);
    DrawTextAt(shown, left + kBorder, textTop);
    DrawRectangle(left + kBorder + float(TextWidthOf(shown)), textTop, kCursorWidth, TFont::kGlyphHeight);

    const float gridTop = top + kTextBoxHeight + kGap;
    for (int i = 0; i < count; ++i) {
        const float x = left + kCellWidth * float(i % kPickerColumns);
        const float y = gridTop + kCellHeight * float(i / kPickerColumns);
        if (i == marked_) DrawFieldBox(x, y, kCellWidth, kCellHeight, kFieldActiveBackColour);
        SetDrawColorRGB(i == marked_ ? kMarkedTextColour : kFieldTextColour);
        const char c = characters_[size_t(i)];
        if (c == ' ') {
            // The space is shown as an open box low in its cell, unlike the underscore.
            const float barTop = y + kCellHeight - kSpaceBarRise, barWidth = kCellWidth - 2.0f * kSpaceBarInset;
            DrawRectangle(x + kSpaceBarInset, barTop, barWidth, kSpaceBarHeight);
            DrawRectangle(x + kSpaceBarInset, barTop - kSpaceTickHeight, kSpaceBarHeight, kSpaceTickHeight);
            DrawRectangle(x + kSpaceBarInset + barWidth - kSpaceBarHeight, barTop - kSpaceTickHeight, kSpaceBarHeight,
                          kSpaceTickHeight);
            continue;
        }
        DrawTextAt(std::string(1, c), x + (kCellWidth - TFont::kGlyphWidth) / 2.0f,
                   y + (kCellHeight - TFont::kGlyphHeight) / 2.0f);
    }
    SetDrawColor(255, 255, 255);
}
