#pragma once
// An on-screen letter picker for typing with a pad: a grid of the characters a name may hold
// (A-Z, a-z, 0-9, space and - _ . ! ? ( ) ; never "=", which separates the fields of the
// highscore file), moved through by D-pad or stick, A types the marked character, B erases
// the last one, Start finishes. Extra characters can be allowed for other texts (":" for a
// server address).
#include <string>

class TLetterPicker {
public:
    // What a pass of the picker ended with.
    enum TState { Editing, Finished };

    // Starts with text (characters outside the set dropped), at most maxLength long.
    void Start(const std::string& text, int maxLength, const std::string& extraCharacters = "");
    // One pass: reads the menu moves (TMenuMove) and applies them. Finished after Start.
    TState Update();
    // Draws the text being typed and the grid with the marked character, centred on
    // (centreX, top), in interface coordinates.
    void Draw(float centreX, float top) const;
    // The text as typed so far.
    const std::string& Text() const { return text_; }
    // The characters offered, in grid order.
    const std::string& Characters() const { return characters_; }
    // Index of the marked character in Characters().
    int Marked() const { return marked_; }

private:
    std::string text_;
    std::string characters_;
    int maxLength_ = 0;
    int marked_ = 0;
};

// The characters every picker offers, in grid order.
extern const char* const kPickerCharacters;
// Characters in one row of the grid.
constexpr int kPickerColumns = 13;
