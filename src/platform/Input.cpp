// Input state, clocks, the 1 ms alarm, tick timers and date texts.
#include "platform/Input.h"
#include "platform/TRandomStream.h"

#include <signal.h>
#include <sys/syscall.h>
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Gamepad.h"
#include "platform/Graphics.h"
#include "platform/TTimer.h"
#include "platform/StateResets.h"

namespace {

// Polled input state, written by the Apply* events and read by the game.
struct InputState {
    int keyDown[256] = {};
    int keyHits[256] = {};
    int typed[256] = {};
    unsigned typedWrite = 0;
    unsigned typedRead = 0;
    int mouseDown[4] = {};
    int mouseHits[4] = {};
    int pointerX = 0;
    int pointerY = 0;
    int wheel = 0;
    int focusLost = 0;
    bool focused = true;
    unsigned hitsDropped = 0;
    unsigned presses = 0;
    int lastPressed = 0;
};

InputState input;
bool autoPoll = true;

// Clock: uptime-based milliseconds. The sound thread reads the clock too, so the clock's
// state is atomic: the base is fixed once (the first caller's value wins), and a test's fake
// clock can be read from any thread.
std::atomic<int64_t> clockBase{0};
std::atomic<bool> fakeClock{false};
std::atomic<int> fakeNow{0};

int64_t MonotonicMs();

// The clock's base, fixed on first use so the clock starts at the system uptime; from
// there it advances with the monotonic clock, which setting the system time cannot move.
int64_t ClockBase() {
    int64_t base = clockBase.load(std::memory_order_acquire);
    if (base != 0) return base;
    struct sysinfo info {};
    sysinfo(&info);
    int64_t fresh = MonotonicMs() - int64_t(info.uptime) * 1000;
    if (fresh == 0) fresh = 1;  // 0 means "not yet fixed"
    if (!clockBase.compare_exchange_strong(base, fresh, std::memory_order_acq_rel)) return base;
    return fresh;
}

// The alarm handler only records that it fired.
volatile sig_atomic_t alarmFired = 0;
bool alarmStarted = false;
// Without the alarm (it could not be made), every poll updates the tick timers instead.
bool alarmMissing = false;
timer_t alarmTimer{};

std::vector<std::weak_ptr<TTimer>> timers;

bool EventsApply() { return CurrentGraphics() != nullptr; }

void AutoPoll() {
    if (autoPoll) PollEvents();
}

int KeyIndex(int code) { return code & 0xFF; }

int ButtonIndex(int button) { return (button >= 1 && button <= 3) ? button : 0; }

int64_t MonotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void OnAlarm(int) { alarmFired = 1; }

// Tests make the next StartAlarmTimer fail as if the system refused the timer.
bool simulateAlarmFailure = false;

}  // namespace

// ---- Input reads ----

int KeyWasHit(int code) {
    AutoPoll();
    int i = KeyIndex(code);
    int hits = input.keyHits[i];
    input.keyHits[i] = 0;
    return hits;
}

int KeyIsDown(int code) {
    AutoPoll();
    return input.keyDown[KeyIndex(code)];
}

int NextTypedChar() {
    AutoPoll();
    if (input.typedRead == input.typedWrite) return 0;
    return input.typed[input.typedRead++ & 255];
}

void FlushInput() {
    PollEvents();
    std::fill(std::begin(input.keyDown), std::end(input.keyDown), 0);
    std::fill(std::begin(input.keyHits), std::end(input.keyHits), 0);
    input.typedRead = input.typedWrite = 0;
    ++input.hitsDropped;
}

int MouseButtonHit(int button) {
    AutoPoll();
    int i = ButtonIndex(button);
    if (!i) return 0;
    int hits = input.mouseHits[i];
    input.mouseHits[i] = 0;
    return hits;
}

int MouseButtonDown(int button) {
    AutoPoll();
    int i = ButtonIndex(button);
    return i ? input.mouseDown[i] : 0;
}

int PointerX() {
    AutoPoll();
    return input.pointerX;
}

int PointerY() {
    AutoPoll();
    return input.pointerY;
}

int MouseWheel() {
    AutoPoll();
    return input.wheel;
}

