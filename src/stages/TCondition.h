#pragma once
// End conditions of a stage: when met they hand out rewards and may move the game on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TLevel;

// A condition of a stage. Armed when its stage starts, it fires once when met (its own
// test and its AND part's), then waits for the next start of its stage.
class TCondition {
public:
    // Appends a reward command, run in order of addition.
    virtual void AddCommand(const std::string& command);
    // Runs every reward command.
    virtual void RunCommands();
    // Fires when armed and met: next stage, rewards, stage sound, disarmed. True when it fired.
    virtual uint8_t Check();
    // Allows the condition to fire; subclasses also take their baseline.
    virtual void Arm();
    // The AND part's test when one is attached, else true; subclasses add their own test.
    virtual uint8_t IsMet();
    // Attaches a further condition that must be met as well (never armed itself).
    virtual void SetAnd(const std::shared_ptr<TCondition>& condition);
    // Sets the stage made current when the condition fires.
    virtual void SetNext(const std::shared_ptr<TLevel>& level);
    virtual ~TCondition() = default;

    // The condition may fire.
    uint8_t armed = 0;
    // Stage made current when the condition fires; empty = rewards only. Not owning: the
    // stage table owns the stages, whose conditions lead in circles.
    std::weak_ptr<TLevel> nextLevel;
    // Reward commands, in order of addition.
    std::vector<std::string> commands;
    // A further condition that must be met as well, or null.
    std::shared_ptr<TCondition> andCondition;
};
