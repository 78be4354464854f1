#pragma once
// The settings file Options.ini: reading, writing, the options screen of the first start,
// and opening the configured display.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TINPT_FIELD;
class TStream;

// Name of the settings file in the working directory.
extern const char* const optionsFileName;
// Where Options.ini is read and written: the settings folder of the running mode.
std::string OptionsFilePath();
// The "GFX Full" value (one of the kFullScreen values below) of the settings in memory.
int FullScreenValue();

// Size of the options screen's window.
constexpr int kOptionsScreenWidth = 400;
constexpr int kOptionsScreenHeight = 300;
// The values of "GFX Full": a window, full screen by switching the video mode to the
// configured size, borderless full screen at the desktop's size (what F11 chooses).
constexpr int kFullScreenOff = 0;
constexpr int kFullScreenModeSwitch = 1;
constexpr int kFullScreenDesktop = 2;

// Number of input fields on the options screen.
constexpr int kOptionsFieldCount = 7;
// Largest number a digit-only field stands for: longer numbers are held here instead of
// wrapping. It is above any size a display opens, so such a size still gives the
// display-mode notice, and small enough for every conversion of the settings.
constexpr int kMaxFieldNumber = 99999;

// Longest name the letter picker types.
constexpr int kMaxPlayerNameLength = 24;

// What a pass of the options screen asks of its caller.
constexpr int kOptionsScreenQuit = 0;       // Escape: end the program, nothing saved
constexpr int kOptionsScreenOpen = 1;       // go on with the next pass
constexpr int kOptionsScreenConfirmed = 2;  // Enter with no field being edited

// Fills the settings from Options.ini; without the file, sets the defaults, runs the
// options screen and writes the file. Returns 1 to go on, 0 when the player ended the
// program on the options screen or its window could not be opened (nothing written).
int LoadOptions();
// The settings of a first start, before the options screen.
void SetDefaultOptions();
// The options screen until Enter (1) or Escape (0; 0 too when its window cannot be opened),
// each pass run through optionsScreenPass. Confirmed, the settings hold the fields' values.
int RunOptionsScreen();
// Opens the 400 x 300 window with its background and the seven fields filled from the
// settings; on failure shows the display-mode notice and returns 0.
int StartOptionsScreen();
// One frame of the options screen: fields updated and drawn, Enter and Escape tested.
int RunOptionsScreenPass();
// Reads the fields back into the settings.
void FinishOptionsScreen();
// The options screen's fields in screen order ("Player" first); null before it starts.
const std::array<std::shared_ptr<TINPT_FIELD>, kOptionsFieldCount>& OptionsFields();
// The pass RunOptionsScreen repeats: RunOptionsScreenPass, or a test's script around it.
extern std::function<int()> optionsScreenPass;
// The value of key: the text after "=" on the first line whose name matches exactly;
// "0" when no line matches.
std::string ReadIniValue(const std::shared_ptr<TStream>& stream, const std::string& key);
// The same line's value into value; false when no line matches.
bool FindIniValue(const std::shared_ptr<TStream>& stream, const std::string& key, std::string& value);
// Writes the eight settings lines (CR LF), and the "Highscore Server" line when one was read,
// through a temporary file renamed over Options.ini;
// returns 0 when it cannot be written (the game goes on with the settings in memory).
int SaveOptions();
// The settings file's text for the current settings.
std::string OptionsText();
// The text of a settings file with the first line of key (the one the reader takes) saying
// value; every other byte stays. A file without that line gets one at its end.
std::string WithIniLine(const std::string& text, const std::string& key, const std::string& value);
// The same for the "GFX Full" line (one of the kFullScreen values).
std::string WithFullScreenLine(const std::string& text, int fullScreen);
// Writes the lines of the given keys into Options.ini with the values the settings in memory
// hold (OptionsText's), every other line kept; a missing file is written whole. 0 when it
// cannot be read whole or written.
int SaveOptionLines(const std::vector<std::string>& keys);
// Opens the configured display: a window (fitted to the desktop), full screen by a mode
// switch, or borderless full screen; gfxWidth x gfxHeight become the size opened and the
// configured size is kept. On failure shows the mode notice and returns 0.
int CheckGraphicsMode();
// The notice shown when the configured mode cannot be opened.
std::string GraphicsModeNotice(int width, int height);
