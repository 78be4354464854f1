#include "stages/TLevel.h"

std::array<std::shared_ptr<TLevel>, 20> levels;
std::shared_ptr<TLevel> currentLevel;

void TLevel::SetCurrent(const std::shared_ptr<TLevel>& level) { currentLevel = level; }
void TLevel::UpdateStage() {}
