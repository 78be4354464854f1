#include "shell/GamePaths.h"

#include <cstdlib>

#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "shell/Music.h"

namespace {

// The game's folder name inside the user's XDG folders.
const std::string kUserFolderName = "tavrik/";
// The data folder of an installation, under the prefix (the executable is in <prefix>/games).
const std::string kInstalledDataFolder = "/share/games/tavrik";
// Defaults of the XDG folders, under the home folder.
const std::string kDefaultConfigHome = "/.config";
const std::string kDefaultDataHome = "/.local/share";
// The folder whose presence marks a folder holding the game's data.
const std::string kDataMarker = "/gfx";

// The portable layout's folders, relative to the working directory (the executable's folder).
const std::string kPortableScreenshots = "screenshots\\";

// The layout in use; the portable one until SetUp or UseInstalled chooses.
struct Folders {
    int installed = 0;                               // 1 in the installed layout
    std::string data;                                // the working directory as chosen; "" before
    std::string settings;                            // Options.ini and the other settings files
    std::string scores;                              // Highscore.txt
    std::string screenshots = kPortableScreenshots;  // pic<n>.png
    std::string userMusic;                           // the player's own tracks; "" when portable
    int noUserFolders = 0;                           // 1 when no home folder was found: nothing is saved
};
Folders folders;

// An XDG base folder: the variable when it holds an absolute path (others are to be ignored),
// else the default under the home folder; "" when there is no home folder either.
std::string XdgHome(const char* variable, const std::string& fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    const std::string home = HomeFolder();
    return home.empty() ? "" : home + fallback;
}

// Why nothing of the player's is saved when no folder of theirs is known.
const char* const kNoHomeNotice =
    "no home folder: HOME is not an absolute path and the password database has no entry; "
    "settings, scores and screenshots are not saved";
// Why a save is refused then, for the save's own notice.
const char* const kNoHomeReason = "no home folder";

// The folder with a trailing "/".
std::string AsFolder(const std::string& path) { return !path.empty() && path.back() == '/' ? path : path + "/"; }

}  // namespace

int GamePaths::SetUp() {
    Reset();
    const std::string exeFolder = ExecutableFolder();
    // Without /proc the executable's place is unknown: the working directory is the game's.
    if (exeFolder.empty()) return 1;
    const bool holdsData = PathKind(exeFolder + kDataMarker) == 2;
    if (holdsData && FolderIsWritable(exeFolder)) {
        folders.data = AsFolder(exeFolder);
        return ChangeDirectory(exeFolder);
    }
    // A read-only copy of the game folder still reads its data there; an installation reads
    // it from the share folder beside its games folder.
    const std::string prefix = exeFolder.substr(0, exeFolder.rfind('/'));
    const std::string dataFolder = holdsData ? exeFolder : prefix + kInstalledDataFolder;
    if (PathKind(dataFolder + kDataMarker) != 2) {
        // Without its pictures the game would run blind: say where it looked, and stop.
        ShowNotice("game data not found: no gfx folder in " + dataFolder + " (nor beside the executable in " +
                       exeFolder + ")",
                   1);
        return 0;
    }
    const std::string configHome = XdgHome("XDG_CONFIG_HOME", kDefaultConfigHome);
    const std::string dataHome = XdgHome("XDG_DATA_HOME", kDefaultDataHome);
    if (configHome.empty() || dataHome.empty()) {
        ShowNotice(kNoHomeNotice, 0);
        folders.installed = 1;
        folders.data = AsFolder(dataFolder);
        folders.screenshots.clear();
        folders.noUserFolders = 1;
        return ChangeDirectory(dataFolder);
    }
    return UseInstalled(dataFolder, configHome, dataHome);
}

int GamePaths::UseInstalled(const std::string& dataFolder, const std::string& configHome, const std::string& dataHome) {
    folders.installed = 1;
    folders.data = AsFolder(dataFolder);
    folders.settings = AsFolder(configHome) + kUserFolderName;
    folders.scores = AsFolder(dataHome) + kUserFolderName;
    folders.screenshots = folders.scores + "screenshots/";
    folders.userMusic = folders.scores + "music/";
    return ChangeDirectory(dataFolder);
}

int GamePaths::Installed() { return folders.installed; }

const std::string& GamePaths::DataFolder() { return folders.data; }

const std::string& GamePaths::SettingsFolder() { return folders.settings; }
const std::string& GamePaths::ScoresFolder() { return folders.scores; }
const std::string& GamePaths::ScreenshotsFolder() { return folders.screenshots; }
const std::string& GamePaths::UserMusicFolder() { return folders.userMusic; }

std::string GamePaths::SaveFailure() { return folders.noUserFolders ? kNoHomeReason : LastWriteError(); }

int GamePaths::MakeFolder(const std::string& folder) {
    if (folders.noUserFolders) return 0;
    if (folder.empty() || PathKind(folder) == 2) return 1;
    return folders.installed ? MakeUserDirectory(folder) : MakeDirectory(folder, 0);
}

void GamePaths::MakeStartFolders() {
    if (folders.installed) {
        MakeFolder(folders.userMusic);
        return;
    }
    MakeFolder(folders.screenshots);
    MakeFolder(musicDir);
}

std::string GamePaths::Describe() {
    std::string line = std::string(folders.installed ? "installed" : "portable") + "; data " + (folders.data.empty() ? "./" : folders.data);
    if (!folders.installed) return line;
    if (folders.noUserFolders) return line + ", no folders of the player's";
    return line + ", settings " + folders.settings + ", scores " + folders.scores + ", screenshots " +
           folders.screenshots + ", own music " + folders.userMusic;
}

void GamePaths::Reset() { folders = Folders(); }

namespace {
const int stateResetRegistered = RegisterStateReset("game paths", kResetRankShell, &GamePaths::Reset);
}  // namespace
