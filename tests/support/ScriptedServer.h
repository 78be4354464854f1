#pragma once
// A scripted stand-in for the highscore web server on a free loopback port: it accepts
// connections one after another, reads each request up to its empty line and any body its
// Content-Length announces, keeps it, and then lets the test's script answer (or not) on the
// connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A socket bound to a free loopback port, listening with the given backlog (0: bound only);
// -1 when that fails. port receives the port.
inline int BindLoopback(int backlog, int& port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        (backlog > 0 && listen(fd, backlog) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// A loopback port on which nothing listens.
inline int ClosedLoopbackPort() {
    int port = 0;
    int fd = BindLoopback(0, port);
    if (fd >= 0) close(fd);
    return port;
}

// A fake server run by a script per connection.
class ScriptedServer {
public:
    // Answers one connection: its socket, its request, and a flag set when the server stops.
    using Script = std::function<void(int fd, const std::string& request, const std::atomic<bool>& stopping)>;

    explicit ScriptedServer(Script script) : script(std::move(script)) {
        listenFd = BindLoopback(8, port);
        if (listenFd < 0) return;
        worker = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        stopping = true;
        if (worker.joinable()) worker.join();
        if (listenFd >= 0) close(listenFd);
    }

    // The script that sends a fixed reply and closes.
    static Script Reply(const std::string& reply) {
        return [reply](int fd, const std::string&, const std::atomic<bool>&) { SendAll(fd, reply); };
    }
    // The script that answers nothing and keeps the connection open until the client leaves.
    static void Silent(int fd, const std::atomic<bool>& stopping) {
        char byte;
        while (!stopping) {
            int ready = WaitReadable(fd);
            if (ready < 0 || (ready > 0 && recv(fd, &byte, 1, MSG_DONTWAIT) <= 0)) return;
        }
    }
    // Sends every byte, giving up when the client has gone.
    static bool SendAll(int fd, const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += size_t(n);
        }
        return true;
    }

    // The requests received so far, in order.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> guard(lock);
        return requests;
    }

    // The port it listens on; 0 when it could not be opened.
    int port = 0;

private:
    // Waits briefly for the socket to turn readable: 1 readable, 0 not yet, -1 error.
    static int WaitReadable(int fd) {
        pollfd entry{fd, POLLIN, 0};
        int n = poll(&entry, 1, 20);
        if (n == 0) return 0;
        if (n < 0 || (entry.revents & (POLLERR | POLLNVAL))) return -1;
        return 1;
    }

    // Appends the body a request's Content-Length announces (up to a few MiB), as a web
    // server reads it before it answers.
    void ReadBody(int fd, std::string& request) {
        const std::string field = "\r\nContent-Length: ";
        size_t at = request.find(field);
        if (at == std::string::npos) return;
        size_t length = std::strtoul(request.c_str() + at + field.size(), nullptr, 10);
        length = std::min<size_t>(length, kMaxBodyBytes);
        char chunk[65536];
        size_t read = 0;
        while (!stopping && read < length) {
            int ready = WaitReadable(fd);
            if (ready < 0) return;
            if (ready == 0) continue;
            ssize_t n = recv(fd, chunk, std::min(sizeof chunk, length - read), 0);
            if (n <= 0) return;
            request.append(chunk, size_t(n));
            read += size_t(n);
        }
    }

    // The accept loop: each connection's request read, kept and answered by the script.
    void Serve() {
        while (!stopping) {
            if (WaitReadable(listenFd) <= 0) continue;
            int fd = accept(listenFd, nullptr, nullptr);
            if (fd < 0) continue;
            // A client that stops reading must not hold the server's thread for long.
            timeval limit{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            std::string request;
            char byte;
            while (!stopping && request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
                int ready = WaitReadable(fd);
                if (ready < 0) break;
                if (ready == 0) continue;
                if (recv(fd, &byte, 1, 0) != 1) break;
                request.push_back(byte);
            }
            ReadBody(fd, request);
            {
                std::lock_guard<std::mutex> guard(lock);
                requests.push_back(request);
            }
            script(fd, request, stopping);
            close(fd);
        }
    }

    // Most body bytes read from one request.
    static constexpr size_t kMaxBodyBytes = 4u << 20;
    // Answers each connection.
    Script script;
    // The listening socket, -1 when it could not be opened.
    int listenFd = -1;
    // Set by the destructor: the scripts and the accept loop end.
    std::atomic<bool> stopping{false};
    // Guards requests.
    std::mutex lock;
    // Every request received, in order.
    std::vector<std::string> requests;
    // Accepts and answers the connections one after another.
    std::thread worker;
};
