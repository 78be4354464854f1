// Combat as a player meets it: starting a game, flying and firing, hits and kills, turrets,
// rockets and the computer pilots' choices, driven through the real loop or world ticks.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "harness/CombatArena.h"
#include "particles/TParticle.h"
#include "platform/Input.h"
#include "shell/Camera.h"
#include "world/TRocket.h"
#include "world/TShot.h"
#include "world/WorldMath.h"

namespace {

int CountShots() {
    int n = 0;
    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& o) { n += dynamic_cast<TShot*>(o.get()) != nullptr; });
    return n;
}

// A world tick so short that nothing moves noticeably.
void StillTick() {
    tickMs = 1;
    ticksPerSecond = 1.0e6f;
    TUniverse::UpdateAll();
}

// The difference of two headings, in [0, 180].
float AngleGap(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 360.0f);
    return d > 180.0f ? 360.0f - d : d;
}

// Gives a ship a target, chosen now.
void Aim(const std::shared_ptr<TShip>& ship, const std::shared_ptr<TShip>& target) {
    ship->target = target;
    ship->targetTime = gameClock;
}

}  // namespace

TEST(Combat, EnterStartsAGameAndTheModernXFliesAndFiresUnderTheKeys) {
    CombatArena game;
    EXPECT_FALSE(PlayerAlive());
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    EXPECT_EQ(player->name, "Modern X");
    EXPECT_EQ(player->team, 0);
    EXPECT_FLOAT_EQ(player->armor, 2.0f);
    EXPECT_FLOAT_EQ(difficulty, 1.0f);
    EXPECT_EQ(cameraTarget, player);
    ASSERT_EQ(player->guns.size(), 3u);
    EXPECT_EQ(player->guns[0]->info->id, "MG-500");
    EXPECT_EQ(player->guns[1]->info->id, "DLG-2500");
    EXPECT_EQ(player->guns[2]->info->id, "MG-500");
    EXPECT_EQ(player->radius, 38);  // 64 x 76 picture

    // W drives the ship toward the pointer's side, up to its top speed and not beyond.
    ApplyPointerMoved(320, 0);  // straight above the ship (at the screen centre)
    ApplyKeyDown(kKeyW);
    game.Ticks(300);
    EXPECT_LT(player->y, -1000.0f);
    EXPECT_NEAR(player->speed, 16.0f, 0.1f);
    EXPECT_LE(player->speed, 16.0f);
    ApplyKeyUp(kKeyW);

    // Space keeps the heading while the pointer goes elsewhere.
    float heading = player->heading;
    ApplyKeyDown(kKeySpace);
    ApplyPointerMoved(640, 240);
    game.Ticks(20);
    EXPECT_NEAR(player->heading, heading, 1e-3f);
    ApplyKeyUp(kKeySpace);

    // The left button fires the pointer-aimed gun only; with nothing around, the turrets stay quiet.
    EXPECT_EQ(CountShots(), 0);
    ApplyMouseDown(kMouseLeft);
    game.Ticks(60);
    ApplyMouseUp(kMouseLeft);
    int shots = CountShots();
    EXPECT_GE(shots, 10);  // "DLG-2500": 80 ms reload, 2 s life
    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& o) {
        if (auto shot = dynamic_cast<TShot*>(o.get())) {
            EXPECT_EQ(shot->info->id, "DLG-2500");
        }
    });

    // A second Enter during play does not restart the game.
    auto ship = player;
    game.Press(kKeyReturn);
    game.Ticks(3);
    EXPECT_EQ(player, ship);
}

TEST(Combat, TheFirstBoltOfTheLoneShipMovesInTheTickItIsFired) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    ASSERT_EQ(TUniverse::Objects().Count(), 1);  // the player's ship is the whole world
    auto gun = player->guns[1];
    ApplyMouseDown(kMouseLeft);
    while (CountShots() == 0) game.Ticks(1);
    ApplyMouseUp(kMouseLeft);
    auto shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
    ASSERT_TRUE(shot);
    float flown = Distance(gun->WorldX(), gun->WorldY(), shot->x, shot->y);
    EXPECT_NEAR(flown, 1200.0f / ticksPerSecond, 1.0f);
    EXPECT_EQ(shot->lifeLeft, 2000 - tickMs);
}

