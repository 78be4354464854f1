#pragma once
// The stage table: the eleven stages with their enemy mixes, conditions and rewards.

// Fills levels[0..10]. Once at start-up, after the sounds are loaded.
void CreateStageTable();
