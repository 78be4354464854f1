#pragma once
// The title screen's text panel (the game-over screen is the same screen after a game) and
// the recording of a finished game's score.
#include <memory>

class TTextfield;

// The title screen's panel; null while a game runs, which makes the next entry to the
// title screen record the finished game and build a new panel.
extern std::shared_ptr<TTextfield> titlePanel;
// Whether the panel's start line names the pad's button (it was built with a pad connected).
extern bool titleNamesPad;

// Replaces titlePanel by a new one: the highscore table, the last score, the keys, the
// credits and, with the music on, the track.
void BuildTitlePanel();
// Reloads the highscore table, adds the score of a player's ship that was destroyed,
// sorts, trims and saves the table.
void RecordFinishedGame();
// The panel dropped, as at start-up.
void ResetTitleScreen();
