#pragma once
// Which replay file belongs to which score of the table, and whether it still has to go to
// the highscore server. Kept in its own file beside Highscore.txt, whose lines stay as they
// are: one line a score, "<score's checksum> <wait|done> <replay file name>", the checksum
// being the one the score's submission carries.
#include <string>
#include <vector>

// The file's name beside Highscore.txt.
extern const char* const kReplayUploadsFileName;
// Links kept at most; the replays folder keeps far fewer files than this.
constexpr int kMaxReplayUploads = 100;

class ReplayUploads {
public:
    // One score's replay.
    struct Link {
        std::string score;   // the score's submission checksum
        std::string replay;  // the file's name in the replays folder
        bool done = false;   // stored or refused by the server, or never to be sent
    };

    // The links in the file; lines that are not a link the game writes are dropped, and the
    // file is read only up to a size the game never writes.
    static ReplayUploads Load();
    // Reads the file's text as Load does.
    static ReplayUploads Parse(const std::string& text);
    // Writes the links whose replay file is still there, the latest kMaxReplayUploads; false
    // when the file could not be written.
    bool Save() const;
    // The file's text of these links, in order.
    std::string Text() const;

    // Ties a score to its replay file (a path or name in the replays folder), waiting to be
    // sent; an older link of the same score is replaced.
    void Add(const std::string& score, const std::string& replayPath);
    // The path of the score's replay while it waits to be sent; "" otherwise.
    std::string Waiting(const std::string& score) const;
    // The score's replay needs sending no more.
    void MarkDone(const std::string& score);

    const std::vector<Link>& Links() const { return links; }

private:
    std::vector<Link> links;
};