TEST(Combat, AStalledPassPlaysAtMostFourStepsOfASixtiethEach) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    ApplyMouseDown(kMouseLeft);
    while (CountShots() == 0) game.Ticks(1);
    ApplyMouseUp(kMouseLeft);
    auto shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
    ASSERT_TRUE(shot);
    // A 400 ms stall (a screenshot written during play, a busy machine): the pass after it
    // catches up four steps, and the game runs that much slower.
    float x = shot->x, y = shot->y;
    int life = shot->lifeLeft, steps = gameSteps;
    AdvanceFakeClock(400);
    game.Pass();
    EXPECT_EQ(gameSteps - steps, 4);
    // "DLG-2500" bolts fly 1200 px/s; the ship stands, so nothing is carried along.
    EXPECT_LE(Distance(x, y, shot->x, shot->y), 4 * 1200.0f / 60.0f + 0.5f);
    EXPECT_EQ(shot->lifeLeft, life - (gameClock - int(int64_t(steps) * 1000 / 60)));
}

TEST(Combat, AShipDiesAtExactlyZeroHitPointsButNotAtAHalf) {
    CombatArena game;
    auto finished = CombatArena::Dummy("Ant", 0, 0);
    auto hanging = CombatArena::Dummy("Ant", 500, 0);
    finished->hp = 0.0f;
    hanging->hp = 0.5f;
    int particlesBefore = ParticleCount();
    CombatArena::WorldTick();
    EXPECT_TRUE(finished->dead);
    EXPECT_TRUE(finished->link.expired());
    EXPECT_GT(ParticleCount(), particlesBefore);  // its explosion
    EXPECT_FALSE(hanging->dead);

    // Without an explosion a ship still dies, quietly.
    hanging->explosion = nullptr;
    hanging->hp = -1.0f;
    CombatArena::WorldTick();
    EXPECT_TRUE(hanging->dead);
}

TEST(Combat, ThePlayerTakesDifficultyTimesTheDamageOfOthers) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    auto enemy = CombatArena::Dummy("Ant", 0, 0);
    enemy->armor = 2.0f;
    difficulty = 1.5f;
    float playerHp = player->hp, enemyHp = enemy->hp;
    player->Damage(10.0f);
    enemy->Damage(10.0f);
    EXPECT_FLOAT_EQ(playerHp - player->hp, 7.5f);
    EXPECT_FLOAT_EQ(enemyHp - enemy->hp, 5.0f);
}

TEST(Combat, ABoltHitsARocketAndThenAShipInTheSameTick) {
    CombatArena game;
    auto shooter = CombatArena::Dummy("Ironfighter", 0, 400);
    auto gun = TGun::Create(shooter, 0, 0, "LGB-1000", 1);
    auto target = CombatArena::Dummy("Ironfighter", 0, 0);
    auto launcher = CombatArena::Dummy("Ant", 3000, 3000);
    auto rocket = TRocket::Create(launcher, 0.0f, 0.0f, nullptr, 0);
    rocket->x = 0.0f;
    rocket->y = 30.0f;  // just below the target's centre, over its lower half
    gun->angle = 0.0f;
    gun->reload = 1.0f;
    gun->Fire();
    std::shared_ptr<TShot> shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
    ASSERT_TRUE(shot);
    shot->x = 0.0f;
    shot->y = 43.0f;  // the bolt covers the rocket and the target's lower rows
    float shooterHp = shooter->hp, targetHp = target->hp;

    StillTick();
    EXPECT_FLOAT_EQ(target->hp, targetHp - 1.0f);
    EXPECT_FLOAT_EQ(rocket->hp, 4.0f);
    EXPECT_NEAR(shooter->hp, shooterHp + 0.1f, 1e-4f);  // a tenth of the damage, by the target's armour
    EXPECT_EQ(shot->lifeLeft, -1);
    EXPECT_LT(target->vy, 0.0f);  // pushed along the bolt
    EXPECT_NE(shot->link.lock(), nullptr);

    // The bolt moves once more, may hit once more, and is gone.
    StillTick();
    EXPECT_TRUE(shot->link.expired());
}

