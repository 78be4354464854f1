// The drawing-call recording the screen tests read: every kind of call with its drawing
// state, while graphics are headless, and nothing while it is off.
#include <gtest/gtest.h>

#include "platform/DrawRecording.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/StateResets.h"
#include "platform/TPixmap.h"

TEST(DrawRecording, RecordsEveryCallWithItsStateWhileHeadlessAndOnlyWhileOn) {
    RunStateResets();
    SetHeadlessGraphics(1);
    ASSERT_TRUE(OpenGraphicsMode(320, 200, 0, 60, 0));
    std::shared_ptr<TImage> image = LoadImageFile(std::make_shared<TPixmap>(6, 4, 6));
    DrawTextAt("unseen", 1, 2);  // off by default

    StartDrawRecording();
    SetDrawColor(10, 20, 30);
    SetDrawAlpha(0.25f);
    SetDrawScale(2.0f, 3.0f);
    SetDrawRotation(45.0f);
    SetBlendMode(kBlendLight);
    DrawTextAt("Hi", 5, 6);
    DrawImageAt(image, 7, 8, 0);
    TileImageAt(image, 9, 10, 0);
    DrawLineSegment(1, 2, 3, 4);
    DrawRectangle(11, 12, 13, 14);
    PlotPoint(15, 16);
    DrawEllipse(17, 18, 19, 20);
    StopDrawRecording();
    PlotPoint(1, 1);

    const std::vector<TDrawCall>& calls = RecordedDrawCalls();
    ASSERT_EQ(calls.size(), 7u);
    const TDrawKind kinds[] = {TDrawKind::Text, TDrawKind::Image, TDrawKind::Tile, TDrawKind::Line,
                               TDrawKind::Rectangle, TDrawKind::Point, TDrawKind::Ellipse};
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].kind, kinds[i]) << i;
        EXPECT_EQ(calls[i].blue, 30);
        EXPECT_FLOAT_EQ(calls[i].alpha, 0.25f);
        EXPECT_FLOAT_EQ(calls[i].scaleY, 3.0f);
        EXPECT_FLOAT_EQ(calls[i].rotation, 45.0f);
        EXPECT_EQ(calls[i].blendMode, kBlendLight);
    }
    EXPECT_EQ(calls[0].text, "Hi");
    EXPECT_EQ(calls[1].image, image.get());
    EXPECT_EQ(calls[2].imageWidth, 6);
    EXPECT_EQ(calls[2].imageHeight, 4);
    EXPECT_EQ((std::vector<float>{calls[3].x, calls[3].y, calls[3].x2, calls[3].y2}), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_FLOAT_EQ(calls[6].y2, 20.0f);

    // A fresh start of the program leaves the recording off and empty.
    StartDrawRecording();
    RunStateResets();
    PlotPoint(1, 1);
    EXPECT_TRUE(RecordedDrawCalls().empty());
}
