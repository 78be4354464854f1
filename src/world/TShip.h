#pragma once
// Ships: the player's ship, the buddy and every enemy.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/TList.h"
#include "world/TControls.h"
#include "world/TGObject.h"

class TChannel;
class TGun;
class TImage;
class TParticleInfo;

// Teams: who steers a ship and how its damage and kills are booked.
constexpr uint8_t kTeamPlayer = 0;
constexpr uint8_t kTeamEnemy = 1;
constexpr uint8_t kTeamBuddy = 2;

// Every ship of the game. The team decides who steers it (0 the player, 1 an enemy, 2 the
// buddy) and how its damage and kills are booked. Ships live at the front of the world
// list, so each tick updates them before the shots and rockets.
class TShip : public TGObject {
public:
    // A new ship with the construction defaults, already in the world (at the front). Its
    // creator then sets team, position, image, guns and values.
    static std::shared_ptr<TShip> Create();
    // Every ship in the world, in world order (the class filter of the world walks).
    static const TList<TShip>& All();

    // The per-tick step: target, steering, guns, movement, allies, death.
    void Update() override;
    // The hull, then every turret.
    void Draw() override;
    // Takes a hit: divided by the armour, times the difficulty for the player's ship.
    void Damage(float amount) override;
    // Inserts the ship at the front of the world list.
    void Register() override;
    // Leaves the world: the player's ship takes its allies along; guns detached; dead.
    void Remove() override;
    // Loads and centres the image; the radius follows from its size.
    virtual void SetImage(const std::string& path);
    virtual void SetExplosion(const std::shared_ptr<TParticleInfo>& effect);
    // points += n * difficulty.
    virtual void AddPoints(int n);
    // Books a kill of the victim: points, and for computer ships rockets, armour and hp.
    virtual void AddKill(TShip& victim);
    // Adds rockets of a type, capped at (3 - type) * 10; negative counts are not clamped.
    virtual void AddRockets(int n, int type);
    // hp += amount; every ally gets a quarter of it.
    virtual void Heal(float amount);
    // Makes the two ships allies of each other.
    virtual void Link(const std::shared_ptr<TShip>& other);
    virtual void SetPointValue(int n);
    // Engine force and terminal speed; the drag follows (mass must be set before).
    virtual void SetEngine(float power, float top);
    // Picks the rocket type for the target; true when the range suits it (" Fire:OK").
    virtual bool AutoSelectRocket();
    // The computer pilots' random rocket decision.
    virtual void ConsiderRocket();
    // Detaches every gun whose type ID contains the pattern ("" detaches all).
    virtual void DetachGuns(const std::string& pattern);
    // Triggers every gun (only player-aimed guns react).
    virtual void FireGuns();
    // Launches a rocket of the selected type at the target, if any are left.
    virtual void FireRocket();
    // Thrust requested for this tick.
    virtual void Thrust(float amount);
    // Bends this tick's thrust: the offset becomes the mean of the angle and the offset.
    virtual void Strafe(float angle);
    // Thrust, drag and motion of one tick.
    virtual void Move();
    virtual float GetSpeed();
    // The player's heads-up display (drawn by the HUD code).
    virtual void DrawHUD();
    // The radar of the heads-up display around (cx, cy).
    virtual void DrawRadar(float cx, float cy);

    // Turns toward a wanted heading by blending unit vectors with k = 5 / mass.
    void TurnTowards(float wanted);
    // Whether the ship is one of this ship's allies.
    bool IsLinked(const TShip* ship) const;

    // Display name ("Modern X", ...).
    std::string name;
    // Ship image, anchored at its centre; may be null.
    std::shared_ptr<TImage> image;
    // Half the image's larger side, rounded up: the ship's size in hit pre-tests.
    int radius = 0;
    // Facing in degrees, 0 up the screen, clockwise.
    float heading = 0.0f;
    // Every damage amount is divided by it.
    float armor = 1.0f;
    // gameClock at creation.
    int createdAt = 0;
    // Effect spawned at death; null for none.
    std::shared_ptr<TParticleInfo> explosion;
    // Mounted guns, in mounting order.
    std::vector<std::shared_ptr<TGun>> guns;
    // Rocket stock per type 0, 1, 2.
    std::array<int, 3> rockets{{2, 2, 1}};
    // Rocket type fired next.
    uint8_t selectedRocket = 0;
    // Rocket auto-selection on.
    uint8_t autoSelectRockets = 1;
    // Rocket advice shown by the HUD.
    std::string rocketAdvice;
    // Thrust requested during the current tick.
    float thrustAccum = 0.0f;
    // Offset of this tick's thrust direction from the heading.
    float thrustAngle = 0.0f;
    // Velocity in pixels per 1/70 second.
    float vx = 0.0f, vy = 0.0f;
    // Mass.
    float mass = 50.0f;
    // Engine force.
    float enginePower = 15.0f;
    // Terminal speed under full thrust, pixels per 1/70 second.
    float topSpeed = 16.0f;
    // Drag per tick, enginePower / (mass * topSpeed).
    float drag = 15.0f / (50.0f * 16.0f);
    // Hit points; the ship dies when they are at or below 0 at the end of its update.
    float hp = 100.0f;
    // Points earned by this ship.
    float points = 0.0f;
    // Ships killed by this ship.
    int kills = 0;
    // 0 the player's ship, 1 enemy, 2 buddy.
    uint8_t team = kTeamPlayer;
    // Current target (not owning: a dead target reads as dead or gone).
    TObjectRef<TShip> target;
    // gameClock of the next rocket decision of a computer pilot; 0 = at once.
    int nextRocketTime = 0;
    // gameClock when the target was chosen.
    int targetTime = 0;
    // Allies: never chosen as targets, never hit by this ship's shots or rockets.
    std::vector<TObjectRef<TShip>> linked;
    // Points credited to the ship that kills this one, before the difficulty factor.
    int pointValue = 1;
    // Channel of the rocket-alarm sound (the HUD's).
    std::shared_ptr<TChannel> alarmChannel;

private:
    TShip();
    // Keeps, drops or chooses the target (step 2 of Update).
    void UpkeepTarget();
    // The nearest candidate to a point, optionally only of other teams than the player's
    // and only those targeting the player's ship.
    std::shared_ptr<TShip> NearestCandidate(float fromX, float fromY, bool buddyRules, bool onlyPlayerChasers);
    // The player's controls of this step.
    void SteerByPlayer();
    // Enemy (instantTurn) and buddy pursuit of the target.
    void SteerToTarget(bool instantTurn);

    // The ship's link in the list of all ships.
    std::weak_ptr<TLink<TShip>> shipLink;
};

// The player's ship; null until the first game starts, kept (dead) after its death.
extern std::shared_ptr<TShip> player;

// The player's controls for the step being played; the shell or a replay sets them before
// each step.
extern TControls playerControls;

// Whether the player's ship exists and is not dead.
bool PlayerAlive();
