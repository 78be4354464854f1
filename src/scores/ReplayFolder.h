#pragma once
// The replays/ folder beside the scores: writes each finished game's replay, keeps the best and
// the latest, and finds the best one to watch.
#include <string>

class TReplay;

// Replays kept by points and by date; one file may count for both.
constexpr int kReplaysKeptBest = 20;
constexpr int kReplaysKeptLatest = 20;

class ReplayFolder {
public:
    // The folder: "replays/" under GamePaths::ScoresFolder().
    static std::string Path();
    // Writes the replay as "<date>-<time>-<points>.tvr" (date and time from its header, or
    // the local time now when the header's date is not "YYYY-MM-DD HH:MM:SS"; points
    // zero-padded to nine digits, negative ones as 0), through a temporary file renamed over
    // it, then deletes older replays beyond the best and latest kept (never the one written,
    // nor a file named otherwise). Returns the file's path, or "" when it could
    // not be written: the first such failure in a run gives one notice
    // ("replays not saved: <reason>"), later ones are silent, and the game plays on.
    static std::string Save(const TReplay& replay);
    // Reads and decodes a replay file of at most kMaxReplayFileBytes; false with a reason.
    static bool ReadFile(const std::string& path, TReplay& out, std::string& error);
    // The path of the replay with the most points in the folder ("" when none is readable).
    static std::string Best();
    // Whether a file name is one Save gives: "YYYYMMDD-HHMMSS-PPPPPPPPP.tvr".
    static bool IsReplayName(const std::string& name);
    // Forgets that a failure was already noticed (program state reset).
    static void Reset();
};
