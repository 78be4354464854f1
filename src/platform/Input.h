#pragma once
// Polled input (keys, typed characters, mouse), clocks, tick timers, date texts and the
// random generator. Everything is read from the main thread; window events are turned into
// the Apply* events below by the graphics layer, and tests feed the same events directly.
#include <memory>
#include <string>

class TTimer;

// ---- Key codes the game reads ----
constexpr int kKeyBackspace = 8;
constexpr int kKeyReturn = 13;  // Return and keypad Enter
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyDelete = 46;
constexpr int kKey1 = 49;
constexpr int kKey2 = 50;
constexpr int kKey3 = 51;
constexpr int kKeyA = 65;  // letters by their upper-case code, either case
constexpr int kKeyD = 68;
constexpr int kKeyN = 78;
constexpr int kKeyO = 79;
constexpr int kKeyR = 82;
constexpr int kKeyS = 83;
constexpr int kKeyV = 86;
constexpr int kKeyW = 87;
constexpr int kKeyF2 = 113;
constexpr int kKeyLeftAlt = 164;

// Mouse buttons.
constexpr int kMouseLeft = 1;
constexpr int kMouseRight = 2;
constexpr int kMouseMiddle = 3;

// ---- Input reads (each first polls pending window events) ----
// Presses of the key since the last call for it; resets the count.
int KeyWasHit(int code);
// 1 while the key is held.
int KeyIsDown(int code);
// The oldest waiting typed character (Latin-1), removed; 0 when none waits.
int NextTypedChar();
// Polls, then clears key state, key hits and the typed characters; mouse buttons stay.
void FlushInput();
// Presses of a mouse button (1 left, 2 right, 3 middle) since the last call; resets it.
int MouseButtonHit(int button);
// 1 while the button is held.
int MouseButtonDown(int button);
// Last pointer position in window pixels.
int PointerX();
int PointerY();
// Accumulated wheel steps (+1 away from the user).
int MouseWheel();
// Warps the pointer to a window position.
void MovePointer(int x, int y);
// Replaces the window's cursor by an empty one.
void HidePointer();
// Gives the window the desktop's usual cursor back.
void ShowPointer();
// Times the window lost the focus (another window took it, or it was iconified) since the
// last call; resets the count.
int FocusWasLost();
// 1 while the window has the keyboard focus, as of the last poll (it has from the start until
// first lost).
int WindowHasFocus();
// Clears the counted key, button and pad hits; keys and buttons held stay held.
void ClearInputHits();
// Counts every time counted hits were dropped (ClearInputHits, FlushInput, graphics opening
// or closing), so a reader that keeps hits of its own can drop them too.
unsigned InputHitsDropped();
// Counts every key and mouse button press (wrapping), so a reader sees cheaply whether any
// came since it last looked.
unsigned KeyAndButtonPresses();
// What the latest press counted there was: a key's code, or minus a mouse button; 0 before any.
int LastKeyOrButtonPressed();
// Writes text and CR LF to standard output and flushes.
void ShowNotice(const std::string& text, int serious);
// A developer's note on standard error; silent unless TAVRIK_DEBUG=1 is in the environment.
void DebugNote(const std::string& text);
// 1 when TAVRIK_DEBUG=1 is set (read at each call).
int DebugNotesOn();

// ---- Input events: the graphics layer's event translation, or a test, calls these ----
// Events are applied only while graphics are open.
void ApplyKeyDown(int code);
void ApplyKeyUp(int code);
void ApplyKeyRepeat(int code);
void ApplyTypedChar(int character);
void ApplyMouseDown(int button);
void ApplyMouseUp(int button);
void ApplyPointerMoved(int x, int y);
void ApplyWheel(int step);
// Losing the focus releases every held key, mouse button and pad control: their releases
// go to another window.
void ApplyFocusLost();
void ApplyFocusGained();
// Clears keys and mouse state (graphics opening or closing does this).
void ClearInputState();
// Turns polling of window events on read on or off (on by default).
void SetAutoPoll(int on);
// Takes pending window events, then runs the timer update if the alarm fired since.
void PollEvents();
// The program's own key code for an X keysym (its low byte translated).
int KeyCodeForKeysym(unsigned long keysym);

// ---- Clock and delay ----
// Milliseconds since boot (uptime-based, signed 32-bit); only differences matter.
int MilliClock();
// Waits about ms milliseconds (1 ms resolution, no busy wait); returns the ms waited.
int DelayMs(int ms);
// Starts the 1 ms alarm and its handler (once per run). The alarm is blocked on every
// thread but the main one.
void StartAlarmTimer();
// 1 when the alarm could not be made: then every poll updates the tick timers from the clock.
int AlarmTimerMissing();
// Tests, in a forked child: the next StartAlarmTimer fails as if the system refused it.
void SimulateAlarmTimerFailure();
// Blocks the alarm signal on the calling thread (threads other than the main one call this).
void BlockAlarmSignal();

// Test clock: while on, MilliClock reads a counter that only tests and DelayMs advance,
// and every poll updates the tick timers as if the alarm had fired.
void UseFakeClock(int startMs);
void UseRealClock();
int FakeClockActive();
void AdvanceFakeClock(int ms);

// ---- Tick timers ----
// A timer ticking hz times a second, advanced at polls; null if it cannot be made.
std::shared_ptr<TTimer> CreateTickTimer(int hz);
int TimerTickCount(const std::shared_ptr<TTimer>& timer);
// The whole periods passed since the timer was made (polls first, like TimerTickCount).
int TimerPeriodCount(const std::shared_ptr<TTimer>& timer);
// Advances every live timer to the clock (what the alarm dispatch does at a poll).
void UpdateTickTimers();

// ---- Date and time ----
// "%d %b %Y" of the local time, e.g. "08 Dec 2026".
std::string CurrentDateText();
// "%H:%M:%S" of the local time.
std::string CurrentTimeText();

// ---- Random numbers (Park-Miller minimal standard, multiplier 48271) ----
// The cosmetic stream: particles, effects, music order, splash pictures. Nothing that changes
// a game may draw from it.
void SeedRandom(int seed);
// lo + trunc(r * (hi - lo + 1)), inclusive of both ends.
int RandomInt(int a, int b);
// lo + r * (hi - lo).
float RandomFloat(float a, float b);
// The generator's raw state (tests).
int RandomState();
// The game's stream: everything that changes a game (guns, stages, rewards, enemies). It is
// seeded at the start of each game, and the seed is recorded with it.
void SeedGameRandom(int seed);
int GameRandomInt(int a, int b);
float GameRandomFloat(float a, float b);
int GameRandomState();

// Back to start-up values: input state, fake clock off, timers forgotten, both streams seeded 4660.
void ResetInputAndTiming();
