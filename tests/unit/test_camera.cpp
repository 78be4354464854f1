// Camera modes and the view helpers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Audio.h"
#include "platform/TMixer.h"
#include "shell/Camera.h"
#include "shell/Shell.h"
#include "support/TestSounds.h"
#include "world/TGObject.h"

namespace {

class TMarker : public TGObject {
public:
    void Update() override {}
    void Draw() override {}
};

class CameraTest : public testing::Test {
protected:
    void SetUp() override {
        ResetCamera();
        ResetShellState();
        gfxWidth = 800;
        gfxHeight = 600;
        target = std::make_shared<TMarker>();
        cameraTarget = target;
    }
    void TearDown() override {
        ResetCamera();
        ResetShellState();
    }
    void Pass() {
        UpdateCameraFocus();
        UpdateCameraOrigin();
    }
    std::shared_ptr<TMarker> target;
};

}  // namespace

TEST_F(CameraTest, ModeZeroKeepsTheTargetAtTheScreenCentre) {
    cameraMode = 0;
    target->x = 1234.5f;
    target->y = -77.0f;
    Pass();
    EXPECT_FLOAT_EQ(target->x - cameraX, 400.0f);
    EXPECT_FLOAT_EQ(target->y - cameraY, 300.0f);
}

TEST_F(CameraTest, OriginUsesIntegerHalves) {
    gfxWidth = 801;
    gfxHeight = 601;
    target->x = 0;
    target->y = 0;
    Pass();
    EXPECT_FLOAT_EQ(cameraX, -400.0f);
    EXPECT_FLOAT_EQ(cameraY, -300.0f);
}

TEST_F(CameraTest, ModeOneLooksAheadAlongTheMotionAndBelowWhenStill) {
    cameraMode = 1;
    target->speed = 5.0f;
    target->x = 100.0f;
    target->y = 0.0f;
    trailX = 0.0f;
    trailY = 0.0f;
    Pass();  // moved right by 100
    EXPECT_NEAR(focusX, 150.0f, 1e-3);
    EXPECT_NEAR(focusY, 0.0f, 1e-3);
    Pass();  // no displacement: ten times the speed straight below
    EXPECT_NEAR(focusX, 100.0f, 1e-3);
    EXPECT_NEAR(focusY, 50.0f, 1e-3);
}

TEST_F(CameraTest, ModeTwoLeadShrinksByElevenTenthsWhenStill) {
    cameraMode = 2;
    target->x = 0.0f;
    target->y = 0.0f;
    trailX = -110.0f;
    trailY = 0.0f;
    Pass();
    EXPECT_NEAR(focusX, 100.0f, 1e-3);
    Pass();
    EXPECT_NEAR(focusX, 100.0f / 1.1f, 1e-3);
    Pass();
    EXPECT_NEAR(focusX, 100.0f / 1.21f, 1e-3);
}

TEST_F(CameraTest, ModeTwoSettlesTenStepsAheadAtSteadySpeed) {
    cameraMode = 2;
    for (int i = 0; i < 400; ++i) {
        target->x = float(i) * 3.0f;
        Pass();
    }
    EXPECT_NEAR(focusX - target->x, 30.0f, 0.01);
}

TEST_F(CameraTest, NoTargetLeavesTheFocus) {
    cameraTarget.reset();
    focusX = 7.0f;
    UpdateCameraFocus();
    EXPECT_EQ(focusX, 7.0f);
}

TEST_F(CameraTest, OnScreenIncludesTheEdges) {
    cameraX = 100.0f;
    cameraY = 50.0f;
    EXPECT_TRUE(IsOnScreen(100.0f, 50.0f, 0));
    EXPECT_TRUE(IsOnScreen(900.0f, 650.0f, 0));
    EXPECT_FALSE(IsOnScreen(900.5f, 300.0f, 0));
    EXPECT_FALSE(IsOnScreen(99.0f, 300.0f, 0));
    EXPECT_TRUE(IsOnScreen(99.0f, 300.0f, 1));
}

TEST_F(CameraTest, SoundFallsOffToSilenceAtTwoScreenWidths) {
    cameraX = 0.0f;
    cameraY = 0.0f;
    EXPECT_FLOAT_EQ(SoundFalloffAt(400, 300), 1.0f);
    EXPECT_FLOAT_EQ(SoundFalloffAt(400 + 800, 300), 0.75f);
    EXPECT_FLOAT_EQ(SoundFalloffAt(400 + 1600, 300), 0.0f);  // exactly 2 x gfxWidth
    EXPECT_GT(SoundFalloffAt(400 + 1599, 300), 0.0f);
    // Far beyond 46341 px the squared distance no longer fits 32 bits: still silent.
    EXPECT_FLOAT_EQ(SoundFalloffAt(400 + 46341, 300), 0.0f);
    EXPECT_FLOAT_EQ(SoundFalloffAt(400 + 65536, 300 + 65536), 0.0f);
    EXPECT_FLOAT_EQ(SoundFalloffAt(2147483647, -2147483647 - 1), 0.0f);
}

TEST_F(CameraTest, PlaySoundAtStartsAVoiceOnlyWithinEarshot) {
    ResetAudio();
    auto sound = LoadSoundFromMemory(testsounds::Wav(1, 16, 22050, testsounds::Pcm16(std::vector<int>(100, 4096))), 0);
    ASSERT_TRUE(sound);
    cameraX = 0.0f;
    cameraY = 0.0f;
    int freeVoices = AudioMixer().FreeSlots();
    PlaySoundAt(sound, 400 + 1600, 300);  // exactly two screen widths from the centre
    PlaySoundAt(sound, 400, 300 - 46341);  // its squared distance overflows 32 bits
    PlaySoundAt(nullptr, 400, 300);
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices);
    PlaySoundAt(sound, 400, 300);
    EXPECT_EQ(AudioMixer().FreeSlots(), freeVoices - 1);
    ResetAudio();
}

TEST(ViewHelpers, AngleToPointsClockwiseFromUp) {
    EXPECT_NEAR(AngleTo(0, 0, 0, -10), 0.0f, 1e-4);
    EXPECT_NEAR(AngleTo(0, 0, 10, 0), 90.0f, 1e-4);
    EXPECT_NEAR(AngleTo(0, 0, 0, 10), 180.0f, 1e-4);
    EXPECT_NEAR(AngleTo(0, 0, -10, 0), 270.0f, 1e-4);
    for (float a : {AngleTo(5, 5, 5, 5), AngleTo(0, 0, -1, -1000), AngleTo(3, 3, 2, 3)}) {
        EXPECT_GE(a, 0.0f);
        EXPECT_LT(a, 360.0f);
    }
}

TEST(ViewHelpers, DistanceBetween) {
    EXPECT_FLOAT_EQ(DistanceBetween(1, 1, 4, 5), 5.0f);
    EXPECT_FLOAT_EQ(DistanceBetween(2, 2, 2, 2), 0.0f);
}
