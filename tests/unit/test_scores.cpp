// The highscore table and its file Highscore.txt as a player and a stored file meet them:
// which scores are kept and in what order, what the file looks like, and which lines of a
// damaged, edited or unreadable file survive.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <vector>

#include "harness/HeadlessGame.h"
#include "platform/Files.h"
#include "platform/StateResets.h"
#include "scores/MD5.h"
#include "scores/TScore.h"
#include "scores/TTextfield.h"
#include "shell/TitleScreen.h"

namespace {

// A file line signed as the game signs it: MD5 over the fields and the version text.
std::string Signed(const std::string& name, const std::string& points, const std::string& date, const std::string& sent) {
    return name + "=" + points + "=" + date + "=" + sent + "=" + MD5Hex(name + points + date + sent + "Tavrik 0.91");
}

// The table as "name points date sent" lines.
std::vector<std::string> Table() {
    std::vector<std::string> rows;
    if (scoreTable)
        scoreTable->ForEach([&](const std::shared_ptr<TScore>& s) {
            rows.push_back(s->name + " " + std::to_string(s->points) + " " + s->date + " " + std::to_string(s->sent));
        });
    return rows;
}

// The names in table order.
std::vector<std::string> Names() {
    std::vector<std::string> names;
    if (scoreTable) scoreTable->ForEach([&](const std::shared_ptr<TScore>& s) { names.push_back(s->name); });
    return names;
}

// The lines a panel holds.
std::vector<std::string> PanelLines(const TTextfield& panel) {
    std::vector<std::string> lines;
    panel.lines.ForEach([&](const std::shared_ptr<std::string>& line) { lines.push_back(*line); });
    return lines;
}

const std::regex kDateNow(R"(\d\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4}/\d\d:\d\d:\d\d)");

// A fresh table in a fresh working folder.
class Scores : public ::testing::Test {
protected:
    Scores() { RunStateResets(); }
    ~Scores() override { RunStateResets(); }
    TempWorkingFolder folder;
};

}  // namespace

TEST_F(Scores, OneEntryPerNamePointsAndDateWithTheNameCleaned) {
    TScore::Add("Ace", 100, "d1", 0);
    TScore::Add("Ace", 100, "d1", 1);  // same name, points and date: not added
    TScore::Add("Ace", 100, "d2", 0);
    TScore::Add("  A=c=e\t", 50, "d1", 0);
    // The duplicate test takes the name as given: the cleaned "Ace" is not "  A=c=e\t" ...
    TScore::Add("  A=c=e\t", 50, "d1", 0);
    // ... while the plain "Ace" matches the stored one.
    TScore::Add("Ace", 50, "d1", 0);
    TScore::Add(" = Bo =", 7, "d1", 0);  // trimmed after the "=" are gone
    EXPECT_EQ(Table(), (std::vector<std::string>{"Ace 100 d1 0", "Ace 100 d2 0", "Ace 50 d1 0", "Ace 50 d1 0",
                                                 "Bo 7 d1 0"}));
}

TEST_F(Scores, SortingKeepsTheTopTenAndEqualScoresInTheirOrder) {
    const std::pair<const char*, int> added[] = {{"a", 10}, {"b", 60}, {"c", 90}, {"d", 60}, {"e", 30}, {"f", 80},
                                                 {"g", 20}, {"h", 70}, {"i", 40}, {"j", 50}, {"k", 10}};
    for (auto [name, points] : added) TScore::Add(name, points, "d", 0);
    EXPECT_EQ(TScore::SortAndTrim(), 1);
    // The eleventh goes: k ties a on the tenth place but came later.
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "f", "h", "b", "d", "j", "i", "e", "g", "a"}));
    // Sorted entries still leave the table as themselves: a new best pushes out a.
    TScore::Add("z", 95, "d", 0);
    TScore::SortAndTrim();
    EXPECT_EQ(Names(), (std::vector<std::string>{"z", "c", "f", "h", "b", "d", "j", "i", "e", "g"}));
}

TEST_F(Scores, FileHoldsTheVersionAndOneSignedLinePerEntryAndReadsBack) {
    folder.Write("Highscore.txt", std::string(5000, 'x'));  // an old file is replaced whole
    TScore::Add("Pilot", 4200, "07 Dec 2026/14:03:59", 0);
    TScore::Add("Neg", -5, "01 Jan 2027/00:00:00", 1);
    ASSERT_EQ(TScore::Save(), 1);
    EXPECT_EQ(folder.Read("Highscore.txt"),
              "Version: Tavrik 0.91\r\n" + Signed("Pilot", "4200", "07 Dec 2026/14:03:59", "0") + "\r\n" +
                  Signed("Neg", "-5", "01 Jan 2027/00:00:00", "1") + "\r\n");
    EXPECT_EQ(ListDirectory(".", 1), std::vector<std::string>{"Highscore.txt"});  // no temporary left

    TScore::ResetTable();
    EXPECT_EQ(Table(), (std::vector<std::string>{"Pilot 4200 07 Dec 2026/14:03:59 0", "Neg -5 01 Jan 2027/00:00:00 1"}));
    scoreTable->ForEach([](const std::shared_ptr<TScore>& s) { EXPECT_EQ(s->isNew, 0); });
}

