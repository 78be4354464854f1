#include "platform/TAudioByteStream.h"

#include <algorithm>
#include <cstring>
#include <utility>

TAudioByteStream::TAudioByteStream(std::string bytes) : bytes_(std::move(bytes)) {}

int TAudioByteStream::Read(void* buffer, int count) {
    if (closed_ || count <= 0) return 0;
    const int64_t left = static_cast<int64_t>(bytes_.size()) - position_;
    const int n = static_cast<int>(std::clamp<int64_t>(left, 0, count));
    if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int TAudioByteStream::Write(const void*, int) {
    return 0;
}

int64_t TAudioByteStream::Position() {
    return closed_ ? -1 : position_;
}

int64_t TAudioByteStream::Size() {
    return closed_ ? -1 : static_cast<int64_t>(bytes_.size());
}

int64_t TAudioByteStream::Seek(int64_t position) {
    if (closed_ || position < 0 || position > static_cast<int64_t>(bytes_.size())) return -1;
    position_ = position;
    return position_;
}

void TAudioByteStream::Flush() {}

void TAudioByteStream::Close() {
    closed_ = true;
    bytes_.clear();
}

int TAudioByteStream::AtEnd() {
    return (closed_ || position_ >= static_cast<int64_t>(bytes_.size())) ? 1 : 0;
}
