#pragma once
// The settings file Options.ini: reading, writing, and opening the configured display.
#include <memory>
#include <string>

class TStream;

// Name of the settings file in the working directory.
extern const char* const optionsFileName;

// Fills the settings from Options.ini; without the file, sets the defaults and writes it.
void LoadOptions();
// The value of key: the text after "=" on the first line whose name matches exactly;
// "0" when no line matches.
std::string ReadIniValue(const std::shared_ptr<TStream>& stream, const std::string& key);
// Writes the eight settings lines (CR LF) through a temporary file renamed over Options.ini;
// returns 0 when it cannot be written (the game goes on with the settings in memory).
int SaveOptions();
// The settings file's text for the current settings.
std::string OptionsText();
// Opens the configured display; on failure shows the mode notice and returns 0.
int CheckGraphicsMode();
// The notice shown when the configured mode cannot be opened.
std::string GraphicsModeNotice(int width, int height);
