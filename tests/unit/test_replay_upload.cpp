// The install key and the replay upload of the online update, against a scripted server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "harness/CombatArena.h"
#include "platform/Text.h"
#include "scores/InstallKey.h"
#include "scores/OnlineHighscore.h"
#include "scores/ReplayFolder.h"
#include "scores/ReplayUploads.h"
#include "scores/TScore.h"
#include "shell/TitleScreen.h"
#include "stages/StageTable.h"
#include "support/ScriptedServer.h"

namespace {

constexpr int kTestLimitMs = 200;
const std::string kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";
const std::string kDate = "07 Dec 2026/14:03:59";

class ReplayUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        SetHighscoreRequestLimitMs(kTestLimitMs);
    }
    void TearDown() override { ResetProgramState(); }
    int KeyMode() const {
        struct stat info {};
        return stat((folder.path / kInstallKeyFileName).c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }
    // A score of the table, its replay file and the link between them, as a game leaves them.
    void AddScore(const std::string& name, int points, const std::string& replayName, const std::string& bytes,
                  int sent = 0) {
        TScore::Add(name, points, kDate, sent);
        std::filesystem::create_directories(folder.path / "replays");
        folder.Write("replays/" + replayName, bytes);
        ReplayUploads uploads = ReplayUploads::Load();
        uploads.Add(SubmitChecksum(name, points, kDate), ReplayFolder::Path() + replayName);
        ASSERT_TRUE(uploads.Save());
    }
    static std::vector<std::string> Posts(ScriptedServer& server) {
        std::vector<std::string> posts;
        for (const std::string& request : server.Requests())
            if (request.rfind("POST ", 0) == 0) posts.push_back(request);
        return posts;
    }
    TempWorkingFolder folder;
};

// Takes submissions of names starting with takes, answers replays with what replay() gives
// (silence for ""), and lists nothing.
ScriptedServer::Script Server(const std::string& takes, const std::function<std::string()>& replay) {
    return [=](int fd, const std::string& request, const std::atomic<bool>& stop) {
        if (request.find("submit.php?name=" + takes) != std::string::npos)
            ScriptedServer::SendAll(fd, kHeader + "[OK]\r\n");
        if (request.find("get.php") != std::string::npos) ScriptedServer::SendAll(fd, kHeader + "[start][end]\r\n");
        if (request.find("replay.php") == std::string::npos) return;
        std::string reply = replay();
        if (reply.empty())
            ScriptedServer::Silent(fd, stop);
        else
            ScriptedServer::SendAll(fd, kHeader + reply);
    };
}

TEST_F(ReplayUploadTest, InstallKeyIsMadeOncePrivateAndImportedAsTyped) {
    EXPECT_EQ(InstallKeyText(), "");
    const std::string key = EnsureInstallKey();
    ASSERT_EQ(key.size(), size_t(kInstallKeyHexDigits));
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    EXPECT_EQ(KeyMode(), 0600);
    EXPECT_EQ(EnsureInstallKey(), key);
    folder.Write(kInstallKeyFileName, "not a key\n");
    EXPECT_NE(EnsureInstallKey(), key);

    chmod((folder.path / kInstallKeyFileName).c_str(), 0644);
    const std::string old = InstallKeyText();
    for (const char* bad : {"", "0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
                            "0123456789abcdef0123456789abcdeg"}) {
        EXPECT_FALSE(ImportInstallKey(bad)) << bad;
        EXPECT_EQ(InstallKeyText(), old);
    }
    // Any case, with the spaces and dashes a player may copy along; private again.
    EXPECT_TRUE(ImportInstallKey(" 0123ABCD-4567EF01 2345 6789\tabcdef01\n"));
    EXPECT_EQ(folder.Read(kInstallKeyFileName), "0123abcd4567ef0123456789abcdef01\n");
    EXPECT_EQ(KeyMode(), 0600);
}