TEST(Combat, AFinishedShipAtZeroCanBeHitAndCreditedAgainButNotBelowZero) {
    CombatArena game;
    auto shooter = CombatArena::Dummy("Ironfighter", 0, 400);
    auto gun = TGun::Create(shooter, 0, 0, "LGB-1000", 1);
    auto target = CombatArena::Dummy("Ironfighter", 0, 0);
    auto fire = [&](float hp) {
        target->hp = hp;
        gun->angle = 0.0f;
        gun->reload = 1.0f;
        gun->Fire();
        auto shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
        shot->x = 0.0f;
        shot->y = 20.0f;
        shot->damage = 0.0f;  // leaves the hit points where they are
        return shot->HitShip(*target);
    };
    EXPECT_TRUE(fire(0.0f));
    EXPECT_TRUE(fire(0.0f));
    EXPECT_EQ(shooter->kills, 2);
    EXPECT_FALSE(fire(-0.5f));
    EXPECT_EQ(shooter->kills, 2);
}

TEST(Combat, AlliesTheirRocketsAndTheBoltsOfADeadShipAreNeverHit) {
    CombatArena game;
    auto shooter = CombatArena::Dummy("Ironfighter", 0, 400);
    auto gun = TGun::Create(shooter, 0, 0, "LGB-1000", 1);
    auto ally = CombatArena::Dummy("Ironfighter", 0, 0);
    shooter->Link(ally);
    auto allyRocket = TRocket::Create(ally, 0.0f, 0.0f, nullptr, 0);
    allyRocket->x = 0.0f;
    allyRocket->y = 30.0f;
    auto bolt = [&] {
        gun->angle = 0.0f;
        gun->reload = 1.0f;
        gun->Fire();
        auto shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
        shot->x = 0.0f;
        shot->y = 43.0f;
        return shot;
    };
    bolt();
    StillTick();
    EXPECT_FLOAT_EQ(ally->hp, 50.0f);
    EXPECT_FLOAT_EQ(allyRocket->hp, 5.0f);

    // Unlinked, the same ship is hit; once the shooter is dead its bolts pass through.
    ally->linked.clear();
    shooter->linked.clear();
    auto late = bolt();
    shooter->hp = 0.0f;
    StillTick();  // the shooter dies first (ships update first), then its bolt flies
    EXPECT_TRUE(shooter->dead);
    EXPECT_TRUE(gun->owner.IsEmpty());
    EXPECT_FLOAT_EQ(ally->hp, 50.0f);
    EXPECT_FALSE(late->link.expired());  // still flying
}

TEST(Combat, ModeFourTurretsShootIncomingRocketsFirstAndTargetsFromAThousandPixels) {
    CombatArena game;
    auto defender = CombatArena::Dummy("Ironfighter", 0, 0);
    auto turret = TGun::Create(defender, 0, 0, "MG-500", 4);
    auto enemy = CombatArena::Dummy("Ant", 800, 0);  // far beyond the MG-500's 424
    Aim(defender, enemy);
    defender->team = 3;  // keeps its target: no pilot of its own
    auto rocket = TRocket::Create(enemy, 0.0f, 0.0f, defender, 0);
    rocket->x = 0.0f;
    rocket->y = -200.0f;
    game.Ticks(12);
    EXPECT_NEAR(std::fabs(turret->angle), 0.0f, 1.0f);  // straight up at the rocket
    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& o) {
        if (auto shot = dynamic_cast<TShot*>(o.get())) {
            EXPECT_NEAR(std::fabs(shot->direction), 0.0f, 1.0f);
        }
    });
    EXPECT_GT(CountShots(), 0);

    // Without a rocket the turret turns on the target and fires although its bolts fall short.
    rocket->Remove();
    game.Ticks(30);
    EXPECT_NEAR(turret->angle, 90.0f, 2.0f);
    EXPECT_FLOAT_EQ(enemy->hp, 80.0f);
    bool firedRight = false;
    TUniverse::Objects().ForEach([&](const std::shared_ptr<TGObject>& o) {
        if (auto shot = dynamic_cast<TShot*>(o.get())) firedRight |= std::fabs(shot->direction - 90.0f) < 2.0f;
    });
    EXPECT_TRUE(firedRight);
}

