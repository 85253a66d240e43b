// The change poll with commands sent ahead: the same records as one command at a time,
// whatever the server announces, and the same failures per message.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "mail/IdPOP3.h"
#include "ScriptedServer.h"

namespace {

using testnet::Peer;
using testnet::Pop3Box;
using testnet::ScriptedServer;
using Lines = std::vector<std::string>;

// One message as the poll cycle takes it.
struct Record {
    bool Fetched = false;
    std::string From, Subject, Id;
    double Date = 0;
    int Size = 0;
    bool operator==(const Record& o) const {
        return Fetched == o.Fetched && From == o.From && Subject == o.Subject && Id == o.Id && Date == o.Date &&
               Size == o.Size;
    }
};

std::ostream& operator<<(std::ostream& out, const Record& r) {
    return out << "{" << r.Fetched << " " << r.From << " | " << r.Subject << " | " << r.Id << " | " << r.Date << " | "
               << r.Size << "}";
}

enum class Mode { Sequential, Pipelined };

struct Poll {
    std::vector<Record> Records;
    int SentAhead = 0;
    bool ConnectedAtEnd = false;
};

// The change poll's loop: STAT, TOP 1 0, then (announced when pipelined) TOP i 0 and LIST i.
Poll RunPoll(TIdPOP3& pop, Mode mode) {
    Poll poll;
    pop.Connect();
    const int count = pop.CountMessages();
    TIdMessage m(nullptr);
    m.Clear();
    pop.FetchHeader(1, m);
    if (mode == Mode::Pipelined) pop.AnnounceHeaderAndSizeRange(1, count);
    for (int i = 1; i <= count; ++i) {
        Record r;
        m.Clear();
        r.Fetched = pop.FetchHeader(i, m);
        r.Size = pop.FetchMessageSize(i);
        r.From = m.From().Address();
        r.Subject = m.Subject();
        r.Id = m.MessageId();
        r.Date = m.Date();
        poll.Records.push_back(r);
    }
    poll.SentAhead = pop.CommandsSentAhead();
    poll.ConnectedAtEnd = pop.Connected();
    if (pop.Connected()) pop.Disconnect();
    return poll;
}

void Configure(TIdPOP3& pop, int port) {
    pop.SetHost("127.0.0.1");
    pop.SetPort(port);
    pop.SetUserId("user@example.com");
    pop.SetPassword("secret");
    pop.ReadTimeout = 3000;
    pop.ConnectTimeout = 3000;
}

Poll PollBox(const Pop3Box& box, Mode mode, Lines* received = nullptr) {
    ScriptedServer server([box](Peer& p, int) { testnet::ServePop3(p, box); });
    TIdPOP3 pop(nullptr);
    Configure(pop, server.Port());
    Poll poll = RunPoll(pop, mode);
    server.Join();
    if (received) *received = server.Received();
    return poll;
}

Pop3Box Mailbox(int count) {
    Pop3Box box;
    for (int i = 1; i <= count; ++i) {
        box.Headers.push_back("From: Sender " + std::to_string(i) + " <s" + std::to_string(i) +
                              "@example.com>\r\nSubject: =?ISO-8859-1?Q?Nr=2E_" + std::to_string(i) +
                              "_=FC?=\r\nMessage-ID: <" + std::to_string(i) + "@x>\r\nDate: Mon, " +
                              std::to_string(i % 28 + 1) + " Jan 2024 10:00:00 +0100");
        box.Sizes.push_back(1000 + i);
    }
    return box;
}

const std::vector<std::string> kPipelining = {"TOP", "UIDL", "PIPELINING", "USER"};

struct BoxCase {
    const char* Title;
    std::function<void(Pop3Box&)> Shape;
};

class SameRecords : public ::testing::TestWithParam<BoxCase> {};

TEST_P(SameRecords, SequentialAndPipelinedAgree) {
    Pop3Box box = Mailbox(300);
    GetParam().Shape(box);
    Pop3Box plain = box;  // no CAPA at all: "-ERR Unknown command."
    Pop3Box capaError = box;
    capaError.CapaReply = "-ERR not here";
    Pop3Box withoutPipelining = box;
    withoutPipelining.Capabilities = {"TOP", "UIDL", "USER"};
    Pop3Box pipelining = box;
    pipelining.Capabilities = kPipelining;

    const Poll reference = PollBox(box, Mode::Sequential);
    ASSERT_EQ(reference.Records.size(), 300u);
    const Poll piped = PollBox(pipelining, Mode::Pipelined);
    EXPECT_EQ(piped.Records, reference.Records) << GetParam().Title;
    EXPECT_GE(piped.SentAhead, 2 * 300 - 1) << GetParam().Title;  // every TOP and LIST through the window
    for (const Pop3Box* other : {&plain, &capaError, &withoutPipelining}) {
        const Poll p = PollBox(*other, Mode::Pipelined);
        EXPECT_EQ(p.Records, reference.Records) << GetParam().Title;
        EXPECT_EQ(p.SentAhead, 0) << GetParam().Title;
    }
}

const BoxCase kBoxCases[] = {
    {"plain", [](Pop3Box&) {}},
    {"-ERR for one TOP and one LIST", [](Pop3Box& b) {
         b.TopReplies[150] = "-ERR no such message\r\n";
         b.ListReplies[151] = "-ERR no such message";
     }},
    {"no empty line before the dot", [](Pop3Box& b) { b.BlankBeforeDot = false; }},
    {"body lines after the header", [](Pop3Box& b) {
         b.TopReplies[7] = "+OK\r\nSubject: s\r\n\r\nbody line\r\n..stuffed\r\n.\r\n";
     }},
    {"blank lines before replies", [](Pop3Box& b) { b.BeforeReply = "\r\n \r\n"; }},
    {"size with a trailing word", [](Pop3Box& b) { b.ListReplies[3] = "+OK 3 12 octets"; }},
};

INSTANTIATE_TEST_SUITE_P(Table, SameRecords, ::testing::ValuesIn(kBoxCases));

TEST(Pipeline, NoChangePollSendsWhatItAlwaysSent) {
    Pop3Box box = Mailbox(3);
    box.Capabilities = kPipelining;
    ScriptedServer server([box](Peer& p, int) { testnet::ServePop3(p, box); });
    TIdPOP3 pop(nullptr);
    Configure(pop, server.Port());
    pop.Connect();
    EXPECT_EQ(pop.CountMessages(), 3);
    TIdMessage m(nullptr);
    EXPECT_TRUE(pop.FetchHeader(1, m));
    pop.Disconnect();
    server.Join();
    EXPECT_EQ(server.Received(), (Lines{"USER user@example.com", "PASS secret", "STAT", "TOP 1 0", "Quit"}));
}

TEST(Pipeline, CapaIsAskedOncePerServerAndRun) {
    for (const char* capa : {"pipelining", "none", "error"}) {
        Pop3Box box = Mailbox(4);
        if (std::string(capa) == "pipelining") box.Capabilities = kPipelining;
        if (std::string(capa) == "none") box.Capabilities = {"TOP"};
        if (std::string(capa) == "error") box.CapaReply = "-ERR no CAPA here";
        ScriptedServer server([box](Peer& p, int) { testnet::ServePop3(p, box); }, 3);
        TIdPOP3 pop(nullptr);
        Configure(pop, server.Port());
        for (int round = 0; round < 3; ++round) RunPoll(pop, Mode::Pipelined);
        server.Join();
        const Lines got = server.Received();
        EXPECT_EQ(std::count(got.begin(), got.end(), "CAPA"), 1) << capa;
        // CAPA comes after login and after the first header, before the loop.
        const auto at = std::find(got.begin(), got.end(), "CAPA");
        ASSERT_NE(at, got.end());
        EXPECT_EQ(*(at - 1), "TOP 1 0") << capa;
    }
}

TEST(Pipeline, AnotherServerIsAskedAgain) {
    Pop3Box box = Mailbox(2);
    box.Capabilities = kPipelining;
    ScriptedServer first([box](Peer& p, int) { testnet::ServePop3(p, box); });
    ScriptedServer second([box](Peer& p, int) { testnet::ServePop3(p, box); });
    TIdPOP3 pop(nullptr);
    Configure(pop, first.Port());
    RunPoll(pop, Mode::Pipelined);
    Configure(pop, second.Port());
    const Poll p = RunPoll(pop, Mode::Pipelined);
    first.Join();
    second.Join();
    const Lines got = second.Received();
    EXPECT_EQ(std::count(got.begin(), got.end(), "CAPA"), 1);
    EXPECT_GT(p.SentAhead, 0);
}

TEST(Pipeline, CommandsReallyGoAhead) {
    // The server answers TOP 1 0 only once the next two commands have arrived: one at a
    // time, the client would wait for that answer first.
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK\r\n");
        std::string line;
        for (int i = 0; i < 2 && p.ReadLine(line); ++i) p.Send("+OK\r\n");
        p.ReadLine(line);  // CAPA
        p.Send("+OK\r\nPIPELINING\r\n.\r\n");
        Lines got;
        for (int i = 0; i < 3 && p.ReadLine(line, 3000); ++i) got.push_back(line);
        if (got != Lines{"TOP 1 0", "LIST 1", "TOP 2 0"}) return;
        p.Send("+OK\r\nSubject: one\r\n\r\n.\r\n+OK 1 11\r\n+OK\r\nSubject: two\r\n\r\n.\r\n");
        if (p.ReadLine(line) && line == "LIST 2") p.Send("+OK 2 22\r\n");
        p.DrainUntilClosed();
    });
    TIdPOP3 pop(nullptr);
    Configure(pop, server.Port());
    pop.Connect();
    pop.AnnounceHeaderAndSizeRange(1, 2);
    TIdMessage m(nullptr);
    EXPECT_TRUE(pop.FetchHeader(1, m));
    EXPECT_EQ(m.Subject(), "one");
    EXPECT_EQ(pop.FetchMessageSize(1), 11);
    m.Clear();
    EXPECT_TRUE(pop.FetchHeader(2, m));
    EXPECT_EQ(m.Subject(), "two");
    EXPECT_EQ(pop.FetchMessageSize(2), 22);
    pop.Disconnect();
}

