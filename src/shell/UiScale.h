#pragma once
// The scale of the interface: HUD, radar, messages, panels, the pause panel, the frame-rate
// readout and the settings screen are laid out on a logical screen of the window's size
// divided by the scale and drawn that much larger, the font with nearest-neighbour filtering.
// Only scales at which the logical screen still holds every panel are used.

// Options.ini key: "UI Scale", 0 for auto, or 1..3.
extern const char* const kUiScaleKey;
constexpr int kUiScaleAuto = 0;
constexpr int kMaxUiScale = 3;
// Auto picks 2 from this window width on, 3 from the next (never more than fits).
constexpr int kAutoScale2Width = 2560;
constexpr int kAutoScale3Width = 3840;

// The setting: kUiScaleAuto or 1..kMaxUiScale; default auto.
extern int uiScaleSetting;

// The largest scale whose logical screen holds every panel in a width x height window (>= 1).
int MaxUiScaleFor(int width, int height);
// The scale the setting gives in a width x height window: auto by width, always capped by
// MaxUiScaleFor.
int UiScaleFor(int setting, int width, int height);
// The scale in use now, for the current window (gfxWidth x gfxHeight).
int UiScale();
// The logical screen the interface is laid out on: gfxWidth / UiScale(), gfxHeight / UiScale().
int UiWidth();
int UiHeight();
// Drawing from here on is laid out on the logical screen (UiWidth() x UiHeight()) and drawn
// UiScale() times larger: the HUD, panels, messages and the settings screen draw between these.
void BeginInterfaceDrawing();
// Back to window pixels at scale 1, as the world and the pointer are drawn.
void EndInterfaceDrawing();
