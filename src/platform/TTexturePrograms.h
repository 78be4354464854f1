#pragma once

// The two ways the game shades a textured pixel (the texel as it is, or times the draw
// colour) as one-instruction ARB fragment programs instead of the fixed-function texture
// stage. The fixed-function stage looks textures up projectively, which keeps Mesa's software
// rasteriser off its fast scanline path; the same look-up written as a plain TEX lets screen-
// aligned rectangles of BGRA textures (the composed background, text, unrotated sprites) be
// drawn as row copies and blends. One per context; without the extension nothing changes.
class TTexturePrograms {
public:
    enum TKind { kNone = 0, kReplace = 1, kModulate = 2 };

    // Makes the programs in the current context; false (and fixed function stays) when the
    // context lacks ARB_fragment_program or refuses a program.
    bool Load();
    bool Ready() const { return ready_; }
    // Puts kind into effect unless it already is; kNone turns programs off.
    void Use(int kind);
    // The next Use sends its state again (after other code touched the program state).
    void Forget() { current_ = -1; }

private:
    bool ready_ = false;
    int current_ = -1;          // kind last put into effect
    unsigned names_[3] = {};    // program names by kind (0 unused)
};
