#include "stages/Rewards.h"

#include "platform/Text.h"
#include "shell/Shell.h"
#include "stages/TMessage.h"
#include "world/Roster.h"
#include "world/TShip.h"

namespace {
// Number of rocket types; the keys are "rocket0" and on.
constexpr int kRocketTypes = 3;

// The ship commands: rockets, points, hit points. False when the key is none of them.
bool RunShipCommand(const std::string& key, const std::string& argument) {
    for (int type = 0; type < kRocketTypes; ++type) {
        if (key != "rocket" + std::to_string(type)) continue;
        if (player) player->AddRockets(ParseInt(argument), type);
        return true;
    }
    if (key == "points") {
        if (player) player->AddPoints(ParseInt(argument));
        return true;
    }
    if (key == "hp") {
        // Whole hit points: a fraction in the argument is dropped.
        if (player) player->Heal(float(ParseInt(argument)));
        return true;
    }
    return false;
}
}  // namespace

void RunRewardCommand(const std::string& command) {
    int comma = FindText(command, ",");
    std::string key = comma > 0 ? LeftText(command, comma - 1) : command;
    std::string argument = comma > 0 ? MidText(command, comma + 1) : command;
    key = LowerText(key);

    if (RunShipCommand(key, argument)) return;
    if (key == "buddy")
        AddBuddy();
    else if (key == "multiplydifficulty")
        difficulty *= ParseFloat(argument);
    else if (key == "msg")
        TMessage::Create(argument, kMessageDuration, kMessageScale, kRewardMessageColour);
}
