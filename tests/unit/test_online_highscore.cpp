// The online highscore client against a scripted server on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "harness/HeadlessGame.h"
#include "platform/DrawRecording.h"
#include "scores/OnlineHighscore.h"
#include "scores/TScore.h"
#include "shell/Options.h"
#include "shell/Shell.h"
#include "support/ScriptedServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// The request time limit in these tests, and the most a failing request may then take.
constexpr int kTestLimitMs = 200;
constexpr long kTestBoundMs = 1500;

const std::string kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";

long MsSince(Clock::time_point start) {
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The table as "name|points|date|sent" lines.
std::vector<std::string> TableRows() {
    std::vector<std::string> rows;
    if (scoreTable)
        scoreTable->ForEach([&](const std::shared_ptr<TScore>& e) {
            rows.push_back(e->name + "|" + std::to_string(e->points) + "|" + e->date + "|" + std::to_string(e->sent));
        });
    return rows;
}

class OnlineHighscoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        SetHighscoreRequestLimitMs(kTestLimitMs);
    }
    void TearDown() override { ResetProgramState(); }
    static void Use(const ScriptedServer& server) { SetHighscoreServer("127.0.0.1", server.port); }

    // SubmitAll saves Highscore.txt: a folder of its own.
    TempWorkingFolder folder;
};

// Answers each of the three scripts with its own reply.
ScriptedServer::Script ByScript(const std::string& version, const std::string& submit, const std::string& fetch) {
    return [=](int fd, const std::string& request, const std::atomic<bool>&) {
        if (request.find("checkversion.php") != std::string::npos) ScriptedServer::SendAll(fd, version);
        if (request.find("submit.php") != std::string::npos) ScriptedServer::SendAll(fd, submit);
        if (request.find("get.php") != std::string::npos) ScriptedServer::SendAll(fd, fetch);
    };
}

TEST_F(OnlineHighscoreTest, RequestsAreSentByteForByte) {
    ScriptedServer server(ByScript(kHeader + "[true]\r\n", kHeader + "[OK]\r\n", kHeader + "[start][end]\r\n"));
    Use(server);
    EXPECT_TRUE(TScore::CheckVersion());
    EXPECT_TRUE(TScore::Submit("Ace & Co", 4200, "07 Dec 2026/14:03:59"));
    EXPECT_TRUE(TScore::Fetch(10));

    // The Host header names the port, as it is not 80.
    const std::string rest = "&vexpodbuffer=0 HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.port) +
                             "\r\nUser-Agent: Tavrik 0.91\r\nAccept: */*\r\n\r\n";
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    // The version parameter is the MD5 of "Tavrik 0.91".
    EXPECT_EQ(requests[0], "GET /tavrik/checkversion.php?version=9f41666ea3f72c2cf391fc77e868d0a4" + rest);
    // Spaces and "&" escaped; the checksum is over the name and date as they are.
    EXPECT_EQ(requests[1],
              "GET /tavrik/submit.php?name=Ace%20%26%20Co&points=4200&time=07%20Dec%202026/14:03:59"
              "&md5sum=138a254eff2ccc325fc3df390d280648" + rest);
    EXPECT_EQ(requests[2], "GET /tavrik/get.php?limit=10" + rest);

    // Bytes that would change the query's meaning are escaped; the rest goes as it is.
    EXPECT_EQ(EscapeQueryValue("a#b%c+d=e?f\x01\x7f\xe9 /:-_.~(x)!"),
              "a%23b%25c%2Bd%3De%3Ff%01%7F%E9%20/:-_.~(x)!");
}

