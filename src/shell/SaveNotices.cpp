#include "shell/SaveNotices.h"

#include <cstdio>
#include <vector>

#include "platform/StateResets.h"
#include "stages/TMessage.h"

namespace {

// Long enough to read a path; small, as a path is long; red, as something went wrong.
constexpr int kUnsavedMessageDuration = 8000;
constexpr float kUnsavedMessageScale = 1.0f;
constexpr int kUnsavedMessageColour = 0xFF5040;

std::vector<std::string> waiting;
bool screenReady = false;

void ShowOnScreen(const std::string& text) {
    TMessage::Create(text, kUnsavedMessageDuration, kUnsavedMessageScale, kUnsavedMessageColour);
}

}  // namespace

void ReportUnsaved(const std::string& what, const std::string& reason) {
    ReportToPlayer(what + " not saved: " + reason);
}

void ReportToPlayer(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    if (screenReady)
        ShowOnScreen(text);
    else
        waiting.push_back(text);
}

void ShowStartUpSaveNotices() {
    screenReady = true;
    for (const std::string& text : waiting) ShowOnScreen(text);
    waiting.clear();
}

void ResetSaveNotices() {
    waiting.clear();
    screenReady = false;
}

namespace {
const int stateResetRegistered = RegisterStateReset("save notices", kResetRankShell + 6, &ResetSaveNotices);
}  // namespace
