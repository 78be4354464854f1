#pragma once
// The bytes one object holds, booked on one of the memory counters for as long as it
// holds them: set when the object makes or resizes its buffer, taken back when it dies.
#include <atomic>
#include <cstdint>

class TMemoryTally {
public:
    explicit TMemoryTally(std::atomic<int64_t>& counter) : counter_(&counter) {}
    TMemoryTally(const TMemoryTally&) = delete;
    TMemoryTally& operator=(const TMemoryTally&) = delete;
    TMemoryTally(TMemoryTally&& other) noexcept;
    TMemoryTally& operator=(TMemoryTally&& other) noexcept;
    ~TMemoryTally() { Set(0); }

    // The object now holds bytes.
    void Set(int64_t bytes);
    int64_t Bytes() const { return bytes_; }

private:
    std::atomic<int64_t>* counter_;
    int64_t bytes_ = 0;
};