TEST_F(OnlineHighscoreTest, SettingsLineNamesTheServerAndIsKeptOnRewrite) {
    ScriptedServer server(ByScript(kHeader + "[true]\r\n", kHeader + "[OK]\r\n", kHeader + "[start][end]\r\n"));
    const std::string line = "Highscore Server=127.0.0.1:" + std::to_string(server.port);
    folder.Write("Options.ini", "GFX X=640\r\nPlayer=Ann\r\n" + line + "\r\n");
    LoadOptions();
    EXPECT_TRUE(TScore::CheckVersion());
    EXPECT_TRUE(TScore::Submit("Ann", 5, "07 Dec 2026/14:03:59"));
    std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const std::string& request : requests)
        EXPECT_NE(request.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port) + "\r\n"), std::string::npos);
    // The game never adds the line, but writing the settings keeps it as read.
    EXPECT_NE(OptionsText().find("\r\n" + line + "\r\n"), std::string::npos);

    std::string host;
    int port = 0;
    for (const char* good : {"scores.example.org", " 192.168.1.10:8080 ", "lan-box_1:1", "h:65535"})
        EXPECT_TRUE(ParseHighscoreServer(good, host, port)) << good;
    EXPECT_EQ(host, "h");
    EXPECT_EQ(port, 65535);
    ResetProgramState();
    for (const char* bad : {"", "  ", ":8080", "h:0", "h:65536", "h:", "h:80x", "h:-1", "h:8080:1", "a b", "h/x",
                            "http://h", "h:0000080", "\x01"}) {
        EXPECT_NE(UseHighscoreServerSetting(bad), "") << bad;
        EXPECT_EQ(HighscoreHostHeader(), kHighscoreHost) << bad;  // the built-in server, port 80
    }
    // A bad line is kept too, and gives a notice at start-up.
    ResetProgramState();
    folder.Write("Options.ini", "Player=Ann\r\nHighscore Server=:99\r\n");
    testing::internal::CaptureStdout();
    LoadOptions();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Highscore Server"), std::string::npos);
    EXPECT_NE(OptionsText().find("\r\nHighscore Server=:99\r\n"), std::string::npos);
    ResetProgramState();
    folder.Write("Options.ini", "Player=Ann\r\n");
    LoadOptions();
    EXPECT_EQ(OptionsText().find("Highscore Server"), std::string::npos);
}

TEST_F(OnlineHighscoreTest, VersionCheckTakesTheFirstDecidingLine) {
    auto check = [](const std::string& reply) {
        ScriptedServer server(ScriptedServer::Reply(reply));
        Use(server);
        onlineHighscore = 1;
        return TScore::CheckVersion();
    };
    EXPECT_TRUE(check(kHeader + "[false] or [true]\r\n"));
    EXPECT_FALSE(check(kHeader + "[false]\r\n[true]\r\n"));
    EXPECT_TRUE(check(kHeader + "welcome\r\n[true]"));
    EXPECT_FALSE(check(kHeader + "no marker\r\n"));
    // A server that answers, even with no, leaves the switch to the caller.
    EXPECT_EQ(onlineHighscore, 1);
}

TEST_F(OnlineHighscoreTest, OkInAHeaderLineCountsAsAccepted) {
    ScriptedServer server(ScriptedServer::Reply("HTTP/1.0 200 OK\r\nX-Result: [OK]\r\n\r\nsomething else\r\n"));
    Use(server);
    EXPECT_TRUE(TScore::Submit("Pilot", 100, "07 Dec 2026/14:03:59"));
}

TEST_F(OnlineHighscoreTest, FetchAddsWellFormedRecordsOnce) {
    auto fetch = [](const std::string& body) {
        ScriptedServer server(ScriptedServer::Reply(kHeader + body));
        Use(server);
        return TScore::Fetch(10);
    };
    EXPECT_TRUE(fetch("[start][end]\r\n"));
    EXPECT_TRUE(fetch("[start][Pilot|4200|07 Dec 2026/14:03:59]\r\n"));
    EXPECT_TRUE(TableRows().empty());

    // Untrimmed names, "=" in name and date, and an empty date (skipped). Fetched twice.
    const std::string list =
        "[start][Pilot|4200|07 Dec 2026/14:03:59][ Ace |3100|06 Dec 2026/20:11:02][B=o|50|0=1]"
        "[Cy|7|][end]\r\n";
    EXPECT_TRUE(fetch(list));
    EXPECT_TRUE(fetch(list));
    std::vector<std::string> expected = {"Pilot|4200|07 Dec 2026/14:03:59|1", "Ace|3100|06 Dec 2026/20:11:02|1",
                                         "Bo|50|01|1"};
    EXPECT_EQ(TableRows(), expected);

    // A record without its "|" or "]" ends the line; records before it count, several
    // "[start]" lines are all read.
    TScore::ResetTable();
    EXPECT_TRUE(fetch("[start][A|1|d1][B|2][end]\r\nHeader: [start][D|4|d4][E|5|d5[end]\r\n"));
    expected = {"A|1|d1|1", "D|4|d4|1"};
    EXPECT_EQ(TableRows(), expected);
}

