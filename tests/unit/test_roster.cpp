// The enemy roster and the buddy, through the real loop with the generated pictures: every
// kind is buildable, enemies arrive from afar under their pilot, and the buddy comes one at
// a time and only to a live player.
#include <gtest/gtest.h>

#include <vector>

#include "harness/CombatArena.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "shell/Camera.h"
#include "world/Roster.h"
#include "world/TShot.h"
#include "world/WorldMath.h"

namespace {

// Every live ship of a team, in world order.
std::vector<std::shared_ptr<TShip>> ShipsOfTeam(int team) {
    std::vector<std::shared_ptr<TShip>> out;
    TShip::All().ForEach([&](const std::shared_ptr<TShip>& s) {
        if (!s->dead && s->team == team) out.push_back(s);
    });
    return out;
}

// Starts a game from the title screen; the player's ship holds still and does not shoot.
// Distance of a new ship from the top-left corner of the 1024 x 768 view centred on the
// player's ship, around which enemies arrive whatever the window.
float FromArrivalCorner(const TShip& ship) { return Distance(ship.x, ship.y, player->x - 512.0f, player->y - 384.0f); }

void StartPlaying(CombatArena& game) {
    game.Press(kKeyReturn);
    game.Ticks(2);
    ASSERT_TRUE(PlayerAlive());
    player->DetachGuns("");
}

}  // namespace

TEST(Roster, EveryShipOfTheTableHasItsPictureAndKnownGuns) {
    CombatArena game;
    for (const TShipKind& entry : kShipKinds) {
        EXPECT_NE(LoadImageFile(std::string(entry.image)), nullptr) << entry.name;
        for (int i = 0; i < entry.MountCount(); ++i)
            EXPECT_NE(TGunInfo::Get(std::string(entry.mounts[size_t(i)].gun)), nullptr) << entry.name << " mount " << i;
    }
    // Every enemy kind comes out with its picture and all its guns mounted.
    for (const TShipKind& entry : kShipKinds) {
        if (entry.role != TShipRole::Enemy) continue;
        auto ship = CreateEnemy(entry.kind);
        EXPECT_EQ(ship->name, entry.name);
        EXPECT_NE(ship->image, nullptr) << entry.name;
        EXPECT_EQ(int(ship->guns.size()), entry.MountCount()) << entry.name;
    }
}

TEST(Roster, AnEnemyArrivesFromAfarFacingThePlayerAtOnce) {
    CombatArena game;
    StartPlaying(game);
    auto enemy = CreateEnemy(1);
    EXPECT_EQ(enemy->team, 1);
    EXPECT_NEAR(FromArrivalCorner(*enemy), 6000.0f, 0.5f);
    // Nobody chases the player yet, so the newcomer does, and faces it in its first tick.
    game.Ticks(1);
    EXPECT_EQ(enemy->target.Get(), player);
    float wanted = ATan2Deg(player->x - enemy->x, enemy->y - player->y);
    EXPECT_NEAR(SinDeg(enemy->heading), SinDeg(wanted), 1e-3f);
    EXPECT_NEAR(CosDeg(enemy->heading), CosDeg(wanted), 1e-3f);
    // It takes seconds to come close.
    game.Ticks(120, 17);
    float afterTwoSeconds = Distance(enemy->x, enemy->y, player->x, player->y);
    EXPECT_GT(afterTwoSeconds, 2000.0f);
    EXPECT_LT(afterTwoSeconds, 5800.0f);
    for (int i = 0; i < 600 && Distance(enemy->x, enemy->y, player->x, player->y) > 1000.0f; ++i) game.Ticks(1, 17);
    EXPECT_LE(Distance(enemy->x, enemy->y, player->x, player->y), 1000.0f);
}

TEST(Roster, SilverhawkTopsOutAtEighteenAndSharkCarriesExtraRockets) {
    CombatArena game;
    auto hawk = CreateEnemy(2);
    hawk->rockets = {0, 0, 0};
    hawk->x = hawk->y = 0.0f;
    auto far = CombatArena::Dummy("Ant", 0, -1.0e6f, 2);
    float fastest = 0.0f;
    for (int i = 0; i < 1500; ++i) {
        CombatArena::WorldTick();
        fastest = std::max(fastest, hawk->GetSpeed());
    }
    EXPECT_EQ(hawk->target.Get(), far);
    EXPECT_LE(fastest, 18.0f + 1e-3f);
    EXPECT_GT(fastest, 17.9f);

    EXPECT_EQ(CreateEnemy(10)->rockets, (std::array<int, 3>{6, 2, 1}));
}

