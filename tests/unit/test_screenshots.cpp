// Numbered screenshots, the splash picture and the shell's own images and sounds.
#include <gtest/gtest.h>

#include "harness/HeadlessGame.h"
#include "support/TestSounds.h"
#include "platform/Audio.h"
#include "platform/Files.h"
#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
#include "shell/Assets.h"
#include "shell/Camera.h"
#include "shell/Screenshots.h"
#include "shell/Shell.h"

#include <set>

namespace {

void WritePicture(const std::string& path, int width) {
    auto pixmap = std::make_shared<TPixmap>(width, 4, 4);
    ASSERT_EQ(WritePixmapPNG(pixmap, path, 5), 1);
}

}  // namespace

TEST(Screenshots, NumbersContinueAfterExistingFilesAndNeverOverwrite) {
    HeadlessGame game;
    WritePicture("screenshots/pic0.png", 3);
    WritePicture("screenshots/pic1.png", 3);
    WritePicture("screenshots/pic2.png", 3);
    TakeScreenshot();
    TakeScreenshot();
    EXPECT_EQ(PathKind("screenshots/pic3.png"), 1);
    EXPECT_EQ(PathKind("screenshots/pic4.png"), 1);
    EXPECT_EQ(PathKind("screenshots/pic5.png"), 0);
    auto shot = LoadPixmapFile("screenshots/pic3.png");
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->width, 640);
    EXPECT_EQ(shot->height, 480);
    EXPECT_EQ(LoadPixmapFile("screenshots/pic0.png")->width, 3);  // untouched
}

TEST(Screenshots, RequestIsTakenInTheNextDrawnFrame) {
    HeadlessGame game;
    game.RunFor(50);
    RequestScreenshot();
    EXPECT_EQ(screenshotRequested, 1);
    game.RunFor(40);
    EXPECT_EQ(screenshotRequested, 0);
    EXPECT_EQ(PathKind("screenshots/pic0.png"), 1);
    EXPECT_EQ(PathKind("screenshots/pic1.png"), 0);
}

TEST(Screenshots, AFailedSaveIsNotFatal) {
    HeadlessGame game;
    std::filesystem::remove_all("screenshots");
    TakeScreenshot();
    EXPECT_EQ(PathKind("screenshots"), 0);
    EXPECT_TRUE(game.Pass());
}

TEST(Splash, OnlyRegularFilesWithTheExactExtensionPngTakePart) {
    HeadlessGame game;
    EXPECT_EQ(PickSplashImage(), nullptr);
    WritePicture("screenshots/PIC.PNG", 5);
    WritePicture("screenshots/notes.png.txt", 5);
    MakeDirectory("screenshots/folder.png", 0);
    EXPECT_EQ(PickSplashImage(), nullptr);
    WritePicture("screenshots/mine.png", 7);
    for (int i = 0; i < 5; ++i) {
        auto image = PickSplashImage();
        ASSERT_TRUE(image);
        EXPECT_EQ(ImageWidthOf(image), 7);
    }
}

TEST(Splash, EveryCandidateCanBePicked) {
    HeadlessGame game;
    WritePicture("screenshots/pic0.png", 1);
    WritePicture("screenshots/pic1.png", 2);
    WritePicture("screenshots/pic2.png", 3);
    std::set<int> widths;
    for (int i = 0; i < 60; ++i) widths.insert(ImageWidthOf(PickSplashImage()));
    EXPECT_EQ(widths, (std::set<int>{1, 2, 3}));
}

TEST(Splash, AnUndecodableCandidateGivesNoImage) {
    HeadlessGame game;
    game.folder.Write("screenshots/broken.png", "not a picture");
    EXPECT_EQ(PickSplashImage(), nullptr);
}

TEST(ShellAssets, LoadedWithTheirAnchorsAndMissingOnesStayNull) {
    HeadlessGame game;  // started without any asset: everything null, and the loop runs
    EXPECT_EQ(logoImage, nullptr);
    EXPECT_EQ(bgImage, nullptr);
    EXPECT_EQ(rocketImages[1], nullptr);
    EXPECT_EQ(alarmSound, nullptr);
    game.RunFor(40);

    MakeDirectory("gfx", 0);
    MakeDirectory("sfx", 0);
    int width = 10;
    for (const char* name : {"Logo", "BG", "bg1alter", "bg1alter2", "Mouse", "rocket0", "rocket", "rocket2",
                             "rocketalarmsign", "AimPointer", "AimCrossArrow"}) {
        WritePicture(std::string("gfx/") + name + ".png", width);
        width += 2;
    }
    std::string wav = testsounds::Wav(1, 16, 22050, testsounds::Pcm16(std::vector<int>(64, 100)));
    for (const char* name : {"geraet_agressive", "getpoint", "rocketfire"})
        game.folder.Write(std::string("sfx/") + name + ".wav", wav);
    LoadLogo();
    LoadShellAssets();

    ASSERT_TRUE(logoImage);
    EXPECT_EQ(ImageWidthOf(logoImage), 10);
    EXPECT_FLOAT_EQ(logoImage->anchorX, 5.0f);  // centred
    EXPECT_FLOAT_EQ(logoImage->anchorY, 2.0f);
    for (const auto& layer : {bgImage, bgAlterImage, bgAlter2Image}) {
        ASSERT_TRUE(layer);
        EXPECT_EQ(layer->anchorX, 0.0f);  // top-left
        EXPECT_EQ(layer->anchorY, 0.0f);
    }
    EXPECT_EQ(ImageWidthOf(bgAlter2Image), 16);
    EXPECT_FLOAT_EQ(cursorImage->anchorX, 9.0f);
    // Rocket types 0, 1, 2 are "rocket0", "rocket" and "rocket2".
    EXPECT_EQ(ImageWidthOf(rocketImages[0]), 20);
    EXPECT_EQ(ImageWidthOf(rocketImages[1]), 22);
    EXPECT_EQ(ImageWidthOf(rocketImages[2]), 24);
    for (const auto& image : rocketImages) EXPECT_FLOAT_EQ(image->anchorX, ImageWidthOf(image) / 2.0f);
    EXPECT_FLOAT_EQ(aimArrowImage->anchorX, 15.0f);
    EXPECT_EQ(buddyArrowImage, nullptr);  // its file is missing
    EXPECT_TRUE(alarmSound);
    EXPECT_TRUE(pointSound);
    EXPECT_EQ(nextStageSound, nullptr);
    EXPECT_TRUE(rocketFireSound);
    // Drawing and playing what is missing does nothing.
    DrawImageAt(buddyArrowImage, 10, 10, 0);
    TileImageAt(nullptr, 0, 0, 0);
    PlaySoundAt(nextStageSound, 0, 0);
    EXPECT_TRUE(game.Pass());
}
