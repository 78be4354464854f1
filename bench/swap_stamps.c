// Swap stamps: preloaded into the game by bench/measure_binary.sh so that its frames can be
// counted from outside. Each glXSwapBuffers is passed on to the real one, then the time it
// returned (CLOCK_MONOTONIC, in nanoseconds) is appended as one line to the file named by
// TAVRIK_SWAP_STAMPS. Without that variable the swap is only passed on.
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapBuffersProc)(Display*, GLXDrawable);

static SwapBuffersProc realSwap;
static int stampFile = -2;  // -2: not opened yet, -1: no file wanted or it could not be opened

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    if (!realSwap) realSwap = (SwapBuffersProc)dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (realSwap) realSwap(display, drawable);
    if (stampFile == -2) {
        const char* path = getenv("TAVRIK_SWAP_STAMPS");
        stampFile = path && *path ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    if (stampFile < 0) return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // One write per line, so that a reader never counts half a stamp.
    char line[32];
    int length = snprintf(line, sizeof line, "%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    if (write(stampFile, line, (size_t)length) < 0) stampFile = -1;
}
