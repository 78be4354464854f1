#pragma once
// Where the game reads its data and keeps the player's files.
//
// Portable (the executable's folder holds gfx/ and may be written): that folder is the working
// directory and holds everything, settings, scores and screenshots included.
// Installed: the data folder is <prefix>/share/games/tavrik/, found from the executable's own
// place (<prefix>/games/), and is the working directory; the player's files go to
// $XDG_CONFIG_HOME/tavrik/ (settings) and $XDG_DATA_HOME/tavrik/ (scores, screenshots, music),
// made on first need, so nothing is ever written under the prefix.
//
// A folder is "" (the working directory) or ends with "/", so a file name appends to it.
#include <string>

class GamePaths {
public:
    // Chooses the mode from the executable's folder and makes the data folder the working
    // directory; 1 on success. No data folder found: a notice naming where it looked, and 0.
    // No home folder (HOME relative or unset, no password entry): a notice, and the player's
    // folders stay unknown, so nothing of theirs is written.
    static int SetUp();
    // Uses the installed layout with these folders: the data folder (made the working
    // directory), and the user's config and data homes ($XDG_CONFIG_HOME, $XDG_DATA_HOME).
    static int UseInstalled(const std::string& dataFolder, const std::string& configHome, const std::string& dataHome);
    // 1 in the installed layout, 0 when portable.
    static int Installed();

    // The folder of the game's pictures, sounds and tracks, made the working directory; ""
    // before SetUp (the working directory as it is).
    static const std::string& DataFolder();
    // The folder of Options.ini and every other settings file.
    static const std::string& SettingsFolder();
    // The folder of Highscore.txt.
    static const std::string& ScoresFolder();
    // The folder the numbered screenshots go into.
    static const std::string& ScreenshotsFolder();
    // The player's own tracks, played beside the game's; "" when portable, where music/ is both.
    static const std::string& UserMusicFolder();

    // Makes the folder when missing, in the installed layout with its missing parents and
    // private to the user; 1 when it is there afterwards, 0 always without a home folder.
    static int MakeFolder(const std::string& folder);
    // Why the last save failed, for the player: "path: reason", or that there is no home folder.
    static std::string SaveFailure();
    // The folders made at every start: portable, screenshots/ and music/ beside the
    // executable; installed, the player's own music folder, to put tracks into.
    static void MakeStartFolders();
    // One line naming the folders in use, for the developers' notes.
    static std::string Describe();
    // Back to the portable layout in the working directory.
    static void Reset();
};
