#include <gtest/gtest.h>

#include "mail/IdPOP3.h"
#include "ScriptedServer.h"

namespace {

using testnet::Peer;
using testnet::Pop3Box;
using testnet::ScriptedServer;
using Lines = std::vector<std::string>;

Pop3Box ThreeMails() {
    Pop3Box box;
    box.Headers = {
        "From: Anna Berg <anna@example.com>\r\nSubject: First\r\nMessage-ID: <1@x>\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000",
        "From: =?ISO-8859-1?Q?J=FCrgen?= <j@example.com>\r\nSubject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"
        "Message-ID: <2@x>\r\nX-Long: a\r\n\tb\r\n..Dotted: yes",
        "From: c@example.com\r\nSubject: Third\r\nMessage-ID: <3@x>",
    };
    box.Sizes = {320, 4711, 12};
    return box;
}

// A POP3 client at the scripted server, with short waits.
struct Session {
    explicit Session(int port) : Pop(nullptr) {
        Pop.SetHost("127.0.0.1");
        Pop.SetPort(port);
        Pop.SetUserId("user@example.com");
        Pop.SetPassword("secret");
        Pop.ReadTimeout = 2000;
        Pop.ConnectTimeout = 2000;
    }
    TIdPOP3 Pop;
};

ScriptedServer Serve(const Pop3Box& box, int connections = 1, int acceptWaitMs = 5000) {
    return ScriptedServer([box](Peer& p, int) { testnet::ServePop3(p, box); }, connections, acceptWaitMs);
}

TEST(Pop3, PortDefaultsTo110) {
    TIdPOP3 pop(nullptr);
    EXPECT_EQ(pop.Port(), 110);
    EXPECT_TRUE(pop.InheritsFrom("TIdTCPClient"));
    EXPECT_EQ(pop.ClassName(), "TIdPOP3");
}

TEST(Pop3, FullPollSendsExactlyTheseLines) {
    Pop3Box box = ThreeMails();
    ScriptedServer server([box](Peer& p, int) { testnet::ServePop3(p, box); });
    Session s(server.Port());
    s.Pop.Connect();
    ASSERT_TRUE(s.Pop.Connected());
    const int count = s.Pop.CountMessages();
    EXPECT_EQ(count, 3);
    TIdMessage m(nullptr);
    m.Clear();
    EXPECT_TRUE(s.Pop.FetchHeader(1, m));
    EXPECT_EQ(m.MessageId(), "<1@x>");
    std::vector<std::string> ids, from, subjects;
    std::vector<int> sizes;
    for (int i = 1; i <= count; ++i) {
        m.Clear();
        EXPECT_TRUE(s.Pop.FetchHeader(i, m)) << i;
        sizes.push_back(s.Pop.FetchMessageSize(i));
        ids.push_back(m.MessageId());
        from.push_back(m.From().Address());
        subjects.push_back(m.Subject());
        if (i == 2) {
            // Folded lines stay separate entries; dot-stuffing is undone.
            EXPECT_EQ(m.RawHeaders().Count(), 6);
            EXPECT_EQ(m.RawHeaders()[4], "\tb");
            EXPECT_EQ(m.RawHeaders()[5], ".Dotted: yes");
            EXPECT_EQ(m.RawHeaders().HeaderValue("X-Long"), "a b");
        }
    }
    s.Pop.Disconnect();
    EXPECT_FALSE(s.Pop.Connected());
    server.Join();
    EXPECT_EQ(ids, (Lines{"<1@x>", "<2@x>", "<3@x>"}));
    EXPECT_EQ(from, (Lines{"anna@example.com", "j@example.com", "c@example.com"}));
    EXPECT_EQ(subjects, (Lines{"First", "Gr\xC3\xBC\xC3\x9F" "e", "Third"}));
    EXPECT_EQ(sizes, (std::vector<int>{320, 4711, 12}));
    EXPECT_EQ(server.Received(), (Lines{"USER user@example.com", "PASS secret", "STAT", "TOP 1 0", "TOP 1 0", "LIST 1",
                                        "TOP 2 0", "LIST 2", "TOP 3 0", "LIST 3", "Quit"}));
}

TEST(Pop3, EmptyMailboxStillQuits) {
    Pop3Box box;
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    EXPECT_EQ(s.Pop.CountMessages(), 0);
    s.Pop.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), (Lines{"USER user@example.com", "PASS secret", "STAT", "Quit"}));
}

