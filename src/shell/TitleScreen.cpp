#include "shell/TitleScreen.h"

#include <string>

#include "platform/StateResets.h"
#include "platform/Text.h"
#include "scores/TScore.h"
#include "scores/TTextfield.h"
#include "shell/Music.h"
#include "shell/Shell.h"
#include "world/TShip.h"

std::shared_ptr<TTextfield> titlePanel;

namespace {

// Top of the panel's first line; the logo stands above it.
constexpr int kPanelTop = 150;
// The panel's text scale.
constexpr float kPanelScale = 1.0f;

// The key lines.
const char* const kStartLine = "<([])> ENTER = Start Game <([])>";
const char* const kOnlineLine = ">> O = Update onlinehighscore <<";
// The credits: studio, programmer, alias, forum, language, and where the music comes from.
const char* const kCreditStudio = "A Driftlight Foundry production";
const char* const kCreditProgrammer = "Programming: Oskar Vennholm";
const char* const kCreditAlias = "alias Nullwake";
const char* const kCreditForum = "Talk tactics in the pilots' forum at forum.driftlight-foundry.net";
const char* const kCreditLanguage = "Written in C++";
const char* const kCreditMusic = "More free music from our own generator at driftlight-foundry.net/music";

}  // namespace

void BuildTitlePanel() {
    titlePanel = TTextfield::Create(gfxWidth / 2, kPanelTop, kPanelScale, kAlignCentre);
    TScore::FillText(titlePanel);
    TTextfield& panel = *titlePanel;
    panel.AddLine("");
    // The score line and the online key line are always there (maybe empty), so the lines
    // below them stay in place.
    panel.AddLine(player && player->dead ? "Your Score: " + std::to_string(TruncatedInt(player->points)) : "");
    panel.AddLine("");
    panel.AddLine(kStartLine);
    panel.AddLine(onlineHighscore ? kOnlineLine : "");
    panel.AddLine("");
    panel.AddLine(kCreditStudio);
    panel.AddLine("");
    panel.AddLine(kCreditProgrammer);
    panel.AddLine(kCreditAlias);
    panel.AddLine(kCreditForum);
    panel.AddLine(kCreditLanguage);
    if (musicVolume > 0.0f) {
        panel.AddLine("");
        panel.AddLine("Music: " + musicTitle);
        panel.AddLine(kCreditMusic);
    }
}

void RecordFinishedGame() {
    TScore::ResetTable();
    if (player && player->dead) TScore::Add(playerName, TruncatedInt(player->points), "", 0);
    TScore::SortAndTrim();
    TScore::Save();
}

void ResetTitleScreen() { titlePanel.reset(); }

namespace {
const int stateResetRegistered = RegisterStateReset("title screen", kResetRankShell + 5, &ResetTitleScreen);
}  // namespace
