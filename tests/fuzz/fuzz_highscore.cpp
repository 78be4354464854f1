// Fuzzer for the highscore file: the input becomes Highscore.txt, is loaded, saved and
// loaded again, and the second table must be the first one as its own file gives it back
// (an entry equal in name, points and date to an earlier one is the one thing dropped).
// When the first byte is odd, every line with four "=" gets its correct checksum first, so
// most inputs reach the table instead of stopping at a wrong checksum.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scores/TScore.h"
#include "scores/TTextfield.h"

namespace {

// One entry as the comparison sees it (isNew is not stored, so it is left out).
struct Row {
    std::string name;
    int points;
    std::string date;
    int sent;
    bool operator==(const Row&) const = default;
};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    if (scoreTable)
        scoreTable->ForEach([&](const std::shared_ptr<TScore>& s) { rows.push_back({s->name, s->points, s->date, s->sent}); });
    return rows;
}

// Every line that parses gets the checksum its fields call for.
std::string Resigned(const std::string& bytes) {
    std::string out;
    size_t at = 0;
    while (at <= bytes.size()) {
        size_t end = bytes.find('\n', at);
        std::string line = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
        // Lines as the reader sees them: a CR at the end is kept aside; lines with another
        // CR or a NUL are left as they are.
        bool cr = !line.empty() && line.back() == '\r';
        if (cr) line.pop_back();
        TScore fields;
        std::string checksum;
        if (line.find_first_of(std::string("\r\0", 2)) == std::string::npos &&
            TScore::ParseLine(line, fields, checksum)) {
            line.resize(line.size() - checksum.size());
            line += TScore::Checksum(fields.name, fields.points, fields.date, fields.sent);
        }
        if (cr) line += '\r';
        out += line;
        if (end == std::string::npos) break;
        out += '\n';
        at = end + 1;
    }
    return out;
}

void WriteFile(const std::string& bytes) { std::ofstream(highscoreFileName, std::ios::binary | std::ios::trunc) << bytes; }

void WriteSeeds(const std::filesystem::path& dir) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const char* seeds[] = {
        "\x01Version: Tavrik 0.91\r\nPilot=4200=07 Dec 2026/14:03:59=0=x\r\nAce=3100=06 Dec 2026/20:11:02=1=x\r\n",
        "\x01  Sp ace =-5==0=x\nA=B=1=C=D=E=F\n Bob=7=d=1=x\nBob=7=d=0=x\n",
        "\x00Version: Tavrik 0.91\r\nnothing=here\r\n",
    };
    int n = 0;
    for (const char* seed : seeds) {
        std::string text(seed, seed + 1 + std::char_traits<char>::length(seed + 1));
        std::ofstream(dir / ("seed" + std::to_string(n++)), std::ios::binary) << text;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("TAVRIK_FUZZ_SEEDS")) WriteSeeds(seeds);
    // The files are written in a private folder.
    char pattern[] = "/tmp/tavrik-fuzz-highscore-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    WriteFile(data[0] & 1 ? Resigned(bytes) : bytes);

    ResetScores();
    TScore::ResetTable();
    std::vector<Row> first = Rows();
    auto panel = TTextfield::Create(0, 0, 1.0f, kAlignCentre);
    TScore::FillText(panel);
    if (panel->lines.Count() != 2 + 2 * int(first.size())) std::abort();
    if (TScore::Save() != 1) std::abort();

    TScore::ResetTable();
    std::vector<Row> second = Rows();
    std::vector<Row> expected;
    for (const Row& row : first) {
        bool earlier = false;
        for (const Row& kept : expected)
            earlier = earlier || (kept.name == row.name && kept.points == row.points && kept.date == row.date);
        if (!earlier) expected.push_back(row);
    }
    if (second != expected) std::abort();

    // From there on the file is a fixed point, also after sorting and trimming.
    if (TScore::Save() != 1) std::abort();
    TScore::ResetTable();
    if (Rows() != second) std::abort();
    TScore::SortAndTrim();
    std::vector<Row> trimmed = Rows();
    if (trimmed.size() > size_t(kHighscoreTableSize)) std::abort();
    TScore::Save();
    TScore::ResetTable();
    if (Rows() != trimmed) std::abort();
    return 0;
}