TEST(Pipeline, LeavingTheOrderDrainsAndGoesOnOneAtATime) {
    Pop3Box box = Mailbox(300);
    box.Capabilities = kPipelining;
    ScriptedServer server([box](Peer& p, int) { testnet::ServePop3(p, box); });
    TIdPOP3 pop(nullptr);
    Configure(pop, server.Port());
    pop.Connect();
    pop.AnnounceHeaderAndSizeRange(1, 300);
    TIdMessage m(nullptr);
    EXPECT_TRUE(pop.FetchHeader(1, m));
    EXPECT_EQ(pop.FetchMessageSize(1), 1001);
    EXPECT_GT(pop.AnnouncedPending(), 0u);
    // Out of order: the replies sent ahead are read and dropped first.
    m.Clear();
    EXPECT_TRUE(pop.FetchHeader(200, m));
    EXPECT_EQ(m.MessageId(), "<200@x>");
    EXPECT_EQ(pop.AnnouncedPending(), 0u);
    EXPECT_EQ(pop.FetchMessageSize(2), 1002);
    EXPECT_EQ(pop.CountMessages(), 300);
    pop.Disconnect();
}

TEST(Pipeline, DropInTheMiddleEndsEveryLaterCallAtOnce) {
    Pop3Box box = Mailbox(50);
    box.Capabilities = kPipelining;
    // Message 20's reply stops halfway and the server goes.
    box.TopReplies[20] = "+OK\r\nSubject: half\r\nFrom: a@";
    ScriptedServer server([box](Peer& p, int) {
        Pop3Box b = box;
        b.CloseAfter = "TOP 20 0";
        testnet::ServePop3(p, b);
    });
    TIdPOP3 pop(nullptr);
    Configure(pop, server.Port());
    const Poll p = RunPoll(pop, Mode::Pipelined);
    ASSERT_EQ(p.Records.size(), 50u);
    for (int i = 0; i < 19; ++i) {
        EXPECT_TRUE(p.Records[i].Fetched) << i;
        EXPECT_EQ(p.Records[i].Size, 1001 + i) << i;
    }
    EXPECT_FALSE(p.Records[19].Fetched);
    EXPECT_EQ(p.Records[19].Subject, "half");
    for (int i = 20; i < 50; ++i) {
        EXPECT_FALSE(p.Records[i].Fetched) << i;
        EXPECT_EQ(p.Records[i].Size, -1) << i;
    }
    EXPECT_FALSE(p.ConnectedAtEnd);
}

TEST(Pipeline, SlowServerStillAnswersInOrder) {
    Pop3Box box = Mailbox(40);
    box.Capabilities = kPipelining;
    box.ReplyDelayMs = 20;
    const Poll reference = PollBox([&] {
        Pop3Box b = box;
        b.ReplyDelayMs = 0;
        return b;
    }(), Mode::Sequential);
    const Poll p = PollBox(box, Mode::Pipelined);
    EXPECT_EQ(p.Records, reference.Records);
    EXPECT_GT(p.SentAhead, 0);
}

}  // namespace