TEST_F(ReplayUploadTest, ReplayFollowsTheTakenSubmissionByteForByteOnce) {
    ASSERT_TRUE(ImportInstallKey("00112233445566778899aabbccddeeff"));
    std::string bytes = "TVR\r\n";
    for (int i = 0; i < 3000; ++i) bytes.push_back(char(i * 31));  // NUL and high bytes too
    AddScore("Ace & Co", 4200, "20261207-140359-000004200.tvr", bytes);
    AddScore("Rookie", 10, "20261207-140500-000000010.tvr", "other");
    // Sent at an earlier update, its replay not yet.
    AddScore("Big", 300, "20261207-140501-000000300.tvr", std::string(kMaxReplayUploadBytes + 1, 'x'), 1);
    ScriptedServer server(Server("A", [] { return "[OK]\r\n"; }));
    SetHighscoreServer("127.0.0.1", server.port);
    testing::internal::CaptureStderr();
    TScore::SubmitAll();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Big's 300 points is not sent"), std::string::npos);

    // The score's fields and checksum exactly as its submission carries them, then the file.
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].rfind("GET /tavrik/submit.php?name=Ace%20%26%20Co&", 0), 0u);
    EXPECT_EQ(requests[1], "POST /tavrik/replay.php?name=Ace%20%26%20Co&points=4200&time=07%20Dec%202026/14:03:59"
                           "&md5sum=138a254eff2ccc325fc3df390d280648&key=00112233445566778899aabbccddeeff HTTP/1.0\r\n"
                           "Host: 127.0.0.1:" + std::to_string(server.port) +
                               "\r\nContent-Type: application/octet-stream\r\nContent-Length: 3005\r\n\r\n" + bytes);
    // Rookie's submission is not taken, so no replay of it goes.
    EXPECT_EQ(requests[2].rfind("GET /tavrik/submit.php?name=Rookie&", 0), 0u);

    // Stored, or too big: done. Rookie's waits.
    TScore::SubmitAll();
    EXPECT_EQ(Posts(server).size(), 1u);
    EXPECT_EQ(folder.Read("ReplayUploads.txt"),
              SubmitChecksum("Ace & Co", 4200, kDate) + " done 20261207-140359-000004200.tvr\n" +
                  SubmitChecksum("Rookie", 10, kDate) + " wait 20261207-140500-000000010.tvr\n" +
                  SubmitChecksum("Big", 300, kDate) + " done 20261207-140501-000000300.tvr\n");
}

TEST_F(ReplayUploadTest, AReplayGoesAgainUntilStoredOrRefused) {
    AddScore("Pilot", 4200, "20261207-140359-000004200.tvr", "replay");
    // No answer in time, an error page, an [OK] that does not start its line, a refusal.
    const std::vector<std::string> replies = {"", "<h1>502 Bad Gateway</h1>\r\n", "<p>[OK]</p>\r\n",
                                              "[REFUSED]  name\x01taken \r\n"};
    std::atomic<size_t> next{0};
    ScriptedServer server(Server("Pilot", [&] { return replies.at(std::min(next++, replies.size() - 1)); }));
    SetHighscoreServer("127.0.0.1", server.port);
    testing::internal::CaptureStderr();
    for (size_t update = 0; update < replies.size() + 1; ++update) TScore::SubmitAll();
    const std::string notices = testing::internal::GetCapturedStderr();

    // The score went once, its replay until the refusal, which the player is told of. Every
    // update but the one that waited in vain fetched the list.
    EXPECT_EQ(Posts(server).size(), replies.size());
    EXPECT_EQ(server.Requests().size() - Posts(server).size(), 1u + replies.size());
    EXPECT_NE(notices.find("refused the replay of Pilot's 4200 points: name?taken\n"), std::string::npos) << notices;
}

// The real game: played until the ship is shot down, then O on the title screen.
TEST(ReplayUploadGame, AGameOverScoreTakesItsReplayAlongWhenOIsPressed) {
    ScriptedServer server(Server("", [] { return "[OK]\r\n"; }));
    CombatArena game;
    CreateStageTable();
    SetHighscoreServer("127.0.0.1", server.port);
    onlineHighscore = 1;
    game.Press(kKeyReturn);
    for (int ms = 0; ms < 600000 && (PlayerAlive() || !titlePanel); ms += 20) {
        AdvanceFakeClock(20);
        game.Pass();
        // Renamed in the settings during the game: its score and replay keep the name it began under.
        if (PlayerAlive()) playerName = "Renamed";
    }
    ASSERT_TRUE(titlePanel);
    const int points = TruncatedInt(player->points);
    EXPECT_EQ(InstallKeyText(), "");
    game.Press(kKeyO);
    game.RunFor(100);

    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].rfind("POST /tavrik/replay.php?name=Tester&points=" + std::to_string(points) + "&", 0), 0u);
    std::filesystem::directory_iterator files(game.folder.path / "replays");
    const std::string body = requests[1].substr(requests[1].find("\r\n\r\n") + 4);
    EXPECT_EQ(body, game.folder.Read("replays/" + files->path().filename().string()));
    EXPECT_EQ(++files, std::filesystem::directory_iterator());
    EXPECT_NE(requests[1].find("&key=" + InstallKeyText() + " "), std::string::npos);
}

}  // namespace
