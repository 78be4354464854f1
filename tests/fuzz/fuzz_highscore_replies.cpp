// Fuzzer for the highscore server's replies: the input is read as the reply to the version
// check, to a submission, to a fetch and to a replay. Each must be read without a crash or leak, and the
// fetched records must be ones the reply's grammar can carry.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scores/OnlineHighscore.h"
#include "scores/TScore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string reply(reinterpret_cast<const char*>(data), size);
    // Lines are read without their CRs, so a marker may be split by one.
    std::string plain;
    for (char c : reply)
        if (c != '\r') plain.push_back(c);
    // The marker somewhere in the reply is needed to pass, though not enough.
    if (ReadVersionReply(reply) && plain.find("[true]") == std::string::npos) std::abort();
    if (ReadSubmitReply(reply) && plain.find("[OK]") == std::string::npos) std::abort();
    std::vector<TScore> records = ReadFetchReply(reply);
    if (int(records.size()) > kMaxFetchRecords) std::abort();
    if (!records.empty() && plain.find("[start]") == std::string::npos) std::abort();
    for (const TScore& record : records) {
        if (record.name.find('|') != std::string::npos || record.date.find(']') != std::string::npos) std::abort();
    }
    std::string reason;
    ReplayReply replay = ReadReplayReply(reply, reason);
    if (replay == ReplayReply::Stored && plain.find("[OK]") == std::string::npos) std::abort();
    if (replay == ReplayReply::Refused && plain.find("[REFUSED]") == std::string::npos) std::abort();
    if (int(reason.size()) > kMaxRefusalReasonBytes) std::abort();
    for (char c : reason)
        if (static_cast<unsigned char>(c) < ' ') std::abort();
    return 0;
}
