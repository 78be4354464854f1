#pragma once
// The pictures the window shows as its icon in docks and task switchers.
#include <memory>
#include <vector>

class TPixmap;

// Installed: the menu entry's own icons from the hicolor theme beside the data folder.
// Portable, or when those are missing: the player's ship from gfx/, on a square of each size.
std::vector<std::shared_ptr<TPixmap>> LoadWindowIcons();
