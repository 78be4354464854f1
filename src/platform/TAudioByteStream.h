#pragma once
// A read-only stream over bytes held in memory, so sounds can be loaded from a buffer.
#include <string>

#include "platform/TStream.h"

// Reads a copy of a byte string through the ordinary stream interface.
class TAudioByteStream : public TStream {
public:
    explicit TAudioByteStream(std::string bytes);

    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Position() override;
    int64_t Size() override;
    int64_t Seek(int64_t position) override;
    void Flush() override;
    void Close() override;
    int AtEnd() override;

private:
    std::string bytes_;   // the whole content
    int64_t position_ = 0; // next byte to read
    bool closed_ = false;  // after Close nothing reads
};
