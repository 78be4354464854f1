#include "shell/Music.h"

#include "platform/StateResets.h"

std::string musicTitle;

void ResetMusic() { musicTitle.clear(); }

namespace {
const int stateResetRegistered = RegisterStateReset("music", kResetRankShell + 4, &ResetMusic);
}  // namespace
