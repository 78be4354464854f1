#include "shell/TitleScreen.h"

#include <string>

#include "platform/Gamepad.h"
#include "platform/StateResets.h"
#include "platform/Text.h"
#include "scores/OnlineHighscore.h"
#include "scores/ReplayUploads.h"
#include "scores/TScore.h"
#include "scores/TTextfield.h"
#include "shell/GamePaths.h"
#include "shell/Music.h"
#include "shell/ReplayRecorder.h"
#include "shell/SaveNotices.h"
#include "shell/ReplayViewer.h"
#include "shell/Shell.h"
#include "shell/UiScale.h"
#include "world/TShip.h"

std::shared_ptr<TTextfield> titlePanel;
bool titleNamesPad = false;

namespace {

// Top of the panel's first line; the logo stands above it.
constexpr int kPanelTop = 150;
// The panel's text scale.
constexpr float kPanelScale = 1.0f;

// The key lines.
const char* const kStartLine = "<([])> ENTER = Start Game <([])>";
const char* const kPadStartLine = "<([])> ENTER / Pad A = Start Game <([])>";
const char* const kOnlineLine = ">> O = Update onlinehighscore <<";
const char* const kPadOnlineLine = ">> O / Pad Y = Update onlinehighscore <<";
// The line under them names the title's other keys, the pad's buttons while one is connected.
const char* const kKeysLine = "V = Watch best  F2 / S = Settings  Esc = Quit";
const char* const kPadKeysLine = "Pad X = Watch best  Pad Back = Settings  hold Back = Quit";
// The credits: the game, its makers, its own pictures and sounds, where the highscore server
// comes from, the language, and where the playing track comes from.
const char* const kCreditGame = ", a space shooter for Linux desktops";  // after the version text
const char* const kCreditMakers = "Made by the Tavrik developers";
const char* const kCreditAssets = "Pictures and sounds drawn by its own asset generator";
const char* const kCreditServer = "Host a highscore server: it comes with the source package";
const char* const kCreditLanguage = "Written in C++";
const char* const kCreditMusic = "Music composed by the game's own generator at build time";
const char* const kCreditOwnMusic = "A track of your own, from your music folder";

// Ties the score just entered, while the table keeps it, to its game's replay, so the online
// update sends that replay after the score.
void LinkReplay(const std::string& replay) {
    std::shared_ptr<TScore> entered;
    scoreTable->ForEach([&](const std::shared_ptr<TScore>& entry) {
        if (entry->isNew) entered = entry;
    });
    if (!entered) return;
    ReplayUploads uploads = ReplayUploads::Load();
    uploads.Add(SubmitChecksum(entered->name, entered->points, entered->date), replay);
    if (!uploads.Save()) ReportUnsaved("replay list", GamePaths::SaveFailure());
}

}  // namespace

void BuildTitlePanel() {
    titlePanel = TTextfield::Create(UiWidth() / 2, kPanelTop, kPanelScale, kAlignCentre);
    TScore::FillText(titlePanel);
    TTextfield& panel = *titlePanel;
    panel.AddLine("");
    // The score line, the online key line and the pad's line are always there (maybe empty),
    // so the lines below them stay in place.
    const char* scoreLabel = WatchedGameOnScreen() ? "Replay Score: " : "Your Score: ";
    panel.AddLine(player && player->dead ? scoreLabel + std::to_string(TruncatedInt(player->points)) : "");
    panel.AddLine("");
    titleNamesPad = GamepadCount() > 0;
    panel.AddLine(titleNamesPad ? kPadStartLine : kStartLine);
    panel.AddLine(!onlineHighscore ? "" : titleNamesPad ? kPadOnlineLine : kOnlineLine);
    panel.AddLine(titleNamesPad ? kPadKeysLine : kKeysLine);
    panel.AddLine(std::string(gameTitle) + kCreditGame);
    panel.AddLine("");
    panel.AddLine(kCreditMakers);
    panel.AddLine(kCreditAssets);
    panel.AddLine(kCreditServer);
    panel.AddLine(kCreditLanguage);
    if (musicVolume > 0.0f) {
        panel.AddLine("");
        panel.AddLine("Music: " + musicTitle);
        panel.AddLine(PlayingGeneratedTrack() ? kCreditMusic : musicTitle.empty() ? "" : kCreditOwnMusic);
    }
}

void RecordFinishedGame() {
    TScore::ResetTable();
    // A watched replay's score is not the player's own.
    const bool finished = player && player->dead && !WatchedGameOnScreen();
    const int points = player ? TruncatedInt(player->points) : 0;
    // Taken in any case, so a replay never goes with a later game's score.
    const std::string replay = TakeGameOverReplay(points);
    if (finished) TScore::Add(gamePlayerName, points, "", 0);
    TScore::SortAndTrim();
    // Only a finished game's score is worth a word; the table alone is on disk already.
    if (!TScore::Save() && finished) ReportUnsaved("score", TScore::SaveFailure());
    if (finished && !replay.empty()) LinkReplay(replay);
}

void ResetTitleScreen() {
    titlePanel.reset();
    titleNamesPad = false;
}

namespace {
const int stateResetRegistered = RegisterStateReset("title screen", kResetRankShell + 5, &ResetTitleScreen);
}  // namespace
