#include "stages/TMessage.h"

// Placeholder until the messages land.
void TMessage::InitMessages() {}
void TMessage::UpdateMessages() {}
void TMessage::DrawMessages() {}
std::shared_ptr<TMessage> TMessage::Create(const std::string& text, int duration, float scale, int colour) {
    auto message = std::make_shared<TMessage>();
    message->text = text;
    message->duration = duration;
    message->scale = scale;
    message->colour = colour;
    return message;
}
