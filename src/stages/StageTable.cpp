#include "stages/StageTable.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "stages/TCondition_leveltime.h"
#include "stages/TCondition_newkills.h"
#include "stages/TLevel.h"

namespace {

using Commands = std::vector<std::string>;

// A stage: its name, enemy limit and enemy kinds with weights, in order of addition.
struct StageRow {
    const char* name;
    int limit;
    std::vector<std::pair<int, int>> mix;
};

// The kinds of condition in the table.
enum class Kind { kKills, kTime };

// Conditions of a stage: one condition per threshold (new kills, or ms in the stage), each
// with its own copy of the commands; andKills > 0 attaches an AND part of that many kills;
// next is the index of the stage made current, or kNoNext.
struct ConditionRow {
    int stage;
    Kind kind;
    std::vector<int> thresholds;
    int andKills;
    int next;
    Commands commands;
};

constexpr int kNoNext = -1;
constexpr int kNoAnd = 0;
// The two timed ends of a main stage: to its bonus stage at 89 s, onward at 90 s.
constexpr int kBonusExitMs = 89000;
constexpr int kStageExitMs = 90000;
// A bonus stage: a notice after 1 s, the end after 30 s.
constexpr int kBonusNoticeMs = 1000;
constexpr int kBonusLengthMs = 30000;

const std::vector<StageRow>& Stages() {
    static const std::vector<StageRow> rows = {
        {"", 30, {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}},
        {"First Stage", 2, {{1, 3}, {2, 2}, {3, 3}, {4, 3}, {5, 3}, {6, 2}}},
        {"Second Stage", 3,
         {{1, 3}, {2, 2}, {3, 3}, {4, 3}, {5, 3}, {6, 2}, {10, 2}, {11, 2}, {12, 2}, {13, 2}, {14, 2}, {15, 1}}},
        {"Third Stage", 4,
         {{1, 6}, {2, 4}, {3, 6}, {4, 6}, {5, 6}, {6, 6}, {10, 4}, {11, 4}, {12, 4}, {13, 4}, {14, 4}, {15, 4},
          {21, 2}, {22, 2}}},
        {"4th Stage", 4,
         {{10, 5}, {11, 5}, {12, 5}, {13, 5}, {14, 5}, {15, 4}, {20, 3}, {21, 1}, {22, 2}, {23, 1}, {24, 1}}},
        {"Final Stage", 3, {{20, 3}, {21, 1}, {22, 2}, {23, 1}, {24, 2}}},
        {"Bonus Stage 1", 4, {{2, 1}}},
        {"Bonus Stage 2", 4, {{11, 1}}},
        {"Bonus Stage 3", 4, {{13, 1}}},
        {"Bonus Stage 4", 4, {{21, 1}}},
        {"Bonus Stage 5", 4, {{23, 1}}},
    };
    return rows;
}

const std::vector<ConditionRow>& Conditions() {
    static const std::vector<int> bonusKills = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    static const Commands milestone = {"rocket0,5", "rocket1,3", "rocket2,1", "msg,Got reward", "msg,5+3+1 rockets"};
    static const Commands onward = {"points,5", "buddy", "msg,Got reward", "msg,5 points"};
    static const Commands bonusNotice = {"msg,30 Seconds..."};
    static const Commands gameEnd = {"points,5", "buddy", "multiplydifficulty,1.5", "msg,Got reward", "msg,5 points",
                              "msg,GAME END", "msg,STARTS AGAIN WITH STAGE 1", "msg,Increased difficulty"};
    static const std::vector<ConditionRow> rows = {
        {1, Kind::kKills, {5, 10}, kNoAnd, kNoNext, {"rocket0,5", "rocket1,3", "msg,Got rewards", "msg,5+3 rockets"}},
        {1, Kind::kTime, {kBonusExitMs}, 15, 6,
         {"rocket0,5", "rocket1,3", "rocket2,1", "points,5", "msg,Got reward", "msg,5 points", "msg,5+3+1 rockets"}},
        {1, Kind::kTime, {kStageExitMs}, 10, 2, onward},

        {2, Kind::kKills, {5, 10, 15}, kNoAnd, kNoNext, milestone},
        {2, Kind::kTime, {kBonusExitMs}, 20, 7,
         {"rocket0,1", "rocket1,5", "rocket2,3", "points,5", "msg,Got reward", "msg,5 points", "msg,1+5+3 rockets"}},
        {2, Kind::kTime, {kStageExitMs}, 15, 3, onward},

        {3, Kind::kKills, {5, 10, 15}, kNoAnd, kNoNext, milestone},
        {3, Kind::kTime, {kBonusExitMs}, 20, 8,
         {"rocket0,1", "rocket1,5", "rocket2,3", "buddy", "points,5", "msg,Got reward", "msg,5 points",
          "msg,1+5+3 rockets"}},
        {3, Kind::kTime, {kStageExitMs}, 15, 4, {"points,5", "msg,Got reward", "msg,5 points"}},

        {4, Kind::kKills, {5, 10, 15, 20, 25, 30}, kNoAnd, kNoNext,
         {"rocket0,1", "rocket1,5", "rocket2,3", "msg,Got reward", "msg,1+5+3 rockets"}},
        {4, Kind::kTime, {kBonusExitMs}, 30, 9,
         {"points,5", "rocket0,1", "rocket1,5", "rocket2,3", "msg,Got reward", "msg,1+5+3 rockets", "msg,5 points"}},
        {4, Kind::kTime, {kStageExitMs}, 15, 5, onward},

        {5, Kind::kKills, {10, 10, 10}, kNoAnd, kNoNext, {"rocket1,5", "rocket2,5", "msg,Got reward", "msg,0+5+5 rockets"}},
        {5, Kind::kTime, {kBonusExitMs}, 20, 10,
         {"points,5", "rocket1,5", "rocket2,5", "msg,Got reward", "msg,0+5+5 rockets", "msg,5 points"}},
        {5, Kind::kTime, {kStageExitMs}, 15, 6, gameEnd},

        {6, Kind::kTime, {kBonusNoticeMs}, kNoAnd, kNoNext, bonusNotice},
        {6, Kind::kKills, bonusKills, kNoAnd, kNoNext,
         {"rocket0,1", "rocket1,1", "points,1", "msg,Got reward: 1+1 rockets and 1 point"}},
        {6, Kind::kTime, {kBonusLengthMs}, kNoAnd, 2, {"buddy", "msg,END Bonusstage 1"}},

        {7, Kind::kTime, {kBonusNoticeMs}, kNoAnd, kNoNext, bonusNotice},
        {7, Kind::kKills, bonusKills, kNoAnd, kNoNext,
         {"rocket0,1", "rocket1,1", "rocket2,1", "points,1", "msg,Got reward: 1+1+1 rockets and 1 point"}},
        {7, Kind::kTime, {kBonusLengthMs}, kNoAnd, 3, {"buddy", "msg,END Bonusstage 2"}},

        {8, Kind::kTime, {kBonusNoticeMs}, kNoAnd, kNoNext, bonusNotice},
        {8, Kind::kKills, bonusKills, kNoAnd, kNoNext,
         {"rocket0,2", "rocket1,2", "rocket2,1", "points,2", "msg,Got reward: 2+2+1 rockets and 2 points"}},
        {8, Kind::kTime, {kBonusLengthMs}, kNoAnd, 4, {"buddy", "msg,END Bonusstage 3"}},

        {9, Kind::kTime, {kBonusNoticeMs}, kNoAnd, kNoNext, bonusNotice},
        {9, Kind::kKills, bonusKills, kNoAnd, kNoNext,
         {"rocket0,2", "rocket1,2", "rocket2,2", "points,3", "msg,Got reward: 2+2+2 rockets and 3 points",
          "msg,3 points"}},
        {9, Kind::kTime, {kBonusLengthMs}, kNoAnd, 5, {"buddy", "msg,END Bonusstage 4"}},

        {10, Kind::kTime, {kBonusNoticeMs}, kNoAnd, kNoNext, bonusNotice},
        {10, Kind::kKills, bonusKills, kNoAnd, kNoNext,
         {"rocket0,3", "rocket1,3", "rocket2,2", "points,5", "msg,Got reward: 3+3+2 rockets and 5 points"}},
        {10, Kind::kTime, {kBonusLengthMs}, kNoAnd, 1, gameEnd},
    };
    return rows;
}

// One condition of a row with one of its thresholds.
std::shared_ptr<TCondition> MakeCondition(const ConditionRow& row, int threshold) {
    std::shared_ptr<TLevel> next = row.next == kNoNext ? nullptr : levels[size_t(row.next)];
    std::shared_ptr<TCondition> condition;
    if (row.kind == Kind::kKills) {
        condition = TCondition_newkills::Create(threshold, next);
    } else {
        condition = TCondition_leveltime::Create(threshold, next);
    }
    for (const std::string& command : row.commands) condition->AddCommand(command);
    if (row.andKills != kNoAnd) condition->SetAnd(TCondition_newkills::Create(row.andKills, nullptr));
    return condition;
}

}  // namespace

void CreateStageTable() {
    levels.fill(nullptr);
    const std::vector<StageRow>& stages = Stages();
    for (size_t i = 0; i < stages.size(); ++i) levels[i] = TLevel::Create(stages[i].name, stages[i].limit);
    for (size_t i = 0; i < stages.size(); ++i) {
        for (const auto& [kind, weight] : stages[i].mix) levels[i]->AddEnemy(kind, weight);
        for (const ConditionRow& row : Conditions()) {
            if (row.stage != int(i)) continue;
            for (int threshold : row.thresholds) levels[i]->AddCondition(MakeCondition(row, threshold));
        }
    }
}
