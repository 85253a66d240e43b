#include <gtest/gtest.h>

#include "mail/IdTCPConnection.h"
#include "ScriptedServer.h"

namespace {

using testnet::Peer;
using testnet::ScriptedServer;

// A client pointed at a scripted server, with short waits so that a fault ends quickly.
struct Client {
    explicit Client(int port) : Tcp(nullptr) {
        Tcp.SetHost("127.0.0.1");
        Tcp.SetPort(port);
        Tcp.ReadTimeout = 3000;
        Tcp.ConnectTimeout = 3000;
    }
    TIdTCPClient Tcp;
};

template <class E>
E Caught(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    ADD_FAILURE() << "no exception";
    return E(0, "");
}

TEST(SocketErrorMessage, Texts) {
    EXPECT_EQ(SocketErrorMessage(10061), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(SocketErrorMessage(10060), "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_EQ(SocketErrorMessage(10035), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(SocketErrorMessage(10066), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_EQ(SocketErrorMessage(11001), "Socket Error # 11001\r\n");
    EXPECT_EQ(SocketErrorMessage(0), "Socket Error # 0\r\n");
}

TEST(Stack, IsIPAddress) {
    EXPECT_TRUE(TIdStack::IsIPAddress("127.0.0.1"));
    EXPECT_TRUE(TIdStack::IsIPAddress("0.0.0.0"));
    EXPECT_TRUE(TIdStack::IsIPAddress("255.255.255.255"));
    EXPECT_FALSE(TIdStack::IsIPAddress("256.0.0.1"));
    EXPECT_FALSE(TIdStack::IsIPAddress("1.2.3"));
    EXPECT_FALSE(TIdStack::IsIPAddress("1.2.3.4.5"));
    EXPECT_FALSE(TIdStack::IsIPAddress("1.2..4"));
    EXPECT_FALSE(TIdStack::IsIPAddress("mail.example.com"));
    EXPECT_FALSE(TIdStack::IsIPAddress("$7F.0.0.1"));
    EXPECT_FALSE(TIdStack::IsIPAddress(""));
    EXPECT_EQ(TIdStack::AddressOf("127.0.0.1"), 0x7F000001u);
    EXPECT_EQ(TIdStack::AddressText(0xC0A80A01u), "192.168.10.1");
}

TEST(Stack, LivesWhileAComponentLives) {
    {
        TIdTCPClient a(nullptr);
        ASSERT_NE(GStack(), nullptr);
        EXPECT_EQ(GStack()->Name(), "Winsock stack");
        EXPECT_EQ(GStack()->ResolveHost("LOCALHOST"), "127.0.0.1");
        EXPECT_EQ(GStack()->ResolveHost("LocalHost"), "127.0.0.1");
        EXPECT_EQ(GStack()->ResolveHost("10.1.2.3"), "10.1.2.3");
        {
            TIdTCPClient b(nullptr);
        }
        EXPECT_NE(GStack(), nullptr);
    }
    EXPECT_EQ(GStack(), nullptr);
}

TEST(Connect, RefusedGives10061AndNoSocket) {
    int port = 0;
    ASSERT_EQ(platform::net::StartStack(), platform::net::StackStart::Ok);
    platform::net::Socket l = platform::net::ListenLoopback(port);
    ASSERT_NE(l, platform::net::InvalidSocket);
    platform::net::Close(l);  // nobody listens there now
    Client c(port);
    EIdSocketError e = Caught<EIdSocketError>([&] { c.Tcp.Connect(); });
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_FALSE(c.Tcp.Connected());
    platform::net::StopStack();
}

TEST(Connect, UnknownHostGivesItsCode) {
    Client c(110);
    c.Tcp.SetHost("no-such-host.invalid");
    EIdSocketError e = Caught<EIdSocketError>([&] { c.Tcp.Connect(); });
    EXPECT_GE(e.LastError(), 11001);
    EXPECT_FALSE(c.Tcp.Connected());
}

TEST(Connect, HostWithLineBreakIsRefusedBeforeConnecting) {
    ScriptedServer server([](Peer& p, int) { p.ReadLine(500); }, 1, 500);
    for (const std::string& host : {std::string("127.0.0.1\r\nDELE 1"), std::string("127.0.0.1\n"),
                                   std::string("127.0.0.1\0x", 11)}) {
        Client c(server.Port());
        c.Tcp.SetHost(host);
        EXPECT_THROW(c.Tcp.Connect(), EIdException);
        EXPECT_FALSE(c.Tcp.Connected());
    }
    server.Join();
    EXPECT_EQ(server.Accepted(), 0);
}

TEST(Connect, TimesOutWhenTheServerNeverAnswers) {
    // A listener that never accepts: once its queue is full, new connections get no answer.
    ASSERT_EQ(platform::net::StartStack(), platform::net::StackStart::Ok);
    int port = 0;
    platform::net::Socket l = platform::net::ListenLoopback(port);
    ASSERT_NE(l, platform::net::InvalidSocket);
    std::vector<std::unique_ptr<TIdTCPClient>> fillers;
    int code = 0;
    for (int i = 0; i < 40 && code == 0; ++i) {
        auto c = std::make_unique<TIdTCPClient>(nullptr);
        c->SetHost("127.0.0.1");
        c->SetPort(port);
        c->ConnectTimeout = 300;
        try {
            c->Connect();
        } catch (const EIdSocketError& e) {
            code = e.LastError();
            EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
            EXPECT_FALSE(c->Connected());
        }
        fillers.push_back(std::move(c));
    }
    EXPECT_EQ(code, 10060);
    fillers.clear();
    platform::net::Close(l);
    platform::net::StopStack();
}

TEST(Connect, AlreadyConnectedKeepsTheConnection) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("hello\r\n");
        p.ReadLine();
        p.Send("still here\r\n");
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.Binding().PeerIP, "127.0.0.1");
    EXPECT_EQ(c.Tcp.Binding().PeerPort, server.Port());
    EXPECT_EQ(c.Tcp.Binding().IP, "127.0.0.1");
    EXPECT_THROW(
        {
            try {
                c.Tcp.Connect();
            } catch (const EIdAlreadyConnected& e) {
                EXPECT_STREQ(e.what(), "Already connected.");
                throw;
            }
        },
        EIdAlreadyConnected);
    EXPECT_TRUE(c.Tcp.Connected());
    EXPECT_EQ(c.Tcp.ReadLine(), "hello");
    c.Tcp.WriteLine("go");
    EXPECT_EQ(c.Tcp.ReadLine(), "still here");
}

TEST(Connect, LocalhostInAnyCase) {
    ScriptedServer server([](Peer& p, int) { p.Send("hi\r\n"); }, 2);
    for (const char* host : {"LOCALHOST", "localhost"}) {
        Client c(server.Port());
        c.Tcp.SetHost(host);
        c.Tcp.Connect();
        EXPECT_EQ(c.Tcp.ReadLine(), "hi");
        c.Tcp.Disconnect();
        EXPECT_FALSE(c.Tcp.Connected());
    }
}

struct ReplyCase {
    const char* Sent;
    std::int16_t Code;
    const char* Line;
};

class ReplyCodes : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyCodes, FromTheReplyLine) {
    const std::string sent = GetParam().Sent;
    ScriptedServer server([sent](Peer& p, int) {
        p.Send(sent);
        p.DrainUntilClosed();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadReply(), GetParam().Code) << sent;
    EXPECT_EQ(c.Tcp.ReplyCode(), GetParam().Code);
    EXPECT_EQ(c.Tcp.LastReplyLine(), GetParam().Line);
}

const ReplyCase kReplyCases[] = {
    {"+OK ready\r\n", 1, "+OK ready"},
    {"+ok fine\r\n", 1, "+ok fine"},
    {"+OKAY\r\n", 1, "+OKAY"},
    {"-ERR no\r\n", 0, "-ERR no"},
    {"-err no\r\n", 0, "-err no"},
    {"\r\n\r\n  +OK padded  \r\n", 1, "+OK padded"},
    {"\n \t\n+OK after blanks\n", 1, "+OK after blanks"},
    {"250 done\r\n", 250, "250 done"},
    {"hello\r\n", 0, "hello"},
    {"250-first\r\n250-second\r\n250 last\r\n", 250, "250 last"},
    {"220-a\r\n220 b\r\n", 220, "220 b"},
    {"550-a\r\nx\r\n", 0, "x"},
};

INSTANTIATE_TEST_SUITE_P(Table, ReplyCodes, ::testing::ValuesIn(kReplyCases));

TEST(ReadLine, LineEnds) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("crlf\r\nlf\ncrcrlf\r\r\nempty\r\n\r\nab|cd|");
        p.DrainUntilClosed();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadLine(), "crlf");
    EXPECT_EQ(c.Tcp.ReadLine(), "lf");
    EXPECT_EQ(c.Tcp.ReadLine(), "crcrlf\r");
    EXPECT_EQ(c.Tcp.ReadLine(), "empty");
    EXPECT_EQ(c.Tcp.ReadLine(), "");
    EXPECT_FALSE(c.Tcp.ReadLineTimedOut());
    EXPECT_EQ(c.Tcp.ReadLine("|"), "ab");
    EXPECT_EQ(c.Tcp.ReadLine("d|"), "c");
}