TEST(Pop3, GreetingsThatAreAccepted) {
    for (const char* greeting : {"+OK", "+ok dovecot ready", "+OK POP3 <1896.697170952@dbc.mtview.ca.us>"}) {
        Pop3Box box;
        box.Greeting = greeting;
        box.Ok = "+ok";
        ScriptedServer server = Serve(box);
        Session s(server.Port());
        EXPECT_NO_THROW(s.Pop.Connect()) << greeting;
        EXPECT_TRUE(s.Pop.Connected());
        s.Pop.Disconnect();
    }
}

TEST(Pop3, ErrorGreetingRaisesAndQuits) {
    Pop3Box box;
    box.Greeting = "-ERR too busy";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    try {
        s.Pop.Connect();
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_STREQ(e.what(), "-ERR too busy");
        EXPECT_EQ(e.ReplyErrorCode(), 0);
    }
    EXPECT_FALSE(s.Pop.Connected());
    server.Join();
    EXPECT_EQ(server.Received(), (Lines{"Quit"}));
}

TEST(Pop3, WrongPasswordRaisesAndQuits) {
    Pop3Box box = ThreeMails();
    box.Password = "other";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    try {
        s.Pop.Connect();
        FAIL() << "no exception";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_STREQ(e.what(), "-ERR [AUTH] Authentication failed.");
    }
    EXPECT_FALSE(s.Pop.Connected());
    server.Join();
    EXPECT_EQ(server.Received(), (Lines{"USER user@example.com", "PASS secret", "Quit"}));
}

TEST(Pop3, ServerClosingDuringLogin) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK hi\r\n");
        p.ReadLine();
        p.Close();
    });
    Session s(server.Port());
    EXPECT_THROW(s.Pop.Connect(), EIdException);
    EXPECT_FALSE(s.Pop.Connected());
}

TEST(Pop3, SilentGreetingTimesOut) {
    ScriptedServer server([](Peer& p, int) { p.DrainUntilClosed(3000); });
    Session s(server.Port());
    s.Pop.ReadTimeout = 300;
    try {
        s.Pop.Connect();
        FAIL() << "no exception";
    } catch (const EIdSocketError& e) {
        // The time-out, not the failing "Quit" on the socket it closed.
        EXPECT_EQ(e.LastError(), 10060);
    }
    EXPECT_FALSE(s.Pop.Connected());
}

struct InjectionCase {
    const char* Title;
    std::string Host, User, Password;
};

class Pop3Injection : public ::testing::TestWithParam<InjectionCase> {};

TEST_P(Pop3Injection, RefusedBeforeAnythingIsSent) {
    Pop3Box box = ThreeMails();
    ScriptedServer server = Serve(box, 1, 500);
    Session s(server.Port());
    if (!GetParam().Host.empty()) s.Pop.SetHost(GetParam().Host);
    s.Pop.SetUserId(GetParam().User);
    s.Pop.SetPassword(GetParam().Password);
    EXPECT_THROW(s.Pop.Connect(), EIdException) << GetParam().Title;
    EXPECT_FALSE(s.Pop.Connected());
    server.Join();
    EXPECT_EQ(server.Accepted(), 0) << GetParam().Title;
    EXPECT_TRUE(server.Received().empty());
}

const InjectionCase kInjectionCases[] = {
    {"CR LF in the user name", "", "bob\r\nDELE 1", "secret"},
    {"LF in the password", "", "bob", "secret\nDELE 1"},
    {"CR alone in the password", "", "bob", "secret\rDELE 1"},
    {"NUL in the user name", "", std::string("bob\0x", 5), "secret"},
    {"line break in the host", "127.0.0.1\r\n", "bob", "secret"},
};

