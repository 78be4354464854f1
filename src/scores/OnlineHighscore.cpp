#include "scores/OnlineHighscore.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

#include "Version.h"
#include "platform/Files.h"
#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/StateResets.h"
#include "platform/TSocketStream.h"
#include "platform/Text.h"
#include "scores/InstallKey.h"
#include "scores/MD5.h"
#include "scores/ReplayUploads.h"
#include "scores/TScore.h"
#include "shell/GamePaths.h"
#include "shell/SaveNotices.h"
#include "shell/Shell.h"

#ifndef TAVRIK_HIGHSCORE_HOST
#define TAVRIK_HIGHSCORE_HOST "localhost"
#endif

const char* const kHighscoreHost = TAVRIK_HIGHSCORE_HOST;
const char* const kHighscorePath = "tavrik/";
const char* const kHighscoreServerKey = "Highscore Server";

namespace {

// Where requests go and how long they may take; tests change them.
std::string serverHost = kHighscoreHost;
int serverPort = kHighscorePort;
int requestLimitMs = kHighscoreRequestLimitMs;
// The "Highscore Server" line's value as read, kept so a rewrite of the settings keeps it.
bool serverSettingRead = false;
std::string serverSetting;

// Highest TCP port.
constexpr int kMaxPort = 65535;
// Bytes of a bad settings value quoted in the notice.
constexpr int kMaxQuotedSettingBytes = 64;

// The end of every request's first line.
const char* const kRequestTail = "&vexpodbuffer=0 HTTP/1.0";
// Reply markers.
const std::string kTrueMarker = "[true]", kFalseMarker = "[false]", kOkMarker = "[OK]";
const std::string kStartMarker = "[start]", kEndMarker = "[end]";
const std::string kRefusedMarker = "[REFUSED]";
// Status box texts.
const char* const kSubmitStatus = "Send Highscores to Website...";
const char* const kFetchStatus = "Get Highscores from Website...";
const char* const kReplayStatus = "Send Replay to Website...";
// Status box: margin around the text, colours and the box's alpha.
constexpr int kStatusMarginX = 20, kStatusMarginY = 10;
constexpr float kStatusBoxAlpha = 0.7f;
constexpr int kStatusTextColor = 0x0064FF;
// Bytes taken from the socket at a time.
constexpr int kReadChunkBytes = 4096;

// How a request went.
enum class Outcome {
    NoConnection,  // the server could not be reached; nothing was sent
    Failed,        // the time limit ran out, or the reply was too long
    Replied,       // the reply was read to its end or to the deciding line
};

// Draws the box that tells the player a request runs, and shows it at once.
void ShowStatus(const std::string& text) {
    int w = TextWidthOf(text), h = TextHeightOf(text);
    SetDrawAlpha(kStatusBoxAlpha);
    SetDrawColor(0, 0, 0);
    DrawRectangle(float(gfxWidth - w) / 2.0f - kStatusMarginX, float((gfxHeight - h) / 2 - kStatusMarginY),
                  float(w + 2 * kStatusMarginX), float(h + 2 * kStatusMarginY));
    SetDrawAlpha(1.0f);
    SetDrawColorRGB(kStatusTextColor);
    DrawTextAt(text, float(gfxWidth - w) / 2.0f, float((gfxHeight - h) / 2));
    SetDrawColor(255, 255, 255);
    FlipScreen(-1);
}

using LineHandler = std::function<bool(const std::string&)>;

bool Contains(const std::string& text, const std::string& marker) { return text.find(marker) != std::string::npos; }

// Splits count bytes of a reply into lines, continuing the unfinished line; each complete line
// (CR dropped, cut to kMaxReplyLineBytes) goes to onLine. True once onLine returned true.
bool SplitReplyLines(const char* bytes, int count, std::string& line, const LineHandler& onLine) {
    for (int i = 0; i < count; ++i) {
        char c = bytes[i];
        if (c == '\n' || c == '\0') {
            if (onLine(line)) return true;
            line.clear();
        } else if (c != '\r' && int(line.size()) < kMaxReplyLineBytes) {
            line.push_back(c);
        }
    }
    return false;
}

// A GET request: its first line and the headers every GET carries.
std::string GetRequest(const std::string& requestLine) {
    return requestLine + "\r\nHost: " + HighscoreHostHeader() + "\r\nUser-Agent: " + kVersionText +
           "\r\nAccept: */*\r\n\r\n";
}

// The POST of a replay's bytes.
std::string ReplayRequest(const std::string& requestLine, const std::string& body) {
    return requestLine + "\r\nHost: " + HighscoreHostHeader() +
           "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

// Sends one whole request and hands each reply line (CR dropped, cut to its first
// kMaxReplyLineBytes) to onLine until onLine returns true or the reply ends.
Outcome Exchange(const std::string& request, const LineHandler& onLine) {
    auto start = std::chrono::steady_clock::now();
    std::shared_ptr<TSocketStream> socket = OpenTcpStream(serverHost, serverPort);
    if (!socket) return Outcome::NoConnection;
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    socket->SetDeadlineIn(requestLimitMs - int(spent.count()));

    std::shared_ptr<TStream> stream = socket;
    // A server that stops taking the body may still have answered: its reply is read anyway.
    stream->Write(request.data(), int(request.size()));

    // Lines are split here rather than byte by byte through the stream: a long reply costs
    // one read per chunk, not one per byte.
    char chunk[kReadChunkBytes];
    std::string line;
    int total = 0;
    for (;;) {
        int count = stream->Read(chunk, kReadChunkBytes);
        if (count <= 0) break;
        total += count;
        if (SplitReplyLines(chunk, count, line, onLine)) {
            StreamClose(stream);
            return Outcome::Replied;
        }
        if (total > kMaxReplyBytes) {
            StreamClose(stream);
            return Outcome::Failed;
        }
    }
    if (socket->TimedOut()) return Outcome::Failed;
    // The last line may end with the reply instead of a line end.
    if (!line.empty()) onLine(line);
    StreamClose(stream);
    return Outcome::Replied;
}

// Reads a whole reply held in memory as Exchange reads it from the socket.
void ReadWholeReply(const std::string& reply, const LineHandler& onLine) {
    std::string line;
    for (size_t at = 0; at < reply.size(); at += kReadChunkBytes) {
        int count = int(std::min(reply.size() - at, size_t(kReadChunkBytes)));
        if (SplitReplyLines(reply.data() + at, count, line, onLine)) return;
        if (at + count > size_t(kMaxReplyBytes)) return;
    }
    if (!line.empty()) onLine(line);
}

// The version check's reading of one line: whether it decides, and how.
bool VersionLine(const std::string& line, bool& accepted) {
    if (Contains(line, kTrueMarker)) {
        accepted = true;
        return true;
    }
    return Contains(line, kFalseMarker);
}

// Submits one score; outcome tells whether the server was reached at all.
bool SubmitScore(const std::string& name, int points, const std::string& date, Outcome& outcome) {
    ShowStatus(kSubmitStatus);
    bool accepted = false;
    outcome = Exchange(GetRequest(SubmitRequestLine(name, points, date)), [&](const std::string& line) {
        accepted = Contains(line, kOkMarker);
        return accepted;
    });
    return outcome == Outcome::Replied && accepted;
}

// Fetches the server's best limit scores into the table; outcome as for SubmitScore.
bool FetchScores(int limit, Outcome& outcome) {
    ShowStatus(kFetchStatus);
    std::vector<TScore> records;
    outcome = Exchange(GetRequest(FetchRequestLine(limit)), [&](const std::string& line) {
        ScanFetchLine(line, records, kMaxFetchRecords);
        return int(records.size()) >= kMaxFetchRecords;
    });
    if (outcome != Outcome::Replied) return false;
    for (const TScore& record : records) {
        // Cleaned as Add stores it before Add's duplicate test, so a record fetched again
        // matches its earlier copy. Without a date Add would stamp it new with today's.
        std::string date = ReplaceText(record.date, "=", "");
        if (date.empty()) continue;
        TScore::Add(TScore::StoredName(record.name), record.points, date, 1);
    }
    return true;
}

// The replay reply's reading of one line: whether it decides, and how.
bool ReplayLine(const std::string& line, ReplayReply& result, std::string& reason) {
    if (line.compare(0, kOkMarker.size(), kOkMarker) == 0) {
        result = ReplayReply::Stored;
        return true;
    }
    if (line.compare(0, kRefusedMarker.size(), kRefusedMarker) != 0) return false;
    result = ReplayReply::Refused;
    reason = TrimText(line.substr(kRefusedMarker.size(), kMaxRefusalReasonBytes));
    for (char& c : reason)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') c = '?';
    return true;
}

// Sends the score's replay when one waits to be sent; true when its link changed, so the
// links are saved. outcome as for SubmitScore, Replied when nothing needed sending.
bool UploadReplay(const TScore& entry, const std::string& key, ReplayUploads& uploads, Outcome& outcome) {
    outcome = Outcome::Replied;
    const std::string score = SubmitChecksum(entry.name, entry.points, entry.date);
    const std::string path = uploads.Waiting(score);
    if (path.empty()) return false;
    // The replays folder no longer keeps it: nothing to send, and saving drops the link.
    if (PathKind(path) != 1) return true;
    auto file = OpenReadStream(path);
    // Unreadable for now: tried again at the next update.
    if (!file) return false;
    std::string body;
    bool whole = StreamReadAll(file, body, kMaxReplayUploadBytes);
    StreamClose(file);
    const std::string which = "the replay of " + entry.name + "'s " + std::to_string(entry.points) + " points";
    if (!whole) {
        ReportToPlayer(which + " is not sent: it is bigger than the server takes");
        uploads.MarkDone(score);
        return true;
    }
    ShowStatus(kReplayStatus);
    ReplayReply reply = ReplayReply::Unanswered;
    std::string reason;
    outcome = Exchange(ReplayRequest(ReplayRequestLine(entry.name, entry.points, entry.date, key), body),
                       [&](const std::string& line) { return ReplayLine(line, reply, reason); });
    if (outcome != Outcome::Replied || reply == ReplayReply::Unanswered) return false;
    if (reply == ReplayReply::Refused) ReportToPlayer("the highscore server refused " + which + ": " + reason);
    uploads.MarkDone(score);
    return true;
}

}  // namespace

void SetHighscoreServer(const std::string& host, int port) {
    serverHost = host;
    serverPort = port;
}

bool ParseHighscoreServer(const std::string& text, std::string& host, int& port) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    size_t last = text.find_last_not_of(" \t");
    std::string value = text.substr(first, last - first + 1);
    size_t colon = value.find(':');
    std::string name = value.substr(0, colon);
    std::string rest = colon == std::string::npos ? "" : value.substr(colon);
    if (name.empty() || int(name.size()) > kMaxHighscoreHostBytes) return false;
    for (char c : name) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
        if (!allowed) return false;
    }
    int number = kHighscorePort;
    if (!rest.empty()) {
        // ":" then one to five digits; nothing else may follow the host.
        if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) return false;
        number = 0;
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] < '0' || rest[i] > '9') return false;
            number = number * 10 + (rest[i] - '0');
        }
        if (number < 1 || number > kMaxPort) return false;
    }
    host = name;
    port = number;
    return true;
}

