#pragma once
// A TStream over a connected TCP socket, which it owns and closes.
#include <chrono>

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
    // From now on no read or write waits past ms milliseconds from now; once that time has
    // passed the stream is over, however slowly the peer keeps sending.
    void SetDeadlineIn(int ms);
    // 1 once a wait for the peer ran out of time (the stream is then closed).
    int TimedOut() const { return timedOut; }

private:
    // The end of the next wait: the per-wait bound, cut at the deadline when one is set.
    std::chrono::steady_clock::time_point WaitEnd() const;
    // Notes the expiry and closes the stream.
    void Expire();

    // The socket, -1 once closed.
    int fd;
    // Longest wait for reply bytes in milliseconds.
    int timeoutMs;
    // Whether SetDeadlineIn was called.
    bool hasDeadline = false;
    // The time SetDeadlineIn set.
    std::chrono::steady_clock::time_point deadline;
    // 1 once a wait ran out of time.
    int timedOut = 0;
};
