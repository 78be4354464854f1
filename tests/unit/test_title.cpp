// The title and game-over screens: the text panel's geometry as drawn, the panel's lines,
// and the loop entering the title screen when a game ends, driven headless.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <regex>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/DrawRecording.h"
#include "platform/Files.h"
#include "platform/Images.h"
#include "platform/StateResets.h"
#include "scores/MD5.h"
#include "scores/TScore.h"
#include "scores/TTextfield.h"
#include "shell/Camera.h"
#include "shell/Screenshots.h"
#include "shell/TitleScreen.h"

namespace {

// The recorded text calls.
std::vector<TDrawCall> TextCalls() {
    std::vector<TDrawCall> texts;
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text) texts.push_back(call);
    return texts;
}

// The recorded text calls of a drawn text, or none.
bool Drew(const std::string& text) {
    std::vector<TDrawCall> texts = TextCalls();
    return std::any_of(texts.begin(), texts.end(), [&](const TDrawCall& c) { return c.text == text; });
}

// The lines of the title panel.
std::vector<std::string> PanelLines() {
    std::vector<std::string> lines;
    if (titlePanel) titlePanel->lines.ForEach([&](const std::shared_ptr<std::string>& l) { lines.push_back(*l); });
    return lines;
}

// Draws a panel with one centred line and returns the shadow and text calls.
class Panel : public ::testing::Test {
protected:
    Panel() {
        RunStateResets();
        SetHeadlessGraphics(1);
        OpenGraphicsMode(800, 600, 0, 60, 0);
    }
    ~Panel() override { RunStateResets(); }
    std::vector<TDrawCall> Draw(TTextfield& panel) {
        StartDrawRecording();
        panel.Draw();
        StopDrawRecording();
        return TextCalls();
    }
};

}  // namespace

TEST_F(Panel, LinesAreAlignedOnTheAnchorTwelvePixelsApartWithAShadow) {
    auto centred = TTextfield::Create(400, 150, 1.0f, kAlignCentre);
    centred->AddLine("0123456789");
    centred->AddLine("");  // takes its height, draws nothing
    centred->AddLine("\xe9t\xe9");  // every byte counts, whatever its code
    std::vector<TDrawCall> calls = Draw(*centred);
    ASSERT_EQ(calls.size(), 4u);
    // Shadow first: black, half transparent, 2 px right and down.
    EXPECT_EQ(calls[0].text, "0123456789");
    EXPECT_FLOAT_EQ(calls[0].x, 362.0f);
    EXPECT_FLOAT_EQ(calls[0].y, 152.0f);
    EXPECT_EQ(calls[0].red + calls[0].green + calls[0].blue, 0);
    EXPECT_FLOAT_EQ(calls[0].alpha, 0.5f);
    EXPECT_FLOAT_EQ(calls[1].x, 360.0f);
    EXPECT_FLOAT_EQ(calls[1].y, 150.0f);
    EXPECT_EQ(calls[1].red + calls[1].green + calls[1].blue, 3 * 255);
    EXPECT_FLOAT_EQ(calls[1].alpha, 0.9f);
    EXPECT_FLOAT_EQ(calls[3].x, 388.0f);
    EXPECT_FLOAT_EQ(calls[3].y, 174.0f);

    auto right = TTextfield::Create(400, 0, 1.0f, kAlignRight);
    right->AddLine("0123456789");
    EXPECT_FLOAT_EQ(Draw(*right)[1].x, 320.0f);
    auto left = TTextfield::Create(400, 0, 1.0f, kAlignLeft);
    left->AddLine("0123456789");
    EXPECT_FLOAT_EQ(Draw(*left)[1].x, 400.0f);
}

