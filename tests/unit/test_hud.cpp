// The heads-up display as the player reads it: readouts, rocket box, rocket alarm, target
// and buddy readouts with their pointers, and the radar, read from the recorded drawing
// calls of a 1024 x 768 headless game with the real pictures and sounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/Audio.h"
#include "platform/DrawRecording.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "platform/TMixer.h"
#include "shell/Camera.h"
#include "world/TRocket.h"
#include "world/WorldMath.h"

namespace {

constexpr int kW = 1024, kH = 768;

// The arena at 1024 x 768 with an empty world and the camera putting world (0, 0) at the
// screen centre.
class HudArena : public CombatArena {
public:
    HudArena() : CombatArena(100000, GeneratedGameFolder(), WindowedOptions(kW, kH)) {
        TUniverse::ClearAll();
        cameraX = -float(kW / 2);
        cameraY = -float(kH / 2);
    }
    ~HudArena() { StopDrawRecording(); }

    // A player's Modern X at the world origin, the shell's player; its guns fire only on
    // the (unpressed) button, so it makes no sound of its own.
    static std::shared_ptr<TShip> Player() {
        player = Ship("Modern X", 0, 0.0f, 0.0f, 0);
        return player;
    }
};

// The drawing calls of one heads-up display of the player's ship.
std::vector<TDrawCall> RecordHud() {
    StartDrawRecording();
    player->DrawHUD();
    StopDrawRecording();
    return RecordedDrawCalls();
}

// The text calls whose text starts with the prefix.
std::vector<TDrawCall> Texts(const std::vector<TDrawCall>& calls, const std::string& prefix) {
    std::vector<TDrawCall> found;
    for (const TDrawCall& c : calls) {
        if (c.kind == TDrawKind::Text && c.text.rfind(prefix, 0) == 0) found.push_back(c);
    }
    return found;
}

// The image calls drawing that picture.
std::vector<TDrawCall> Images(const std::vector<TDrawCall>& calls, const std::shared_ptr<TImage>& image) {
    std::vector<TDrawCall> found;
    for (const TDrawCall& c : calls) {
        if (c.kind == TDrawKind::Image && c.image == image.get()) found.push_back(c);
    }
    return found;
}

// The calls of a kind at a position.
std::vector<TDrawCall> At(const std::vector<TDrawCall>& calls, TDrawKind kind, float x, float y) {
    std::vector<TDrawCall> found;
    for (const TDrawCall& c : calls) {
        if (c.kind == kind && std::fabs(c.x - x) < 0.01f && std::fabs(c.y - y) < 0.01f) found.push_back(c);
    }
    return found;
}

// The one text starting with the prefix; fails the test when there is not exactly one.
TDrawCall Line(const std::vector<TDrawCall>& calls, const std::string& prefix) {
    std::vector<TDrawCall> found = Texts(calls, prefix);
    EXPECT_EQ(found.size(), 1u) << prefix;
    return found.empty() ? TDrawCall{} : found.front();
}

// The one text drawn at that place; fails the test when there is not exactly one.
TDrawCall TextAt(const std::vector<TDrawCall>& calls, float x, float y) {
    std::vector<TDrawCall> found = At(calls, TDrawKind::Text, x, y);
    EXPECT_EQ(found.size(), 1u) << x << ", " << y;
    return found.empty() ? TDrawCall{} : found.front();
}

// Distance of a drawing position from the screen centre (the ship's place).
float FromCentre(const TDrawCall& c) { return Distance(float(kW / 2), float(kH / 2), c.x, c.y); }

// A rocket of the launcher's, already homing on the target.
std::shared_ptr<TRocket> HomingRocket(const std::shared_ptr<TShip>& launcher, const std::shared_ptr<TShip>& target) {
    std::shared_ptr<TRocket> rocket = TRocket::Create(launcher, 0.0f, 0.0f, target, 0);
    rocket->armLeft = 0;
    return rocket;
}

}  // namespace

