// Polled input state, tick timers and the clock.
#include <gtest/gtest.h>

#include "platform/Graphics.h"
#include "platform/Input.h"
#include "platform/TTimer.h"

#include <atomic>
#include <cerrno>
#include <regex>
#include <thread>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// Headless graphics open, fake clock on, fresh input state.
class InputTest : public testing::Test {
protected:
    void SetUp() override {
        ResetGraphics();
        ResetInputAndTiming();
        SetHeadlessGraphics(1);
        UseFakeClock(5000);
        ASSERT_TRUE(OpenGraphicsMode(320, 200, 0, 60, 0));
    }
    void TearDown() override {
        ResetGraphics();
        ResetInputAndTiming();
    }
};

}  // namespace

TEST_F(InputTest, KeyHitsCountPressesSinceTheLastRead) {
    ApplyKeyDown(65);
    ApplyKeyUp(65);
    EXPECT_EQ(KeyWasHit(65), 1);
    EXPECT_EQ(KeyIsDown(65), 0);
    EXPECT_EQ(KeyWasHit(65), 0);

    ApplyKeyDown(65); ApplyKeyUp(65); ApplyKeyDown(65); ApplyKeyUp(65);
    EXPECT_EQ(KeyWasHit(65), 2);
}

TEST_F(InputTest, HeldKeyWithRepeatsCountsOnce) {
    ApplyKeyDown(87);
    ApplyTypedChar('w');
    for (int i = 0; i < 5; ++i) ApplyKeyRepeat(87);
    ApplyKeyDown(87);  // a second down while held changes nothing
    EXPECT_EQ(KeyWasHit(87), 1);
    EXPECT_EQ(KeyIsDown(87), 1);
    EXPECT_EQ(NextTypedChar(), 'w');
    EXPECT_EQ(NextTypedChar(), 0);
}

TEST_F(InputTest, TypedCharactersQueueOldestFirstAndOverflowIsDropped) {
    for (int i = 0; i < 300; ++i) ApplyTypedChar(i);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(NextTypedChar(), i & 255);
    EXPECT_EQ(NextTypedChar(), 0);
    ApplyTypedChar(233);
    EXPECT_EQ(NextTypedChar(), 233);  // Latin-1 code, not sign-extended
}

TEST_F(InputTest, MouseButtonsAndWheel) {
    ApplyMouseDown(1);
    ApplyWheel(+1);
    ApplyWheel(-1);
    ApplyWheel(+1);
    EXPECT_EQ(MouseButtonDown(1), 1);  // the wheel leaves the held button alone
    EXPECT_EQ(MouseButtonHit(1), 1);
    EXPECT_EQ(MouseWheel(), 1);
    ApplyMouseUp(1);
    EXPECT_EQ(MouseButtonDown(1), 0);
    EXPECT_EQ(MouseButtonHit(7), 0);  // out of range reads nothing, never crashes
    EXPECT_EQ(KeyWasHit(1000), 0);
}

TEST_F(InputTest, FlushClearsKeysAndTypingButKeepsTheMouse) {
    ApplyKeyDown(kKeyReturn);
    ApplyTypedChar('x');
    ApplyMouseDown(kMouseRight);
    FlushInput();
    EXPECT_EQ(KeyWasHit(kKeyReturn), 0);
    EXPECT_EQ(KeyIsDown(kKeyReturn), 0);
    EXPECT_EQ(NextTypedChar(), 0);
    // A click in the same frame as an Enter that ends editing is not lost.
    EXPECT_EQ(MouseButtonDown(kMouseRight), 1);
    EXPECT_EQ(MouseButtonHit(kMouseRight), 1);
}

TEST_F(InputTest, EventsAreIgnoredWithoutGraphics) {
    CloseGraphicsMode();
    ApplyKeyDown(27);
    ApplyPointerMoved(5, 5);
    EXPECT_EQ(KeyWasHit(27), 0);
    EXPECT_EQ(PointerX(), 0);
}

TEST_F(InputTest, TimerCountsPollsNotPeriods) {
    auto timer = CreateTickTimer(60);
    ASSERT_TRUE(timer);
    AdvanceFakeClock(100);  // six periods without a poll
    EXPECT_EQ(TimerTickCount(timer), 1);
    EXPECT_EQ(TimerTickCount(timer), 1);  // no new period since
    AdvanceFakeClock(17);
    EXPECT_EQ(TimerTickCount(timer), 2);
    EXPECT_EQ(TimerTickCount(nullptr), 0);
    EXPECT_EQ(CreateTickTimer(0), nullptr);
}

