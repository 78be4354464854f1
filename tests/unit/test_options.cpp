// Reading and writing Options.ini.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "harness/HeadlessGame.h"
#include "harness/OptionsScreenScript.h"
#include "platform/Files.h"
#include "shell/Options.h"
#include "shell/SaveNotices.h"
#include "shell/Shell.h"
#include "stages/TMessage.h"

namespace {

// Loads the given file text as the game's settings.
void LoadFrom(TempWorkingFolder& folder, const std::string& text) {
    folder.Write("Options.ini", text);
    LoadOptions();
}

}  // namespace

TEST(IniValue, FirstMatchWinsAndMissingKeysReadZero) {
    TempWorkingFolder folder;
    folder.Write("a.ini", "GFX X = 800\r\nPlayer=Ann\r\nPlayer=Bob\r\nEmpty=\r\nNoEquals\r\nLast=end");
    auto file = OpenReadStream("a.ini");
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadIniValue(file, "GFX X"), "0");  // spaces around "=" do not match
    EXPECT_EQ(ReadIniValue(file, "GFX X "), " 800");
    EXPECT_EQ(ReadIniValue(file, "Player"), "Ann");
    EXPECT_EQ(ReadIniValue(file, "Empty"), "");
    EXPECT_EQ(ReadIniValue(file, "Last"), "end");  // last line without a line end
    EXPECT_EQ(ReadIniValue(file, "player"), "0");  // case counts
    EXPECT_EQ(ReadIniValue(file, "Missing"), "0");
}

TEST(IniValue, EmptyFileStillReadsOneLine) {
    TempWorkingFolder folder;
    folder.Write("empty.ini", "");
    auto file = OpenReadStream("empty.ini");
    ASSERT_TRUE(file);
    EXPECT_EQ(ReadIniValue(file, "GFX X"), "0");
    EXPECT_EQ(ReadIniValue(file, ""), "");  // the one line read is empty, with no "="
}

TEST(Options, ConversionsOfTheSettingsTable) {
    ResetProgramState();
    TempWorkingFolder folder;
    LoadFrom(folder,
             "GFX X=1280\r\nGFX Y=720\r\nGFX Full=yes\r\nGFX Camera Delay=258\r\n"
             "SoundEffectVolume=55\r\nMusicVolume=150\r\nOnlineHighscore=257\r\nPlayer=\r\n");
    EXPECT_EQ(gfxWidth, 1280);
    EXPECT_EQ(gfxHeight, 720);
    EXPECT_EQ(gfxDepth, 32);
    EXPECT_EQ(cameraMode, 2);  // low 8 bits of 258
    EXPECT_FLOAT_EQ(sfxVolume, 0.55f);
    EXPECT_FLOAT_EQ(musicVolume, 1.5f);  // not range-checked
    EXPECT_EQ(onlineHighscore, 1);
    EXPECT_EQ(playerName, "Pilot");
}

TEST(Options, FullScreenByTextComparisonWithZero) {
    TempWorkingFolder folder;
    struct Case { const char* value; int depth; int desktop; };
    for (Case c : {Case{"1", 32, 0}, Case{"00", 32, 0}, Case{"yes", 32, 0}, Case{"0", 0, 0}, Case{"", 0, 0},
                   Case{" 1", 0, 0}, Case{"2", 0, 1}, Case{" 2", 0, 0}, Case{"12", 32, 0}}) {
        LoadFrom(folder, std::string("GFX Full=") + c.value + "\r\n");
        EXPECT_EQ(gfxDepth, c.depth) << "value '" << c.value << "'";
        EXPECT_EQ(gfxDesktopFull, c.desktop) << "value '" << c.value << "'";
    }
}

TEST(Options, CameraModeAboveTwoBecomesZero) {
    TempWorkingFolder folder;
    for (const char* value : {"3", "-1", "255"}) {
        LoadFrom(folder, std::string("GFX Camera Delay=") + value + "\r\n");
        EXPECT_EQ(cameraMode, 0) << value;
    }
    LoadFrom(folder, "GFX Camera Delay=1\r\n");
    EXPECT_EQ(cameraMode, 1);
}

TEST(Options, MissingPlayerLineGivesTheNameZero) {
    TempWorkingFolder folder;
    LoadFrom(folder, "GFX X=800\r\n");
    EXPECT_EQ(playerName, "0");
}

TEST(Options, FirstStartConfirmedAtOnceWritesTheDefaults) {
    ResetProgramState();
    SetHeadlessGraphics(1);
    SetHeadlessDesktop(1024, 768);
    TempWorkingFolder folder;
    OptionsScreenScript script;
    script.Then([] {
        EXPECT_EQ(GraphicsWidth(), 400);
        EXPECT_EQ(GraphicsHeight(), 300);
        std::vector<std::string> shown;
        for (const auto& field : OptionsFields()) shown.push_back(field->GetCaption() + ":" + field->GetValue());
        EXPECT_EQ(shown, (std::vector<std::string>{"Player:New Player", "Resolution X:1024", "Resolution Y:768",
                                                   "Fullscreen 0/1:1", "Online Highscore 0/1:0",
                                                   "Music Volume %:100", "SFX Volume %:70"}));
    }).Enter();
    EXPECT_EQ(LoadOptions(), 1);
    EXPECT_EQ(script.passes, 2);
    EXPECT_EQ(folder.Read("Options.ini"),
              "GFX X=1024\r\nGFX Y=768\r\nGFX Full=1\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\n"
              "MusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=New Player\r\n"
              "Fire Mode=0\r\nHold Heading Mode=0\r\nRumble=2\r\nRocket Alarm Sound=1\r\nUI Scale=0\r\n");
    EXPECT_EQ(ListDirectory(".", 1), std::vector<std::string>{"Options.ini"});  // no temporary left
    ResetProgramState();
}