TEST(ReadLine, PeerCloseAfterAPartLine) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("whole\r\npart");
        p.Close();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadLine(), "whole");
    EXPECT_EQ(c.Tcp.ReadLine(), "");
    EXPECT_TRUE(c.Tcp.ReadLineTimedOut());
    EXPECT_THROW(c.Tcp.ReadLine(), EIdConnClosedGracefully);
    EXPECT_FALSE(c.Tcp.Connected());
}

TEST(ReadLine, PeerCloseWithNothingBuffered) {
    ScriptedServer server([](Peer& p, int) { p.Close(); });
    Client c(server.Port());
    c.Tcp.Connect();
    try {
        c.Tcp.ReadLine();
        FAIL() << "no exception";
    } catch (const EIdConnClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
        EXPECT_STREQ(e.ClassName(), "EIdConnClosedGracefully");
    }
    EXPECT_TRUE(c.Tcp.ClosedGracefully());
    EXPECT_FALSE(c.Tcp.Connected());
    EXPECT_THROW(c.Tcp.WriteLine("x"), EIdConnClosedGracefully);
}

TEST(ReadLine, ConnectedAfterPeerCloseIsFalseWithoutRaising) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("part");
        p.Close();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadLine(), "");
    EXPECT_NO_THROW(EXPECT_FALSE(c.Tcp.Connected()));
    EXPECT_NO_THROW(EXPECT_FALSE(c.Tcp.Connected()));
    // The unread bytes stay until the next connect.
    EXPECT_EQ(c.Tcp.InputBuffer().View(), "part");
}

