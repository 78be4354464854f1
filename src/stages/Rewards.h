#pragma once
// Reward commands: "key,argument" strings that give the player rockets, points, hit points,
// a buddy, a higher difficulty or a message.
#include <string>

// Colour of the messages the "msg" command shows: green (8, 166, 0).
constexpr int kRewardMessageColour = 0x08A600;

// Runs one command; an unknown key does nothing. The key is matched in any letter case; the
// argument is everything after the first comma (without a comma, the whole command).
void RunRewardCommand(const std::string& command);
