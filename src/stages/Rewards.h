#pragma once
// Reward commands: "key,argument" strings that give the player rockets, points, hit points,
// a buddy, a higher difficulty or a message.
#include <string>

// Runs one command; an unknown key does nothing.
void RunRewardCommand(const std::string& command);
