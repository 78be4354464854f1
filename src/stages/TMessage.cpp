#include "stages/TMessage.h"

#include <cstdint>

#include "particles/ParticleEngine.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/StateResets.h"
#include "world/GameClock.h"

namespace {
std::unique_ptr<TList<TMessage>> messageList = std::make_unique<TList<TMessage>>();

// Share of the display time spent fading in at the start and out at the end.
constexpr float kFadeShare = 0.1f;
}  // namespace

TList<TMessage>* messages = messageList.get();
float messageCentreX = 0.0f, messageCentreY = 0.0f;
float messageStackHeight = 0.0f;
float messageDrawOffset = 0.0f;

void TMessage::InitMessages() {
    messageCentreX = float(GraphicsWidth()) / 2.0f;
    messageCentreY = float(GraphicsHeight()) / 2.0f;
    messageList = std::make_unique<TList<TMessage>>();
    messages = messageList.get();
}

void TMessage::UpdateMessages() {
    messageStackHeight = 0.0f;
    messages->ForEach([](const std::shared_ptr<TMessage>& message) { message->Update(); });
}

void TMessage::DrawMessages() {
    SetDrawRotation(0.0f);
    SetBlendMode(kBlendAlpha);
    messageDrawOffset = 0.0f;
    messages->ForEach([](const std::shared_ptr<TMessage>& message) { message->Draw(); });
    SetDrawAlpha(1.0f);
    SetDrawScale(1.0f, 1.0f);
    SetDrawColor(255, 255, 255);
}

std::shared_ptr<TMessage> TMessage::Create(const std::string& text, int duration, float scale, int colour) {
    auto message = std::make_shared<TMessage>();
    message->text = text;
    message->scale = scale;
    message->height = int(float(TextHeightOf(text)) * scale);
    message->width = int(float(TextWidthOf(text)) * scale);
    // The clock wraps, so the end time is summed unsigned.
    message->endTime = int(uint32_t(gameClock) + uint32_t(duration));
    message->duration = duration;
    message->colour = colour;
    message->link = messages->Append(message);
    return message;
}

void TMessage::ShiftClock(int moved) {
    messages->ForEach([moved](const std::shared_ptr<TMessage>& message) {
        message->endTime = int(uint32_t(message->endTime) + uint32_t(moved));
    });
}

void TMessage::Draw() {
    // Time left, as a share of the display time: 1 when new, 0 when up.
    int left = int(uint32_t(endTime) - uint32_t(gameClock));
    if (left <= 0 || duration <= 0) return;
    float f = float(left) / float(duration);
    SetDrawScale(scale, scale);
    if (f < kFadeShare)
        SetDrawAlpha(f / kFadeShare);
    else if (f > 1.0f - kFadeShare)
        SetDrawAlpha((1.0f - f) / kFadeShare);
    else
        SetDrawAlpha(1.0f);
    float top = messageCentreY - (messageStackHeight + float(height)) / 2.0f + messageDrawOffset;
    float leftX = messageCentreX - float(width) / 2.0f;
    SetDrawColor(0, 0, 0);
    DrawTextAt(text, leftX + scale, top + scale);
    SetColour(colour);
    DrawTextAt(text, leftX, top);
    messageDrawOffset += float(height);
}

void TMessage::Update() {
    if (int(uint32_t(endTime) - uint32_t(gameClock)) < 0) {
        if (auto node = link.lock()) node->Remove();
    } else {
        messageStackHeight += float(height);
    }
}

void TMessage::SetColour(int rgb) { SetDrawColorRGB(rgb); }

void ResetMessages() {
    messageList = std::make_unique<TList<TMessage>>();
    messages = messageList.get();
    messageCentreX = messageCentreY = 0.0f;
    messageStackHeight = 0.0f;
    messageDrawOffset = 0.0f;
}

namespace {
const int stateResetRegistered = RegisterStateReset("messages", kResetRankStages, &ResetMessages);
}  // namespace
