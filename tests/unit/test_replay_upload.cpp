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

// The request time limit in these tests.
constexpr int kTestLimitMs = 200;
const std::string kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";

class InstallKeyTest : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
    int Mode() const {
        struct stat info {};
        return stat((folder.path / kInstallKeyFileName).c_str(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }
    TempWorkingFolder folder;
};

TEST_F(InstallKeyTest, MadeOncePrivateAndKept) {
    EXPECT_EQ(InstallKeyText(), "");
    const std::string key = EnsureInstallKey();
    ASSERT_EQ(key.size(), size_t(kInstallKeyHexDigits));
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos) << key;
    EXPECT_EQ(Mode(), 0600);
    EXPECT_EQ(InstallKeyText(), key);
    EXPECT_EQ(EnsureInstallKey(), key);
    // Another install gets another key.
    folder.Write(kInstallKeyFileName, "");
    EXPECT_NE(EnsureInstallKey(), key);
    // A file holding no key is replaced by a new one.
    folder.Write(kInstallKeyFileName, "not a key\n");
    EXPECT_EQ(EnsureInstallKey().size(), size_t(kInstallKeyHexDigits));
}

TEST_F(InstallKeyTest, ImportTakesAKeyAsTypedAndNothingElse) {
    const std::string old = EnsureInstallKey();
    chmod((folder.path / kInstallKeyFileName).c_str(), 0644);
    for (const char* bad : {"", "0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
                            "0123456789abcdef0123456789abcdeg", "0x23456789abcdef0123456789abcdef"}) {
        EXPECT_FALSE(ImportInstallKey(bad)) << bad;
        EXPECT_EQ(InstallKeyText(), old);
    }
    // Any case, with the spaces and dashes a player may copy along.
    EXPECT_TRUE(ImportInstallKey(" 0123ABCD-4567EF01 2345 6789\tabcdef01\n"));
    EXPECT_EQ(InstallKeyText(), "0123abcd4567ef0123456789abcdef01");
    EXPECT_EQ(folder.Read(kInstallKeyFileName), "0123abcd4567ef0123456789abcdef01\n");
    EXPECT_EQ(Mode(), 0600);
}

// A score of the table, its replay file in the replays folder and the link between them, as a
// finished game leaves them; the install key set.
class ReplayUploadTest : public InstallKeyTest {
protected:
    void SetUp() override {
        InstallKeyTest::SetUp();
        SetHighscoreRequestLimitMs(kTestLimitMs);
        ASSERT_TRUE(ImportInstallKey(kKey));
    }
    void AddScore(const std::string& name, int points, const std::string& replayName, const std::string& bytes) {
        TScore::Add(name, points, kDate, 0);
        std::filesystem::create_directories(folder.path / "replays");
        folder.Write("replays/" + replayName, bytes);
        ReplayUploads uploads = ReplayUploads::Load();
        uploads.Add(SubmitChecksum(name, points, kDate), ReplayFolder::Path() + replayName);
        ASSERT_TRUE(uploads.Save());
    }
    // The replay requests among those a server received.
    static std::vector<std::string> ReplayRequests(ScriptedServer& server) {
        std::vector<std::string> posts;
        for (const std::string& request : server.Requests())
            if (request.rfind("POST ", 0) == 0) posts.push_back(request);
        return posts;
    }
    static void Use(const ScriptedServer& server) { SetHighscoreServer("127.0.0.1", server.port); }

    static constexpr const char* kKey = "00112233445566778899aabbccddeeff";
    static constexpr const char* kDate = "07 Dec 2026/14:03:59";
};

// Answers submissions of names starting with takes with [OK], replays with what replay() gives
// (nothing when it gives ""), and the fetch with an empty list.
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

TEST_F(ReplayUploadTest, ReplayFollowsTheTakenSubmissionByteForByteOnce) {
    // Any bytes: line ends, NUL, high bytes.
    std::string bytes = "TVR\r\n";
    for (int i = 0; i < 3000; ++i) bytes.push_back(char(i * 31));
    AddScore("Ace & Co", 4200, "20261207-140359-000004200.tvr", bytes);
    AddScore("Rookie", 10, "20261207-140500-000000010.tvr", "other");
    ScriptedServer server(Server("Ace%20%26%20Co", [] { return "[OK]\r\n"; }));
    Use(server);
    TScore::SubmitAll();

    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].rfind("GET /tavrik/submit.php?name=Ace%20%26%20Co&", 0), 0u);
    // The score's fields and checksum exactly as its submission carries them.
    EXPECT_EQ(requests[1], "POST /tavrik/replay.php?name=Ace%20%26%20Co&points=4200&time=07%20Dec%202026/14:03:59"
                           "&md5sum=138a254eff2ccc325fc3df390d280648&key=00112233445566778899aabbccddeeff HTTP/1.0\r\n"
                           "Host: 127.0.0.1:" + std::to_string(server.port) +
                               "\r\nContent-Type: application/octet-stream\r\nContent-Length: 3005\r\n\r\n" + bytes);
    // Rookie's submission is not taken: no replay of it goes.
    EXPECT_EQ(requests[2].rfind("GET /tavrik/submit.php?name=Rookie&", 0), 0u);
    EXPECT_EQ(requests[3].rfind("GET /tavrik/get.php", 0), 0u);

    // Stored: not sent again, while Rookie's score and replay still wait.
    TScore::SubmitAll();
    EXPECT_EQ(ReplayRequests(server).size(), 1u);
    EXPECT_EQ(folder.Read("ReplayUploads.txt"),
              SubmitChecksum("Ace & Co", 4200, kDate) + " done 20261207-140359-000004200.tvr\n" +
                  SubmitChecksum("Rookie", 10, kDate) + " wait 20261207-140500-000000010.tvr\n");
}