std::string UseHighscoreServerSetting(const std::string& value) {
    serverSettingRead = true;
    serverSetting = value;
    std::string host;
    int port = 0;
    if (ParseHighscoreServer(value, host, port)) {
        SetHighscoreServer(host, port);
        return "";
    }
    std::string quoted = value.substr(0, kMaxQuotedSettingBytes);
    for (char& c : quoted) {
        if (static_cast<unsigned char>(c) < ' ') c = '?';
    }
    return std::string(kHighscoreServerKey) + " in Options.ini is not host or host:port: \"" + quoted +
           "\", using " + kHighscoreHost + ":" + std::to_string(kHighscorePort);
}

bool HasHighscoreServerSetting() { return serverSettingRead; }

const std::string& HighscoreServerSetting() { return serverSetting; }

std::string HighscoreHostHeader() {
    return serverPort == kHighscorePort ? serverHost : serverHost + ":" + std::to_string(serverPort);
}

void SetHighscoreRequestLimitMs(int ms) { requestLimitMs = ms > 0 ? ms : kHighscoreRequestLimitMs; }

void ResetOnlineHighscore() {
    serverHost = kHighscoreHost;
    serverPort = kHighscorePort;
    requestLimitMs = kHighscoreRequestLimitMs;
    serverSettingRead = false;
    serverSetting.clear();
}

