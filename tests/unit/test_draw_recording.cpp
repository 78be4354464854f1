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
    ASSERT_TRUE(image);

    DrawTextAt("unseen", 1, 2);  // off by default
    EXPECT_TRUE(RecordedDrawCalls().empty());

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
    SetDrawColor(200, 100, 50);
    DrawEllipse(17, 18, 19, 20);

    const std::vector<TDrawCall>& calls = RecordedDrawCalls();
    ASSERT_EQ(calls.size(), 7u);
    const TDrawKind kinds[] = {TDrawKind::Text, TDrawKind::Image, TDrawKind::Tile, TDrawKind::Line,
                               TDrawKind::Rectangle, TDrawKind::Point, TDrawKind::Ellipse};
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].kind, kinds[i]) << i;
        EXPECT_FLOAT_EQ(calls[i].alpha, 0.25f);
        EXPECT_FLOAT_EQ(calls[i].scaleX, 2.0f);
        EXPECT_FLOAT_EQ(calls[i].scaleY, 3.0f);
        EXPECT_FLOAT_EQ(calls[i].rotation, 45.0f);
        EXPECT_EQ(calls[i].blendMode, kBlendLight);
    }
    EXPECT_EQ(calls[0].text, "Hi");
    EXPECT_EQ(calls[0].red, 10);
    EXPECT_EQ(calls[0].green, 20);
    EXPECT_EQ(calls[0].blue, 30);
    EXPECT_FLOAT_EQ(calls[0].x, 5.0f);
    EXPECT_FLOAT_EQ(calls[0].y, 6.0f);
    EXPECT_EQ(calls[1].image, image.get());
    EXPECT_EQ(calls[1].imageWidth, 6);
    EXPECT_EQ(calls[1].imageHeight, 4);
    EXPECT_FLOAT_EQ(calls[2].x, 9.0f);
    EXPECT_FLOAT_EQ(calls[3].x2, 3.0f);
    EXPECT_FLOAT_EQ(calls[3].y2, 4.0f);
    EXPECT_FLOAT_EQ(calls[4].x2, 13.0f);
    EXPECT_FLOAT_EQ(calls[5].y, 16.0f);
    EXPECT_EQ(calls[6].red, 200);
    EXPECT_FLOAT_EQ(calls[6].y2, 20.0f);

    // Stopped, the records stay and nothing is added; cleared, they go.
    StopDrawRecording();
    PlotPoint(1, 1);
    EXPECT_EQ(RecordedDrawCalls().size(), 7u);
    ClearDrawRecording();
    EXPECT_TRUE(RecordedDrawCalls().empty());

    // A fresh start of the program leaves the recording off and empty.
    StartDrawRecording();
    PlotPoint(1, 1);
    RunStateResets();
    PlotPoint(1, 1);
    EXPECT_TRUE(RecordedDrawCalls().empty());
}
