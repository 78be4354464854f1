#include "platform/Trimming.h"

#include <cstdlib>
#include <cstring>

#include "platform/StateResets.h"

namespace {

// On unless the environment says TAVRIK_NO_TRIM=1.
int TrimmingFromEnvironment() {
    const char* value = std::getenv("TAVRIK_NO_TRIM");
    return value && std::strcmp(value, "1") == 0 ? 0 : 1;
}

int trimming = TrimmingFromEnvironment();
TFillCounters counters;
int screenBlack = 0;  // the back buffer holds nothing but black

void ResetTrimming() {
    trimming = TrimmingFromEnvironment();
    counters = TFillCounters{};
    screenBlack = 0;
}

const int stateResetRegistered = RegisterStateReset("trimming", kResetRankPlatform + 1, &ResetTrimming);

}  // namespace

int TrimmingOn() { return trimming; }

void SetTrimming(int on) { trimming = on ? 1 : 0; }

TFillCounters& FillCounters() { return counters; }

void NoteScreenCleared(int black) { screenBlack = black ? 1 : 0; }

void NoteScreenDrawn() { screenBlack = 0; }

int ScreenKnownBlack() { return screenBlack; }