std::string EscapeQueryValue(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        unsigned char byte = static_cast<unsigned char>(c);
        bool plain = byte > ' ' && byte <= '~' && c != '&' && c != '#' && c != '%' && c != '+' && c != '=' && c != '?';
        if (plain) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 15]);
        }
    }
    return out;
}

std::string VersionRequestLine() {
    return std::string("GET /") + kHighscorePath + "checkversion.php?version=" + MD5Hex(kVersionText) + kRequestTail;
}

std::string SubmitChecksum(const std::string& name, int points, const std::string& date) {
    // The checksum covers the values as they are, not as escaped.
    return MD5Hex(name + std::to_string(points) + date + kVersionText);
}

namespace {
// The query fields that name a score, as submit.php and replay.php both take them.
std::string ScoreQuery(const std::string& name, int points, const std::string& date) {
    return "name=" + EscapeQueryValue(name) + "&points=" + std::to_string(points) +
           "&time=" + EscapeQueryValue(date) + "&md5sum=" + SubmitChecksum(name, points, date);
}
}  // namespace

std::string SubmitRequestLine(const std::string& name, int points, const std::string& date) {
    return std::string("GET /") + kHighscorePath + "submit.php?" + ScoreQuery(name, points, date) + kRequestTail;
}

std::string ReplayRequestLine(const std::string& name, int points, const std::string& date, const std::string& key) {
    return std::string("POST /") + kHighscorePath + "replay.php?" + ScoreQuery(name, points, date) +
           "&key=" + EscapeQueryValue(key) + " HTTP/1.0";
}

