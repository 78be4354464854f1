#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/Files.h"
#include "platform/TSocketStream.h"
#include "support/ScriptedServer.h"

// Name lookups in this test program go through here: the name "slow-lookup.test" answers
// 127.0.0.1 only after a long pause, like a resolver whose server does not reply. Every other
// name goes to the system's own lookup.
extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    using Real = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node && std::string(node) == "slow-lookup.test") {
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        return real("127.0.0.1", service, hints, result);
    }
    return real(node, service, hints, result);
}

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A listening socket on a free loopback port.
class Listener {
public:
    Listener() {
        fd = BindLoopback(4, port);
    }
    ~Listener() { Close(); }
    void Close() {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    int Accept() const { return accept(fd, nullptr, nullptr); }
    int fd = -1;
    int port = 0;
};

// Short bounds so the tests of expiry stay quick.
class SocketTest : public ::testing::Test {
protected:
    void SetUp() override { SetNetworkTimeoutMs(300); }
    void TearDown() override { ResetNetworkTimeout(); }
};

TEST_F(SocketTest, ReplyThenCloseReadsEveryLineThenEnds) {
    Listener server;
    ASSERT_GT(server.port, 0);
    std::string request;
    std::thread peer([&] {
        int fd = server.Accept();
        if (fd < 0) return;
        // Read the request line, then answer with a reply larger than one socket buffer.
        char c;
        while (recv(fd, &c, 1, 0) == 1 && c != '\n') request.push_back(c);
        std::string reply = "HTTP/1.0 200 OK\r\n\r\n";
        for (int i = 0; i < 20000; ++i) reply += "line " + std::to_string(i) + "\r\n";
        reply += "last";
        size_t sent = 0;
        while (sent < reply.size()) {
            ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        close(fd);
    });

    auto stream = OpenTcpStream("127.0.0.1", server.port);
    ASSERT_TRUE(stream);
    EXPECT_EQ(StreamWriteLine(stream, "GET /get.php HTTP/1.0"), 1);
    std::shared_ptr<TStream> base = stream;
    std::vector<std::string> lines;
    for (int guard = 0; !StreamAtEnd(base) && guard < 30000; ++guard) lines.push_back(StreamReadLine(base));
    peer.join();

    EXPECT_EQ(request, "GET /get.php HTTP/1.0\r");
    ASSERT_EQ(lines.size(), 20003u);
    EXPECT_EQ(lines[0], "HTTP/1.0 200 OK");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "line 0");
    EXPECT_EQ(lines[20001], "line 19999");
    EXPECT_EQ(lines[20002], "last");
    EXPECT_EQ(StreamAtEnd(base), 1);
    EXPECT_EQ(StreamReadLine(base), "");
}

TEST_F(SocketTest, ReadAllOfAReply) {
    Listener server;
    ASSERT_GT(server.port, 0);
    std::thread peer([&] {
        int fd = server.Accept();
        if (fd < 0) return;
        send(fd, "0123456789", 10, MSG_NOSIGNAL);
        close(fd);
    });
    auto stream = OpenTcpStream("localhost", server.port);
    ASSERT_TRUE(stream);
    std::string all;
    EXPECT_TRUE(StreamReadAll(stream, all, 1000));
    EXPECT_EQ(all, "0123456789");
    peer.join();
}

TEST_F(SocketTest, SilentServerMakesReadsReturnWithinTheBound) {
    Listener server;
    ASSERT_GT(server.port, 0);
    auto stream = OpenTcpStream("127.0.0.1", server.port);
    ASSERT_TRUE(stream);
    // The connection is accepted, but nothing is ever sent.
    int accepted = server.Accept();
    ASSERT_GE(accepted, 0);
    std::shared_ptr<TStream> base = stream;
    EXPECT_EQ(StreamAtEnd(base), 0);

    auto start = Clock::now();
    EXPECT_EQ(StreamReadLine(base), "");
    long took = MsSince(start);
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 2000);
    // The expired stream is over: no further waits.
    EXPECT_EQ(StreamAtEnd(base), 1);
    start = Clock::now();
    EXPECT_EQ(StreamReadLine(base), "");
    EXPECT_LT(MsSince(start), 100);
    close(accepted);
}

