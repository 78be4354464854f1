#pragma once
// The camera that follows one world object, and the view helpers the world uses with it.
#include <memory>

class TGObject;
class TSound;

extern std::shared_ptr<TGObject> cameraTarget;  // the object followed (kept after its death)
extern float focusX, focusY;                    // world point shown at the screen centre
extern float trailX, trailY;                    // trailing point of camera modes 1 and 2
extern float cameraX, cameraY;                  // world position of the screen's top-left corner

// Moves the focus per cameraMode: 0 on the target, 1 ahead along its motion, 2 smoothed ahead.
void UpdateCameraFocus();
// Before the first game: keeps the camera on a living ship of the title battle, the first in
// the world list, and on the next one when it dies. Once a game has started it does nothing.
void FollowTitleBattle();
// cameraX/Y = focus minus half the screen (integer halves).
void UpdateCameraOrigin();
// Whether a world point lies on the screen, widened by margin pixels on every side.
bool IsOnScreen(float x, float y, int margin);
// Plays a sound with a volume falling with the squared distance from the screen centre;
// silent from twice the screen width on.
void PlaySoundAt(const std::shared_ptr<TSound>& sound, int x, int y);
// The volume factor PlaySoundAt uses for a point, 0 when silent.
float SoundFalloffAt(int x, int y);
// Heading from point 1 to point 2 in [0, 360): 0 up, 90 right.
float AngleTo(float x1, float y1, float x2, float y2);
// Distance between two points.
float DistanceBetween(float x1, float y1, float x2, float y2);
// The camera back to its start-up state.
void ResetCamera();