std::string FetchRequestLine(int limit) {
    return std::string("GET /") + kHighscorePath + "get.php?limit=" + std::to_string(limit) + kRequestTail;
}

bool ReadVersionReply(const std::string& reply) {
    bool accepted = false;
    ReadWholeReply(reply, [&](const std::string& line) { return VersionLine(line, accepted); });
    return accepted;
}

bool ReadSubmitReply(const std::string& reply) {
    bool accepted = false;
    ReadWholeReply(reply, [&](const std::string& line) { return accepted = Contains(line, kOkMarker); });
    return accepted;
}

std::vector<TScore> ReadFetchReply(const std::string& reply) {
    std::vector<TScore> records;
    ReadWholeReply(reply, [&](const std::string& line) {
        ScanFetchLine(line, records, kMaxFetchRecords);
        return int(records.size()) >= kMaxFetchRecords;
    });
    return records;
}

ReplayReply ReadReplayReply(const std::string& reply, std::string& reason) {
    ReplayReply result = ReplayReply::Unanswered;
    ReadWholeReply(reply, [&](const std::string& line) { return ReplayLine(line, result, reason); });
    return result;
}

void ScanFetchLine(const std::string& line, std::vector<TScore>& records, int maxRecords) {
    size_t start = line.find(kStartMarker);
    if (start == std::string::npos) return;
    start += kStartMarker.size();
    size_t end = line.find(kEndMarker, start);
    if (end == std::string::npos) return;
    std::string text = line.substr(start, end - start);
    size_t at = 0;
    while (at < text.size() && int(records.size()) < maxRecords) {
        // The record's first character, its "[", is skipped.
        size_t nameEnd = text.find('|', at + 1);
        if (nameEnd == std::string::npos) break;
        size_t pointsEnd = text.find('|', nameEnd + 1);
        if (pointsEnd == std::string::npos) break;
        size_t dateEnd = text.find(']', pointsEnd + 1);
        if (dateEnd == std::string::npos) break;
        TScore record;
        record.name = text.substr(at + 1, nameEnd - at - 1);
        record.points = ParseInt(text.substr(nameEnd + 1, pointsEnd - nameEnd - 1));
        record.date = text.substr(pointsEnd + 1, dateEnd - pointsEnd - 1);
        records.push_back(record);
        at = dateEnd + 1;
    }
}

bool TScore::CheckVersion() {
    bool accepted = false;
    Outcome outcome = Exchange(GetRequest(VersionRequestLine()),
                               [&](const std::string& line) { return VersionLine(line, accepted); });
    // A server that cannot be reached, or does not answer in time, is not asked again.
    if (outcome != Outcome::Replied) onlineHighscore = 0;
    return outcome == Outcome::Replied && accepted;
}

bool TScore::Submit(const std::string& name, int points, const std::string& date) {
    Outcome outcome;
    return SubmitScore(name, points, date, outcome);
}

bool TScore::Fetch(int limit) {
    Outcome outcome;
    return FetchScores(limit, outcome);
}

void TScore::SubmitAll() {
    // Made on the first update; without it no replay is sent, and the replays wait.
    const std::string key = EnsureInstallKey();
    if (key.empty()) ReportUnsaved("install key", GamePaths::SaveFailure());
    ReplayUploads uploads = ReplayUploads::Load();
    bool linksChanged = false;
    // After a request that found no server, or none answering in time, the rest would only
    // wait as long again: they are left for the next update.
    bool reachable = true;
    if (scoreTable) {
        scoreTable->ForEach([&](const std::shared_ptr<TScore>& entry) {
            if (!reachable) return;
            Outcome outcome = Outcome::Replied;
            if (!entry->sent) entry->sent = SubmitScore(entry->name, entry->points, entry->date, outcome) ? 1 : 0;
            // A score the server has takes its replay along, now or at a later update.
            if (entry->sent && outcome == Outcome::Replied && !key.empty())
                linksChanged = UploadReplay(*entry, key, uploads, outcome) || linksChanged;
            reachable = outcome == Outcome::Replied;
        });
    }
    if (reachable) {
        Outcome outcome;
        FetchScores(kSubmitAllFetchLimit, outcome);
    }
    if (!Save()) ReportUnsaved("score", SaveFailure());
    if (linksChanged && !uploads.Save()) ReportUnsaved("replay list", GamePaths::SaveFailure());
}

namespace {
const int stateResetRegistered = RegisterStateReset("online highscore", kResetRankScores + 1, &ResetOnlineHighscore);
}  // namespace
