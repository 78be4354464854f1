#include "shell/Accessibility.h"

#include "platform/StateResets.h"

const char* const kFireModeKey = "Fire Mode";
const char* const kHeadingModeKey = "Hold Heading Mode";
const char* const kRumbleKey = "Rumble";
const char* const kAlarmSoundKey = "Rocket Alarm Sound";

int fireMode = kPressHold;
int headingMode = kPressHold;
int rumbleStrength = kRumbleFull;
int alarmSoundOn = 1;

float RumbleFactor() {
    if (rumbleStrength <= kRumbleOff) return 0.0f;
    return rumbleStrength == kRumbleLow ? kRumbleLowShare : 1.0f;
}

void ResetAccessibility() {
    fireMode = kPressHold;
    headingMode = kPressHold;
    rumbleStrength = kRumbleFull;
    alarmSoundOn = 1;
}

namespace {
const int stateResetRegistered = RegisterStateReset("accessibility", kResetRankShell + 6, &ResetAccessibility);
}  // namespace
