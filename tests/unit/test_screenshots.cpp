// Numbered screenshots and the splash picture.
#include <gtest/gtest.h>

#include "harness/HeadlessGame.h"
#include "platform/Files.h"
#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"
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
