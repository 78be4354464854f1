// The input field: typing, the editing keys, activation by clicks, and what it draws.
#include <gtest/gtest.h>

#include "platform/DrawRecording.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/Input.h"
#include "shell/Game.h"
#include "shell/TINPT_FIELD.h"

namespace {

// Fields in an open headless window, updated frame by frame with the input of each frame.
class InputFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        SetHeadlessGraphics(1);
        ASSERT_TRUE(OpenGraphicsMode(400, 300, 0, 60, 0));
    }
    void TearDown() override { ResetProgramState(); }

    // A field being edited, holding text with the cursor at its end.
    std::shared_ptr<TINPT_FIELD> Editing(const std::string& text, int filter = 0) {
        auto field = TINPT_FIELD::Create(10, 50, 380, 40, "Player", filter);
        field->SetValue(text, 1, 3);
        return field;
    }
    // One frame with no click.
    int Frame() { return TINPT_FIELD::UpdateFields(0, 0, 0); }
    // Frames typing each character, one a frame.
    void Type(const std::string& text) {
        for (unsigned char c : text) {
            ApplyTypedChar(c);
            Frame();
        }
    }
    // A key with the character X types for it, then a frame.
    void Key(int code, int typed = 0) {
        ApplyKeyDown(code);
        if (typed) ApplyTypedChar(typed);
        ApplyKeyUp(code);
        Frame();
    }
};

}  // namespace

TEST_F(InputFieldTest, FiltersDecideWhichTypedCharactersGoIn) {
    auto digits = Editing("", 5);
    Type("a1B2 -3\xe9");
    EXPECT_EQ(digits->GetValue(), "123");

    auto any = Editing("");
    EXPECT_FALSE(digits->active);  // activating one field ends the other's editing
    // 31..254 go in, but not the Delete code 127, the C1 controls 128..159, nor 255.
    Type(std::string("\x1f" "a ~\x7f\x80\x9f\xa0\xfe\xff\x1e", 11));
    EXPECT_EQ(any->GetValue(), std::string("\x1f" "a ~\xa0\xfe", 6));
    EXPECT_EQ(any->cursor, 6);

    // Capped at 255 characters, typed or set.
    any->SetValue(std::string(300, 'x'), 1, 3);
    EXPECT_EQ(any->GetValue().size(), 255u);
    Type("y");
    EXPECT_EQ(any->GetValue(), std::string(255, 'x'));
}

TEST_F(InputFieldTest, EditingKeysStopAtTheEndsOfTheText) {
    auto field = Editing("abc");
    Key(kKeyHome);
    Key(kKeyBackspace, '\b');
    Key(kKeyLeft);
    EXPECT_EQ(field->GetValue(), "abc");
    EXPECT_EQ(field->cursor, 0);

    Key(kKeyEnd);
    Key(kKeyDelete, 127);  // X types 127 for Delete: neither deleted nor inserted at the end
    Key(kKeyRight);
    EXPECT_EQ(field->GetValue(), "abc");
    EXPECT_EQ(field->cursor, 3);

    Key(kKeyHome);
    Key(kKeyDelete, 127);
    EXPECT_EQ(field->GetValue(), "bc");
    EXPECT_EQ(field->cursor, 0);
    Key(kKeyRight);
    Key(kKeyBackspace, '\b');
    EXPECT_EQ(field->GetValue(), "c");
    EXPECT_EQ(field->cursor, 0);
}

TEST_F(InputFieldTest, OneFrameEditsInOrderOnTheTextTheStepBeforeLeft) {
    auto field = Editing("abc");
    // Backspace, then cursor left: "ab" with the cursor at 1.
    ApplyTypedChar('\b');
    ApplyKeyDown(kKeyLeft);
    Frame();
    ApplyKeyUp(kKeyLeft);
    EXPECT_EQ(field->GetValue(), "ab");
    EXPECT_EQ(field->cursor, 1);
    ApplyTypedChar('x');
    ApplyKeyDown(kKeyHome);
    Frame();
    EXPECT_EQ(field->GetValue(), "xab");  // Home moved the cursor before the insertion
    EXPECT_EQ(field->cursor, 1);
}