TEST(Combat, MachineGunBoltsReachAboutFourHundredPixels) {
    CombatArena game;
    auto near = CombatArena::Dummy("Ironfighter", 0, 0);
    auto nearGun = TGun::Create(near, 0, 0, "MG-500", 1);
    auto nearTarget = CombatArena::Dummy("Ironfighter", 300, 0);
    Aim(near, nearTarget);
    near->team = 3;
    auto far = CombatArena::Dummy("Ironfighter", 0, 3000);
    auto farGun = TGun::Create(far, 0, 0, "MG-500", 4);
    auto farTarget = CombatArena::Dummy("Ironfighter", 470, 3000);  // hull from 441 on
    Aim(far, farTarget);
    far->team = 3;
    game.Ticks(120);
    EXPECT_LT(nearTarget->hp, 50.0f);
    EXPECT_FLOAT_EQ(farTarget->hp, 50.0f);
    EXPECT_NEAR(farGun->angle, 90.0f, 1.0f);  // it did aim and fire all along
    EXPECT_NEAR(nearGun->angle, 90.0f, 1.0f);
}

TEST(Combat, ModeThreeTurretSwingsToTheNearestShipWhenTheTargetIsOutOfRange) {
    CombatArena game;
    auto ship = CombatArena::Dummy("Ironfighter", 0, 0);
    auto gun = TGun::Create(ship, 0, 0, "TLY-800", 3);  // range 1500
    auto distant = CombatArena::Dummy("Ant", 4000, 0);
    auto bystander = CombatArena::Dummy("Ant", 0, 600, 2);  // any team will do
    Aim(ship, distant);
    ship->team = 3;
    game.Ticks(30);
    EXPECT_NEAR(AngleGap(gun->angle, 180.0f), 0.0f, 1.0f);
    EXPECT_LT(bystander->hp, 80.0f);
    EXPECT_FLOAT_EQ(distant->hp, 80.0f);
}

TEST(Combat, AFreshGunWaitsOneReloadAndAMachineGunFiresTenTimesASecond) {
    CombatArena game;
    auto ship = CombatArena::Dummy("Ironfighter", 0, 0);
    auto gun = TGun::Create(ship, 0, 0, "MG-500", 1);
    auto target = CombatArena::Dummy("Ant", 0, -2000);  // out of its 424: aims, never fires
    Aim(ship, target);
    ship->team = 3;
    game.Ticks(60);
    EXPECT_EQ(CountShots(), 0);
    target->y = -200.0f;
    gun->reload = 0.0f;
    game.Ticks(5);  // 83 ms: still reloading
    EXPECT_EQ(CountShots(), 0);
    target->hp = 1e6f;
    game.Ticks(55);  // about a second in all
    int shots = CountShots();
    EXPECT_GE(shots, 1);
    int fired = 0;
    for (int i = 0; i < 60; ++i) {
        float before = gun->reload;
        game.Ticks(1);
        fired += gun->reload < before;
    }
    EXPECT_GE(fired, 8);
    EXPECT_LE(fired, 10);
}

TEST(Combat, ATypeTwoRocketTakes175FromArmourTwoAndHealsItsLauncher) {
    CombatArena game;
    auto launcher = CombatArena::Dummy("Ant", 0, 0);
    auto target = CombatArena::Dummy("Ironfighter", 0, -500);
    target->armor = 2.0f;
    target->hp = 1000.0f;
    launcher->team = 3;
    launcher->target = target;
    launcher->rockets = {0, 0, 1};
    launcher->selectedRocket = 2;
    launcher->FireRocket();
    EXPECT_EQ(launcher->rockets[2], 0);
    launcher->FireRocket();  // empty stock: nothing
    ASSERT_EQ(TRocket::All().Count(), 1);
    auto rocket = TRocket::All().First();
    float launcherHp = launcher->hp;
    for (int i = 0; i < 600 && target->hp == 1000.0f; ++i) game.Ticks(1);
    EXPECT_FLOAT_EQ(target->hp, 825.0f);
    EXPECT_FLOAT_EQ(launcher->hp, launcherHp + 17.5f);
    EXPECT_EQ(launcher->kills, 0);
    EXPECT_GT(target->lockCount, 0);
    EXPECT_LT(target->vy, 0.0f);  // knocked back along the rocket's flight
    EXPECT_TRUE(rocket->link.expired());
    EXPECT_EQ(TRocket::All().Count(), 0);
}

