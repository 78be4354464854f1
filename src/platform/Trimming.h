#pragma once
// Trimming: images drawn under the light, alpha and mask blend modes skip the texels that
// cannot change the screen (their frame's outline, see TFrameOutline), and the fill that
// is left is counted. Setting TAVRIK_NO_TRIM=1 in the environment switches trimming off,
// so that a test or benchmark can compare the two; the output is the same either way.

// Pixel areas handed to the rasteriser by image drawing, summed since the last reset.
struct TFillCounters {
    double filled = 0.0;   // pixels covered by the quads and polygons drawn
    double changed = 0.0;  // of those, pixels over a non-empty texel (an estimate under filtering)
};

// 1 while trimming is on: from the environment at start-up, or as last set.
int TrimmingOn();
// Switches trimming on or off for this process (tests and benchmarks).
void SetTrimming(int on);
// The counters; tests and benchmarks zero them by assigning TFillCounters{}.
TFillCounters& FillCounters();

// What the back buffer holds, kept by the drawing layer: after a clear to black and before
// anything else is drawn or the buffers are flipped, every pixel is known to be black, and
// adding light over it is the same as copying. Called by every drawing operation.
void NoteScreenCleared(int black);
void NoteScreenDrawn();
// 1 while the back buffer is known to be all black.
int ScreenKnownBlack();
