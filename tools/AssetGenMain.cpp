// tavrik_assetgen GAME_DIR [SHEET.png]: writes every asset of the game into GAME_DIR.
#include <cstdio>

#include "AssetGen.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s GAME_DIR [SHEET.png]\n", argv[0]);
        return 2;
    }
    int failures = GenerateAll(argv[1], argc > 2 ? argv[2] : "");
    if (failures) std::fprintf(stderr, "%d asset(s) failed\n", failures);
    return failures ? 1 : 0;
}
