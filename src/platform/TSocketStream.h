#pragma once
// A TStream over a connected TCP socket, which it owns and closes.
#include "platform/TStream.h"

// A byte stream over a connected TCP client socket.
class TSocketStream : public TStream {
public:
    // Takes over a connected socket descriptor.
    explicit TSocketStream(int socketFd, int timeoutMs);
    ~TSocketStream() override;
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Position() override { return -1; }
    int64_t Size() override { return -1; }
    int64_t Seek(int64_t) override { return -1; }
    void Flush() override {}
    void Close() override;
    int AtEnd() override;

private:
    // The socket, -1 once closed.
    int fd;
    // Longest wait for reply bytes in milliseconds.
    int timeoutMs;
};