TEST(Combat, ARocketPassesThroughEveryShipButItsTarget) {
    CombatArena game;
    auto launcher = CombatArena::Dummy("Ant", 0, 0);
    auto inTheWay = CombatArena::Dummy("Turtle", 0, -300);
    auto target = CombatArena::Dummy("Ant", 0, -700);
    launcher->team = inTheWay->team = target->team = 3;
    auto rocket = TRocket::Create(launcher, 0.0f, 100.0f, target, 1);
    for (int i = 0; i < 600 && target->hp == 80.0f; ++i) game.Ticks(1);
    EXPECT_FLOAT_EQ(inTheWay->hp, 250.0f);
    EXPECT_FLOAT_EQ(target->hp, 20.0f);
}

TEST(Combat, ARocketArmsBeforeItStrikesAndAFinishedShipTakesNoSecondRocket) {
    CombatArena game;
    auto launcher = CombatArena::Dummy("Ant", 0, 0, 3);
    auto target = CombatArena::Dummy("Ant", 0, -20, 3);  // the rocket starts over it
    target->hp = 20.0f;
    auto rocket = TRocket::Create(launcher, 0.0f, 100.0f, target, 0);
    game.Ticks(8);  // about 133 ms: not armed yet
    EXPECT_FLOAT_EQ(target->hp, 20.0f);
    game.Ticks(3);
    EXPECT_FLOAT_EQ(target->hp, -10.0f);
    EXPECT_EQ(launcher->kills, 1);
    EXPECT_TRUE(rocket->link.expired());

    // Two armed rockets strike a ship in the same tick: the first finishes it, the second
    // finds it already below 0 and books no second kill.
    auto victim = CombatArena::Dummy("Ant", 500, 0, 3);
    victim->hp = 20.0f;
    auto one = TRocket::Create(launcher, 0.0f, 0.0f, victim, 0);
    auto two = TRocket::Create(launcher, 0.0f, 0.0f, victim, 0);
    for (auto& r : {one, two}) {
        r->x = 500.0f;
        r->y = 0.0f;
        r->armLeft = 0;
    }
    StillTick();
    EXPECT_FLOAT_EQ(victim->hp, -10.0f);
    EXPECT_EQ(launcher->kills, 2);
    EXPECT_TRUE(one->link.expired());
    EXPECT_FALSE(two->link.expired());  // it flies on
}

TEST(Combat, TheBuddysRocketKillIsCreditedToThePlayer) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    ASSERT_TRUE(PlayerAlive());
    player->DetachGuns("");
    auto buddy = CombatArena::Dummy("Tiger X", 0, 100, 2);
    player->Link(buddy);
    auto enemy = CombatArena::Dummy("Ant", 0, -400);
    enemy->hp = 10.0f;
    buddy->target = enemy;
    buddy->heading = 0.0f;
    buddy->rockets = {1, 0, 0};
    buddy->selectedRocket = 0;
    buddy->FireRocket();
    auto rocket = TRocket::All().First();
    ASSERT_TRUE(rocket);
    EXPECT_EQ(rocket->launcher, player);
    for (int i = 0; i < 600 && !enemy->dead; ++i) game.Ticks(1);
    EXPECT_TRUE(enemy->dead);
    EXPECT_EQ(player->kills, 1);
    EXPECT_FLOAT_EQ(player->points, 1.0f);
    EXPECT_EQ(buddy->kills, 0);

    // When the player's ship dies the buddy leaves with it, without an explosion.
    player->hp = 0.0f;
    int particlesBefore = ParticleCount();
    game.Ticks(1);
    EXPECT_TRUE(player->dead);
    EXPECT_TRUE(buddy->dead);
    EXPECT_GT(ParticleCount(), particlesBefore);
}

TEST(Combat, ADeadTargetIsDroppedAndTheNearestChosenInTheNextTick) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    player->DetachGuns("");
    auto nearest = CombatArena::Dummy("Ant", 200, 0);
    auto next = CombatArena::Dummy("Ant", 600, 0);
    game.Ticks(1);
    EXPECT_TRUE(player->target.Is(nearest.get()));
    nearest->hp = 0.0f;  // dies in its own update, after the player's ship chose
    game.Ticks(1);  // it leaves before the player's ship updates, which drops it
    EXPECT_TRUE(nearest->dead);
    EXPECT_TRUE(player->target.IsEmpty());
    game.Ticks(1);
    EXPECT_TRUE(player->target.Is(next.get()));

    // N drops the target; the nearest is chosen again a tick later.
    game.Press(kKeyN);
    game.Ticks(1);
    EXPECT_TRUE(player->target.IsEmpty());
    game.Ticks(1);
    EXPECT_TRUE(player->target.Is(next.get()));
}

