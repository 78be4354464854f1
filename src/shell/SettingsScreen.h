#pragma once
// The settings screen, drawn over the title battle or the paused game: pages for display,
// sound, player, controls and accessibility, worked by keyboard, mouse or pad. Every change
// applies at once where it can and is written at once into Options.ini and Keys.ini, keeping
// every line it does not change.

// Opens it on its page list (from the title: F2 or S, pad Back; paused: F2, pad Back).
void OpenSettings();
// 1 while it is open.
int SettingsOpen();
// Once a pass while open: reads the menu moves, typing and binding, applies and saves.
// Backspace, the right mouse button and pad B go back a level and finally close it.
void UpdateSettingsScreen();
// Draws it over whatever is behind, in interface coordinates (UiScale).
void DrawSettingsScreen();
// Closes it, as at start-up.
void ResetSettingsScreen();