TEST_F(Scores, AnEmptyTableIsTheVersionLineAndTwoHeadingLines) {
    ASSERT_EQ(TScore::Save(), 1);
    EXPECT_EQ(folder.Read("Highscore.txt"), "Version: Tavrik 0.91\r\n");
    auto panel = TTextfield::Create(0, 0, 1.0f, 0);
    TScore::FillText(panel);
    EXPECT_EQ(PanelLines(*panel), (std::vector<std::string>{"___ Highscore Tavrik 0.91 ___", "Name   - Date - Points"}));
}

TEST_F(Scores, AnEditedLineIsDroppedAndGoneAfterTheNextSave) {
    std::string keep = Signed("Keep", "300", "d", "0");
    std::string edited = Signed("Cheat", "10", "d", "0");
    edited.replace(edited.find("=10="), 4, "=9999=");
    folder.Write("Highscore.txt", "Version: Tavrik 0.91\r\n" + edited + "\r\n" + keep + "\r\n");
    TScore::ResetTable();
    EXPECT_EQ(Names(), std::vector<std::string>{"Keep"});
    TScore::Save();
    EXPECT_EQ(folder.Read("Highscore.txt"), "Version: Tavrik 0.91\r\n" + keep + "\r\n");
}

TEST_F(Scores, ALineWithoutADateIsLoadedAsANewScoreOfNow) {
    folder.Write("Highscore.txt", Signed("Old", "500", "d", "1") + "\n" + Signed("Kid", "300", "", "0") + "\n");
    TScore::ResetTable();
    ASSERT_EQ(scoreTable->Count(), 2);
    std::shared_ptr<TScore> kid = scoreTable->Last();
    EXPECT_TRUE(std::regex_match(kid->date, kDateNow)) << kid->date;
    EXPECT_EQ(kid->isNew, 1);
    auto panel = TTextfield::Create(0, 0, 1.0f, 0);
    TScore::FillText(panel);
    EXPECT_EQ(PanelLines(*panel), (std::vector<std::string>{"___ Highscore Tavrik 0.91 ___", "Name   - Date - Points", "",
                                                             "1. Old - - - 500", "", "New >>> 2. Kid - - - 300 <<< New"}));
}

TEST_F(Scores, DamagedFilesGiveUpOnlyTheirBadLines) {
    std::string huge = std::string(1 << 20, 'x') + Signed("Huge", "1", "d", "0");  // longer than any kept line
    std::string withNul = Signed("Nul", "2", "d", "0");
    withNul.insert(3, 1, '\0');
    std::string file = "Version: Tavrik 0.91\r\n" + Signed("One", "10", "d", "0") + "\r\n" +
                       "\x01\xff==garbage=\r\n" + "====\n" + withNul + "\n" + huge + "\n" +
                       Signed("Two", "20", "d", "0") + "\n" +  // LF only among CR LF lines
                       // sent is taken modulo 256: "257" is signed as 1
                       "Three=30=d=257=" + MD5Hex("Three30d1Tavrik 0.91") + "\r\n" +
                       Signed("Four", "40", "d", "0");  // no line end at all
    folder.Write("Highscore.txt", file);
    TScore::ResetTable();
    EXPECT_EQ(Table(), (std::vector<std::string>{"One 10 d 0", "Two 20 d 0", "Three 30 d 1", "Four 40 d 0"}));
    EXPECT_EQ(highscoreFileLocked, 0);
    EXPECT_EQ(TScore::Save(), 1);
}

TEST_F(Scores, AFileThatCannotBeReadIsNeverSavedOver) {
    std::string stored = "Version: Tavrik 0.91\r\n" + Signed("Best", "9000", "d", "0") + "\r\n";
    folder.Write("Highscore.txt", stored);
    ASSERT_EQ(chmod("Highscore.txt", 0), 0);
    // Root reads any file: the reading side then runs as an unprivileged user.
    auto firstTitlePass = []() {
        RecordFinishedGame();  // reloads (nothing readable) and saves: must not replace the file
        TScore::Add("Late", 5, "", 0);
        return highscoreFileLocked == 1 && scoreTable->Count() == 1 && TScore::Save() == 0;
    };
    if (geteuid() == 0) {
        ASSERT_EQ(chmod(folder.path.c_str(), 0777), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = setgid(65534) == 0 && setuid(65534) == 0 && access("Highscore.txt", R_OK) != 0 && firstTitlePass();
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
        EXPECT_TRUE(firstTitlePass());
    }
    ASSERT_EQ(chmod("Highscore.txt", 0644), 0);
    EXPECT_EQ(folder.Read("Highscore.txt"), stored);
    EXPECT_EQ(ListDirectory(".", 1), std::vector<std::string>{"Highscore.txt"});
}

TEST_F(Scores, AFolderNamedLikeTheFileLeavesTheTableInMemory) {
    ASSERT_EQ(mkdir("Highscore.txt", 0755), 0);
    TScore::ResetTable();
    TScore::Add("Ace", 10, "", 0);
    EXPECT_EQ(TScore::Save(), 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"Ace"});
    EXPECT_EQ(PathKind("Highscore.txt"), 2);
    EXPECT_EQ(ListDirectory(".", 1).size(), 1u);
}