TEST(Options, FirstStartSavesWhatWasTypedWithTheFieldsConversions) {
    ResetProgramState();
    SetHeadlessGraphics(1);
    UseFakeClock(100000);  // the screen's frame pacing waits on the fake clock
    TempWorkingFolder folder;
    OptionsScreenScript script;
    script.Replace(0, "  Ann =Lee ")  // "=" separates the highscore file's fields: dropped
        .Replace(1, "99999999999")  // held at the largest field number, no wrap into range
        .Replace(2, "0004294967776")  // read as ParseInt reads it, this would wrap to 480
        .Replace(3, "256")          // low 8 bits 0: a window
        .Replace(4, "7")
        .Replace(5, "99999999999")
        .Replace(6, "")
        .Enter();
    EXPECT_EQ(LoadOptions(), 1);
    EXPECT_EQ(folder.Read("Options.ini"),
              "GFX X=99999\r\nGFX Y=99999\r\nGFX Full=0\r\nGFX Camera Delay=0\r\nSoundEffectVolume=0\r\n"
              "MusicVolume=99999\r\nOnlineHighscore=1\r\nPlayer=Ann Lee\r\n"
              "Fire Mode=0\r\nHold Heading Mode=0\r\nRumble=2\r\nRocket Alarm Sound=1\r\nUI Scale=0\r\n");
    // Such a size is beyond any display: the mode notice, as for a hand-edited file.
    EXPECT_EQ(playerName, "Ann Lee");
    EXPECT_EQ(gfxWidth, 99999);

    // A name of nothing but spaces is saved empty and read as "Pilot".
    ResetProgramState();
    SetHeadlessGraphics(1);
    UseFakeClock(100000);
    std::filesystem::remove(folder.path / "Options.ini");
    OptionsScreenScript blank;
    blank.Replace(0, "   ", 12).Enter();
    EXPECT_EQ(LoadOptions(), 1);
    EXPECT_EQ(playerName, "Pilot");
    EXPECT_EQ(ReadIniValue(OpenReadStream("Options.ini"), "Player"), "");
    ResetProgramState();
}

TEST(Options, EscapeOnTheScreenEndsStartUpAndWritesNothing) {
    ResetProgramState();
    SetHeadlessGraphics(1);
    TempWorkingFolder folder;
    {
        // Escape wins over a confirming Enter of the same pass.
        OptionsScreenScript script;
        script.Click(20, 60).Type("x").Enter().Then([] {
            ApplyKeyDown(kKeyReturn);
            ApplyKeyDown(kKeyEscape);
        });
        EXPECT_EQ(StartUpGame(), 0);
        EXPECT_EQ(script.passes, 4);
    }
    EXPECT_EQ(PathKind("Options.ini"), 0);
    ShutDownGame();
    EXPECT_EQ(CurrentGraphics(), nullptr);
    ResetProgramState();
}

TEST(Options, SaveThenLoadGivesTheSameSettings) {
    ResetProgramState();
    TempWorkingFolder folder;
    gfxWidth = 800; gfxHeight = 600; gfxDepth = 32; cameraMode = 1;
    sfxVolume = 0.335f; musicVolume = 0.0f; onlineHighscore = 1; playerName = "Zoë";
    ASSERT_EQ(SaveOptions(), 1);
    ResetShellState();
    LoadOptions();
    EXPECT_EQ(gfxWidth, 800);
    EXPECT_EQ(gfxDepth, 32);
    EXPECT_EQ(cameraMode, 1);
    EXPECT_FLOAT_EQ(sfxVolume, 0.34f);  // written rounded up to whole percent
    EXPECT_FLOAT_EQ(musicVolume, 0.0f);
    EXPECT_EQ(playerName, "Zoë");
}

TEST(Options, UnwritableFileLeavesTheSettingsInMemory) {
    // A folder named Options.ini cannot be read as settings nor replaced by a file, even by
    // root: the first start takes the defaults, fails to save, and goes on with them.
    ResetProgramState();
    TempWorkingFolder folder;
    ASSERT_EQ(mkdir("Options.ini", 0755), 0);
    folder.Write("Options.ini/keep", "x");
    SetHeadlessGraphics(1);
    OptionsScreenScript script;
    script.Enter();
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadOptions(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("settings not saved: Options.ini: Is a directory"), std::string::npos) << err;
    // Before the screen runs its messages the notice waits, then shows once.
    EXPECT_EQ(messages->Count(), 0);
    ShowStartUpSaveNotices();
    ASSERT_EQ(messages->Count(), 1);
    EXPECT_EQ(messages->First()->text, "settings not saved: Options.ini: Is a directory");
    EXPECT_EQ(playerName, "New Player");
    gfxWidth = 320;
    EXPECT_EQ(SaveOptions(), 0);
    EXPECT_EQ(gfxWidth, 320);
    EXPECT_EQ(PathKind("Options.ini"), 2);
    EXPECT_EQ(ListDirectory(".", 1).size(), 1u);  // no temporary file left behind
    ResetProgramState();
}

TEST(Options, ReplacesAnExistingFileWhole) {
    TempWorkingFolder folder;
    folder.Write("Options.ini", std::string(5000, 'x'));
    gfxWidth = 1; gfxHeight = 2; gfxDepth = 0; cameraMode = 0; sfxVolume = 0; musicVolume = 0;
    onlineHighscore = 0; playerName = "P";
    ASSERT_EQ(SaveOptions(), 1);
    EXPECT_EQ(folder.Read("Options.ini"), OptionsText());
}