TEST(Hud, EnterStartsAGameWhoseReadoutsEndEveryDrawnFrame) {
    CombatArena game(100000, GeneratedGameFolder(), WindowedOptions(kW, kH));
    game.Press(kKeyReturn);
    game.RunFor(2100);
    ASSERT_TRUE(PlayerAlive());

    // One drawn frame of the real loop: the HUD comes after the cursor.
    StartDrawRecording();
    do {
        game.Pass();
        AdvanceFakeClock(1);
    } while (!drawFrame);
    StopDrawRecording();
    std::vector<TDrawCall> calls = RecordedDrawCalls();
    ASSERT_FALSE(Images(calls, cursorImage).empty());

    // (Enemies of the first stage may be targeted by now: the lines are read by place.)
    TDrawCall speed = TextAt(calls, 10, 60);
    EXPECT_EQ(speed.text, "Speed: 0");
    TDrawCall hp = TextAt(calls, 10, 80);
    EXPECT_EQ(hp.text, "HP: 100");
    EXPECT_EQ((std::vector<int>{hp.red, hp.green, hp.blue}), (std::vector<int>{0, 255, 0}));
    TDrawCall kills = TextAt(calls, 10, 95);
    EXPECT_EQ(kills.text, "Kills: 0");
    EXPECT_EQ((std::vector<int>{kills.red, kills.green, kills.blue}), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(TextAt(calls, 10, 110).text, "Points: 0");
    EXPECT_EQ(TextAt(calls, 10, 125).text, "RakAutoSelect: On  [R] ");
    // With auto-selection on, the advice takes line 140 and the play time follows below.
    TDrawCall time = TextAt(calls, 10, 155);
    EXPECT_EQ(time.text, "Time:" + std::to_string(ClockSince(gameClock, player->createdAt) / 1000));
    EXPECT_EQ(time.text, "Time:2");
    EXPECT_EQ(time.blendMode, kBlendAlpha);
    EXPECT_FLOAT_EQ(time.alpha, 1.0f);
    EXPECT_FLOAT_EQ(time.scaleX, 1.0f);

    // The radar's dark disc at the bottom centre, and two arrows toward the cursor.
    std::vector<TDrawCall> disc = At(calls, TDrawKind::Ellipse, kW / 2 - 100, kH - 200);
    ASSERT_EQ(disc.size(), 1u);
    EXPECT_EQ(disc[0].x2, 200.0f);
    EXPECT_EQ(disc[0].red + disc[0].green + disc[0].blue, 0);
    EXPECT_EQ(Images(calls, aimArrowImage).size(), 2u);

    // Auto-selection off: one line less, the time moves up. The HUD leaves alpha blending,
    // alpha 1 and scale 1.
    player->autoSelectRockets = 0;
    SetDrawScale(3.0f, 3.0f);
    calls = RecordHud();
    EXPECT_EQ(TextAt(calls, 10, 125).text, "RakAutoSelect: Off [R]");
    EXPECT_EQ(TextAt(calls, 10, 140).text.rfind("Time:", 0), 0u);
    float sx = 0, sy = 0;
    GetDrawScale(sx, sy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(GetBlendMode(), kBlendAlpha);
    EXPECT_FLOAT_EQ(DrawState().alpha, 1.0f);
}

TEST(Hud, TargetAndBuddyReadoutsPointTowardThemByDistance) {
    HudArena arena;
    std::shared_ptr<TShip> ship = arena.Player();

    // Neither target nor buddy: no readouts at the bottom, no pointers.
    std::vector<TDrawCall> calls = RecordHud();
    EXPECT_TRUE(Texts(calls, "Target <+").empty());
    EXPECT_TRUE(Texts(calls, "Buddy <+").empty());
    EXPECT_TRUE(Images(calls, aimPointerImage).empty());
    EXPECT_TRUE(Images(calls, buddyArrowImage).empty());

    // A target 3000 px to the right, farther than 1024 - 150: the pointer at the full
    // 384 - 150 = 234 px from the ship, to the right.
    std::shared_ptr<TShip> far = HudArena::Dummy("X1", 3000.0f, 0.0f);
    far->armor = 1.2f;
    far->kills = 3;
    ship->target = far;
    calls = RecordHud();
    EXPECT_EQ(Line(calls, "Target <+").text, "Target <+X1+> [3]");
    EXPECT_EQ(Line(calls, "Target <+").y, float(kH - 60));
    TDrawCall hp = Line(calls, "HP: 180");
    EXPECT_EQ(hp.text, "HP: 180 | 1.2");
    EXPECT_EQ(hp.y, float(kH - 45));
    EXPECT_EQ(Line(calls, "Distance: ").text, "Distance: 3000");
    std::vector<TDrawCall> pointer = Images(calls, aimPointerImage);
    ASSERT_EQ(pointer.size(), 1u);
    EXPECT_NEAR(pointer[0].x, kW / 2 + 234.0f, 0.01f);
    EXPECT_NEAR(pointer[0].y, kH / 2, 0.01f);
    EXPECT_NEAR(pointer[0].rotation, 90.0f, 1e-3f);
    EXPECT_EQ(pointer[0].blendMode, kBlendLight);

    // 437 px straight below: half the reach, pointing down.
    std::shared_ptr<TShip> near = HudArena::Dummy("X1", 0.0f, 437.0f);
    near->armor = 2.0f;
    ship->target = near;
    calls = RecordHud();
    EXPECT_EQ(Line(calls, "HP: 180").text, "HP: 180 | 2.0");
    pointer = Images(calls, aimPointerImage);
    ASSERT_EQ(pointer.size(), 1u);
    EXPECT_NEAR(FromCentre(pointer[0]), 117.0f, 0.01f);
    EXPECT_NEAR(pointer[0].y, kH / 2 + 117.0f, 0.01f);

    // A buddy 500 px away: its readout at the right with the unrounded distance, and its arrow.
    std::shared_ptr<TShip> buddy = HudArena::Dummy("Tiger X", 300.0f, 400.0f, 2);
    buddy->hp = 99.7f;
    ship->Link(buddy);
    calls = RecordHud();
    TDrawCall title = Line(calls, "Buddy <+");
    EXPECT_EQ(title.text, "Buddy <+Tiger X+> [0]");
    EXPECT_EQ(title.x, float(kW - 200));
    EXPECT_EQ(Texts(calls, "HP: 99").at(0).text, "HP: 99");
    EXPECT_EQ(Texts(calls, "Distance: ").at(1).text, "Distance: 500.000000");
    std::vector<TDrawCall> arrow = Images(calls, buddyArrowImage);
    ASSERT_EQ(arrow.size(), 1u);
    EXPECT_NEAR(FromCentre(arrow[0]), 234.0f * 500.0f / 874.0f, 0.01f);
}

TEST(Hud, RocketBoxShowsUpToThreeRocketsOrOneWithTheCount) {
    HudArena arena;
    std::shared_ptr<TShip> ship = arena.Player();
    ship->autoSelectRockets = 0;
    ship->selectedRocket = 1;

    ship->rockets[1] = 3;
    std::vector<TDrawCall> calls = RecordHud();
    std::vector<TDrawCall> box = At(calls, TDrawKind::Rectangle, kW / 2 + 80, kH - 27);
    ASSERT_FALSE(box.empty());
    EXPECT_EQ((std::vector<float>{box[0].x2, box[0].y2}), (std::vector<float>{50, 25}));
    EXPECT_EQ((std::vector<int>{box[0].red, box[0].green, box[0].blue}), (std::vector<int>{20, 50, 255}));
    std::vector<TDrawCall> pictures = Images(calls, rocketImages[1]);
    ASSERT_EQ(pictures.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pictures[size_t(i)].x, float(kW / 2 + 90 + 16 * i));
        EXPECT_EQ(pictures[size_t(i)].y, float(kH - 14));
    }

    ship->rockets[1] = 17;
    calls = RecordHud();
    pictures = Images(calls, rocketImages[1]);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].x, float(kW / 2 + 90));
    ASSERT_EQ(At(calls, TDrawKind::Text, kW / 2 + 100, kH - 19).size(), 1u);
    EXPECT_EQ(At(calls, TDrawKind::Text, kW / 2 + 100, kH - 19)[0].text, "17");

    ship->rockets[1] = 0;
    EXPECT_TRUE(Images(RecordHud(), rocketImages[1]).empty());
}

