#include "platform/TSocketStream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "platform/StateResets.h"

namespace {

// How long a name lookup plus connect, or one wait for reply bytes, may take: a silent or
// unreachable server must never freeze the game.
constexpr int kDefaultNetworkTimeoutMs = 5000;
// Name lookups still running after their caller gave up; more than this and new lookups
// fail at once instead of piling up threads.
constexpr int kMaxPendingLookups = 4;

std::atomic<int> networkTimeoutMs{kDefaultNetworkTimeoutMs};
std::atomic<int> pendingLookups{0};

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events or the deadline passes; the revents, 0 on expiry.
short WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        int n = poll(&entry, 1, MsUntil(deadline));
        if (n > 0) return entry.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

// The result of one name lookup, shared between the caller and the lookup thread, so
// whichever finishes last frees it.
struct Lookup {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    in_addr address{};
};

// The first IPv4 address of host, waiting at most until deadline.
bool ResolveIPv4(const std::string& host, Clock::time_point deadline, in_addr& address) {
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) return true;
    std::string lower;
    for (char c : host) lower.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    if (lower == "localhost") {
        address.s_addr = htonl(INADDR_LOOPBACK);
        return true;
    }

    // getaddrinfo cannot be given a timeout: run it on a detached thread and stop waiting
    // when the time is up. The thread owns a share of the result and finishes on its own.
    if (pendingLookups.fetch_add(1) >= kMaxPendingLookups) {
        pendingLookups.fetch_sub(1);
        return false;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host] {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* list = nullptr;
            bool found = false;
            in_addr first{};
            if (getaddrinfo(host.c_str(), nullptr, &hints, &list) == 0) {
                for (addrinfo* entry = list; entry; entry = entry->ai_next) {
                    if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
                        first = reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr;
                        found = true;
                        break;
                    }
                }
                freeaddrinfo(list);
            }
            {
                std::lock_guard<std::mutex> guard(lookup->lock);
                lookup->done = true;
                lookup->found = found;
                lookup->address = first;
            }
            lookup->finished.notify_all();
            pendingLookups.fetch_sub(1);
        }).detach();
    } catch (...) {
        pendingLookups.fetch_sub(1);
        return false;
    }
    std::unique_lock<std::mutex> guard(lookup->lock);
    if (!lookup->finished.wait_until(guard, deadline, [&] { return lookup->done; })) return false;
    if (!lookup->found) return false;
    address = lookup->address;
    return true;
}

}  // namespace

void SetNetworkTimeoutMs(int ms) { networkTimeoutMs = ms > 0 ? ms : kDefaultNetworkTimeoutMs; }

int NetworkTimeoutMs() { return networkTimeoutMs; }

void ResetNetworkTimeout() { networkTimeoutMs = kDefaultNetworkTimeoutMs; }

std::shared_ptr<TSocketStream> OpenTcpStream(const std::string& host, int port) {
    if (host.empty() || host.size() > 255 || port <= 0 || port > 65535) return nullptr;
    int timeout = networkTimeoutMs;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeout);

    in_addr address{};
    if (!ResolveIPv4(host, deadline, address)) return nullptr;

    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<uint16_t>(port));
    target.sin_addr = address;
    int rc = connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target);
    if (rc != 0 && errno == EINPROGRESS) {
        // Connected (or failed) once the socket turns writable; SO_ERROR tells which.
        int error = ETIMEDOUT;
        if (WaitFor(fd, POLLOUT, deadline) != 0) {
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
        rc = error == 0 ? 0 : -1;
    }
    if (rc != 0) {
        close(fd);
        return nullptr;
    }
    return std::make_shared<TSocketStream>(fd, timeout);
}

TSocketStream::TSocketStream(int socketFd, int timeoutMs) : fd(socketFd), timeoutMs(timeoutMs) {
    // Every wait goes through poll with a bound, so the socket itself never blocks.
    if (fd >= 0) {
        int flags = fcntl(fd, F_GETFL);
        if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
    if (this->timeoutMs <= 0) this->timeoutMs = kDefaultNetworkTimeoutMs;
}

TSocketStream::~TSocketStream() { Close(); }

int TSocketStream::Read(void* buffer, int count) {
    if (fd < 0 || !buffer || count <= 0) return 0;
    if (hasDeadline && Clock::now() >= deadline) {
        Expire();
        return 0;
    }
    auto until = WaitEnd();
    for (;;) {
        ssize_t n = recv(fd, buffer, static_cast<size_t>(count), 0);
        if (n > 0) return static_cast<int>(n);
        // 0: the peer has closed; AtEnd will notice and close our side.
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) break;
        if (WaitFor(fd, POLLIN, until) == 0) {
            Expire();
            return 0;
        }
    }
    // A broken connection: the stream is over.
    Close();
    return 0;
}

int TSocketStream::Write(const void* buffer, int count) {
    if (fd < 0 || !buffer || count <= 0) return 0;
    if (hasDeadline && Clock::now() >= deadline) {
        Expire();
        return 0;
    }
    auto until = WaitEnd();
    const char* bytes = static_cast<const char*>(buffer);
    int done = 0;
    while (done < count) {
        // MSG_NOSIGNAL: a closed peer gives EPIPE instead of killing the game with SIGPIPE.
        ssize_t n = send(fd, bytes + done, static_cast<size_t>(count - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd, POLLOUT, until) != 0) continue;
            Expire();
            break;
        }
        Close();
        break;
    }
    return done;
}

void TSocketStream::SetDeadlineIn(int ms) {
    hasDeadline = true;
    deadline = Clock::now() + std::chrono::milliseconds(ms > 0 ? ms : 0);
}

Clock::time_point TSocketStream::WaitEnd() const {
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return hasDeadline && deadline < until ? deadline : until;
}

void TSocketStream::Expire() {
    timedOut = 1;
    Close();
}

void TSocketStream::Close() {
    if (fd < 0) return;
    close(fd);
    fd = -1;
}

int TSocketStream::AtEnd() {
    if (fd < 0) return 1;
    // A look without waiting: nothing readable means the connection is still open.
    pollfd entry{fd, POLLIN, 0};
    int n = poll(&entry, 1, 0);
    if (n <= 0) return 0;
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) return 0;
    // Readable with nothing waiting: the peer has closed.
    Close();
    return 1;
}

namespace {
const int stateResetRegistered = RegisterStateReset("network timeout", kResetRankPlatform + 4, &ResetNetworkTimeout);
}  // namespace
