#pragma once
// The local highscore table: one process-wide list of entries, kept in Highscore.txt with an
// MD5 checksum on every line, so lines edited by hand or written by another version are
// dropped when the file is read.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/TList.h"

class TTextfield;

// Entries kept by SortAndTrim.
constexpr int kHighscoreTableSize = 10;
// The table's file in the working directory.
extern const char* const highscoreFileName;

// One entry of the highscore table. The type-level operations work on the one table.
class TScore {
public:
    // Creates the table or empties it, then loads Highscore.txt into it.
    static void ResetTable();
    // Appends an entry unless one has the same name (as given), points and date. An empty
    // date becomes the current date and marks the entry new. The stored name has every "="
    // removed and is trimmed of characters up to 32 at both ends.
    static void Add(const std::string& name, int points, const std::string& date, int sent);
    // Asks the highscore server whether this version may take part; true if it may. A
    // server that cannot be reached or does not answer in time switches onlineHighscore off.
    static bool CheckVersion();
    // Sends one score to the server under a status box; true if the server accepted it.
    static bool Submit(const std::string& name, int points, const std::string& date);
    // Adds the server's best limit scores to the table as sent, under a status box; false
    // only when the request failed (no connection, no complete reply in time).
    static bool Fetch(int limit);
    // Submits every unsent entry (marking the accepted ones sent), sends the replay of each
    // sent entry whose replay waits (with the install key, made here on the first update),
    // fetches the server's top ten and saves the table. Once a request finds no server, or
    // none answering in time, the remaining requests and the fetch are skipped.
    static void SubmitAll();
    // Writes the version line and every entry, in table order, to Highscore.txt through a
    // temporary file renamed over it. 0 when nothing was written: the file could not be
    // written, or an existing file could not be read this run and is left alone.
    static int Save();
    // Why the last Save wrote nothing, for the player's notice.
    static std::string SaveFailure();
    // Adds every line of Highscore.txt whose checksum matches its fields; other lines are
    // dropped silently. Without the file the table stays as it is.
    static void Load();
    // Sorts by points, highest first (equal points keep their order), and drops every
    // entry after the tenth. Returns 1.
    static int SortAndTrim();
    // Appends the heading, the column line and a numbered line per entry to a panel.
    static void FillText(const std::shared_ptr<TTextfield>& field);

    // The checksum of a file line: MD5 of name, points, date, sent and the version text.
    static std::string Checksum(const std::string& name, int points, const std::string& date, int sent);
    // Splits a file line at its first four "=" into an entry's fields and the checksum
    // text; false when the line has fewer than four "=".
    static bool ParseLine(const std::string& line, TScore& fields, std::string& checksum);
    // A name as the table stores it: every "=" removed, then trimmed.
    static std::string StoredName(const std::string& name);
    // The file line of an entry (without its line end).
    static std::string LineOf(const TScore& entry);
    // The date of a score made now: "07 Dec 2026/14:03:59" in local time.
    static std::string DateNow();

    // Ordering of the table: 1 when this entry has fewer points than other, -1 when more,
    // 0 when equal (or the same entry).
    int Compare(const TScore& other) const;
    // Takes the entry out of the table.
    void Remove();

    // Player name: trimmed, without "=".
    std::string name;
    // The score.
    int points = 0;
    // When the score was made, as text; kept as read from the file or the server.
    std::string date;
    // 1 once the server has it (accepted, or fetched from it).
    uint8_t sent = 0;
    // 1 for the score of the game just finished; never stored.
    uint8_t isNew = 0;
    // The entry's own node in the table, for removal in constant time.
    std::weak_ptr<TLink<TScore>> link;
};

// The table, created on first use; null until then.
extern std::shared_ptr<TList<TScore>> scoreTable;
// Set when Highscore.txt exists but could not be read to its end (no permission, an I/O
// error, not a file, too big): the file is then never saved over for the rest of the run,
// so scores the game could not read are not replaced by a table that lacks them.
extern uint8_t highscoreFileLocked;

// The table gone and the file unlocked, as at start-up.
void ResetScores();