TEST_F(Panel, ScaleTwoDoublesSpacingWidthAndShadowAndLeavesScaleOneWhiteBehind) {
    auto panel = TTextfield::Create(400, 100, 2.0f, kAlignCentre);
    panel->AddLine("0123456789");
    panel->AddLine("ab");
    SetDrawColor(1, 2, 3);
    SetDrawAlpha(0.1f);
    std::vector<TDrawCall> calls = Draw(*panel);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_FLOAT_EQ(calls[1].x, 320.0f);
    EXPECT_FLOAT_EQ(calls[0].x, 324.0f);
    EXPECT_FLOAT_EQ(calls[0].y, 104.0f);
    EXPECT_FLOAT_EQ(calls[3].y, 124.0f);
    EXPECT_FLOAT_EQ(calls[3].x, 384.0f);
    EXPECT_FLOAT_EQ(calls[3].scaleX, 2.0f);
    // What is drawn next is drawn at scale 1, in white at alpha 0.9.
    StartDrawRecording();
    DrawTextAt("next", 0, 0);
    StopDrawRecording();
    const TDrawCall& next = RecordedDrawCalls().at(0);
    EXPECT_EQ(next.scaleX, 1.0f);
    EXPECT_EQ(next.scaleY, 1.0f);
    EXPECT_EQ(next.red + next.green + next.blue, 3 * 255);
    EXPECT_FLOAT_EQ(next.alpha, 0.9f);
}

TEST(TitleScreen, TheFirstTitleShowsTheTableKeysAndCreditsAndSavesAnEmptyTable) {
    CombatArena game;
    LoadLogo();
    StartDrawRecording();
    game.Pass();
    StopDrawRecording();
    EXPECT_EQ(game.folder.Read("Highscore.txt"), "Version: Tavrik 0.91\r\n");
    std::vector<std::string> lines = PanelLines();
    ASSERT_GE(lines.size(), 14u);
    EXPECT_EQ(lines[0], "___ Highscore Tavrik 0.91 ___");
    EXPECT_EQ(lines[3], "");  // no score before the first game
    EXPECT_EQ(lines[5], "<([])> ENTER = Start Game <([])>");
    EXPECT_EQ(lines[6], "");  // online play is off
    EXPECT_EQ(lines[lines.size() - 2], "Music: ");
    EXPECT_TRUE(Drew("<([])> ENTER = Start Game <([])>"));
    EXPECT_FLOAT_EQ(titlePanel->x, 320.0f);
    // The logo stands above the panel.
    auto logo = std::find_if(RecordedDrawCalls().begin(), RecordedDrawCalls().end(),
                             [](const TDrawCall& c) { return c.image == logoImage.get(); });
    ASSERT_NE(logoImage, nullptr);
    ASSERT_NE(logo, RecordedDrawCalls().end());
    EXPECT_EQ(logo->x, 320.0f);
    EXPECT_EQ(logo->y, 100.0f);

    // Online on adds its key line in place; music off drops the last three lines.
    size_t withMusic = lines.size();
    onlineHighscore = 1;
    musicVolume = 0.0f;
    BuildTitlePanel();
    lines = PanelLines();
    EXPECT_EQ(lines[6], ">> O = Update onlinehighscore <<");
    EXPECT_EQ(lines.size(), withMusic - 3);
}

TEST(TitleScreen, AFinishedGameIsRecordedOnceShownAndEnterStartsTheNext) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    EXPECT_EQ(titlePanel, nullptr);
    player->points = 1234.9f;
    player->hp = 0.0f;  // shot down in the next world update
    StartDrawRecording();
    game.Ticks(2);
    game.RunFor(20);
    StopDrawRecording();
    ASSERT_TRUE(player && player->dead);
    EXPECT_TRUE(Drew("Your Score: 1234"));
    EXPECT_TRUE(Drew("New >>> 1. Tester - - - 1234 <<< New"));
    std::string file = game.folder.Read("Highscore.txt");
    std::smatch date;
    ASSERT_TRUE(std::regex_search(file, date, std::regex("Tester=1234=([^=]+)=0=")));
    EXPECT_EQ(file, "Version: Tavrik 0.91\r\nTester=1234=" + date[1].str() + "=0=" +
                        MD5Hex("Tester1234" + date[1].str() + "0Tavrik 0.91") + "\r\n");

    // Recorded once: the title screen staying up does not save again.
    DeleteFile("Highscore.txt");
    game.RunFor(200);
    EXPECT_EQ(PathKind("Highscore.txt"), 0);

    // Left Alt takes the title screen's picture at once.
    game.Press(kKeyLeftAlt);
    game.RunFor(20);
    EXPECT_EQ(PathKind("screenshots/pic0.png"), 1);

    game.Press(kKeyReturn);
    game.RunFor(20);
    EXPECT_TRUE(PlayerAlive());
    EXPECT_EQ(titlePanel, nullptr);
}

