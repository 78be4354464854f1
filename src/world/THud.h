#pragma once
// The player's heads-up display: readouts, rocket box, rocket alarm, target and buddy
// readouts with their pointers, the radar and the cursor arrows.
#include <string>

class TShip;

// Draws the heads-up display of a ship in screen pixels at the end of a drawn frame. It
// holds no state of its own: what it shows is read from the ship, the world and the shell.
class THud {
public:
    // Radar radius in screen pixels.
    static constexpr float kRadarRadius = 100.0f;
    // World distance the radar radius stands for; objects this far or farther are not shown.
    static constexpr float kRadarRange = 5000.0f;
    // Distance of each rocket-alarm sign from the ship, in pixels.
    static constexpr float kAlarmSignDistance = 150.0f;
    // The target and buddy pointers reach their full distance (half the screen height less
    // this) for targets farther than the screen width less this.
    static constexpr int kPointerMargin = 150;
    // First words of the rocket alarm, followed by the lock count.
    static constexpr const char* kAlarmText = "!!! Rocketalarm !!! Stk: ";

    // The whole display for the ship, in its fixed order; resets the ship's lock count.
    static void Draw(TShip& ship);
    // The radar of the ship's surroundings centred at (cx, cy).
    static void DrawRadar(TShip& ship, float cx, float cy);
    // A float truncated toward zero as decimal text (clamped to the int range, NaN as 0).
    static std::string IntText(float value);
};
