#pragma once
// The online highscore exchange: the request lines the game sends to the highscore server,
// the reading of its replies, and where the server is. TScore's CheckVersion, Submit, Fetch
// and SubmitAll are built on this.
#include <string>
#include <vector>

class TScore;

// The server's host name, fixed when the game is built.
extern const char* const kHighscoreHost;
// The server's port.
constexpr int kHighscorePort = 80;
// Path under the server root where its three scripts live.
extern const char* const kHighscorePath;
// Longest a whole request may take, from the name lookup to the last reply byte; after it the
// request counts as failed, so a silent or trickling server cannot hold the game.
constexpr int kHighscoreRequestLimitMs = 10000;
// Reply lines are cut to this many bytes; the rest of a longer line is dropped.
constexpr int kMaxReplyLineBytes = 64 * 1024;
// A reply longer than this is not read on: the request counts as failed.
constexpr int kMaxReplyBytes = 1 << 20;
// Records taken from one fetch reply at most; the rest is ignored.
constexpr int kMaxFetchRecords = 300;
// A replay bigger than this is not sent: it counts as done.
constexpr int kMaxReplayUploadBytes = 1 << 20;
// Bytes of the server's reason for a refused replay kept for the player's notice.
constexpr int kMaxRefusalReasonBytes = 200;
// Entries asked for by SubmitAll's fetch.
constexpr int kSubmitAllFetchLimit = 10;

// The settings line that names another server: "Highscore Server=host" or "host:port".
extern const char* const kHighscoreServerKey;
// Longest host name taken from that line.
constexpr int kMaxHighscoreHostBytes = 253;

// Points the client at another server (tests use a loopback port).
void SetHighscoreServer(const std::string& host, int port);
// Reads "host" or "host:port" (spaces around it ignored; the host a name or IPv4 address);
// false for an empty host, a port outside 1..65535 or any other text.
bool ParseHighscoreServer(const std::string& text, std::string& host, int& port);
// Takes the value of the settings line: the server it names is used and the value is kept
// for rewrites of the settings file. Returns a notice for the player when the value cannot
// be read; then the built-in server stays in use.
std::string UseHighscoreServerSetting(const std::string& value);
// Whether the settings file carried the line, and its value as read.
bool HasHighscoreServerSetting();
const std::string& HighscoreServerSetting();
// The Host header's value: the host, and the port when it is not 80.
std::string HighscoreHostHeader();
// Sets the time limit of each request in milliseconds; ms <= 0 restores the default.
void SetHighscoreRequestLimitMs(int ms);
// The built-in server and time limit again.
void ResetOnlineHighscore();

// A query value as sent: the space and every byte that would change the query's meaning
// ("&", "#", "%", "+", "=", "?", control bytes, bytes above 126) as %XX; the rest as is.
std::string EscapeQueryValue(const std::string& value);
// The first line of each request, without its line end.
std::string VersionRequestLine();
std::string SubmitRequestLine(const std::string& name, int points, const std::string& date);
// The POST of a score's replay: the score's name, points, date and checksum as its submission
// carries them, and the install key.
std::string ReplayRequestLine(const std::string& name, int points, const std::string& date, const std::string& key);
// The checksum a score's submission carries; it also names the score beside its replay.
std::string SubmitChecksum(const std::string& name, int points, const std::string& date);
std::string FetchRequestLine(int limit);
// Whole replies held in memory, read as the requests read them from the server: whether the
// version check passes, whether a submission was accepted, and the records of a fetch. A reply
// over kMaxReplyBytes reads as a failure.
bool ReadVersionReply(const std::string& reply);
bool ReadSubmitReply(const std::string& reply);
std::vector<TScore> ReadFetchReply(const std::string& reply);
// How the server answered a replay: a line starting "[OK]" (stored, now or before) or
// "[REFUSED] reason" decides, the first one to come; anything else leaves it to be sent again.
enum class ReplayReply { Unanswered, Stored, Refused };
// The reason is the refusal line's rest, trimmed, control bytes as "?", at most
// kMaxRefusalReasonBytes.
ReplayReply ReadReplayReply(const std::string& reply, std::string& reason);
// Appends the records of one reply line: the text between its first "[start]" and the
// next "[end]", read as "[" name "|" points "|" date "]" records one after another. A record
// without its "|"s or its "]" ends the line; no more than maxRecords are kept in records.
void ScanFetchLine(const std::string& line, std::vector<TScore>& records, int maxRecords);