TEST_F(InputTest, FakeDelayAdvancesTheClock) {
    int start = MilliClock();
    EXPECT_EQ(DelayMs(16), 16);
    EXPECT_EQ(MilliClock(), start + 16);
    EXPECT_EQ(DelayMs(-3), 0);
}

TEST(Clock, RealDelayWaitsAboutTheTimeAsked) {
    ResetInputAndTiming();
    StartAlarmTimer();
    int start = MilliClock();
    int waited = DelayMs(20);
    int elapsed = MilliClock() - start;
    EXPECT_GE(waited, 20);
    EXPECT_GE(elapsed, 20);
    EXPECT_LT(elapsed, 200);
}

TEST(Clock, TimerTicksWithTheAlarmOnTheRealClock) {
    ResetInputAndTiming();
    StartAlarmTimer();
    auto timer = CreateTickTimer(60);
    int start = MilliClock();
    while (MilliClock() - start < 200) {
        PollEvents();
        DelayMs(1);
    }
    int ticks = TimerTickCount(timer);
    EXPECT_GE(ticks, 9);
    EXPECT_LE(ticks, 13);
}

TEST(Clock, StartsAtTheUptimeAndNeverFollowsTheWallClock) {
    ResetInputAndTiming();
    timespec mono{};
    clock_gettime(CLOCK_MONOTONIC, &mono);
    int monoMs = int(uint32_t(uint64_t(mono.tv_sec) * 1000 + mono.tv_nsec / 1000000));
    // The base is fixed from the uptime on first use, whole seconds; the monotonic clock
    // is the uptime on Linux, so the two stay within a second or so of each other.
    EXPECT_LT(std::abs(int(uint32_t(MilliClock()) - uint32_t(monoMs))), 2000);
}

TEST(Clock, WithoutTheAlarmEveryPollTicksTheTimersFromTheClock) {
    // The alarm starts once per run, so the refusal is tried in a child process.
    int errPipe[2];
    ASSERT_EQ(pipe(errPipe), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(errPipe[1], 2);
        ResetInputAndTiming();
        SimulateAlarmTimerFailure();
        StartAlarmTimer();
        StartAlarmTimer();
        if (!AlarmTimerMissing()) _exit(2);
        auto timer = CreateTickTimer(100);
        int ticks = 0;
        for (int i = 0; i < 10; ++i) {
            DelayMs(15);  // more than a period: the poll counts one tick, as the alarm would
            PollEvents();
            if (TimerTickCount(timer) != ++ticks) _exit(3);
        }
        PollEvents();  // no time passed since: no new tick
        _exit(TimerTickCount(timer) == ticks ? 0 : 4);
    }
    close(errPipe[1]);
    std::string err;
    char buffer[256];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) err.append(buffer, size_t(n));
    close(errPipe[0]);
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Said once on standard error, however often the alarm is asked for.
    size_t first = err.find("timer could not be started");
    EXPECT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("timer could not be started", first + 1), std::string::npos) << err;
}

TEST(DateText, Formats) {
    std::string date = CurrentDateText();
    std::string time = CurrentTimeText();
    EXPECT_TRUE(std::regex_match(date, std::regex("[0-9]{2} [A-Z][a-z]{2} [0-9]{4}"))) << date;
    EXPECT_TRUE(std::regex_match(time, std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}"))) << time;
}

TEST(Clock, AlarmNeverInterruptsOtherThreads) {
    StartAlarmTimer();
    std::atomic<int> interrupted{0};
    std::thread worker([&] {
        for (int i = 0; i < 150; ++i) {
            timespec rest{0, 1000000};
            if (nanosleep(&rest, nullptr) != 0 && errno == EINTR) ++interrupted;
        }
    });
    // Meanwhile the main thread is interrupted by the alarm as usual.
    int mainInterrupted = 0;
    for (int i = 0; i < 50; ++i) {
        timespec rest{0, 5000000};
        if (nanosleep(&rest, nullptr) != 0 && errno == EINTR) ++mainInterrupted;
    }
    worker.join();
    EXPECT_EQ(interrupted.load(), 0);
    EXPECT_GT(mainInterrupted, 0);
}

// The sound thread reads the clock while the main thread runs the game, real or fake.
TEST(ClockThreads, ClockIsReadFromAnotherThreadWhileTheMainThreadMovesIt) {
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!stop) {
            MilliClock();
            ++reads;
        }
    });
    int real = MilliClock();
    UseFakeClock(1000);
    for (int i = 0; i < 2000; ++i) AdvanceFakeClock(1);
    EXPECT_EQ(MilliClock(), 3000);
    UseRealClock();
    EXPECT_GE(int(uint32_t(MilliClock()) - uint32_t(real)), 0);
    while (reads < 100) std::this_thread::yield();
    stop = true;
    reader.join();
    ResetInputAndTiming();
}
