#include "scores/ReplayFolder.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/Files.h"
#include "platform/StateResets.h"
#include "scores/TReplay.h"
#include "shell/GamePaths.h"
#include "shell/SaveNotices.h"

namespace {

constexpr char kExtension[] = ".tvr";
constexpr size_t kExtensionBytes = sizeof kExtension - 1;
// "YYYYMMDD-HHMMSS-" then the points, at least kPointsDigits digits.
constexpr size_t kDateDigits = 8;
constexpr size_t kTimeDigits = 6;
constexpr size_t kStampBytes = kDateDigits + 1 + kTimeDigits + 1;
constexpr int kPointsDigits = 9;
// The header's date as the game writes it: "YYYY-MM-DD HH:MM:SS".
constexpr char kHeaderDateShape[] = "dddd-dd-dd dd:dd:dd";

bool failureNoticed = false;

bool Digits(const std::string& text, size_t from, size_t count) {
    if (from + count > text.size()) return false;
    return std::all_of(text.begin() + long(from), text.begin() + long(from + count),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// The points in a replay's name; names are checked, so the digits are there.
uint64_t NamePoints(const std::string& name) {
    uint64_t points = 0;
    for (size_t i = kStampBytes; i < name.size() - kExtensionBytes; ++i)
        points = std::min<uint64_t>(points * 10 + uint64_t(name[i] - '0'), UINT64_MAX / 16);
    return points;
}

// "YYYYMMDD-HHMMSS" from the header's date, or from the local time now when it has another shape.
std::string Stamp(const std::string& date) {
    bool shaped = date.size() == sizeof kHeaderDateShape - 1;
    for (size_t i = 0; shaped && i < date.size(); ++i)
        shaped = kHeaderDateShape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(date[i])) != 0 : date[i] == kHeaderDateShape[i];
    if (shaped) {
        std::string digits;
        for (char c : date)
            if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
        return digits.insert(kDateDigits, "-");
    }
    char text[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

std::string FileName(const TReplay& replay) {
    char points[32];
    std::snprintf(points, sizeof points, "%0*" PRId64, kPointsDigits, std::max<int64_t>(replay.result.points, 0));
    return Stamp(replay.date) + "-" + points + kExtension;
}

// Deletes the replays that are neither among the best by points nor among the latest; the one
// just written stays even so (its header may carry an old date).
void Trim(const std::string& folder, const std::string& written) {
    std::vector<std::string> names;
    for (const std::string& name : ListDirectory(folder, 1))
        if (ReplayFolder::IsReplayName(name) && PathKind(folder + name) == 1) names.push_back(name);
    // Names start with the date and time, so their order is the order of the games.
    std::sort(names.begin(), names.end());
    std::vector<std::string> kept(names.end() - std::min<long>(long(names.size()), kReplaysKeptLatest), names.end());
    kept.push_back(written);
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return NamePoints(a) > NamePoints(b); });
    kept.insert(kept.end(), names.begin(), names.begin() + std::min<long>(long(names.size()), kReplaysKeptBest));
    for (const std::string& name : names)
        if (std::find(kept.begin(), kept.end(), name) == kept.end()) DeleteFile(folder + name);
}

std::string Failed(const std::string& reason) {
    if (!failureNoticed) ReportUnsaved("replays", reason);
    failureNoticed = true;
    return "";
}

}  // namespace

// Only names of this shape are ever deleted.
bool ReplayFolder::IsReplayName(const std::string& name) {
    if (name.size() < kStampBytes + kPointsDigits + kExtensionBytes) return false;
    size_t pointsEnd = name.size() - kExtensionBytes;
    return Digits(name, 0, kDateDigits) && name[kDateDigits] == '-' && Digits(name, kDateDigits + 1, kTimeDigits) &&
           name[kStampBytes - 1] == '-' &&
           Digits(name, kStampBytes, pointsEnd - kStampBytes) && name.compare(pointsEnd, kExtensionBytes, kExtension) == 0;
}

std::string ReplayFolder::Path() { return GamePaths::ScoresFolder() + "replays/"; }

std::string ReplayFolder::Save(const TReplay& replay) {
    const std::string folder = Path();
    if (!GamePaths::MakeFolder(folder)) return Failed(GamePaths::SaveFailure());
    const std::string name = FileName(replay);
    const std::string path = folder + name;
    if (!WriteFileAtomically(path, replay.Encode())) return Failed(GamePaths::SaveFailure());
    Trim(folder, name);
    return path;
}

bool ReplayFolder::ReadFile(const std::string& path, TReplay& out, std::string& error) {
    auto stream = OpenReadStream(path);
    if (!stream) {
        error = "cannot be opened";
        return false;
    }
    std::string bytes;
    bool whole = StreamReadAll(stream, bytes, kMaxReplayFileBytes);
    StreamClose(stream);
    if (!whole) {
        error = "too large or unreadable";
        return false;
    }
    return TReplay::Decode(bytes, out, error);
}

std::string ReplayFolder::Best() {
    const std::string folder = Path();
    std::string best;
    int64_t bestPoints = 0;
    std::vector<std::string> names = ListDirectory(folder, 1);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (PathExtension(name) != kExtension + 1) continue;
        TReplay replay;
        std::string error;
        if (!ReadFile(folder + name, replay, error)) continue;
        // On equal points the later game counts.
        if (best.empty() || replay.result.points >= bestPoints) {
            best = folder + name;
            bestPoints = replay.result.points;
        }
    }
    return best;
}

void ReplayFolder::Reset() { failureNoticed = false; }

namespace {
const int stateResetRegistered = RegisterStateReset("replay folder", kResetRankScores, &ReplayFolder::Reset);
}  // namespace