TEST(Combat, OneEnemyAlwaysGoesForThePlayerTheOthersForTheNearest) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    player->DetachGuns("");
    // Created in this order, so the last one made is first in the world.
    auto b = CombatArena::Dummy("Ant", 1000, 0);
    auto a = CombatArena::Dummy("Ant", 1100, 0);
    game.Ticks(1);
    EXPECT_TRUE(a->target.Is(player.get()));  // first to choose, though b is nearer
    EXPECT_TRUE(b->target.Is(a.get()));
    // After the 5 s hold they choose afresh.
    game.Ticks(310);
    EXPECT_GE(ClockSince(gameClock, a->targetTime), 0);
    EXPECT_LT(ClockSince(gameClock, a->targetTime), 5100);
}

TEST(Combat, EnemiesTurnAtOnceFromAfarAndChaseAtTopSpeed) {
    CombatArena game;
    auto chaser = CombatArena::Ship("Ant", 1, 0, 0);
    chaser->DetachGuns("");
    chaser->rockets = {0, 0, 0};
    auto prey = CombatArena::Dummy("Ant", 6000, 0, 3);
    Aim(chaser, prey);
    game.Ticks(1);
    EXPECT_FLOAT_EQ(chaser->heading, 90.0f);
    game.Ticks(200);
    EXPECT_GT(chaser->x, 2000.0f);
    EXPECT_NEAR(chaser->speed, chaser->topSpeed, 0.5f);
}

TEST(Combat, TheWreckOfThePlayersShipIsNeverChosenAndTheEnemiesFightOn) {
    CombatArena game;
    game.Press(kKeyReturn);
    game.Ticks(1);
    player->DetachGuns("");
    auto a = CombatArena::Dummy("Ant", 400, 0);
    auto b = CombatArena::Dummy("Ant", -400, 0);
    player->hp = 0.0f;
    game.Ticks(1);
    ASSERT_TRUE(player->dead);
    game.Ticks(3);
    EXPECT_TRUE(a->target.Is(b.get()));
    EXPECT_TRUE(b->target.Is(a.get()));
}

TEST(Combat, ComputerPilotsLaunchRocketsRightAcrossTheClocksWrap) {
    // The clock starts 5 s before the signed 32-bit count wraps to negative values.
    CombatArena game(INT_MAX - 5000);
    auto hunter = CombatArena::Ship("Ant", 1, 0, 0);
    hunter->DetachGuns("");
    hunter->SetEngine(0.0f, 16.0f);
    hunter->rockets = {30, 0, 0};
    auto prey = CombatArena::Dummy("Ant", 0, -1500, 3);
    int decisions = 0, previous = hunter->nextRocketTime;
    for (int i = 0; i < 60 * 60; ++i) {
        prey->hp = 100.0f;  // light enough for type 0, never finished, and kept in place
        prey->x = 0.0f;
        prey->y = -1500.0f;
        prey->vx = prey->vy = 0.0f;
        game.Ticks(1);
        if (hunter->nextRocketTime != previous) ++decisions;
        previous = hunter->nextRocketTime;
    }
    EXPECT_LT(engineClock, 0);   // the clock did wrap
    EXPECT_GE(decisions, 4);     // one decision every 2 to 15 s
    EXPECT_LT(hunter->rockets[0], 30);
    EXPECT_EQ(hunter->rocketAdvice, "Small Ship Fire:OK");
}

TEST(Combat, AutoSelectionSuitsTheRocketToTheTargetsSize) {
    CombatArena game;
    auto ship = CombatArena::Dummy("Ant", 0, 0, 3);
    auto target = CombatArena::Dummy("Ant", 0, -1000, 3);
    ship->target = target;
    ship->rockets = {2, 2, 1};
    target->hp = 100.0f;
    target->mass = 200.0f;  // exactly 200: still medium
    EXPECT_TRUE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->rocketAdvice, "Medium Ship Fire:OK");
    EXPECT_EQ(ship->selectedRocket, 1);
    target->mass = 50.0f;  // exactly 50: small
    EXPECT_TRUE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->rocketAdvice, "Small Ship Fire:OK");
    EXPECT_EQ(ship->selectedRocket, 0);
    target->mass = 201.0f;
    target->hp = 100.0f;  // toughness 100: type 1 for big ships, OK within 300..5000
    EXPECT_TRUE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->selectedRocket, 1);
    target->hp = 1000.0f;  // tough: type 2, but 1000 px is too near for it
    EXPECT_FALSE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->rocketAdvice, "Big Ship");
    EXPECT_EQ(ship->selectedRocket, 2);
    ship->rockets = {0, 0, 0};
    ship->selectedRocket = 1;
    EXPECT_FALSE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->selectedRocket, 1);  // nothing to choose from
    ship->target.Reset();
    EXPECT_FALSE(ship->AutoSelectRocket());
    EXPECT_EQ(ship->rocketAdvice, "");
}