TEST_F(InputFieldTest, EnterEndsEditingAndTakesTheKeyHitAlong) {
    auto field = Editing("abc");
    ApplyKeyDown(kKeyReturn);
    ApplyTypedChar('\r');
    ApplyTypedChar('z');
    ApplyKeyUp(kKeyReturn);
    EXPECT_EQ(Frame(), 0);
    EXPECT_FALSE(field->active);
    EXPECT_EQ(KeyWasHit(kKeyReturn), 0);
    EXPECT_EQ(NextTypedChar(), 0);  // everything typed after it is dropped too
    EXPECT_EQ(field->GetValue(), "abc");
}

TEST_F(InputFieldTest, OnlyAClickStrictlyInsideActivates) {
    auto left = TINPT_FIELD::Create(10, 100, 180, 40, "Resolution X", 5);
    auto right = TINPT_FIELD::Create(210, 100, 180, 40, "Resolution Y", 5);
    left->SetValue("1024", 0, 3);
    // The edge pixels of the frame, and a hover without a click, do nothing.
    for (auto [mx, my] : {std::pair{10, 120}, {100, 100}, {190, 120}, {100, 140}})
        EXPECT_EQ(TINPT_FIELD::UpdateFields(mx, my, 1), 0) << mx << "," << my;
    EXPECT_EQ(TINPT_FIELD::UpdateFields(100, 120, 0), 0);
    // Only the low 8 bits of the hit count.
    EXPECT_EQ(TINPT_FIELD::UpdateFields(11, 101, 256), 0);

    EXPECT_EQ(TINPT_FIELD::UpdateFields(11, 101, 1), 1);
    EXPECT_TRUE(left->active);
    EXPECT_EQ(left->cursor, 4);
    // A click outside every field keeps the editing; one in another field moves it.
    EXPECT_EQ(TINPT_FIELD::UpdateFields(200, 5, 1), 1);
    TINPT_FIELD::UpdateFields(300, 120, 1);
    EXPECT_FALSE(left->active);
    EXPECT_TRUE(right->active);

    // A removed field is neither updated nor counted.
    right->Remove();
    EXPECT_EQ(TINPT_FIELD::UpdateFields(0, 0, 0), 0);
    EXPECT_EQ(TINPT_FIELD::inputFields.Count(), 1);
}

TEST_F(InputFieldTest, ALongTextShowsItsTailAndTheCursorCountsFromTheStart) {
    // 100 pixels wide: the tail must fit in 92, so 11 glyphs of 8 pixels.
    auto field = TINPT_FIELD::Create(20, 30, 100, 40, "Name", 0);
    field->SetValue("abcdefghijklmnopqrst", 1, 3);
    Key(kKeyHome);
    for (int i = 0; i < 5; ++i) Key(kKeyRight);
    StartDrawRecording();
    field->Draw();
    StopDrawRecording();

    const TDrawCall* text = nullptr;
    const TDrawCall* cursor = nullptr;
    for (const TDrawCall& call : RecordedDrawCalls()) {
        if (call.kind == TDrawKind::Text && call.text != "Name") text = &call;
        if (call.kind == TDrawKind::Rectangle) cursor = &call;
    }
    ASSERT_TRUE(text && cursor);
    EXPECT_EQ(text->text, "jklmnopqrst");
    // Centred: 2 + 100 div 2 - 88 div 2 = 8 in from the left, below the caption.
    EXPECT_FLOAT_EQ(text->x, 28.0f);
    EXPECT_FLOAT_EQ(text->y, 30.0f + float(TextHeightOf("Name")) + 2.0f);
    // Cursor 5 of the whole text, placed 5 glyphs into the tail shown.
    EXPECT_FLOAT_EQ(cursor->x, 28.0f + 40.0f);
    EXPECT_FLOAT_EQ(cursor->x2, 2.0f);

    // Characters the font gives no width fit whatever their number.
    field->SetValue(std::string(40, '\xe9'), 0, 3);
    StartDrawRecording();
    field->Draw();
    StopDrawRecording();
    bool shownWhole = false;
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text && call.text.size() == 40) shownWhole = true;
    EXPECT_TRUE(shownWhole);
}