TEST(ReadLine, SilenceTimesOutAndCloses) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK");  // no line end, then nothing
        p.DrainUntilClosed(3000);
    });
    Client c(server.Port());
    c.Tcp.ReadTimeout = 300;
    c.Tcp.Connect();
    EIdSocketError e = Caught<EIdSocketError>([&] { c.Tcp.ReadLine(); });
    EXPECT_EQ(e.LastError(), 10060);
    EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
    EXPECT_FALSE(c.Tcp.Connected());
}

TEST(ReadLine, ExplicitTimeOutReturnsEmpty) {
    ScriptedServer server([](Peer& p, int) {
        p.ReadLine();
        p.Send("late\r\n");
        p.DrainUntilClosed();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadLine("", 100), "");
    EXPECT_TRUE(c.Tcp.ReadLineTimedOut());
    EXPECT_TRUE(c.Tcp.Connected());
    c.Tcp.WriteLine("now");
    EXPECT_EQ(c.Tcp.ReadLine(), "late");
}

TEST(ReadLine, OverlongLineClosesTheConnection) {
    ScriptedServer server([](Peer& p, int) {
        p.Send(std::string(IdLimits::MaxLineLength - 2, 'a') + "\r\n");
        p.Send(std::string(IdLimits::MaxLineLength + 100, 'b'));
        p.DrainUntilClosed(5000);
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.ReadLine().size(), IdLimits::MaxLineLength - 2);
    try {
        c.Tcp.ReadLine();
        FAIL() << "no exception";
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Line longer than 1048576 bytes received; connection closed.");
    }
    EXPECT_FALSE(c.Tcp.Connected());
    EXPECT_LE(c.Tcp.InputBuffer().Size(), IdLimits::MaxLineLength);
}

TEST(SendCommand, LinesAndReplies) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK hi\r\n");
        std::string l;
        while (p.ReadLine(l)) p.Send(l == "BAD" ? "-ERR bad command\r\n" : "+OK " + l + "\r\n");
    });
    Client c(server.Port());
    c.Tcp.Connect();
    EXPECT_EQ(c.Tcp.SendCommand(std::string(1, '\0'), 1), 1);  // only reads the greeting
    EXPECT_EQ(c.Tcp.LastReplyLine(), "+OK hi");
    EXPECT_EQ(c.Tcp.SendCommand("NOOP", 1), 1);
    EXPECT_EQ(c.Tcp.LastReplyLine(), "+OK NOOP");
    EXPECT_EQ(c.Tcp.SendCommand("", 1), 1);  // an empty line
    EXPECT_EQ(c.Tcp.SendCommand("BAD", -1), 0);
    try {
        c.Tcp.SendCommand("BAD", 1);
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 0);
        EXPECT_STREQ(e.what(), "-ERR bad command");
    }
    EXPECT_EQ(c.Tcp.CheckReply(0, {0, 1}), 0);
    c.Tcp.Disconnect();
    server.Join();
    const std::vector<std::string> expected{"NOOP", "", "BAD", "BAD"};
    EXPECT_EQ(server.Received(), expected);
}