INSTANTIATE_TEST_SUITE_P(Table, Pop3Injection, ::testing::ValuesIn(kInjectionCases));

struct StatCase {
    const char* Reply;
    int Count;  // -1: conversion error
};

class StatParse : public ::testing::TestWithParam<StatCase> {};

TEST_P(StatParse, Table) {
    if (GetParam().Count < 0) {
        try {
            StatReplyCount(GetParam().Reply);
            FAIL() << GetParam().Reply;
        } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find("ist kein g\xC3\xBCltiger Integerwert"), std::string::npos);
        }
    } else {
        EXPECT_EQ(StatReplyCount(GetParam().Reply), GetParam().Count) << GetParam().Reply;
    }
}

const StatCase kStatCases[] = {
    {"+OK 0 0", 0}, {"+OK 15 9238", 15}, {"+OK 2 320", 2}, {"", 0},
    {"+OK 15", -1}, {"+OK", -1},         {"+OK x 1", -1},
};

INSTANTIATE_TEST_SUITE_P(Table, StatParse, ::testing::ValuesIn(kStatCases));

TEST(ListParse, Table) {
    EXPECT_EQ(ListReplySize("+OK 3 4711"), 4711);
    EXPECT_EQ(ListReplySize("+OK 2 320"), 320);
    EXPECT_EQ(ListReplySize("+OK 3 4711 octets"), -1);
    EXPECT_EQ(ListReplySize("+OK 3"), 3);
    EXPECT_EQ(ListReplySize("+OK"), -1);
    EXPECT_EQ(ListReplySize(""), -1);
}

TEST(Pop3, StatErrorsRaise) {
    Pop3Box box = ThreeMails();
    box.StatReply = "-ERR mailbox locked";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    EXPECT_THROW(s.Pop.CountMessages(), EIdProtocolReplyError);
    EXPECT_TRUE(s.Pop.Connected());
}

TEST(Pop3, ErrorsOnTopAndListLeaveTheSessionUsable) {
    Pop3Box box = ThreeMails();
    box.TopReplies[2] = "-ERR no such message\r\n";
    box.ListReplies[1] = "-ERR no such message";
    box.ListReplies[3] = "+OK 3 12 trailing";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    TIdMessage m(nullptr);
    EXPECT_TRUE(s.Pop.FetchHeader(1, m));
    m.Clear();
    EXPECT_FALSE(s.Pop.FetchHeader(2, m));
    // The failed fetch leaves the previous id in place: Clear does not reset it.
    EXPECT_EQ(m.MessageId(), "<1@x>");
    EXPECT_EQ(m.Subject(), "");
    EXPECT_EQ(s.Pop.FetchMessageSize(1), -1);
    EXPECT_EQ(s.Pop.FetchMessageSize(2), 4711);
    EXPECT_EQ(s.Pop.FetchMessageSize(3), -1);
    m.Clear();
    EXPECT_TRUE(s.Pop.FetchHeader(3, m));
    EXPECT_EQ(m.MessageId(), "<3@x>");
}

TEST(Pop3, NoEmptyLineBeforeTheDot) {
    Pop3Box box = ThreeMails();
    box.BlankBeforeDot = false;
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    TIdMessage m(nullptr);
    EXPECT_TRUE(s.Pop.FetchHeader(1, m));
    EXPECT_EQ(m.Subject(), "First");
    EXPECT_EQ(s.Pop.FetchMessageSize(1), 320);
    m.Clear();
    EXPECT_TRUE(s.Pop.FetchHeader(3, m));
    EXPECT_EQ(m.MessageId(), "<3@x>");
}

TEST(Pop3, BodyLinesAfterTheHeaderAreSkipped) {
    Pop3Box box = ThreeMails();
    box.TopReplies[1] = "+OK\r\nSubject: s\r\n\r\nbody line\r\n..stuffed\r\n.\r\n";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    TIdMessage m(nullptr);
    EXPECT_FALSE(s.Pop.FetchHeader(1, m));
    EXPECT_EQ(m.Subject(), "s");
    EXPECT_EQ(s.Pop.FetchMessageSize(1), 320);  // in step with the server again
}

