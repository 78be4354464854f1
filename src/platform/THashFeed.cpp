#include "platform/THashFeed.h"

void THashFeed::AddBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
}

void THashFeed::AddText(std::string_view text) {
    Add(uint64_t(text.size()));
    AddBytes(text.data(), text.size());
}

std::string THashFeed::Hex() const {
    static const char kDigits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 0; i < 16; ++i) out[size_t(i)] = kDigits[(hash >> (60 - 4 * i)) & 0xF];
    return out;
}