TEST_F(SocketTest, WritingToAClosedPeerDoesNotKillTheProcess) {
    Listener server;
    ASSERT_GT(server.port, 0);
    auto stream = OpenTcpStream("127.0.0.1", server.port);
    ASSERT_TRUE(stream);
    int accepted = server.Accept();
    ASSERT_GE(accepted, 0);
    close(accepted);
    // The first writes may still be buffered; a later one meets the reset connection.
    std::string chunk(64 * 1024, 'x');
    bool shortWrite = false;
    for (int i = 0; i < 100 && !shortWrite; ++i)
        shortWrite = stream->Write(chunk.data(), static_cast<int>(chunk.size())) < static_cast<int>(chunk.size());
    EXPECT_TRUE(shortWrite);
    EXPECT_EQ(stream->AtEnd(), 1);
}

TEST_F(SocketTest, PeerThatNeverReadsBoundsWrites) {
    Listener server;
    ASSERT_GT(server.port, 0);
    auto stream = OpenTcpStream("127.0.0.1", server.port);
    ASSERT_TRUE(stream);
    int accepted = server.Accept();
    ASSERT_GE(accepted, 0);
    // Far more than the socket buffers hold; the write gives up after the bound.
    std::string big(64 << 20, 'y');
    auto start = Clock::now();
    int written = stream->Write(big.data(), static_cast<int>(big.size()));
    EXPECT_LT(written, static_cast<int>(big.size()));
    EXPECT_LT(MsSince(start), 3000);
    close(accepted);
}

TEST_F(SocketTest, RefusedPortGivesNullQuickly) {
    int port;
    {
        Listener gone;
        port = gone.port;
    }
    ASSERT_GT(port, 0);
    auto start = Clock::now();
    EXPECT_FALSE(OpenTcpStream("127.0.0.1", port));
    EXPECT_LT(MsSince(start), 200);
}

TEST_F(SocketTest, UnresolvableNameGivesNullWithinTheBound) {
    auto start = Clock::now();
    EXPECT_FALSE(OpenTcpStream("no-such-host.invalid", 80));
    EXPECT_LT(MsSince(start), 1500);
    // Lookups still running in the background must not block the next try.
    start = Clock::now();
    EXPECT_FALSE(OpenTcpStream("another-missing-host.invalid", 80));
    EXPECT_LT(MsSince(start), 1500);
}

TEST_F(SocketTest, SlowNameLookupIsAbandonedAtTheBound) {
    Listener server;
    ASSERT_GT(server.port, 0);
    auto start = Clock::now();
    EXPECT_FALSE(OpenTcpStream("slow-lookup.test", server.port));
    long took = MsSince(start);
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 800);
    // The abandoned lookup finishes later on its own; its late answer must go nowhere.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    // With a longer bound the same lookup is waited for and connects.
    SetNetworkTimeoutMs(2000);
    auto stream = OpenTcpStream("slow-lookup.test", server.port);
    EXPECT_TRUE(stream);
}

TEST_F(SocketTest, UnreachableAddressTimesOutConnect) {
    // A documentation address nothing answers on: the connect either fails at once (no
    // route) or expires at the bound; it never hangs.
    auto start = Clock::now();
    EXPECT_FALSE(OpenTcpStream("192.0.2.1", 80));
    EXPECT_LT(MsSince(start), 1500);
}

TEST_F(SocketTest, BadArgumentsGiveNull) {
    EXPECT_FALSE(OpenTcpStream("", 80));
    EXPECT_FALSE(OpenTcpStream("127.0.0.1", 0));
    EXPECT_FALSE(OpenTcpStream("127.0.0.1", 70000));
}

}  // namespace