TEST(Pop3, BlankLinesAndLowerCaseReplies) {
    Pop3Box box = ThreeMails();
    box.BeforeReply = "\r\n \r\n";
    box.Ok = "+ok";
    box.Greeting = "+ok hello";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    EXPECT_EQ(s.Pop.CountMessages(), 3);
    TIdMessage m(nullptr);
    EXPECT_TRUE(s.Pop.FetchHeader(2, m));
    EXPECT_EQ(m.MessageId(), "<2@x>");
    EXPECT_EQ(s.Pop.FetchMessageSize(2), 4711);
}

TEST(Pop3, DropInMidReply) {
    Pop3Box box = ThreeMails();
    ScriptedServer server([box](Peer& p, int) {
        p.Send("+OK\r\n");
        std::string l;
        while (p.ReadLine(l)) {
            if (l.rfind("TOP", 0) == 0) {
                p.Send("+OK\r\nSubject: half\r\nFrom: a@");
                p.Close();
                return;
            }
            p.Send("+OK\r\n");
        }
    });
    Session s(server.Port());
    s.Pop.Connect();
    TIdMessage m(nullptr);
    EXPECT_FALSE(s.Pop.FetchHeader(1, m));
    EXPECT_EQ(m.Subject(), "half");
    EXPECT_FALSE(s.Pop.Connected());
    EXPECT_EQ(s.Pop.FetchMessageSize(1), -1);
    EXPECT_FALSE(s.Pop.FetchHeader(2, m));
}

TEST(Pop3, SilenceAfterTopTimesOutAndCloses) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK\r\n");
        std::string l;
        while (p.ReadLine(l)) {
            if (l.rfind("TOP", 0) == 0) {
                p.Send("+OK\r\nSubject: x\r\n");
                p.DrainUntilClosed(3000);
                return;
            }
            p.Send("+OK\r\n");
        }
    });
    Session s(server.Port());
    s.Pop.Connect();
    s.Pop.ReadTimeout = 300;
    TIdMessage m(nullptr);
    EXPECT_FALSE(s.Pop.FetchHeader(1, m));
    EXPECT_FALSE(s.Pop.Connected());
    // Closed: the next commands fail at once instead of waiting again.
    EXPECT_EQ(s.Pop.FetchMessageSize(1), -1);
    EXPECT_FALSE(s.Pop.FetchHeader(2, m));
}

TEST(Pop3, OverlongHeaderLine) {
    Pop3Box box = ThreeMails();
    box.TopReplies[1] = "+OK\r\nSubject: " + std::string(IdLimits::MaxLineLength + 10, 'x') + "\r\n\r\n.\r\n";
    ScriptedServer server = Serve(box);
    Session s(server.Port());
    s.Pop.Connect();
    TIdMessage m(nullptr);
    EXPECT_FALSE(s.Pop.FetchHeader(1, m));
    EXPECT_FALSE(s.Pop.Connected());
}

TEST(Pop3, ReconnectAfterDisconnect) {
    Pop3Box box = ThreeMails();
    ScriptedServer server = Serve(box, 2);
    Session s(server.Port());
    for (int round = 0; round < 2; ++round) {
        s.Pop.Connect();
        EXPECT_EQ(s.Pop.CountMessages(), 3);
        s.Pop.Disconnect();
        EXPECT_FALSE(s.Pop.Connected());
    }
    server.Join();
    EXPECT_EQ(server.Accepted(), 2);
}

TEST(Pop3, DisconnectAfterTheServerWentAway) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK\r\n");
        p.ReadLine();
        p.Send("+OK\r\n");
        p.ReadLine();
        p.Send("+OK\r\n");
        p.Close();
    });
    Session s(server.Port());
    s.Pop.Connect();
    server.Join();
    EXPECT_THROW(s.Pop.CountMessages(), EIdException);
    EXPECT_FALSE(s.Pop.Connected());
    EXPECT_THROW(s.Pop.Disconnect(), EIdException);
    EXPECT_FALSE(s.Pop.Connected());
}

}  // namespace
