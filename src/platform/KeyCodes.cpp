// The program's own 8-bit key codes for X keysyms. The codes the game reads follow the
// classic PC virtual-key numbering (letters by their upper-case code, 37..40 for the
// cursor keys, 112.. for F1.., 160..165 for Shift, Control, Alt); every other Latin-1
// symbol gets a free code of its own, so no two different keys share one.
#include "platform/Input.h"

#include <array>

namespace {

// Codes of the keysyms 0x00..0xff (Latin-1) and 0xff00..0xffff (function keys).
struct TKeyTable {
    std::array<unsigned char, 256> latin{};
    std::array<unsigned char, 256> function{};
};

struct TNamedKey {
    unsigned short keysym;
    unsigned char code;
};

// Function-page keys with a fixed code. Both Enters share Return's code; the keypad's
// other keys and the Meta keys are left to free codes of their own, so with NumLock on a
// keypad digit only types its digit and never moves a text cursor or takes a screenshot.
constexpr TNamedKey kNamedKeys[] = {
    {0xff08, 8},   {0xff09, 9},   {0xff0d, 13},  {0xff13, 19},  {0xff14, 145}, {0xff1b, 27},
    {0xffff, 46},  {0xff50, 36},  {0xff51, 37},  {0xff52, 38},  {0xff53, 39},  {0xff54, 40},
    {0xff55, 33},  {0xff56, 34},  {0xff57, 35},  {0xff58, 12},  {0xff60, 41},  {0xff61, 44},
    {0xff62, 43},  {0xff63, 45},  {0xff67, 93},  {0xff6a, 47},  {0xff6b, 3},   {0xff7e, 165},
    {0xff7f, 144}, {0xff8d, 13},  {0xffaa, 106}, {0xffab, 107}, {0xffac, 108}, {0xffad, 109},
    {0xffae, 110}, {0xffaf, 111}, {0xffbd, 146}, {0xffe1, 160}, {0xffe2, 161}, {0xffe3, 162},
    {0xffe4, 163}, {0xffe5, 20},  {0xffe6, 20},  {0xffe9, 164}, {0xffea, 165}, {0xffeb, 91},
    {0xffec, 92},  {0xffed, 91},  {0xffee, 92},
};

// Function-page keys without a fixed code; they get free codes.
constexpr unsigned short kOtherFunctionKeys[] = {
    0xff15, 0xff65, 0xff66, 0xff68, 0xff69, 0xff80, 0xff89, 0xff91, 0xff92, 0xff93, 0xff94,
    0xff95, 0xff96, 0xff97, 0xff98, 0xff99, 0xff9a, 0xff9b, 0xff9c, 0xff9d, 0xff9e, 0xff9f,
    0xffe7, 0xffe8};

// Latin-1 upper-case letters fold to their lower case, like A to a.
int FoldLatin(int c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xc0 && c <= 0xde && c != 0xd7)) return c + 32;
    return c;
}

TKeyTable BuildKeyTable() {
    TKeyTable t;
    std::array<bool, 256> used{};
    used[0] = true;
    auto take = [&used](int code) {
        used[code] = true;
        return static_cast<unsigned char>(code);
    };
    for (int c = 'a'; c <= 'z'; ++c) t.latin[c] = take(c - 32);
    for (int c = '0'; c <= '9'; ++c) t.latin[c] = take(c);
    t.latin[' '] = take(32);
    for (int i = 0; i < 24; ++i) t.function[0xbe + i] = take(112 + i);  // F1..F24
    for (int i = 0; i < 10; ++i) t.function[0xb0 + i] = take(96 + i);   // keypad digits
    for (const TNamedKey& k : kNamedKeys) t.function[k.keysym & 0xff] = take(k.code);

    // Everything else takes the lowest free code, in keysym order, so the scheme is fixed.
    int next = 1;
    auto freeCode = [&]() -> unsigned char {
        while (next < 256 && used[next]) ++next;
        if (next >= 256) return 0;
        return take(next);
    };
    for (int c = 0x21; c < 0x100; ++c) {
        if (c >= 0x7f && c < 0xa0) continue;
        int folded = FoldLatin(c);
        if (folded != c || t.latin[c] != 0) continue;
        t.latin[c] = freeCode();
    }
    for (int c = 0x21; c < 0x100; ++c) t.latin[c] = t.latin[FoldLatin(c)];
    for (unsigned short k : kOtherFunctionKeys) t.function[k & 0xff] = freeCode();
    return t;
}

const TKeyTable& KeyTable() {
    static const TKeyTable table = BuildKeyTable();
    return table;
}

}  // namespace

int KeyCodeForKeysym(unsigned long keysym) {
    const TKeyTable& t = KeyTable();
    if (keysym < 0x100) return t.latin[keysym];
    if ((keysym & ~0xffUL) == 0xff00) return t.function[keysym & 0xff];
    if (keysym == 0xfe03) return 165;  // AltGr (ISO level-3 shift) is the right Alt
    return 0;
}
