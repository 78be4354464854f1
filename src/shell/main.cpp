// The program entry: everything else lives in the tavrik_core library.
#include "shell/Game.h"

int main(int argc, char** argv) {
    return RunGame(argc, argv);
}