void MovePointer(int x, int y) { WarpWindowPointer(x, y); }

void HidePointer() { HideWindowPointer(); }

void ShowPointer() { ShowWindowPointer(); }

int FocusWasLost() {
    AutoPoll();
    int lost = input.focusLost;
    input.focusLost = 0;
    return lost;
}

int WindowHasFocus() { return input.focused ? 1 : 0; }

void ClearInputHits() {
    std::fill(std::begin(input.keyHits), std::end(input.keyHits), 0);
    std::fill(std::begin(input.mouseHits), std::end(input.mouseHits), 0);
    ClearGamepadHits();
    ++input.hitsDropped;
}

unsigned InputHitsDropped() { return input.hitsDropped; }

unsigned KeyAndButtonPresses() {
    AutoPoll();
    return input.presses;
}

int LastKeyOrButtonPressed() {
    AutoPoll();
    return input.lastPressed;
}

void ShowNotice(const std::string& text, int) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
    std::fflush(stdout);
}

int DebugNotesOn() {
    const char* value = std::getenv("TAVRIK_DEBUG");
    return value && std::strcmp(value, "1") == 0;
}

void DebugNote(const std::string& text) {
    if (!DebugNotesOn()) return;
    std::fprintf(stderr, "%s\n", text.c_str());
}

// ---- Input events ----

void ApplyKeyDown(int code) {
    if (!EventsApply()) return;
    int i = KeyIndex(code);
    if (input.keyDown[i]) return;
    input.keyDown[i] = 1;
    ++input.keyHits[i];
    ++input.presses;
    input.lastPressed = i;
}

void ApplyKeyUp(int code) {
    if (!EventsApply()) return;
    input.keyDown[KeyIndex(code)] = 0;
}

void ApplyKeyRepeat(int) {}

void ApplyTypedChar(int character) {
    if (!EventsApply()) return;
    if (input.typedWrite - input.typedRead >= 256) return;  // queue full: dropped
    input.typed[input.typedWrite++ & 255] = character & 0xFF;
}

void ApplyMouseDown(int button) {
    if (!EventsApply()) return;
    int i = ButtonIndex(button);
    if (!i || input.mouseDown[i]) return;
    input.mouseDown[i] = 1;
    ++input.mouseHits[i];
    ++input.presses;
    input.lastPressed = -i;
}

void ApplyMouseUp(int button) {
    if (!EventsApply()) return;
    int i = ButtonIndex(button);
    if (i) input.mouseDown[i] = 0;
}

void ApplyPointerMoved(int x, int y) {
    if (!EventsApply()) return;
    input.pointerX = x;
    input.pointerY = y;
}

void ApplyWheel(int step) {
    if (!EventsApply()) return;
    input.wheel += step;
}

void ApplyFocusLost() {
    if (!EventsApply()) return;
    ++input.focusLost;
    input.focused = false;
    std::fill(std::begin(input.keyDown), std::end(input.keyDown), 0);
    std::fill(std::begin(input.mouseDown), std::end(input.mouseDown), 0);
    ReleaseGamepadControls();
}

void ApplyFocusGained() {
    if (!EventsApply()) return;
    // What the pads did while another window had the focus is not the game's.
    PumpGamepads();
    input.focused = true;
}

void ClearInputState() {
    input.focusLost = 0;
    input.focused = true;
    ++input.hitsDropped;
    std::fill(std::begin(input.keyDown), std::end(input.keyDown), 0);
    std::fill(std::begin(input.keyHits), std::end(input.keyHits), 0);
    std::fill(std::begin(input.mouseDown), std::end(input.mouseDown), 0);
    std::fill(std::begin(input.mouseHits), std::end(input.mouseHits), 0);
}

void SetAutoPoll(int on) { autoPoll = on != 0; }

void PollEvents() {
    if (CurrentGraphics()) PumpWindowEvents();
    if (alarmFired || fakeClock || alarmMissing) {
        alarmFired = 0;
        UpdateTickTimers();
    }
}

// ---- Clock and delay ----

int MilliClock() {
    if (fakeClock) return fakeNow;
    int64_t base = ClockBase();
    // Wraps like a signed 32-bit counter, without overflow in the arithmetic.
    return int(uint32_t(uint64_t(MonotonicMs() - base)));
}

