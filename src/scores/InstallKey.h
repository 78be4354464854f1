#pragma once
// The install key: a random 128-bit key made on the first online update and kept in the
// settings folder (mode 0600). It goes with every replay sent to the highscore server, which
// keeps only its hash and binds a name to the key of the name's first verified score, so a
// player moves it to another machine to keep their name.
#include <string>

// Name of the key's file in the settings folder.
extern const char* const kInstallKeyFileName;  // "InstallKey.txt"
// Hex digits of a key (128 bits).
constexpr int kInstallKeyHexDigits = 32;

// The key as 32 lowercase hex digits, read from its file; "" when there is none or the file
// does not hold a key.
std::string InstallKeyText();
// The key, made and written (mode 0600) when there is none yet; "" when it cannot be written.
std::string EnsureInstallKey();
// Takes a key typed or pasted by the player (hex digits, any case, spaces and dashes ignored)
// and writes it over the old one; false, leaving the old key, for anything else.
bool ImportInstallKey(const std::string& text);