TEST(CaptureLines, DelimiterDotAndUnstuffing) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("A: 1\r\n..B: 2\r\n.\r\n\r\nnext\r\nC: 3\r\n.\r\nafter\r\n");
        p.DrainUntilClosed();
    });
    Client c(server.Port());
    c.Tcp.Connect();
    TStringList lines;
    EXPECT_TRUE(c.Tcp.CaptureLines(lines, "", true));  // "." ends it: no empty line came
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[1], ".B: 2");
    EXPECT_EQ(c.Tcp.ReadLine(), "");
    TStringList more;
    EXPECT_FALSE(c.Tcp.CaptureLines(more, "C: 3", false));
    ASSERT_EQ(more.Count(), 1);
    EXPECT_EQ(more[0], "next");
    TStringList last;
    EXPECT_TRUE(c.Tcp.CaptureLines(last, ".", false));
    EXPECT_EQ(last.Count(), 0);
    EXPECT_EQ(c.Tcp.ReadLine(), "after");
}

TEST(WriteLine, SendsCrLf) {
    ScriptedServer server([](Peer& p, int) { p.DrainUntilClosed(); });
    Client c(server.Port());
    c.Tcp.Connect();
    c.Tcp.WriteLine("one");
    c.Tcp.WriteLine("");
    c.Tcp.WriteBytes("two\r\n");
    c.Tcp.Disconnect();
    server.Join();
    const std::vector<std::string> expected{"one", "", "two"};
    EXPECT_EQ(server.Received(), expected);
    EXPECT_FALSE(c.Tcp.Connected());
    EXPECT_TRUE(c.Tcp.ClosedGracefully());
}

}  // namespace