TEST(Hud, HomingRocketsRaiseTheAlarmWithSignsAndOneAlarmSound) {
    HudArena arena;
    std::shared_ptr<TShip> ship = arena.Player();
    std::shared_ptr<TShip> enemy = HudArena::Dummy("X1", 0.0f, -1000.0f);
    std::shared_ptr<TShip> other = HudArena::Dummy("X1", 2000.0f, 0.0f);
    HomingRocket(enemy, ship);
    std::shared_ptr<TRocket> second = HomingRocket(enemy, ship);
    second->x = 800.0f;
    second->y = 0.0f;
    HomingRocket(ship, other);  // homing elsewhere: no sign

    // Without locks there is no alarm.
    EXPECT_TRUE(Texts(RecordHud(), "!!!").empty());
    EXPECT_EQ(ship->alarmChannel, nullptr);

    // Two rockets homing for one tick.
    HudArena::WorldTick();
    EXPECT_EQ(ship->lockCount, 2);
    int freeVoices = AudioMixer().FreeSlots();
    std::vector<TDrawCall> calls = RecordHud();
    std::vector<TDrawCall> alarm = Texts(calls, "!!!");
    ASSERT_EQ(alarm.size(), 2u);
    const std::string text = "!!! Rocketalarm !!! Stk: 2";
    EXPECT_EQ(alarm[0].text, text);
    EXPECT_EQ(alarm[0].x, float(kW / 2 - TextWidthOf(text)));
    EXPECT_EQ(alarm[0].y, 70.0f);
    EXPECT_EQ(alarm[0].scaleX, 2.0f);
    EXPECT_EQ((std::vector<int>{alarm[0].red, alarm[0].green, alarm[0].blue}), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ((std::vector<int>{alarm[1].red, alarm[1].green, alarm[1].blue}), (std::vector<int>{255, 200, 0}));
    EXPECT_EQ(ship->lockCount, 0);
    // A sign 150 px out toward each of the two rockets: up (the first has moved a little) and right.
    std::vector<TDrawCall> signs = Images(calls, rocketAlarmImage);
    ASSERT_EQ(signs.size(), 2u);
    for (const TDrawCall& sign : signs) EXPECT_NEAR(FromCentre(sign), 150.0f, 0.01f);
    EXPECT_NEAR(signs[0].y, kH / 2 - 150.0f, 0.5f);
    EXPECT_NEAR(signs[1].x, kW / 2 + 150.0f, 0.5f);
    EXPECT_NEAR(signs[1].rotation, 90.0f, 0.5f);

    // The alarm sound starts once and is not restarted while it plays.
    std::shared_ptr<TChannel> channel = ship->alarmChannel;
    ASSERT_TRUE(channel);
    EXPECT_EQ(ChannelIsPlaying(channel), 1);
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices - 1);
    for (int i = 0; i < 5; ++i) {
        HudArena::WorldTick();
        RecordHud();
    }
    EXPECT_EQ(ship->alarmChannel, channel);
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices - 1);

    // Once it has finished it starts again, on a new channel.
    StopChannel(channel);
    std::vector<int16_t> block(2 * TMixer::kBlockFrames);
    AudioMixer().MixBlock(block.data(), MilliClock() + 100);
    HudArena::WorldTick();
    RecordHud();
    ASSERT_TRUE(ship->alarmChannel);
    EXPECT_NE(ship->alarmChannel, channel);
    EXPECT_EQ(ChannelIsPlaying(ship->alarmChannel), 1);
}

