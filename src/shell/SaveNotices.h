#pragma once
// Saves that fail tell the player: a line on standard error and a message on the screen,
// "<what> not saved: <reason>". Other things that went wrong for the player go the same way.
#include <string>

// Reports a failed save of "settings" or "score". Before the screen's messages run (the first
// start's settings), the on-screen message waits for ShowStartUpSaveNotices.
void ReportUnsaved(const std::string& what, const std::string& reason);
// Reports any such text: on standard error, and on the screen as soon as it shows messages.
void ReportToPlayer(const std::string& text);
// Shows the messages of the saves that failed during start-up; from then on they show at once.
// Once at start-up, after the game clock started.
void ShowStartUpSaveNotices();
// No waiting messages; the screen's messages not yet running.
void ResetSaveNotices();
