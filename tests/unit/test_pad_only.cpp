// Playing with nothing but a pad: no key is pressed and the mouse never moves.
#include <gtest/gtest.h>

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

using Button = SDL_GameControllerButton;
constexpr Button kA = SDL_CONTROLLER_BUTTON_A, kB = SDL_CONTROLLER_BUTTON_B, kY = SDL_CONTROLLER_BUTTON_Y,
                 kDown = SDL_CONTROLLER_BUTTON_DPAD_DOWN, kRight = SDL_CONTROLLER_BUTTON_DPAD_RIGHT;

TEST(PadOnly, FirstStartNamedByPickerThenGameOverOnlineUpdateAndQuit) {
    // The first start's options screen: Y opens the picker on "New Player", B erases it, "Ace"
    // is typed, Start finishes the name and A the screen.
    std::vector<Button> taps = {kY};
    taps.insert(taps.end(), 10, kB);
    taps.insert(taps.end(), {kA, kDown, kDown, kRight, kRight, kA, kRight, kRight, kA});
    taps.insert(taps.end(), {SDL_CONTROLLER_BUTTON_START, kA});
    constexpr size_t kFindPasses = 6;
    std::unique_ptr<VirtualPad> pad;
    size_t passes = 0;
    unsigned keysBefore = 0;
    HeadlessGame game("", [&](const TempWorkingFolder&) {
        DeleteFile(optionsFileName);
        keysBefore = KeyAndButtonPresses();
        optionsScreenPass = [&] {
            // Plugged in once SDL's controller subsystem is open; found, a tap is pressed on one
            // pass and let go on the next. A script that never confirms quits.
            if (!pad) pad = std::make_unique<VirtualPad>();
            const size_t step = passes++ - kFindPasses;
            if (passes > kFindPasses && step / 2 < taps.size()) pad->Button(taps[step / 2], step % 2 == 0);
            AdvanceFakeClock(16);
            return passes > 100 ? kOptionsScreenQuit : RunOptionsScreenPass();
        };
    });
    ASSERT_EQ(game.started, 1);
    ASSERT_TRUE(pad && pad->Plugged()) << SDL_GetError();
    EXPECT_EQ(playerName, "Ace");
    EXPECT_NE(game.folder.Read(optionsFileName).find("Player=Ace\r\n"), std::string::npos);
    auto tap = [&](Button button) {
        pad->Button(button, true);
        game.RunFor(50);
        pad->Button(button, false);
        game.RunFor(50);
    };

    HeadlessGame::WithoutStages();
    pad->Button(kA, false);  // the A that confirmed the screen
    game.RunFor(50);
    tap(kA);
    ASSERT_TRUE(PlayerAlive());
    player->points = 4200.0f;
    player->hp = 0.0f;
    game.RunFor(500);
    ASSERT_FALSE(PlayerAlive());

    // The online table switched on in the settings (Back tapped, Player, online on, back out),
    // then Y on the title sends the score.
    ScriptedServer server([](int fd, const std::string& request, const std::atomic<bool>&) {
        const bool fetch = request.find("get.php") != std::string::npos;
        ScriptedServer::SendAll(fd, std::string("HTTP/1.0 200 OK\r\n\r\n") + (fetch ? "[start][end]" : "[OK]"));
    });
    SetHighscoreServer("127.0.0.1", server.port);
    ASSERT_EQ(onlineHighscore, 0);
    for (Button button : {SDL_CONTROLLER_BUTTON_BACK, kDown, kDown, kA, kDown, kA, kB, kB}) tap(button);
    ASSERT_EQ(onlineHighscore, 1);
    tap(kY);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].rfind("GET /tavrik/submit.php?name=Ace&points=4200&", 0), 0u) << requests[0];

    pad->Button(SDL_CONTROLLER_BUTTON_BACK, true);
    game.RunFor(1200);
    EXPECT_FALSE(game.Pass());
    EXPECT_EQ(KeyAndButtonPresses(), keysBefore);
}

}  // namespace
