// tavrik_assetgen GAME_DIR [SHEET.png]: writes every asset of the game into GAME_DIR.
// tavrik_assetgen --icons ICON_DIR: writes the desktop icons into ICON_DIR/<size>x<size>/apps/.
#include <cstdio>
#include <string>

#include "AssetGen.h"

int main(int argc, char** argv) {
    if (argc < 2 || (argc < 3 && std::string(argv[1]) == "--icons")) {
        std::fprintf(stderr, "usage: %s GAME_DIR [SHEET.png] | --icons ICON_DIR\n", argv[0]);
        return 2;
    }
    const bool icons = std::string(argv[1]) == "--icons";
    int failures = icons ? GenerateIcons(argv[2]) : GenerateAll(argv[1], argc > 2 ? argv[2] : "");
    if (failures) std::fprintf(stderr, "%d %s failed\n", failures, icons ? "icon(s)" : "asset(s)");
    return failures ? 1 : 0;
}
