#pragma once
// The asset generator's drawing, synthesis and output steps.
#include <string>

#include "AssetTables.h"
#include "Canvas.h"

// Draws a ship; false if it has no design or a mount is off its hull.
bool DrawShip(const TShipKind& ship, Canvas& out);
// The same at scale times the picture's size (the icons).
bool DrawShipScaled(const TShipKind& ship, float scale, Canvas& out);
// Draws a gun's turret (pivot at (width / 2, pivotY), barrel up).
Canvas DrawTurret(const TAssetGun& gun);
// Draws a gun's shot (pointing up, rear end on the bottom row).
Canvas DrawShot(const TAssetGun& gun);
// Draws one of the other pictures by path; false for an unknown path.
bool DrawPicture(const TAssetPicture& pic, Canvas& out);
// The small pictures: particles, colour courses, rockets, HUD signs, cursor.
bool DrawSpritePicture(const TAssetPicture& pic, Canvas& out);
// The large pictures: backgrounds, logo, options screen.
bool DrawBackdropPicture(const TAssetPicture& pic, Canvas& out);
// The game's name in bevelled letters, letter height in pixels, into a new canvas.
Canvas DrawTitleLettering(float letterHeight, float glow);

// Writes one sound effect; false on an unknown path or a write failure.
bool WriteSound(const TAssetSound& sound, const std::string& file);
// Composes and encodes the music track; false on failure.
bool WriteMusic(const std::string& file);

// Writes the desktop icons, iconDir/<size>x<size>/apps/tavrik.png for every size of the
// icon theme, the player's ship on deep space. Returns the number of failures.
int GenerateIcons(const std::string& iconDir);
// Generates every file into gameDir (gfx/, and with sounds sfx/ and music/) and, when
// sheetPath is not empty, the review sheet. Returns the number of failures.
int GenerateAll(const std::string& gameDir, const std::string& sheetPath, bool sounds);
