// The installed layout as the game uses it: settings in the config home, scores, screenshots
// and the player's own tracks in the data home, nothing written into the data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "harness/HeadlessGame.h"
#include "platform/Files.h"
#include "platform/TMixer.h"
#include "shell/GamePaths.h"
#include "shell/Music.h"
#include "shell/Options.h"
#include "shell/Screenshots.h"
#include "support/TestSounds.h"

namespace fs = std::filesystem;

TEST(InstalledGame, KeepsThePlayersFilesInTheXdgFoldersAndWritesNothingIntoItsData) {
    HeadlessGame game(WindowedOptions(640, 480), [](const TempWorkingFolder& folder) {
        // The working folder stands for the installed data folder; the homes are inside it.
        fs::create_directories(folder.path / "config/tavrik");
        fs::rename(folder.path / "Options.ini", folder.path / "config/tavrik/Options.ini");
        fs::create_directories(folder.path / "data/tavrik/music");
        folder.Write("data/tavrik/music/Mine.ogg", testsounds::EncodeOgg(1, TMixer::kOutputRate, 4410));
        ASSERT_EQ(GamePaths::UseInstalled(folder.path.string(), (folder.path / "config").string(),
                                          (folder.path / "data/").string()),
                  1);
    });
    ASSERT_EQ(game.started, 1);
    const fs::path data = game.folder.path / "data/tavrik";
    EXPECT_EQ(musicTitle, "Mine");  // the player's track, the data folder having none
    game.RunFor(100);
    EXPECT_EQ(PathKind((data / "Highscore.txt").string()), 1);
    TakeScreenshot();
    EXPECT_EQ(PathKind((data / "screenshots/pic0.png").string()), 1);
    struct stat info {};
    ASSERT_EQ(stat((data / "screenshots").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);  // made on first need, private to the player

    fs::remove_all(game.folder.path / "config");
    EXPECT_EQ(SaveOptions(), 1);  // the settings folder is made again
    EXPECT_EQ(PathKind((game.folder.path / "config/tavrik/Options.ini").string()), 1);
    // Only the two homes are in the data folder: no screenshots/, music/ or files of the game.
    std::vector<std::string> names = ListDirectory(game.folder.path.string(), 1);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"config", "data"}));
}
