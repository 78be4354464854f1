#include "platform/TMemoryTally.h"

TMemoryTally::TMemoryTally(TMemoryTally&& other) noexcept : counter_(other.counter_), bytes_(other.bytes_) {
    other.bytes_ = 0;
}

TMemoryTally& TMemoryTally::operator=(TMemoryTally&& other) noexcept {
    if (this != &other) {
        Set(0);
        counter_ = other.counter_;
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

void TMemoryTally::Set(int64_t bytes) {
    if (bytes == bytes_) return;
    counter_->fetch_add(bytes - bytes_, std::memory_order_relaxed);
    bytes_ = bytes;
}
