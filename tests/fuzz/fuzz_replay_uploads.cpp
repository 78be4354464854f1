// Fuzzer for the list that ties scores to their replays: the input is read as the list's file,
// and what is kept must read back as itself, every link being one the game could have written.
// When the first byte is odd, the input is first shaped into lines that are nearly links, so
// most runs get past the checksum and the replay's name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scores/ReplayFolder.h"
#include "scores/ReplayUploads.h"

namespace {

// Each input line behind a valid checksum and state, its bytes as the replay's name.
std::string Shaped(const std::string& bytes) {
    std::string out;
    size_t at = 1;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        if (end == std::string::npos) end = bytes.size();
        const std::string state = (bytes[at] & 1) ? " done " : " wait ";
        out += std::string(32, 'f') + state + "20261207-140359-" + bytes.substr(at, end - at) + "\n";
        at = end + 1;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1)) text = Shaped(text);
    ReplayUploads uploads = ReplayUploads::Parse(text);
    if (uploads.Links().size() > size_t(kMaxReplayUploads)) std::abort();
    for (const ReplayUploads::Link& link : uploads.Links())
        if (link.score.size() != 32 || !ReplayFolder::IsReplayName(link.replay)) std::abort();
    if (ReplayUploads::Parse(uploads.Text()).Text() != uploads.Text()) std::abort();
    return 0;
}
