#include "scores/ReplayUploads.h"

#include <algorithm>
#include <cstdint>

#include "platform/Files.h"
#include "scores/ReplayFolder.h"
#include "shell/GamePaths.h"

const char* const kReplayUploadsFileName = "ReplayUploads.txt";

namespace {

// Hex digits of a score's checksum.
constexpr size_t kChecksumDigits = 32;
// The file holds at most kMaxReplayUploads short lines; reading stops well past that.
constexpr int64_t kMaxFileBytes = 64 * 1024;
const char* const kWaiting = "wait";
const char* const kDone = "done";

std::string FilePath() { return GamePaths::ScoresFolder() + kReplayUploadsFileName; }

bool IsChecksum(const std::string& text) {
    return text.size() == kChecksumDigits && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The file name at the end of a path.
std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplayUploads ReplayUploads::Load() {
    auto file = OpenReadStream(FilePath());
    if (!file) return {};
    std::string text;
    bool whole = StreamReadAll(file, text, kMaxFileBytes);
    StreamClose(file);
    // Of a file cut short, the last line may be cut too.
    if (!whole) {
        size_t lastEnd = text.rfind('\n');
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd);
    }
    return Parse(text);
}

ReplayUploads ReplayUploads::Parse(const std::string& text) {
    ReplayUploads uploads;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // "<checksum> <state> <name>", single spaces, nothing else.
        size_t first = line.find(' ');
        size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
        if (second == std::string::npos) continue;
        Link link;
        link.score = line.substr(0, first);
        const std::string state = line.substr(first + 1, second - first - 1);
        link.replay = line.substr(second + 1);
        link.done = state == kDone;
        if (!IsChecksum(link.score) || (state != kDone && state != kWaiting) ||
            !ReplayFolder::IsReplayName(link.replay))
            continue;
        uploads.Add(link.score, link.replay);
        if (link.done) uploads.MarkDone(link.score);
    }
    return uploads;
}

std::string ReplayUploads::Text() const {
    std::string text;
    for (const Link& link : links)
        text += link.score + " " + (link.done ? kDone : kWaiting) + " " + link.replay + "\n";
    return text;
}

bool ReplayUploads::Save() const {
    ReplayUploads kept;
    const std::string folder = ReplayFolder::Path();
    for (const Link& link : links)
        if (PathKind(folder + link.replay) == 1) kept.links.push_back(link);
    if (kept.links.size() > size_t(kMaxReplayUploads))
        kept.links.erase(kept.links.begin(), kept.links.end() - kMaxReplayUploads);
    return GamePaths::MakeFolder(GamePaths::ScoresFolder()) && WriteFileAtomically(FilePath(), kept.Text());
}

void ReplayUploads::Add(const std::string& score, const std::string& replayPath) {
    links.erase(std::remove_if(links.begin(), links.end(), [&](const Link& link) { return link.score == score; }),
                links.end());
    links.push_back({score, BaseName(replayPath), false});
    // A file that only ever grows by Add stays bounded even before it is saved.
    if (links.size() > size_t(kMaxReplayUploads)) links.erase(links.begin());
}

std::string ReplayUploads::Waiting(const std::string& score) const {
    for (const Link& link : links)
        if (link.score == score && !link.done) return ReplayFolder::Path() + link.replay;
    return "";
}

void ReplayUploads::MarkDone(const std::string& score) {
    for (Link& link : links)
        if (link.score == score) link.done = true;
}
