// The client against servers that never end a reply, trickle it, flood it or fail inside it:
// each ends in an error within its bound, and the next command is not misled.
#include <gtest/gtest.h>

#include "HostileServers.h"

namespace {

using hostile::Outcome;

constexpr int kListFails = -1;

TEST(HostileServer, EndlessBlankLinesEndInAnError) {
    const Outcome o = hostile::EndlessBlankLines();
    EXPECT_EQ(o.Error, "EIdException");
    EXPECT_EQ(o.Message, idtext::RSReplyTooLong);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_EQ(o.NextSize, kListFails);  // closed: nothing of the flood is taken for a reply
}

TEST(HostileServer, BlankLinesAreCountedOutsideACommandToo) {
    testnet::ScriptedServer server([](testnet::Peer& p, int) { hostile::Flood(p, "\r\n"); });
    hostile::Client c(server.Port());
    c.Pop.TIdTCPClient::Connect();
    try {
        c.Pop.ReadReply();  // no command started: only the count of empty lines bounds it
        FAIL() << "no exception";
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), idtext::RSBlankLinesFlood);
    }
    EXPECT_FALSE(c.Pop.Connected());
}

TEST(HostileServer, EndlessBodyLinesAfterTheHeader) {
    const Outcome o = hostile::EndlessBodyLines();
    EXPECT_FALSE(o.Result);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_EQ(o.NextSize, kListFails);
    EXPECT_EQ(o.Subject, "endless");  // the header read before the flood still counts
}

TEST(HostileServer, TricklingGreetingMeetsTheCommandDeadline) {
    const Outcome o = hostile::TricklingGreeting();
    EXPECT_EQ(o.Error, "EIdSocketError");
    EXPECT_EQ(o.SocketError, 10060);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_LE(o.ServerSaw, 1);  // "Quit" at most, nothing after the greeting's failure
}

TEST(HostileServer, TricklingTopReplyMeetsTheCommandDeadline) {
    const Outcome o = hostile::TricklingTop();
    EXPECT_FALSE(o.Result);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_EQ(o.NextSize, kListFails);
}

TEST(HostileServer, SilentNameServerTimesOut) {
    const Outcome o = hostile::SilentNameServer();
    EXPECT_EQ(o.Error, "EIdSocketError");
    EXPECT_EQ(o.SocketError, 10060);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_EQ(o.ServerSaw, 0);  // nothing connected
}

TEST(HostileServer, OneByteLinesStayWithinTheMemoryBound) {
    const Outcome o = hostile::OneByteLines();
    EXPECT_FALSE(o.Result);
    EXPECT_FALSE(o.ConnectedAfter);
    EXPECT_EQ(o.NextSize, kListFails);
    // Every kept line is counted with its bookkeeping, so far fewer than the 16 MiB of
    // bytes would allow are kept.
    const std::size_t perLine = 1 + 2 + IdLimits::LineOverhead;
    EXPECT_LE(static_cast<std::size_t>(o.HeaderLines), IdLimits::MaxCaptureSize / perLine);
    EXPECT_GT(static_cast<std::size_t>(o.HeaderLines), IdLimits::MaxCaptureSize / perLine / 2);
}

TEST(HostileServer, ProcessingThatRaisesLeavesTheSessionInStep) {
    const Outcome o = hostile::ProcessingRaises();
    EXPECT_FALSE(o.Result);
    EXPECT_TRUE(o.ConnectedAfter);
    EXPECT_EQ(o.NextSize, 4711);  // LIST reads its own reply, not the header's "."
    EXPECT_EQ(o.Subject, "dated");
}

TEST(HostileServer, SilenceDuringLoginReportsTheTimeOut) {
    const Outcome o = hostile::SilentDuringLogin();
    EXPECT_EQ(o.Error, "EIdSocketError");
    EXPECT_EQ(o.SocketError, 10060);
    EXPECT_FALSE(o.ConnectedAfter);
}

TEST(HostileServer, EachCommandGetsAFreshDeadline) {
    // Replies that each take a good part of the deadline: together far more than one.
    testnet::ScriptedServer server([](testnet::Peer& p, int) {
        hostile::LoginThen(p, [](testnet::Peer& q, const std::string& line) {
            testnet::Peer::Sleep(hostile::kCommandTimeoutMs / 4);
            return hostile::AnswerList(q, line);
        });
    });
    hostile::Client c(server.Port());
    c.Pop.Connect();
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(c.Pop.FetchMessageSize(i), 4711) << i;
    EXPECT_TRUE(c.Pop.Connected());
}

}  // namespace
