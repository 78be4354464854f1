#include "shell/MenuInput.h"

#include <array>

#include "platform/Gamepad.h"
#include "platform/Input.h"
#include "platform/StateResets.h"

namespace {

// A pad direction held this long starts repeating, then repeats at this interval.
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 120;

// The four directions, each read from a key, the D-pad and the left stick.
struct TDirection {
    TMenuMove move;
    int key;
    int dpad;
    int stick;
};
constexpr std::array<TDirection, 4> kDirections = {{
    {TMenuMove::Up, kKeyUp, kPadDpadUp, kPadLeftStickUp},
    {TMenuMove::Down, kKeyDown, kPadDpadDown, kPadLeftStickDown},
    {TMenuMove::Left, kKeyLeft, kPadDpadLeft, kPadLeftStickLeft},
    {TMenuMove::Right, kKeyRight, kPadDpadRight, kPadLeftStickRight},
}};

// When each held pad direction repeats next; 0 while it is not held.
std::array<int, kDirections.size()> nextRepeat{};

bool PadDirectionHeld(const TDirection& d) { return PadInputDown(d.dpad) || PadInputDown(d.stick); }

// Takes every press counted for a direction; its moves, counting the repeat of a held pad
// direction.
int DirectionMoves(size_t index, int now) {
    const TDirection& d = kDirections[index];
    int moves = KeyWasHit(d.key) + PadInputHit(d.dpad) + PadInputHit(d.stick);
    if (!PadDirectionHeld(d)) {
        nextRepeat[index] = 0;
        return moves;
    }
    if (nextRepeat[index] == 0 || moves > 0) {
        // A fresh press: the repeat starts after the delay.
        nextRepeat[index] = now + kRepeatDelayMs;
        if (nextRepeat[index] == 0) nextRepeat[index] = 1;
        return moves;
    }
    if (now - nextRepeat[index] >= 0) {
        nextRepeat[index] = now + kRepeatIntervalMs;
        if (nextRepeat[index] == 0) nextRepeat[index] = 1;
        ++moves;
    }
    return moves;
}

void Append(std::vector<TMenuMove>& moves, TMenuMove move, int count) {
    for (int i = 0; i < count; ++i) moves.push_back(move);
}

const int stateResetRegistered = RegisterStateReset("menu moves", kResetRankShell, [] { nextRepeat.fill(0); });

}  // namespace

std::vector<TMenuMove> ReadMenuMoves() {
    std::vector<TMenuMove> moves;
    const int now = MilliClock();
    for (size_t i = 0; i < kDirections.size(); ++i) Append(moves, kDirections[i].move, DirectionMoves(i, now));
    Append(moves, TMenuMove::Confirm, KeyWasHit(kKeyReturn) + PadInputHit(kPadA));
    Append(moves, TMenuMove::Back, KeyWasHit(kKeyBackspace) + MouseButtonHit(kMouseRight) + PadInputHit(kPadB));
    Append(moves, TMenuMove::Finish, PadInputHit(kPadStart));
    return moves;
}

void ClearMenuMoves() {
    for (const TDirection& d : kDirections) {
        KeyWasHit(d.key);
        PadInputHit(d.dpad);
        PadInputHit(d.stick);
    }
    KeyWasHit(kKeyReturn);
    KeyWasHit(kKeyBackspace);
    MouseButtonHit(kMouseRight);
    PadInputHit(kPadA);
    PadInputHit(kPadB);
    PadInputHit(kPadStart);
    nextRepeat.fill(0);
}