TEST(Roster, TheKailArrivesWithTwoEscortsAndIsWorthTwelve) {
    CombatArena game;
    StartPlaying(game);
    difficulty = 2.0f;
    auto leader = CreateEnemy(30);
    auto enemies = ShipsOfTeam(1);
    ASSERT_EQ(enemies.size(), 3u);
    std::vector<std::shared_ptr<TShip>> escorts;
    for (auto& e : enemies)
        if (e != leader) escorts.push_back(e);
    ASSERT_EQ(escorts.size(), 2u);
    EXPECT_TRUE(leader->IsLinked(escorts[0].get()) && escorts[0]->IsLinked(leader.get()));
    EXPECT_TRUE(leader->IsLinked(escorts[1].get()) && escorts[1]->IsLinked(leader.get()));
    EXPECT_FALSE(escorts[0]->IsLinked(escorts[1].get()));
    // Each escort, like every enemy, arrives from afar.
    for (auto& e : escorts) EXPECT_NEAR(FromArrivalCorner(*e), 6000.0f, 0.5f);

    // The player's bolt finishes the leader: 12 points, doubled by the difficulty.
    leader->x = leader->y = 0.0f;
    leader->hp = 0.01f;
    auto gun = TGun::Create(player, 0, 0, "LGB-1000", 1);
    gun->reload = 1.0f;
    gun->Fire();
    auto shot = std::dynamic_pointer_cast<TShot>(TUniverse::Objects().Last());
    ASSERT_TRUE(shot);
    shot->x = 0.0f;
    shot->y = 0.0f;
    ASSERT_TRUE(shot->HitShip(*leader));
    EXPECT_EQ(player->kills, 1);
    EXPECT_FLOAT_EQ(player->points, 24.0f);
    // The escorts stay, each worth as much as a lone Kail.
    game.Ticks(1);
    EXPECT_TRUE(leader->dead);
    for (auto& e : escorts) {
        EXPECT_FALSE(e->dead);
        EXPECT_EQ(e->pointValue, CreateEnemy(23)->pointValue);
    }
}

TEST(Roster, AKindWithoutAnEntryGivesAPlainEnemy) {
    CombatArena game;
    StartPlaying(game);
    auto ship = CreateEnemy(7);
    EXPECT_EQ(ship->team, 1);
    EXPECT_TRUE(ship->name.empty());
    EXPECT_EQ(ship->image, nullptr);
    EXPECT_TRUE(ship->guns.empty());
    EXPECT_EQ(ship->pointValue, 1);
    EXPECT_NEAR(FromArrivalCorner(*ship), 6000.0f, 0.5f);
}

TEST(Roster, TheBuddyComesOneAtATimeAndOnlyToALivePlayer) {
    CombatArena game;
    AddBuddy();  // title screen: no player's ship
    EXPECT_TRUE(ShipsOfTeam(2).empty());

    StartPlaying(game);
    AddBuddy();
    AddBuddy();
    auto buddies = ShipsOfTeam(2);
    ASSERT_EQ(buddies.size(), 1u);
    auto buddy = buddies[0];
    EXPECT_EQ(buddy->name, "Tiger X");
    EXPECT_TRUE(player->IsLinked(buddy.get()) && buddy->IsLinked(player.get()));
    EXPECT_NEAR(Distance(buddy->x, buddy->y, player->x, player->y), 6000.0f, 0.5f);
    EXPECT_EQ(buddy->guns.size(), 3u);

    // Once it has died and left the player's allies, the next call sends a new one.
    buddy->hp = 0.0f;
    game.Ticks(1);
    EXPECT_TRUE(buddy->dead);
    AddBuddy();
    buddies = ShipsOfTeam(2);
    ASSERT_EQ(buddies.size(), 1u);
    EXPECT_NE(buddies[0], buddy);

    // A dead player gets no buddy, so none waits on the title screen.
    player->hp = 0.0f;
    game.Ticks(1);
    ASSERT_FALSE(PlayerAlive());
    AddBuddy();
    EXPECT_TRUE(ShipsOfTeam(2).empty());
    EXPECT_TRUE(player->linked.empty());
}
