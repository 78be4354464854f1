// A whole run played with nothing but a pad: no key is pressed and the mouse never moves.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "harness/HeadlessGame.h"
#include "harness/VirtualPad.h"
#include "platform/Files.h"
#include "scores/OnlineHighscore.h"
#include "shell/Options.h"
#include "shell/Shell.h"
#include "support/ScriptedServer.h"
#include "world/TShip.h"

namespace {

const std::string kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";

// Pad steps for the first start's options screen, one per pass. The pad is plugged in on the
// first pass: SDL's controller subsystem is open by then.
class PadScript {
public:
    using Step = std::function<void(VirtualPad&)>;

    PadScript& Wait(int passes) {
        for (int i = 0; i < passes; ++i) steps.push_back([](VirtualPad&) {});
        return *this;
    }
    PadScript& Tap(SDL_GameControllerButton button, int times = 1) {
        for (int i = 0; i < times; ++i) {
            steps.push_back([button](VirtualPad& pad) { pad.Button(button, true); });
            steps.push_back([button](VirtualPad& pad) { pad.Button(button, false); });
        }
        return *this;
    }
    int Pass() {
        if (!pad) pad = std::make_unique<VirtualPad>();
        if (passes < steps.size()) steps[passes](*pad);
        ++passes;
        AdvanceFakeClock(kPassMs);
        // A script that never confirms ends the screen rather than hang the test.
        if (passes > steps.size() + kSparePasses) return kOptionsScreenQuit;
        return RunOptionsScreenPass();
    }

    std::unique_ptr<VirtualPad> pad;

private:
    static constexpr int kPassMs = 16;
    static constexpr size_t kSparePasses = 50;
    std::vector<Step> steps;
    size_t passes = 0;
};

TEST(PadOnly, FirstStartNamedByPickerThenGameOverOnlineUpdateAndQuit) {
    PadScript script;
    script.Wait(5)
        .Tap(SDL_CONTROLLER_BUTTON_Y)                 // the letter picker, on "New Player"
        .Tap(SDL_CONTROLLER_BUTTON_B, 10)             // erased
        .Tap(SDL_CONTROLLER_BUTTON_A)                 // "A"
        .Tap(SDL_CONTROLLER_BUTTON_DPAD_DOWN, 2)      // to "a"
        .Tap(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 2)     // "c"
        .Tap(SDL_CONTROLLER_BUTTON_A)
        .Tap(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 2)     // "e"
        .Tap(SDL_CONTROLLER_BUTTON_A)
        .Tap(SDL_CONTROLLER_BUTTON_START)             // the name is typed
        .Tap(SDL_CONTROLLER_BUTTON_A);                // the screen confirmed
    unsigned keysBefore = 0;
    HeadlessGame game("", [&](const TempWorkingFolder&) {
        DeleteFile(optionsFileName);
        keysBefore = KeyAndButtonPresses();
        optionsScreenPass = [&] { return script.Pass(); };
    });
    ASSERT_EQ(game.started, 1);
    ASSERT_TRUE(script.pad && script.pad->Plugged()) << SDL_GetError();
    EXPECT_EQ(playerName, "Ace");
    EXPECT_NE(game.folder.Read(optionsFileName).find("Player=Ace\r\n"), std::string::npos);
    VirtualPad& pad = *script.pad;
    auto tap = [&](SDL_GameControllerButton button) {
        pad.Button(button, true);
        game.RunFor(50);
        pad.Button(button, false);
        game.RunFor(50);
    };

    HeadlessGame::WithoutStages();
    // The A that confirmed the screen is let go only now.
    pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    game.RunFor(100);
    tap(SDL_CONTROLLER_BUTTON_A);
    ASSERT_TRUE(PlayerAlive());
    player->points = 4200.0f;
    player->hp = 0.0f;
    game.RunFor(500);
    ASSERT_FALSE(PlayerAlive());

    // The online table is switched on as the settings screen would; pad Y updates it.
    ScriptedServer server([](int fd, const std::string& request, const std::atomic<bool>&) {
        ScriptedServer::SendAll(fd, kHeader + (request.find("get.php") != std::string::npos ? "[start][end]\r\n" : "[OK]\r\n"));
    });
    SetHighscoreServer("127.0.0.1", server.port);
    onlineHighscore = 1;
    tap(SDL_CONTROLLER_BUTTON_Y);
    bool submitted = false;
    for (const std::string& request : server.Requests())
        submitted |= request.find("submit.php?name=Ace&points=4200&") != std::string::npos;
    EXPECT_TRUE(submitted);

    pad.Button(SDL_CONTROLLER_BUTTON_BACK, true);
    game.RunFor(1200);
    EXPECT_FALSE(game.Pass());
    EXPECT_EQ(KeyAndButtonPresses(), keysBefore);
}

}  // namespace
