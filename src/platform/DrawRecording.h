#pragma once
// A recording of drawing calls for tests: while it is on, every text, image, tile and
// primitive call appends what it drew and the drawing state of that moment, also while
// graphics are headless and drawing is inert. Off, it costs each call one test of a flag.
#include <string>
#include <vector>

#include "platform/TDrawCall.h"

// Set while recording; read inline by the drawing calls.
extern bool drawRecordingOn;

// Drops earlier records and starts recording.
void StartDrawRecording();
// Stops recording; the records stay readable.
void StopDrawRecording();
// The records so far, oldest first.
const std::vector<TDrawCall>& RecordedDrawCalls();
// Drops the records; recording goes on if it was on.
void ClearDrawRecording();
// Append a call with the current drawing state. Used by the drawing calls while recording.
void RecordShapeCall(TDrawKind kind, float x, float y, float x2 = 0.0f, float y2 = 0.0f);
void RecordTextCall(const std::string& text, float x, float y);
void RecordImageCall(TDrawKind kind, const TImage& image, float x, float y, int frame);
// Recording off, records dropped.
void ResetDrawRecording();