int DelayMs(int ms) {
    if (ms <= 0) return 0;
    if (fakeClock) {
        AdvanceFakeClock(ms);
        return ms;
    }
    int start = MilliClock();
    for (;;) {
        int waited = int(uint32_t(MilliClock()) - uint32_t(start));
        if (waited >= ms) return waited;
        // Sleeps at most the rest; the 1 ms alarm may end a sleep early, which is fine.
        timespec rest{0, long(std::min(ms - waited, 1000)) * 1000000L};
        nanosleep(&rest, nullptr);
    }
}

void StartAlarmTimer() {
    if (alarmStarted) return;
    struct sigaction action {};
    action.sa_handler = OnAlarm;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    // The signal is aimed at this (the main) thread alone, so it never interrupts the audio
    // thread or a driver's worker threads.
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = SIGALRM;
    event._sigev_un._tid = int(syscall(SYS_gettid));
    alarmStarted = true;
    bool made = !simulateAlarmFailure && timer_create(CLOCK_MONOTONIC, &event, &alarmTimer) == 0;
    if (made) {
        itimerspec period{};
        period.it_interval.tv_nsec = 1000000;
        period.it_value.tv_nsec = 1000000;
        if (timer_settime(alarmTimer, 0, &period, nullptr) != 0) {
            timer_delete(alarmTimer);
            made = false;
        }
    }
    if (!made) {
        alarmMissing = true;
        std::fprintf(stderr, "The 1 ms timer could not be started; the game's timers follow the clock at each poll.\n");
    }
}

int AlarmTimerMissing() { return alarmMissing ? 1 : 0; }

void SimulateAlarmTimerFailure() {
    // A forked child has no timer of its parent's, only the flag saying it started one.
    simulateAlarmFailure = true;
    alarmStarted = false;
}

void BlockAlarmSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void UseFakeClock(int startMs) {
    fakeClock = true;
    fakeNow = startMs;
}

void UseRealClock() { fakeClock = false; }

int FakeClockActive() { return fakeClock ? 1 : 0; }

void AdvanceFakeClock(int ms) { fakeNow = int(uint32_t(fakeNow.load()) + uint32_t(ms)); }

// ---- Tick timers ----

void TTimer::Update(int nowMs) {
    int64_t elapsed = int32_t(uint32_t(nowMs) - uint32_t(start));
    int64_t now = elapsed * hz / 1000;
    if (now > periods) {
        ++ticks;
        periods = int(now);
    }
}

std::shared_ptr<TTimer> CreateTickTimer(int hz) {
    if (hz <= 0) return nullptr;
    auto timer = std::make_shared<TTimer>(hz, MilliClock());
    std::erase_if(timers, [](const std::weak_ptr<TTimer>& t) { return t.expired(); });
    timers.push_back(timer);
    return timer;
}

int TimerTickCount(const std::shared_ptr<TTimer>& timer) {
    AutoPoll();
    return timer ? timer->Ticks() : 0;
}

int TimerPeriodCount(const std::shared_ptr<TTimer>& timer) {
    AutoPoll();
    return timer ? timer->Periods() : 0;
}

void UpdateTickTimers() {
    int now = MilliClock();
    for (auto& weak : timers) {
        if (auto timer = weak.lock()) timer->Update(now);
    }
}

// ---- Date and time ----

namespace {
std::string FormatLocalTime(const char* format) {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char text[64];
    size_t n = strftime(text, sizeof text, format, &local);
    return std::string(text, n);
}
}  // namespace

std::string CurrentDateText() { return FormatLocalTime("%d %b %Y"); }

std::string CurrentTimeText() { return FormatLocalTime("%H:%M:%S"); }

void ResetInputAndTiming() {
    input = InputState{};
    autoPoll = true;
    fakeClock = false;
    fakeNow = 0;
    alarmFired = 0;
    timers.clear();
    SeedRandom(TRandomStream::kDefaultSeed);
    SeedGameRandom(TRandomStream::kDefaultSeed);
}

namespace {
const int stateResetRegistered = RegisterStateReset("input and timing", kResetRankPlatform + 3, &ResetInputAndTiming);
}  // namespace