TEST_F(ReplayUploadTest, AReplayGoesAgainUntilStoredOrRefused) {
    AddScore("Pilot", 4200, "20261207-140359-000004200.tvr", "replay");
    // No answer in time, an error page, an [OK] that does not start its line, a refusal.
    const std::vector<std::string> replies = {"", "<h1>502 Bad Gateway</h1>\r\n", "<p>[OK]</p>\r\n",
                                              "[REFUSED]  name\x01taken \r\n"};
    std::atomic<size_t> next{0};
    ScriptedServer server(Server("Pilot", [&] { return replies.at(std::min(next++, replies.size() - 1)); }));
    Use(server);
    testing::internal::CaptureStderr();
    for (size_t update = 0; update < replies.size() + 1; ++update) TScore::SubmitAll();
    const std::string notices = testing::internal::GetCapturedStderr();

    // The score went once; its replay until the refusal, which the player is told of. Every
    // update but the one that waited in vain fetched the list.
    EXPECT_EQ(server.Requests().size() - ReplayRequests(server).size(), 1u + replies.size());
    EXPECT_EQ(ReplayRequests(server).size(), replies.size());
    EXPECT_NE(notices.find("refused the replay of Pilot's 4200 points: name?taken\n"), std::string::npos) << notices;
    EXPECT_NE(folder.Read("ReplayUploads.txt").find(" done "), std::string::npos);
}

TEST_F(ReplayUploadTest, AReplayTooBigOrNoLongerKeptIsNotSent) {
    AddScore("Big", 300, "20261207-140359-000000300.tvr", std::string(kMaxReplayUploadBytes + 1, 'x'));
    AddScore("Gone", 200, "20261207-140400-000000200.tvr", "r");
    AddScore("Fits", 100, "20261207-140401-000000100.tvr", std::string(kMaxReplayUploadBytes, 'x'));
    std::filesystem::remove(folder.path / "replays/20261207-140400-000000200.tvr");
    ScriptedServer server(Server("", [] { return "[OK]\r\n"; }));
    Use(server);
    testing::internal::CaptureStderr();
    TScore::SubmitAll();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Big's 300 points is not sent"), std::string::npos);

    std::vector<std::string> posts = ReplayRequests(server);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_NE(posts[0].find("name=Fits&"), std::string::npos);
    EXPECT_EQ(posts[0].size() - posts[0].find("\r\n\r\n") - 4, size_t(kMaxReplayUploadBytes));
    // Both are done; the gone one's link is dropped.
    EXPECT_EQ(folder.Read("ReplayUploads.txt"), SubmitChecksum("Big", 300, kDate) +
                                                     " done 20261207-140359-000000300.tvr\n" +
                                                     SubmitChecksum("Fits", 100, kDate) +
                                                     " done 20261207-140401-000000100.tvr\n");
}

TEST(ReplayUploadLinks, LinesTheGameDoesNotWriteAreDropped) {
    const std::string a(32, 'a'), b(32, 'b'), name = "20261207-140359-000004200.tvr";
    const std::string text = a + " wait " + name + "\r\n" +        // a line end of Windows: read
                             "A" + a.substr(1) + " wait " + name + "\n" +  // not the checksum's digits
                             b + " sent " + name + "\n" +                 // no such state
                             b + " wait ../Highscore.txt\n" +             // not a replay's name
                             b + " wait " + name + " x\n" + b + "  wait " + name + "\n" + b + " wait\n" +
                             b + " wait " + name + "\n" + b + " done 20261207-140400-000000001.tvr";  // replaces
    EXPECT_EQ(ReplayUploads::Parse(text).Text(),
              a + " wait " + name + "\n" + b + " done 20261207-140400-000000001.tvr\n");
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
    }
    ASSERT_TRUE(titlePanel);
    const int points = TruncatedInt(player->points);
    const std::string waiting = game.folder.Read("ReplayUploads.txt");
    EXPECT_NE(waiting.find(" wait "), std::string::npos) << waiting;
    game.Press(kKeyO);
    game.RunFor(100);

    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].rfind("POST /tavrik/replay.php?name=Tester&points=" + std::to_string(points) + "&", 0), 0u);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(game.folder.path / "replays"))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string body = requests[1].substr(requests[1].find("\r\n\r\n") + 4);
    EXPECT_EQ(body, game.folder.Read("replays/" + files[0].filename().string()));
    EXPECT_NE(game.folder.Read("ReplayUploads.txt").find(" done "), std::string::npos);
    EXPECT_EQ(InstallKeyText().size(), size_t(kInstallKeyHexDigits));
}

}  // namespace
