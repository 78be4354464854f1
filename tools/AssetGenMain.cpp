// tavrik_assetgen GAME_DIR [SHEET.png]: writes every asset of the game into GAME_DIR.
// tavrik_assetgen --pictures-only GAME_DIR: writes only the pictures, GAME_DIR/gfx/ (quicker,
// for comparing them between machines).
// tavrik_assetgen --icons ICON_DIR: writes the desktop icons into ICON_DIR/<size>x<size>/apps/.
#include <cstdio>
#include <string>

#include "AssetGen.h"

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool icons = mode == "--icons", picturesOnly = mode == "--pictures-only";
    if (argc < 2 || ((icons || picturesOnly) && argc < 3)) {
        std::fprintf(stderr, "usage: %s GAME_DIR [SHEET.png] | --pictures-only GAME_DIR | --icons ICON_DIR\n", argv[0]);
        return 2;
    }
    int failures = icons          ? GenerateIcons(argv[2])
                   : picturesOnly ? GenerateAll(argv[2], "", false)
                                  : GenerateAll(argv[1], argc > 2 ? argv[2] : "", true);
    if (failures) std::fprintf(stderr, "%d %s failed\n", failures, icons ? "icon(s)" : "asset(s)");
    return failures ? 1 : 0;
}