TEST_F(OnlineHighscoreTest, FetchTakesAtMostAFewHundredRecords) {
    std::string body = "[start]";
    for (int i = 0; i < 2 * kMaxFetchRecords; ++i) body += "[P" + std::to_string(i) + "|" + std::to_string(i) + "|d]";
    ScriptedServer server(ScriptedServer::Reply(kHeader + body + "[end]\r\n"));
    Use(server);
    EXPECT_TRUE(TScore::Fetch(10));
    EXPECT_EQ(scoreTable->Count(), kMaxFetchRecords);
}

TEST_F(OnlineHighscoreTest, MisbehavingServersFailWithinTheLimit) {
    struct Case {
        const char* what;
        ScriptedServer::Script script;
    };
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage.push_back(char((i * 7919) % 256));
    Case cases[] = {
        {"silent", [](int fd, const std::string&, const std::atomic<bool>& stop) { ScriptedServer::Silent(fd, stop); }},
        {"closes at once", [](int, const std::string&, const std::atomic<bool>&) {}},
        {"trickles",
         [](int fd, const std::string&, const std::atomic<bool>& stop) {
             // A valid acceptance, one byte every 20 ms, never finished in time.
             std::string reply = kHeader + std::string(40, 'x') + "[OK]\r\n";
             for (char c : reply) {
                 if (stop || send(fd, &c, 1, MSG_NOSIGNAL) != 1) return;
                 std::this_thread::sleep_for(std::chrono::milliseconds(20));
             }
         }},
        {"garbage", ScriptedServer::Reply(garbage)},
        {"10 MB", ScriptedServer::Reply(kHeader + std::string(10 << 20, 'x') + "\r\n[OK]\r\n")},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server(c.script);
        Use(server);
        auto start = Clock::now();
        EXPECT_FALSE(TScore::Submit("Pilot", 100, "07 Dec 2026/14:03:59"));
        EXPECT_LT(MsSince(start), kTestBoundMs);
        EXPECT_EQ(server.Requests().size(), 1u);
    }

    // A list that is sent but never finished in time counts as a failed fetch: nothing added.
    ScriptedServer stalling([](int fd, const std::string&, const std::atomic<bool>& stop) {
        ScriptedServer::SendAll(fd, kHeader + "[start][Pilot|4200|07 Dec 2026/14:03:59][end]\r\n");
        ScriptedServer::Silent(fd, stop);
    });
    Use(stalling);
    auto start = Clock::now();
    EXPECT_FALSE(TScore::Fetch(10));
    EXPECT_LT(MsSince(start), kTestBoundMs);
    EXPECT_TRUE(TableRows().empty());

    // No connection: the switch goes off.
    SetHighscoreServer("127.0.0.1", ClosedLoopbackPort());
    onlineHighscore = 1;
    EXPECT_FALSE(TScore::CheckVersion());
    EXPECT_EQ(onlineHighscore, 0);
}

// The status boxes SubmitAll showed, in order.
std::vector<std::string> StatusTexts() {
    std::vector<std::string> texts;
    for (const TDrawCall& call : RecordedDrawCalls())
        if (call.kind == TDrawKind::Text) texts.push_back(call.text);
    return texts;
}

TEST_F(OnlineHighscoreTest, SubmitAllMarksAcceptedScoresSentAndSaves) {
    TScore::Add("Pilot", 4200, "07 Dec 2026/14:03:59", 0);
    TScore::Add("Rookie", 10, "07 Dec 2026/14:05:00", 0);
    TScore::Add("Old", 900, "01 Dec 2026/10:00:00", 1);
    // The server takes Pilot's score only, and lists Pilot and another player.
    ScriptedServer server([](int fd, const std::string& request, const std::atomic<bool>&) {
        if (request.find("name=Pilot&") != std::string::npos) ScriptedServer::SendAll(fd, kHeader + "[OK]\r\n");
        if (request.find("get.php") != std::string::npos)
            ScriptedServer::SendAll(fd, kHeader + "[start][Pilot|4200|07 Dec 2026/14:03:59][Ace|3100|06 Dec]"
                                                  "[end]\r\n");
    });
    Use(server);
    StartDrawRecording();
    TScore::SubmitAll();
    StopDrawRecording();

    std::vector<std::string> texts = {"Send Highscores to Website...", "Send Highscores to Website...",
                                      "Get Highscores from Website..."};
    EXPECT_EQ(StatusTexts(), texts);
    std::vector<std::string> rows = {"Pilot|4200|07 Dec 2026/14:03:59|1", "Rookie|10|07 Dec 2026/14:05:00|0",
                                     "Old|900|01 Dec 2026/10:00:00|1", "Ace|3100|06 Dec|1"};
    EXPECT_EQ(TableRows(), rows);
    // The saved file reads back the same.
    TScore::ResetTable();
    EXPECT_EQ(TableRows(), rows);
}

