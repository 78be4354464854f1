#include "stages/StageTable.h"

// Placeholder until the stages land.
void CreateStageTable() {}
