#include "world/THud.h"

#include <climits>
#include <cmath>
#include <memory>

#include "particles/ParticleEngine.h"
#include "platform/Audio.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Text.h"
#include "shell/Accessibility.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "shell/UiScale.h"
#include "world/GameClock.h"
#include "world/TGun.h"
#include "world/TRocket.h"
#include "world/TShip.h"
#include "world/TShot.h"
#include "world/TUniverse.h"
#include "world/WorldMath.h"

namespace {

// Left edge of the readouts on the left side of the screen.
constexpr float kReadoutLeft = 10.0f;
// Distance of the buddy readout's left edge from the screen's right edge.
constexpr int kBuddyReadoutFromRight = 200;
// Line height of the readouts.
constexpr float kLineStep = 15.0f;
// Rocket box: left edge right of the screen centre, top above the bottom edge, size.
constexpr int kRocketBoxLeft = 80;
constexpr int kRocketBoxFromBottom = 27;
constexpr float kRocketBoxWidth = 50.0f;
constexpr float kRocketBoxHeight = 25.0f;
// Up to this many rockets the box shows one picture each; above it one picture and the count.
constexpr int kRocketPicturesShown = 3;
// Radar centre above the bottom edge.
constexpr int kRadarFromBottom = 100;
// Green, red and yellow of the radar and the readouts.
constexpr int kGreen = 0x00FF00;
constexpr int kRed = 0xFF0000;
constexpr int kYellow = 0xFFFF00;

void SetWhite() { SetDrawColor(255, 255, 255); }

// Whether the ship is aiming at the other.
bool Targets(const TShip& ship, const TShip& other) { return ship.target.Is(&other); }

// A pointer (the aim pointer or the buddy arrow) from the ship's screen position toward
// another ship: out by a share of half the screen height less the margin, the share
// growing with the distance up to the screen width less the margin.
void DrawPointer(const TShip& ship, const TShip& other, int distance, const std::shared_ptr<TImage>& image) {
    const float sx = ship.x - cameraX, sy = ship.y - cameraY;
    const float a = ATan2Deg(other.x - ship.x, ship.y - other.y);
    // It points from the ship in the world, so it is drawn in window pixels.
    EndInterfaceDrawing();
    SetWhite();
    SetBlendMode(kBlendLight);
    SetDrawRotation(a);
    const int full = gfxWidth - THud::kPointerMargin;
    const float f = (full > 0 && distance <= full) ? float(distance) / float(full) : 1.0f;
    const float reach = f * float(gfxHeight / 2 - THud::kPointerMargin);
    DrawImageAt(image, sx + reach * SinDeg(a), sy - reach * CosDeg(a), 0);
    BeginInterfaceDrawing();
}

// The rocket box at the bottom centre and the stock of the selected rocket type in it.
void DrawRocketBox(const TShip& ship) {
    const int w2 = UiWidth() / 2, h = UiHeight();
    const float left = float(w2 + kRocketBoxLeft), top = float(h - kRocketBoxFromBottom);
    SetBlendMode(kBlendLight);
    SetDrawAlpha(0.5f);
    SetDrawColor(20, 50, 255);
    DrawRectangle(left, top, kRocketBoxWidth, kRocketBoxHeight);
    SetDrawAlpha(0.8f);
    SetDrawColor(0, 255, 255);
    DrawRectangle(left, top, kRocketBoxWidth, 1.0f);
    DrawRectangle(left, top, 1.0f, kRocketBoxHeight);
    DrawRectangle(left + kRocketBoxWidth, top, 1.0f, kRocketBoxHeight);
    SetBlendMode(kBlendAlpha);
    SetDrawAlpha(1.0f);
    SetWhite();

    if (ship.selectedRocket >= rocketImages.size()) return;
    const std::shared_ptr<TImage>& picture = rocketImages[ship.selectedRocket];
    const int stock = ship.rockets[ship.selectedRocket];
    if (stock >= 1 && stock <= kRocketPicturesShown) {
        for (int i = 1; i <= stock; ++i) DrawImageAt(picture, float(w2 + 74 + 16 * i), float(h - 14), 0);
    } else if (stock > kRocketPicturesShown) {
        DrawImageAt(picture, float(w2 + 90), float(h - 14), 0);
        DrawTextAt(std::to_string(stock), float(w2 + 100), float(h - 19));
    }
}

// The flashing alarm text, its sound, and a sign toward every rocket homing on the ship.
void DrawRocketAlarm(TShip& ship) {
    const int w2 = UiWidth() / 2;
    const std::string text = THud::kAlarmText + std::to_string(ship.lockCount);
    const float textX = float(w2 - TextWidthOf(text));
    SetDrawColor(255, 0, 0);
    SetDrawScale(2.0f, 2.0f);
    SetDrawAlpha(0.5f);
    SetBlendMode(kBlendLight);
    DrawTextAt(text, textX, 70.0f);
    SetDrawColor(255, 200, 0);
    SetDrawAlpha(0.9f);
    DrawTextAt(text, textX - 2.0f, 68.0f);

    // Restarted only once the last alarm has finished, so it never plays twice at once.
    // With every voice busy the channel stays null and the next frame tries again. The
    // player may turn the sound off; the text above still shows.
    if (alarmSoundOn && !ChannelIsPlaying(ship.alarmChannel)) {
        ship.alarmChannel = PlaySoundOn(alarmSound);
        ChangeChannelVolume(ship.alarmChannel, sfxVolume);
    }

    // The signs stand around the ship in the world, in window pixels.
    EndInterfaceDrawing();
    SetWhite();
    const float sx = ship.x - cameraX, sy = ship.y - cameraY;
    TRocket::All().ForEach([&](const std::shared_ptr<TRocket>& rocket) {
        if (!rocket->target.Is(&ship)) return;
        const float a = ATan2Deg(rocket->x - ship.x, ship.y - rocket->y);
        SetDrawRotation(a);
        DrawImageAt(rocketAlarmImage, sx + THud::kAlarmSignDistance * SinDeg(a),
                    sy - THud::kAlarmSignDistance * CosDeg(a), 0);
    });
    SetDrawRotation(0.0f);
    BeginInterfaceDrawing();
}

// Name, hit points, speed and distance of another ship in four lines from (left, top).
void DrawShipLines(const std::string& title, const TShip& other, const std::string& hpLine,
                   const std::string& distance, float left, float top) {
    DrawTextAt(title + " <+" + other.name + "+> [" + std::to_string(other.kills) + "]", left, top);
    DrawTextAt(hpLine, left, top + kLineStep);
    DrawTextAt("Speed: " + THud::IntText(other.speed), left, top + 2 * kLineStep);
    DrawTextAt("Distance: " + distance, left, top + 3 * kLineStep);
}

}  // namespace

