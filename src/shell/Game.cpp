#include "shell/Game.h"

int RunGame(int, char**) {
    return 0;
}
