// The program entry: everything else lives in the tavrik_core library.
#include "platform/Audio.h"
#include "shell/Game.h"

int main(int argc, char** argv) {
    // The tools run without sound or display.
    const int toolCode = RunTool(argc, argv);
    if (toolCode != kNotATool) return toolCode;
    // The sound output runs for the whole program, started before anything else.
    StartAudioDriver();
    const int code = RunGame(argc, argv);
    StopAudioDriver();
    return code;
}
