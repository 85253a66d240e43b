#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Socket.h"

namespace net = platform::net;

namespace {

class Sockets : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(net::StartStack(), net::StackStart::Ok); }
    void TearDown() override { net::StopStack(); }
};

TEST_F(Sockets, ConnectSendReceiveClose) {
    int port = 0;
    net::Socket l = net::ListenLoopback(port);
    ASSERT_NE(l, net::InvalidSocket);
    ASSERT_GT(port, 0);
    net::Socket c = net::OpenTcp();
    ASSERT_NE(c, net::InvalidSocket);
    ASSERT_EQ(net::Bind(c, 0, 0), 0);
    ASSERT_EQ(net::Connect(c, 0x7F000001u, port, 2000), 0) << net::LastError();
    net::Socket a = net::Accept(l, 2000);
    ASSERT_NE(a, net::InvalidSocket);
    std::uint32_t addr = 0;
    int p = 0;
    ASSERT_TRUE(net::PeerAddress(c, addr, p));
    EXPECT_EQ(addr, 0x7F000001u);
    EXPECT_EQ(p, port);
    ASSERT_TRUE(net::LocalAddress(c, addr, p));
    EXPECT_EQ(addr, 0x7F000001u);
    EXPECT_GT(p, 0);
    EXPECT_EQ(net::WaitReadable(a, 50), 0);
    EXPECT_EQ(net::Send(c, "ping", 4), 4);
    EXPECT_EQ(net::WaitReadable(a, 2000), 1);
    char buf[16];
    EXPECT_EQ(net::Recv(a, buf, sizeof buf), 4);
    EXPECT_EQ(std::string(buf, 4), "ping");
    EXPECT_EQ(net::Shutdown(c, 1), 0);
    EXPECT_EQ(net::WaitReadable(a, 2000), 1);
    EXPECT_EQ(net::Recv(a, buf, sizeof buf), 0);  // the peer's close
    EXPECT_EQ(net::SetNoDelay(c, true), 0);
    net::Close(a);
    net::Close(c);
    net::Close(l);
}

TEST_F(Sockets, RefusedIs10061) {
    int port = 0;
    net::Socket l = net::ListenLoopback(port);
    ASSERT_NE(l, net::InvalidSocket);
    net::Close(l);
    net::Socket c = net::OpenTcp();
    EXPECT_EQ(net::Connect(c, 0x7F000001u, port, 2000), -1);
    EXPECT_EQ(net::LastError(), 10061);
    net::Close(c);
}

TEST_F(Sockets, BindTwiceIs10048) {
    int port = 0;
    net::Socket l = net::ListenLoopback(port);
    ASSERT_NE(l, net::InvalidSocket);
    net::Socket c = net::OpenTcp();
    EXPECT_EQ(net::Bind(c, 0x7F000001u, port), -1);
    EXPECT_EQ(net::LastError(), 10048);
    net::Close(c);
    net::Close(l);
}

TEST_F(Sockets, SendToAClosedPeerFailsWithoutASignal) {
    int port = 0;
    net::Socket l = net::ListenLoopback(port);
    net::Socket c = net::OpenTcp();
    ASSERT_EQ(net::Connect(c, 0x7F000001u, port, 2000), 0);
    net::Socket a = net::Accept(l, 2000);
    net::Close(a);
    int result = 0;
    std::string chunk(65536, 'x');
    for (int i = 0; i < 100 && result >= 0; ++i) {
        result = net::Send(c, chunk.data(), static_cast<int>(chunk.size()));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(net::LastError() == 10054 || net::LastError() == 10058) << net::LastError();
    net::Close(c);
    net::Close(l);
}

TEST_F(Sockets, WaitOnAClosedSocketFails) {
    net::Socket c = net::OpenTcp();
    net::Close(c);
    EXPECT_EQ(net::WaitReadable(c, 100), -1);
    EXPECT_EQ(net::LastError(), 10038);
}

TEST_F(Sockets, NameLookup) {
    std::uint32_t a = 0;
    EXPECT_TRUE(net::ResolveName("localhost", a, 10000));
    EXPECT_EQ(a >> 24, 127u);
    EXPECT_FALSE(net::ResolveName("no-such-host.invalid", a, 10000));
    EXPECT_GE(net::LastError(), 11001);
    EXPECT_LE(net::LastError(), 11004);
}

// A resolver that answers only when released, as a name server that never does.
std::atomic<bool> gReleaseLookup{false};
bool StuckLookup(const std::string&, std::uint32_t& address, int&) {
    for (int i = 0; i < 500 && !gReleaseLookup; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    address = 0x0A000001u;
    return true;
}
bool FailingLookup(const std::string&, std::uint32_t&, int& error) {
    error = 11004;
    return false;
}

TEST_F(Sockets, NameLookupIsGivenUpAfterItsTimeOut) {
    gReleaseLookup = false;
    auto previous = net::SetNameLookup(&StuckLookup);
    std::uint32_t a = 7;
    // Had it waited for the resolver, it would have its answer.
    EXPECT_FALSE(net::ResolveName("slow.example", a, 200));
    EXPECT_EQ(net::LastError(), 10060);
    EXPECT_EQ(a, 7u);
    // Without a limit the same lookup is waited for.
    gReleaseLookup = true;
    EXPECT_TRUE(net::ResolveName("slow.example", a, -1));
    EXPECT_EQ(a, 0x0A000001u);
    net::SetNameLookup(&FailingLookup);
    EXPECT_FALSE(net::ResolveName("x.example", a, 1000));
    EXPECT_EQ(net::LastError(), 11004);
    net::SetNameLookup(previous);
}

}  // namespace
