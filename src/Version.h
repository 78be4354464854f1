#pragma once
// The game's name and version, as the window title, the highscore checksum and the online
// protocol use it. Defined here once.
inline constexpr const char kVersionText[] = "Tavrik 0.91";