TEST_F(OnlineHighscoreTest, DeadServerMakesSubmitAllTryOnce) {
    TScore::Add("Pilot", 4200, "07 Dec 2026/14:03:59", 0);
    TScore::Add("Rookie", 10, "07 Dec 2026/14:05:00", 0);
    SetHighscoreServer("127.0.0.1", ClosedLoopbackPort());
    StartDrawRecording();
    TScore::SubmitAll();
    StopDrawRecording();
    // One submission tried, no fetch; the scores stay unsent and are saved.
    EXPECT_EQ(StatusTexts(), std::vector<std::string>{"Send Highscores to Website..."});
    TScore::ResetTable();
    std::vector<std::string> rows = {"Pilot|4200|07 Dec 2026/14:03:59|0", "Rookie|10|07 Dec 2026/14:05:00|0"};
    EXPECT_EQ(TableRows(), rows);
}

// The real start-up and title screen, headless, with the online switch on in Options.ini.
class OnlineTitleTest : public OnlineHighscoreTest {
protected:
    // Starts the game against port, then shows the title screen.
    void StartUp(int port) {
        SetHeadlessGraphics(1);
        UseFakeClock(100000);
        std::string options = WindowedOptions(640, 480);
        options.replace(options.find("OnlineHighscore=0"), 17, "OnlineHighscore=1");
        folder.Write("Options.ini", options);
        SetHighscoreServer("127.0.0.1", port);
        ASSERT_EQ(StartUpGame(), 1);
        started = true;
        Passes(5);
    }
    void TearDown() override {
        if (started) ShutDownGame();
        OnlineHighscoreTest::TearDown();
    }
    static void Passes(int count) {
        for (int i = 0; i < count; ++i) {
            RunMainLoopPass();
            AdvanceFakeClock(20);
        }
    }
    static void PressO() {
        ApplyKeyDown(kKeyO);
        ApplyKeyUp(kKeyO);
        Passes(3);
    }
    bool started = false;
};

TEST_F(OnlineTitleTest, KeyOSubmitsAndFetchesWhenTheServerTakesPart) {
    TScore pilot;
    pilot.name = "Pilot";
    pilot.points = 4200;
    pilot.date = "07 Dec 2026/14:03:59";
    folder.Write(highscoreFileName, "Version: Tavrik 0.91\r\n" + TScore::LineOf(pilot) + "\r\n");
    ScriptedServer server(ByScript(kHeader + "[true]\r\n", kHeader + "[OK]\r\n",
                                   kHeader + "[start][Ace|3100|06 Dec 2026/20:11:02][end]\r\n"));
    StartUp(server.port);
    EXPECT_EQ(onlineHighscore, 1);
    PressO();
    EXPECT_EQ(server.Requests().size(), 3u);
    std::string file = folder.Read(highscoreFileName);
    EXPECT_NE(file.find("Pilot=4200=07 Dec 2026/14:03:59=1="), std::string::npos) << file;
    EXPECT_NE(file.find("Ace=3100=06 Dec 2026/20:11:02=1="), std::string::npos) << file;
}

TEST_F(OnlineTitleTest, NoServerAtStartUpTurnsOnlineOffForTheRun) {
    StartUp(ClosedLoopbackPort());
    EXPECT_EQ(onlineHighscore, 0);
    // A server that comes up later is not asked: the O key does nothing.
    ScriptedServer server(ScriptedServer::Reply(kHeader + "[OK]\r\n"));
    SetHighscoreServer("127.0.0.1", server.port);
    PressO();
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