std::string THud::IntText(float value) { return std::to_string(TruncatedInt(value)); }

void THud::Draw(TShip& ship) {
    // The readouts, rocket box and radar are laid out on the interface's logical screen;
    // what points from the ship into the world is drawn in window pixels.
    BeginInterfaceDrawing();
    const int w = UiWidth(), h = UiHeight();
    DrawTextAt("Speed: " + IntText(ship.GetSpeed()), kReadoutLeft, 60.0f);
    DrawRocketBox(ship);
    if (ship.lockCount != 0) DrawRocketAlarm(ship);

    SetDrawScale(1.0f, 1.0f);
    SetDrawAlpha(1.0f);
    SetBlendMode(kBlendAlpha);
    SetDrawColorRGB(kGreen);
    DrawTextAt("HP: " + IntText(ship.hp), kReadoutLeft, 80.0f);
    SetWhite();
    DrawTextAt("Kills: " + std::to_string(ship.kills), kReadoutLeft, 95.0f);
    DrawTextAt("Points: " + IntText(ship.points), kReadoutLeft, 110.0f);
    float line = 125.0f;
    if (ship.autoSelectRockets) {
        DrawTextAt("RakAutoSelect: On  [R] ", kReadoutLeft, line);
        DrawTextAt(ship.rocketAdvice, kReadoutLeft, line + kLineStep);
        line += 2 * kLineStep;
    } else {
        DrawTextAt("RakAutoSelect: Off [R]", kReadoutLeft, line);
        line += kLineStep;
    }
    // The rockets count the locks up again during the next world tick.
    ship.lockCount = 0;
    const int createdAt = player ? player->createdAt : ship.createdAt;
    DrawTextAt("Time:" + std::to_string(ClockSince(gameClock, createdAt) / 1000), kReadoutLeft, line);

    if (std::shared_ptr<TShip> target = ship.target.Get()) {
        const int d = int(std::fmin(Distance(ship.x, ship.y, target->x, target->y), float(INT_MAX / 2)));
        DrawShipLines("Target", *target, "HP: " + IntText(target->hp) + " | " + LeftText(FloatText(target->armor), 3),
                      std::to_string(d), kReadoutLeft, float(h - 60));
        DrawPointer(ship, *target, d, aimPointerImage);
    }

    std::shared_ptr<TShip> buddy = ship.linked.empty() ? nullptr : ship.linked.front().Get();
    if (buddy) {
        SetDrawRotation(0.0f);
        SetWhite();
        const float distance = Distance(ship.x, ship.y, buddy->x, buddy->y);
        DrawShipLines("Buddy", *buddy, "HP: " + IntText(buddy->hp), FloatText(distance),
                      float(w - kBuddyReadoutFromRight), float(h - 60));
        DrawPointer(ship, *buddy, int(std::fmin(distance, float(INT_MAX / 2))), buddyArrowImage);
    }

    SetDrawRotation(0.0f);
    ship.DrawRadar(float(w / 2), float(h - kRadarFromBottom));
    EndInterfaceDrawing();

    // Two arrows at one and two thirds of the way from the ship to the cursor.
    SetWhite();
    const float sx = ship.x - cameraX, sy = ship.y - cameraY;
    const float dx = mouseX - sx, dy = mouseY - sy;
    SetDrawRotation(ATan2Deg(dx, -dy));
    for (int k = 1; k <= 2; ++k) DrawImageAt(aimArrowImage, sx + dx * float(k) / 3.0f, sy + dy * float(k) / 3.0f, 0);
}