TEST(Hud, AlarmWithEveryVoiceBusyStaysSilentAndRingsOnceAVoiceIsFree) {
    HudArena arena;
    std::shared_ptr<TShip> ship = arena.Player();
    HomingRocket(HudArena::Dummy("X1", 0.0f, -1000.0f), ship);
    while (AudioMixer().FreeSlots() > 0) AudioMixer().StartVoice(alarmSound, MilliClock());

    HudArena::WorldTick();
    EXPECT_EQ(Texts(RecordHud(), "!!!").size(), 2u);
    EXPECT_EQ(ship->alarmChannel, nullptr);
    HudArena::WorldTick();
    RecordHud();
    EXPECT_EQ(ship->alarmChannel, nullptr);

    AudioMixer().Reset();
    HudArena::WorldTick();
    RecordHud();
    EXPECT_EQ(ChannelIsPlaying(ship->alarmChannel), 1);
    AudioMixer().Reset();
}

TEST(Hud, RadarShowsWhatIsWithinItsRangeInTheColoursOfItsRole) {
    HudArena arena;
    std::shared_ptr<TShip> ship = arena.Player();
    std::shared_ptr<TShip> target = HudArena::Dummy("X1", 1000.0f, 0.0f);   // targets the player
    std::shared_ptr<TShip> idle = HudArena::Dummy("X1", 0.0f, 4999.0f);     // targets nobody
    std::shared_ptr<TShip> edge = HudArena::Dummy("X1", -3000.0f, 4000.0f); // exactly 5000 away
    std::shared_ptr<TShip> buddy = HudArena::Dummy("Tiger X", -500.0f, 0.0f, 2);
    ship->target = target;
    target->target = ship;
    std::shared_ptr<TRocket> mine = HomingRocket(ship, idle);
    mine->y = -500.0f;
    std::shared_ptr<TRocket> theirs = HomingRocket(target, ship);
    theirs->direction = 90.0f;

    const float cx = kW / 2, cy = kH - 100;
    std::vector<TDrawCall> calls = RecordHud();
    auto colour = [](const TDrawCall& c) { return std::vector<int>{c.red, c.green, c.blue}; };
    const std::vector<int> green{0, 255, 0}, red{255, 0, 0}, yellow{255, 255, 0};

    // Ships: 2 x 2 squares; the own ship and the buddy green, an idle enemy yellow.
    ASSERT_EQ(At(calls, TDrawKind::Rectangle, cx - 1, cy - 1).size(), 1u);
    EXPECT_EQ(colour(At(calls, TDrawKind::Rectangle, cx - 1, cy - 1)[0]), green);
    ASSERT_EQ(At(calls, TDrawKind::Rectangle, cx - 10 - 1, cy - 1).size(), 1u);
    EXPECT_EQ(colour(At(calls, TDrawKind::Rectangle, cx - 10 - 1, cy - 1)[0]), green);
    ASSERT_EQ(At(calls, TDrawKind::Rectangle, cx - 1, cy + 99.98f - 1).size(), 1u);
    EXPECT_EQ(colour(At(calls, TDrawKind::Rectangle, cx - 1, cy + 99.98f - 1)[0]), yellow);
    // The target, which targets the player: a red ring with a white core, then its square.
    std::vector<TDrawCall> ring = At(calls, TDrawKind::Ellipse, cx + 20 - 2, cy - 2);
    ASSERT_EQ(ring.size(), 1u);
    EXPECT_EQ(colour(ring[0]), red);
    EXPECT_FLOAT_EQ(ring[0].alpha, 0.5f);
    ASSERT_EQ(At(calls, TDrawKind::Ellipse, cx + 20 - 1, cy - 1).size(), 1u);
    EXPECT_EQ(At(calls, TDrawKind::Rectangle, cx + 20 - 1, cy - 1).size(), 1u);
    // A ship exactly 5000 px away is not shown.
    EXPECT_TRUE(At(calls, TDrawKind::Rectangle, cx - 60 - 1, cy + 80 - 1).empty());

    // Rockets: one-pixel dashes in their flight direction, green for the player's, red at it.
    std::vector<TDrawCall> dash = At(calls, TDrawKind::Line, cx, cy - 10);
    ASSERT_EQ(dash.size(), 1u);
    EXPECT_EQ(colour(dash[0]), green);
    dash = At(calls, TDrawKind::Line, cx + 20, cy);
    ASSERT_EQ(dash.size(), 1u);
    EXPECT_EQ(colour(dash[0]), red);
    EXPECT_NEAR(dash[0].x2, cx + 21, 1e-3f);
    EXPECT_NEAR(dash[0].y2, cy, 1e-3f);
    EXPECT_EQ(GetBlendMode(), kBlendAlpha);
    (void)edge;
    (void)buddy;
}
