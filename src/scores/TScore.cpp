#include "scores/TScore.h"

#include "Version.h"
#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/StateResets.h"
#include "platform/Text.h"
#include "scores/MD5.h"
#include "scores/TTextfield.h"
#include "shell/GamePaths.h"

const char* const highscoreFileName = "Highscore.txt";

std::shared_ptr<TList<TScore>> scoreTable;
uint8_t highscoreFileLocked = 0;

namespace {

// The file's first line.
const std::string kVersionLine = std::string("Version: ") + kVersionText;
// Field separator of a file line.
const std::string kSeparator = "=";
// No file the game writes comes near this size; reading stops there (and the file then
// counts as not read to its end).
constexpr int64_t kMaxFileBytes = int64_t(16) << 20;
// While loading, a table longer than this is sorted and trimmed, so a file of many valid
// lines cannot make the duplicate test of each Add quadratic. Files the game writes hold
// at most ten entries and never reach it.
constexpr int kLoadTrimThreshold = 256;

// Creates the table on first use.
TList<TScore>& Table() {
    if (!scoreTable) scoreTable = std::make_shared<TList<TScore>>();
    return *scoreTable;
}

}  // namespace

void TScore::ResetTable() {
    Table().Clear();
    Load();
}

void TScore::Add(const std::string& name, int points, const std::string& date, int sent) {
    TList<TScore>& table = Table();
    std::string when = date;
    uint8_t isNew = 0;
    if (when.empty()) {
        when = DateNow();
        isNew = 1;
    }
    // The duplicate test takes the name as given, before it is cleaned.
    bool duplicate = false;
    table.ForEach([&](const std::shared_ptr<TScore>& entry) {
        if (entry->name == name && entry->points == points && entry->date == when) duplicate = true;
    });
    if (duplicate) return;
    auto entry = std::make_shared<TScore>();
    entry->name = StoredName(name);
    entry->points = points;
    entry->date = when;
    entry->sent = uint8_t(sent);
    entry->isNew = isNew;
    entry->link = table.Append(entry);
}

int TScore::Save() {
    if (highscoreFileLocked) return 0;
    std::string text = kVersionLine + "\r\n";
    if (scoreTable) scoreTable->ForEach([&](const std::shared_ptr<TScore>& entry) { text += LineOf(*entry) + "\r\n"; });
    return GamePaths::MakeFolder(GamePaths::ScoresFolder()) &&
           WriteFileAtomically(GamePaths::ScoresFolder() + highscoreFileName, text);
}

std::string TScore::SaveFailure() {
    if (highscoreFileLocked) return std::string(highscoreFileName) + " could not be read, so it is left as it is";
    return GamePaths::SaveFailure();
}

void TScore::Load() {
    const std::string path = GamePaths::ScoresFolder() + highscoreFileName;
    int kind = PathKind(path);
    if (kind == 0) return;
    if (kind != 1) {
        highscoreFileLocked = 1;
        return;
    }
    std::shared_ptr<TStream> file = OpenReadStream(path);
    if (!file) {
        highscoreFileLocked = 1;
        return;
    }
    int64_t size = file->Size();
    while (!StreamAtEnd(file)) {
        if (file->Position() >= kMaxFileBytes) {
            highscoreFileLocked = 1;
            break;
        }
        std::string line = StreamReadLine(file);
        TScore fields;
        std::string checksum;
        if (ParseLine(line, fields, checksum) &&
            checksum == Checksum(fields.name, fields.points, fields.date, fields.sent)) {
            Add(fields.name, fields.points, fields.date, fields.sent);
            if (Table().Count() > kLoadTrimThreshold) SortAndTrim();
        }
    }
    // Reading that stopped short of the file's size met an I/O error.
    if (size >= 0 && file->Position() < size) highscoreFileLocked = 1;
    StreamClose(file);
}

int TScore::SortAndTrim() {
    TList<TScore>& table = Table();
    table.Sort([](const TScore& a, const TScore& b) { return a.Compare(b); });
    // The sort moves entries between nodes: each entry takes the node it now sits in.
    for (auto node = table.FirstLink(); node; node = node->NextLink()) {
        if (node->Value()) node->Value()->link = node;
    }
    int position = 0;
    table.ForEach([&](const std::shared_ptr<TScore>& entry) {
        if (++position > kHighscoreTableSize) entry->Remove();
    });
    return 1;
}

void TScore::FillText(const std::shared_ptr<TTextfield>& field) {
    if (!field) return;
    field->AddLine(std::string("___ Highscore ") + kVersionText + " ___");
    field->AddLine("Name   - Date - Points");
    int position = 0;
    Table().ForEach([&](const std::shared_ptr<TScore>& entry) {
        ++position;
        std::string line = std::to_string(position) + ". " + entry->name + " - - - " + std::to_string(entry->points);
        field->AddLine("");
        field->AddLine(entry->isNew ? "New >>> " + line + " <<< New" : line);
    });
}

std::string TScore::Checksum(const std::string& name, int points, const std::string& date, int sent) {
    return MD5Hex(name + std::to_string(points) + date + std::to_string(sent) + kVersionText);
}

bool TScore::ParseLine(const std::string& line, TScore& fields, std::string& checksum) {
    size_t at[4];
    size_t from = 0;
    for (size_t& p : at) {
        p = line.find(kSeparator, from);
        if (p == std::string::npos) return false;
        from = p + 1;
    }
    fields.name = line.substr(0, at[0]);
    fields.points = ParseInt(line.substr(at[0] + 1, at[1] - at[0] - 1));
    fields.date = line.substr(at[1] + 1, at[2] - at[1] - 1);
    fields.sent = uint8_t(ParseInt(line.substr(at[2] + 1, at[3] - at[2] - 1)));
    checksum = line.substr(at[3] + 1);
    return true;
}

std::string TScore::StoredName(const std::string& name) {
    // "=" removed first, then trimmed, so the result is both trimmed and free of "=".
    return TrimText(ReplaceText(name, kSeparator, ""));
}

std::string TScore::LineOf(const TScore& entry) {
    std::string points = std::to_string(entry.points), sent = std::to_string(entry.sent);
    return entry.name + kSeparator + points + kSeparator + entry.date + kSeparator + sent + kSeparator +
           Checksum(entry.name, entry.points, entry.date, entry.sent);
}

std::string TScore::DateNow() { return CurrentDateText() + "/" + CurrentTimeText(); }

int TScore::Compare(const TScore& other) const {
    if (&other == this) return 0;
    if (points < other.points) return 1;
    if (points > other.points) return -1;
    return 0;
}

void TScore::Remove() {
    if (auto node = link.lock()) node->Remove();
}

void ResetScores() {
    scoreTable.reset();
    highscoreFileLocked = 0;
}

namespace {
const int stateResetRegistered = RegisterStateReset("scores", kResetRankScores, &ResetScores);
}  // namespace