TEST(TitleScreen, PressesMadeDuringPlayAreDroppedAtGameOver) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    auto first = player;
    first->points = 77.0f;
    game.Press(kKeyReturn);  // not a key of play
    game.Ticks(3);
    EXPECT_EQ(player, first);
    first->hp = 0.0f;
    game.Ticks(2);
    game.RunFor(500);
    // The game-over screen stays with the score until Enter is pressed there.
    EXPECT_EQ(player, first);
    ASSERT_NE(titlePanel, nullptr);
    EXPECT_NE(game.folder.Read("Highscore.txt").find("Tester=77="), std::string::npos);
    game.Press(kKeyReturn);
    game.RunFor(20);
    EXPECT_NE(player, first);
    EXPECT_TRUE(PlayerAlive());
}

TEST(TitleScreen, AScoreThatCannotBeSavedSaysSoOnStandardErrorAndOnScreen) {
    CombatArena game;
    // A folder in the file's place can be neither read as scores nor replaced, even by root.
    ASSERT_EQ(mkdir("Highscore.txt", 0755), 0);
    testing::internal::CaptureStderr();
    game.Pass();  // the first title has no score to lose: no word
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("not saved"), std::string::npos);

    player->hp = 0.0f;
    testing::internal::CaptureStderr();
    StartDrawRecording();
    game.Ticks(2);
    game.RunFor(20);
    StopDrawRecording();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(player->dead);
    EXPECT_NE(err.find("score not saved: Highscore.txt"), std::string::npos) << err;
    std::vector<TDrawCall> texts = TextCalls();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const TDrawCall& c) { return c.text.rfind("score not saved: ", 0) == 0; }));
}

TEST(TitleScreen, ASymlinkedHighscoreFileStaysALinkAndItsTargetGetsTheFinishedGame) {
    CombatArena game;
    // The link points into a folder of its own, to a file that is not there yet.
    ASSERT_EQ(mkdir("kept", 0755), 0);
    ASSERT_EQ(symlink("kept/Highscore.txt", "Highscore.txt"), 0);
    game.Pass();  // the first title screen saves the empty table
    EXPECT_EQ(game.folder.Read("kept/Highscore.txt"), "Version: Tavrik 0.91\r\n");
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    player->points = 321.0f;
    player->hp = 0.0f;
    game.Ticks(2);
    game.RunFor(20);
    ASSERT_TRUE(player->dead);
    struct stat link;
    ASSERT_EQ(lstat("Highscore.txt", &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_NE(game.folder.Read("kept/Highscore.txt").find("\r\nTester=321="), std::string::npos);
    EXPECT_EQ(ListDirectory("kept", 1), std::vector<std::string>{"Highscore.txt"});  // no temporary left
}

TEST(TitleScreen, BeforeTheFirstGameTheCameraFollowsTheTitleBattleAfterAGameTheWreck) {
    CombatArena game;
    auto older = CombatArena::Dummy("Ant", 5000.0f, 5000.0f);
    auto first = CombatArena::Dummy("Ant", -3000.0f, 200.0f);  // new ships go to the list's front
    game.Ticks(1, 16);
    EXPECT_EQ(cameraTarget, first);
    EXPECT_EQ(cameraX, -3000.0f - 320.0f);
    first->hp = 0.0f;
    game.Ticks(2, 16);
    ASSERT_TRUE(first->dead);
    EXPECT_EQ(cameraTarget, older);

    game.Press(kKeyReturn);
    game.Ticks(2, 16);
    ASSERT_TRUE(PlayerAlive());
    auto wreck = player;
    wreck->hp = 0.0f;
    game.Ticks(3, 16);
    ASSERT_TRUE(wreck->dead);
    CombatArena::Dummy("Ant", 100.0f, 100.0f);
    game.Ticks(2, 16);
    EXPECT_EQ(cameraTarget, wreck);
}