void THud::DrawRadar(TShip& ship, float cx, float cy) {
    const float r = kRadarRadius, scale = kRadarRadius / kRadarRange;
    SetBlendMode(kBlendAlpha);
    SetDrawColor(0, 0, 0);
    SetDrawAlpha(0.5f);
    DrawEllipse(cx - r, cy - r, 2 * r, 2 * r);
    SetDrawAlpha(1.0f);
    SetBlendMode(kBlendLight);

    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& object) {
        if (!(Distance(ship.x, ship.y, object->x, object->y) < kRadarRange)) return;
        const float px = cx + (object->x - ship.x) * scale, py = cy + (object->y - ship.y) * scale;
        TGObject* o = object.get();
        if (auto* rocket = dynamic_cast<TRocket*>(o)) {
            // A one-pixel dash in the rocket's flight direction.
            SetDrawColorRGB(rocket->launcher.get() == &ship ? kGreen : rocket->target.Is(&ship) ? kRed : kYellow);
            DrawLineSegment(px, py, px + SinDeg(rocket->direction), py - CosDeg(rocket->direction), 1);
        } else if (auto* shot = dynamic_cast<TShot*>(o)) {
            std::shared_ptr<TShip> owner = shot->gun ? shot->gun->owner.Get() : nullptr;
            if (!owner) return;
            if (owner.get() == &ship || ship.IsLinked(owner.get())) {
                SetDrawColorRGB(kGreen);
            } else if (owner->team == kTeamEnemy) {
                SetDrawColorRGB(kRed);
            }
            PlotPoint(px, py);
        } else if (auto* other = dynamic_cast<TShip*>(o)) {
            if (ship.target.Is(other)) {
                SetDrawAlpha(0.5f);
                SetDrawColorRGB(Targets(*other, ship) ? kRed : kYellow);
                DrawEllipse(px - 2, py - 2, 4, 4);
                SetDrawAlpha(1.0f);
                SetWhite();
                DrawEllipse(px - 1, py - 1, 2, 2);
            } else if (other == &ship) {
                SetDrawColorRGB(kGreen);
            } else if (other->team == kTeamEnemy) {
                SetDrawColorRGB(Targets(*other, ship) ? kRed : kYellow);
            } else if (other->team == kTeamBuddy) {
                SetDrawColorRGB(kGreen);
            }
            DrawRectangle(px - 1, py - 1, 2, 2);
        }
    });
    SetBlendMode(kBlendAlpha);
    SetDrawAlpha(1.0f);
}
