#pragma once
// A 64-bit FNV-1a hash fed value by value: the world-state checks of replays and the build
// identity. Values are fed as their bytes, so the same values give the same hash everywhere.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class THashFeed {
public:
    void AddBytes(const void* data, size_t size);
    // Plain values (numbers, arrays of numbers) as their bytes.
    template <class T>
    void Add(const T& value) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        AddBytes(bytes, sizeof(T));
    }
    // Text as its length and bytes, so "ab" + "c" differs from "a" + "bc".
    void AddText(std::string_view text);
    uint64_t Hash() const { return hash; }
    // The hash as 16 lowercase hex digits.
    std::string Hex() const;

private:
    uint64_t hash = 0xCBF29CE484222325ull;
};
