#pragma once
// The shell's own images and sounds, loaded at start-up. A missing file leaves its asset
// null; drawing or playing a null asset does nothing.
#include <array>
#include <memory>

class TImage;
class TSound;

extern std::shared_ptr<TImage> logoImage;       // title logo (centred)
extern std::shared_ptr<TImage> bgImage;         // far background layer
extern std::shared_ptr<TImage> bgAlterImage;    // near background layer, moves with the world
extern std::shared_ptr<TImage> bgAlter2Image;   // middle background layer, half the world's speed
extern std::shared_ptr<TImage> cursorImage;     // in-game mouse cursor (centred)
extern std::array<std::shared_ptr<TImage>, 3> rocketImages;  // rocket types 0..2 (centred)
extern std::shared_ptr<TImage> rocketAlarmImage;  // sign at each rocket aimed at the player
extern std::shared_ptr<TImage> aimPointerImage;   // pointer towards the current target
extern std::shared_ptr<TImage> aimArrowImage;     // arrows between the ship and the cursor
extern std::shared_ptr<TImage> buddyArrowImage;   // arrow towards the buddy
extern std::shared_ptr<TSound> alarmSound;        // rocket alarm
extern std::shared_ptr<TSound> pointSound;        // a ship scores a kill
extern std::shared_ptr<TSound> nextStageSound;    // a stage's conditions are met
extern std::shared_ptr<TSound> rocketFireSound;   // a rocket launched

// Loads the logo for the splash and centres it.
void LoadLogo();
// Loads the other images and the sounds, in the catalogue's order.
void LoadShellAssets();
// Every shell asset back to null.
void ResetShellAssets();
