#pragma once
// A byte stream: the one abstraction the game reads and writes files and sockets through.
#include <cstdint>

// Base byte stream. Subclasses: file streams and TSocketStream.
class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read (0 at the end or on failure).
    virtual int Read(void* buffer, int count) = 0;
    // Writes up to count bytes; returns how many were written.
    virtual int Write(const void* buffer, int count) = 0;
    // Current position in bytes from the start (-1 when the stream has none).
    virtual int64_t Position() = 0;
    // Size in bytes (-1 when unknown).
    virtual int64_t Size() = 0;
    // Moves to a position from the start; returns the new position, -1 if impossible.
    virtual int64_t Seek(int64_t position) = 0;
    // Pushes buffered output out.
    virtual void Flush() = 0;
    // Releases the file or socket; later reads and writes do nothing.
    virtual void Close() = 0;
    // 1 when no more data can be read.
    virtual int AtEnd() = 0;
};