TEST(Combat, KillsStrengthenComputerPilotsAndRocketStocksAreCapped) {
    CombatArena game;
    auto killer = CombatArena::Dummy("Ant", 0, 0);
    auto victim = CombatArena::Dummy("Ant", 100, 0);
    victim->SetPointValue(3);
    killer->rockets = {29, 20, 8};
    killer->AddKill(*victim);
    EXPECT_EQ(killer->kills, 1);
    EXPECT_FLOAT_EQ(killer->points, 3.0f);
    EXPECT_EQ(killer->rockets, (std::array<int, 3>{30, 20, 9}));
    EXPECT_FLOAT_EQ(killer->armor, 1.2f);
    EXPECT_FLOAT_EQ(killer->hp, 130.0f);
    killer->AddRockets(5, 2);
    EXPECT_EQ(killer->rockets[2], 10);
    killer->rockets[0] = 0;
    killer->AddRockets(-1, 0);
    EXPECT_EQ(killer->rockets[0], -1);
}

TEST(Combat, AnUnknownGunTypeIsReportedAndMountsNothing) {
    CombatArena game;
    auto ship = CombatArena::Dummy("Ant", 0, 0);
    testing::internal::CaptureStdout();
    auto gun = TGun::Create(ship, 0, 0, "MG-501", 1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(gun, nullptr);
    EXPECT_TRUE(ship->guns.empty());
    EXPECT_NE(out.find("Error: TGunInfo\\Function Get(): No match on ID MG-501"), std::string::npos) << out;
    ASSERT_EQ(TGunInfo::Catalogue().size(), 10u);
    EXPECT_NEAR(TGunInfo::Get("MG-500")->range, 424.0f, 0.01f);
}

TEST(CombatSoak, TenMinutesOfBattleLeaveNothingBehind) {
    int before = TGObject::LiveCount();
    {
        CombatArena game;
        const char* kinds[] = {"Tiger X", "X-Fighter", "Silverhawk", "X1", "Ironfighter", "Turtle",
                               "Guan Tarque", "Shark", "Ferrari Deluxe", "Ant", "Piranha", "Moskito"};
        int made = 0, rocketsSeen = 0, deaths = 0;
        auto reinforce = [&] {
            while (TShip::All().Count() < 12) {
                auto ship = CombatArena::Ship(kinds[made % 12], 1, RandomFloat(-800, 800), RandomFloat(-800, 800),
                                              1 + made % 5);
                ship->SetPointValue(1 + made % 3);
                ++made;
            }
        };
        reinforce();
        // Two of them fly together.
        auto first = TShip::All().First();
        auto second = TShip::All().FirstLink()->NextLink()->Value();
        first->Link(second);
        first.reset();
        second.reset();
        for (int second = 0; second < 600; ++second) {
            game.Ticks(60, 17);
            rocketsSeen += TRocket::All().Count();
            int inWorld = TUniverse::Objects().Count();
            // Outside the world only a rocket's launcher may be kept (one per rocket).
            ASSERT_LE(TGObject::LiveCount() - before - inWorld, TRocket::All().Count()) << "second " << second;
            ASSERT_LT(inWorld, 1500);
            if (second % 5 == 4) {
                deaths += 12 - TShip::All().Count();
                reinforce();
            }
        }
        EXPECT_GT(deaths, 20);       // the ships did fight
        EXPECT_GT(rocketsSeen, 0);   // and launched rockets
        TUniverse::ClearAll();
        // Before a game the camera follows the battle, and it keeps the last ship it followed.
        EXPECT_EQ(TGObject::LiveCount(), before + (cameraTarget ? 1 : 0));
    }
    EXPECT_EQ(TGObject::LiveCount(), before);
}
