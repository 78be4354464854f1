#include "platform/DrawRecording.h"

#include "platform/Graphics.h"
#include "platform/StateResets.h"
#include "platform/TImage.h"

bool drawRecordingOn = false;

namespace {
// The records, oldest first.
std::vector<TDrawCall> recorded;
}  // namespace

void StartDrawRecording() {
    recorded.clear();
    drawRecordingOn = true;
}

void StopDrawRecording() { drawRecordingOn = false; }

const std::vector<TDrawCall>& RecordedDrawCalls() { return recorded; }

void ClearDrawRecording() { recorded.clear(); }

namespace {
// Appends a call with the current drawing state filled in.
void Record(TDrawCall& call) {
    const TDrawState& s = DrawState();
    call.red = s.colorRed;
    call.green = s.colorGreen;
    call.blue = s.colorBlue;
    call.alpha = s.alpha;
    call.scaleX = s.scaleX;
    call.scaleY = s.scaleY;
    call.rotation = s.rotation;
    call.blendMode = s.blendMode;
    call.interfaceScale = s.interfaceScale;
    recorded.push_back(std::move(call));
}
}  // namespace

void RecordShapeCall(TDrawKind kind, float x, float y, float x2, float y2) {
    TDrawCall call;
    call.kind = kind;
    call.x = x;
    call.y = y;
    call.x2 = x2;
    call.y2 = y2;
    Record(call);
}

void RecordTextCall(const std::string& text, float x, float y) {
    TDrawCall call;
    call.kind = TDrawKind::Text;
    call.text = text;
    call.x = x;
    call.y = y;
    Record(call);
}

void RecordImageCall(TDrawKind kind, const TImage& image, float x, float y, int frame) {
    TDrawCall call;
    call.kind = kind;
    call.image = &image;
    call.imageWidth = image.width;
    call.imageHeight = image.height;
    call.frame = frame;
    call.x = x;
    call.y = y;
    Record(call);
}

void ResetDrawRecording() {
    drawRecordingOn = false;
    recorded = {};
}

namespace {
const int stateResetRegistered = RegisterStateReset("draw recording", kResetRankPlatform + 2, &ResetDrawRecording);
}  // namespace
