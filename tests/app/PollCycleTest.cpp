// The poll cycle of the main window against the scripted POP3 server and against Dovecot.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/MainFormFixture.h"
#include "mail/IdPOP3.h"
#include "mail/ScriptedServer.h"

namespace {

using maintest::MainFormTest;
using testnet::Peer;
using testnet::Pop3Box;
using testnet::ScriptedServer;

std::string Header(int n, const std::string& id) {
    return "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) + "@example.org>\r\nSubject: Mail " +
           std::to_string(n) + "\r\nDate: Mon, 7 Dec 2026 09:0" + std::to_string(n % 10) +
           ":00 +0000\r\nMessage-Id: " + id;
}

Pop3Box Box(const std::vector<std::string>& ids) {
    Pop3Box box;
    int n = 0;
    for (const std::string& id : ids) {
        box.Headers.push_back(Header(++n, id));
        box.Sizes.push_back(1000 * n);
    }
    return box;
}

// The lines of each session, split at USER.
std::vector<std::vector<std::string>> Sessions(const std::vector<std::string>& lines) {
    std::vector<std::vector<std::string>> out;
    for (const std::string& l : lines) {
        if (l.rfind("USER ", 0) == 0) out.emplace_back();
        if (!out.empty()) out.back().push_back(l);
    }
    return out;
}

class PollCycle : public MainFormTest {
protected:
    // One server for several cycles: connection i is served from boxes[i].
    void Serve(std::vector<Pop3Box> boxes) {
        const int count = static_cast<int>(boxes.size());
        Server = std::make_unique<ScriptedServer>(
            [boxes](Peer& p, int i) { testnet::ServePop3(p, boxes[static_cast<std::size_t>(i)]); }, count);
        ASSERT_TRUE(Server->Listening());
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(Server->Port()); }
    void Poll() { RunPoll(); }
    std::vector<std::string> Subjects() const {
        std::vector<std::string> out;
        for (TMailPanel* item : Form->Items) out.push_back(item->Subject());
        return out;
    }
    std::unique_ptr<ScriptedServer> Server;
};

TEST_F(PollCycle, FirstCycleNoChangeNewMailAndFirstMailDeleted) {
    Serve({Box({"<1@x>", "<2@x>", "<3@x>"}), Box({"<1@x>", "<2@x>", "<3@x>"}),
           Box({"<1@x>", "<2@x>", "<3@x>", "<4@x>"}), Box({"<2@x>", "<3@x>", "<4@x>", "<5@x>"})});
    WriteSettings(Address(), "secret", "", /*autoShow=*/true);
    Start();
    Form->HideAction->Execute();
    Poll();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Welcome to Skimbar ...", "Mail 1", "Mail 2", "Mail 3"}));
    EXPECT_TRUE(Form->Visible());  // new items and the box checked
    EXPECT_EQ(Form->LastMark.Count, 3);
    EXPECT_EQ(Form->LastMark.FirstId, "<1@x>");
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_EQ(Form->PollMailTimer->Interval(), 2 * 60000);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());

    Form->HideAction->Execute();
    Poll();  // no change: only the first header after STAT
    EXPECT_EQ(ItemCount(), 4);
    EXPECT_FALSE(Form->Visible());

    Poll();  // a fourth mail
    EXPECT_EQ(Subjects().back(), "Mail 4");
    EXPECT_EQ(ItemCount(), 5);
    EXPECT_TRUE(Form->Visible());

    Poll();  // mail 1 gone, mail 5 new: same count, other first id
    EXPECT_EQ(ItemCount(), 6);
    EXPECT_EQ(Subjects().back(), "Mail 4");  // in mailbox order, numbered anew
    EXPECT_EQ(Form->LastMark.FirstId, "<2@x>");
    EXPECT_EQ(Form->Items.back()->Id(), "<5@x>");

    Server->Join();
    const auto sessions = Sessions(Server->Received());
    ASSERT_EQ(sessions.size(), 4u);
    // The first change asks once whether the server pipelines; this one does not, and the
    // answer is kept for the later polls.
    // The change test reads the first and the last mail.
    EXPECT_EQ(sessions[0], (std::vector<std::string>{"USER user", "PASS secret", "STAT", "TOP 1 0", "TOP 3 0", "CAPA",
                                                     "TOP 1 0", "LIST 1", "TOP 2 0", "LIST 2", "TOP 3 0", "LIST 3",
                                                     "Quit"}));
    EXPECT_EQ(sessions[1], (std::vector<std::string>{"USER user", "PASS secret", "STAT", "TOP 1 0", "TOP 3 0", "Quit"}));
    EXPECT_EQ(sessions[2].size(), 5u + 2 * 4 + 1);
    EXPECT_EQ(sessions[3].size(), 5u + 2 * 4 + 1);
}

TEST_F(PollCycle, WrongPasswordWhileTheWelcomeItemScrollsAddsNothing) {
    Pop3Box box = Box({"<1@x>"});
    box.Password = "other";
    Serve({box});
    WriteSettings(Address());
    Start();
    Form->HideAction->Execute();
    Poll();
    EXPECT_EQ(ItemCount(), 1);
    EXPECT_FALSE(Form->Visible());
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
}

TEST_F(PollCycle, WrongPasswordOnAnEmptyBarAddsTheErrorItemAndShowsIt) {
    Pop3Box box = Box({"<1@x>"});
    box.Password = "other";
    Serve({box});
    WriteSettings(Address());
    Start();
    RetireWelcome();
    Form->HideAction->Execute();
    Poll();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->SenderText(), "Mail Server");
    EXPECT_EQ(Item(0)->Subject(), "Error connecting to mailbox");
    EXPECT_TRUE(Item(0)->IsProgramItem());
    EXPECT_TRUE(Form->Visible());
}

TEST_F(PollCycle, AMalformedPortIsAConnectionErrorItem) {
    WriteSettings("127.0.0.1:99999");
    Start();
    RetireWelcome();
    Poll();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->Subject(), "Error connecting to mailbox");
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
}

TEST_F(PollCycle, AnExceptionAfterConnectingIsLoggedAndPollingGoesOn) {
    Pop3Box box = Box({"<1@x>"});
    box.StatReply = "-ERR mailbox locked";
    Serve({box});
    WriteSettings(Address());
    Start();
    H().advance(2000);  // the first poll, through the timer
    WaitPoll();
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
    EXPECT_EQ(Form->PollMailTimer->Interval(), 2 * 60000);
    EXPECT_NE(ReadFile("Skimbar.ERR").find("mailbox locked"), std::string::npos) << ReadFile("Skimbar.ERR");
    Server->Join();
    EXPECT_EQ(Server->Received().back(), "Quit");
}

TEST_F(PollCycle, ALostConnectionEndsTheFetchLoop) {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK ready\r\n");
        std::string line;
        while (p.ReadLine(line)) {
            if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0) {
                p.Send("+OK\r\n");
            } else if (line == "STAT") {
                p.Send("+OK 500 50000\r\n");
            } else if (line == "TOP 1 0") {
                p.Send("+OK\r\n" + Header(1, "<1@x>") + "\r\n\r\n.\r\n");
            } else if (line == "LIST 1") {
                p.Send("+OK 1 100\r\n");
                p.Close();  // gone in the middle of the loop
                return;
            } else {
                p.Send("-ERR unknown command\r\n");  // CAPA among them
            }
        }
    });
    WriteSettings("127.0.0.1:" + std::to_string(server.Port()));
    Start();
    RetireWelcome();
    Poll();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->Id(), "<1@x>");
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
}

// A poll that breaks off inside its loop commits nothing: the next one fetches again, and every
// mail is shown exactly once.
struct BrokenCase {
    const char* name;
    std::function<void(Pop3Box&)> breakIt;  // on the first connection's box
    bool itemFails;                          // adding the item of mail 3 raises, once
};

class PollBroken : public PollCycle, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(PollBroken, TheNextPollShowsEveryMailExactlyOnce) {
    const std::vector<std::string> ids{"<1@x>", "<2@x>", "<3@x>", "<4@x>", "<5@x>"};
    Pop3Box broken = Box(ids);
    GetParam().breakIt(broken);
    Serve({broken, Box(ids), Box(ids)});
    WriteSettings(Address());
    Start();
    RetireWelcome();
    int failures = GetParam().itemFails ? 1 : 0;
    TMainForm::AddItemHookForTests = [&](const std::string& id) {
        if (id == "<3@x>" && failures-- > 0) throw Exception("no room for mail 3");
    };
    Poll();
    EXPECT_LT(ItemCount(), 5);
    EXPECT_EQ(Form->LastMark.Count, 0);  // not committed
    Poll();
    Poll();  // nothing changed since the complete one
    TMainForm::AddItemHookForTests = nullptr;
    std::vector<std::string> shown;
    for (TMailPanel* item : Form->Items) shown.push_back(item->Id());
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, ids);
    EXPECT_EQ(Form->LastMark.Count, 5);
    if (GetParam().itemFails) {
        EXPECT_NE(ReadFile("Skimbar.ERR").find("no room for mail 3"), std::string::npos);
    }
    Server->Join();
    EXPECT_EQ(Sessions(Server->Received())[2].size(), 6u);  // USER PASS STAT TOP 1 TOP 5 Quit
}

INSTANTIATE_TEST_SUITE_P(
    Loops, PollBroken,
    ::testing::Values(BrokenCase{"DropMidLoop", [](Pop3Box& b) { b.CloseAfter = "LIST 3"; }, false},
                      BrokenCase{"ErrForOneTop", [](Pop3Box& b) { b.TopReplies[4] = "-ERR no such message\r\n"; }, false},
                      BrokenCase{"ItemRaises", [](Pop3Box&) {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PollCycle, MailsWithoutMessageIdOrWithIdMinusOneAreShownOnceEach) {
    Pop3Box box = Box({"", "", "-1", "<4@x>"});
    box.Headers[1] = Header(2, "");  // the same sender as 1 would still differ by subject
    Pop3Box more = box;
    more.Headers.push_back(Header(5, ""));
    more.Sizes.push_back(5000);
    Pop3Box latest = more;
    latest.Headers.push_back(Header(6, "<6@x>"));
    latest.Sizes.push_back(6000);
    Serve({box, more, latest});
    WriteSettings(Address());
    Start();
    Poll();  // the welcome item is live: a mail with "-1" is a mail all the same
    ASSERT_EQ(ItemCount(), 5);
    EXPECT_EQ(Item(3)->Id(), "-1");
    EXPECT_FALSE(Item(3)->IsProgramItem());
    Poll();  // a change: all are fetched again, only mail 5 is new
    ASSERT_EQ(ItemCount(), 6);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Welcome to Skimbar ...", "Mail 1", "Mail 2", "Mail 3", "Mail 4",
                                                    "Mail 5"}));
    EXPECT_TRUE(Form->ProgramItemLive());  // the welcome item, untouched by the mails
    EXPECT_EQ(Form->KnownIds.Count(), 5);
    // The welcome item leaves at the left edge and takes no mail's id with it.
    for (int i = 0; i < 4000 && Form->ProgramItemLive(); ++i) Tick();
    ASSERT_FALSE(Form->ProgramItemLive());
    Tick();  // freed
    Poll();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Mail 1", "Mail 2", "Mail 3", "Mail 4", "Mail 5", "Mail 6"}));
}

TEST_F(PollCycle, OneMailDeletedAndOneReceivedIsNoticed) {
    // Same count, same first mail: only the last one tells.
    Serve({Box({"<1@x>", "<2@x>", "<3@x>"}), Box({"<1@x>", "<3@x>", "<4@x>"})});
    WriteSettings(Address());
    Start();
    RetireWelcome();
    Poll();
    Poll();
    ASSERT_EQ(ItemCount(), 4);
    EXPECT_EQ(Form->Items.back()->Id(), "<4@x>");
}

// A server that answers the login and STAT, then never again.
void SilentAfterStat(Peer& p, int) {
    p.Send("+OK ready\r\n");
    std::string line;
    while (p.ReadLine(line, 30000)) {
        if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0) p.Send("+OK\r\n");
        if (line == "STAT") p.Send("+OK 3 3000\r\n");
    }
}

// One that never even greets.
void NeverGreets(Peer& p, int) {
    std::string line;
    while (p.ReadLine(line, 30000)) {
    }
}

struct SilentCase {
    const char* name;
    void (*serve)(Peer&, int);
};
class PollSilent : public PollCycle, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(PollSilent, QuitDuringAPollEndsTheWorkerAtOnceAndLogsNothing) {
    ScriptedServer server(GetParam().serve);
    WriteSettings("127.0.0.1:" + std::to_string(server.Port()));
    Start();
    Form->PollMailTimerTimer(Form->PollMailTimer);
    int ticks = 0;
    std::set<int> trayFrames;
    Form->ScrollTimer->OnTimer = [&](TObject* s) {
        ++ticks;
        Form->ScrollTimerTimer(s);
        trayFrames.insert(Form->TrayFrame);
    };
    // A second of ticks: four tray steps.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ticks < 40 && std::chrono::steady_clock::now() < until) Application->HandleMessage();
    EXPECT_TRUE(Form->PollRunning());
    EXPECT_EQ(ticks, 40);  // the bar went on scrolling
    EXPECT_EQ(trayFrames.size(), 4u);  // and the tray icon went through its frames
    const auto start = std::chrono::steady_clock::now();
    Form->QuitAction->Execute();
    // Quit waits a second at most for the worker; one that hears the cancel ends long before.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(Form->PollRunning());
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_EQ(ReadFile("Skimbar.ERR"), "");
}

INSTANTIATE_TEST_SUITE_P(Servers, PollSilent,
                         ::testing::Values(SilentCase{"SilentAfterStat", SilentAfterStat},
                                           SilentCase{"NeverGreets", NeverGreets}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PollCycle, SetupOkDuringAPollCancelsItAndPollsTheNewAccount) {
    ScriptedServer silent(SilentAfterStat);
    Pop3Box box = Box({"<1@x>"});
    Serve({box});
    WriteSettings("127.0.0.1:" + std::to_string(silent.Port()));
    Start();
    RetireWelcome();
    Form->PollMailTimerTimer(Form->PollMailTimer);
    H().Flush();
    ASSERT_TRUE(Form->PollRunning());
    SetupForm->POP3qxComboBox->SetText(Address());
    SetupForm->BitBtn1Click(SetupForm->BitBtn1);
    EXPECT_FALSE(Form->PollRunning());
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
    EXPECT_EQ(Form->PollMailTimer->Interval(), 2000);
    H().advance(2000);  // the new account's poll
    WaitPoll();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->Id(), "<1@x>");
    EXPECT_EQ(ReadFile("Skimbar.ERR"), "");
}

TEST_F(PollCycle, PollMinutesAreReadWithinOneToAThousand) {
    WriteSettings("", "secret");  // no server: no exchange, the timer is re-armed all the same
    Start();
    struct Case {
        const char* text;
        int minutes;
    } cases[] = {{"abc", 5}, {"1", 1}, {"0", 1}, {"-3", 1}, {"1000", 1000}, {"5000", 1000}, {"99999999999", 5}};
    for (const Case& c : cases) {
        SetupForm->PollTimeqxEdit->SetText(c.text);
        Poll();
        EXPECT_EQ(Form->PollMailTimer->Interval(), c.minutes * 60000) << c.text;
        EXPECT_TRUE(Form->PollMailTimer->Enabled());
    }
    EXPECT_EQ(ItemCount(), 1);
}

// ---------------------------------------------------------------------------------------

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::filesystem::path UnixPath(const std::string& p) {
#ifdef _WIN32
    if (!p.empty() && p[0] == '/') {
        std::string w = "Z:" + p;
        for (char& c : w)
            if (c == '/') c = '\\';
        return std::filesystem::path(w);
    }
#endif
    return std::filesystem::path(p);
}

class PollCycleDovecot : public MainFormTest {};

TEST_F(PollCycleDovecot, TheMailboxBecomesItemsAndANewMailAppearsAtTheNextPoll) {
    for (const char* name : {"SKIMBAR_POP3_HOST", "SKIMBAR_POP3_PORT", "SKIMBAR_POP3_USER", "SKIMBAR_POP3_PASS",
                             "SKIMBAR_POP3_MAILDIR", "SKIMBAR_POP3_COUNT"})
        ASSERT_FALSE(Env(name).empty()) << name << " is not set: run the tests through scripts/test dovecot";
    const int count = std::atoi(Env("SKIMBAR_POP3_COUNT").c_str());
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.eMailqxComboBox=" + Env("SKIMBAR_POP3_USER") +
                                     "\r\nSetupForm.PasswordqxEdit=" + Env("SKIMBAR_POP3_PASS") +
                                     "\r\nSetupForm.POP3qxComboBox=" + Env("SKIMBAR_POP3_HOST") + ":" +
                                     Env("SKIMBAR_POP3_PORT") + "\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n");
    Start();
    RetireWelcome();
    RunPoll(120000);
    EXPECT_EQ(Form->LastMark.Count, count);
    const int first = ItemCount();
    EXPECT_GE(first, 1);
    EXPECT_LE(first, count);
    RunPoll(120000);
    EXPECT_EQ(ItemCount(), first);

    const auto file = UnixPath(Env("SKIMBAR_POP3_MAILDIR")) / "new" / "1999999999.skimbar-ticker-test.host";
    {
        std::ofstream out(file, std::ios::binary);
        out << "From: Late <late@example.org>\r\nSubject: Arrived later\r\nMessage-Id: <late-ticker@example.org>\r\n"
               "Date: Mon, 7 Dec 2026 10:00:00 +0100\r\n\r\nbody\r\n";
    }
    RunPoll(120000);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    for (const char* sub : {"cur", "new"})
        for (const auto& e : std::filesystem::directory_iterator(UnixPath(Env("SKIMBAR_POP3_MAILDIR")) / sub, ec))
            if (e.path().filename().string().find("skimbar-ticker-test") != std::string::npos)
                std::filesystem::remove(e.path(), ec);
    ASSERT_EQ(ItemCount(), first + 1);
    EXPECT_EQ(Form->Items.back()->Subject(), "Arrived later");
    EXPECT_EQ(Form->LastMark.Count, count + 1);
}

// Over TLS: STARTTLS with the server's certificate pinned reads the mailbox; TLS with a
// chain nobody trusts shows the refusal and the offered certificate, and never logs in.
std::string TlsAccount(const char* port, const std::string& security) {
    return "[String]\r\nSetupForm.eMailqxComboBox=" + Env("SKIMBAR_POP3_USER") + "\r\nSetupForm.PasswordqxEdit=" +
           Env("SKIMBAR_POP3_PASS") + "\r\nSetupForm.POP3qxComboBox=localhost:" + Env(port) +
           "\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n[Security]\r\n" + security;
}

std::vector<std::string> DovecotLogins() {
    std::ifstream in(UnixPath(Env("SKIMBAR_POP3_LOG")), std::ios::binary);
    std::vector<std::string> logins;
    for (std::string line; std::getline(in, line);)
        if (line.find("Login: user=") != std::string::npos) logins.push_back(line);
    return logins;
}

TEST_F(PollCycleDovecot, StartTlsWithThePinnedCertificateReadsTheMailbox) {
    ASSERT_FALSE(Env("SKIMBAR_POP3_FINGERPRINT").empty()) << "run the tests through scripts/test dovecot";
    WriteFile("Cfg/Skimbar.ini", TlsAccount("SKIMBAR_POP3_PORT", "Mode=starttls\r\nFingerprint=" +
                                                                     Env("SKIMBAR_POP3_FINGERPRINT") + "\r\n"));
    Start();
    RetireWelcome();
    RunPoll(120000);
    EXPECT_EQ(Form->LastMark.Count, std::atoi(Env("SKIMBAR_POP3_COUNT").c_str()));
    EXPECT_GE(ItemCount(), 1);
    const std::vector<std::string> logins = DovecotLogins();
    ASSERT_FALSE(logins.empty());
    EXPECT_NE(logins.back().find(", TLS"), std::string::npos) << logins.back();
}

TEST_F(PollCycleDovecot, AnUntrustedCertificateBecomesAnItemThatNamesIt) {
    ASSERT_FALSE(Env("SKIMBAR_POP3S_PORT").empty()) << "run the tests through scripts/test dovecot";
    WriteFile("Cfg/Skimbar.ini", TlsAccount("SKIMBAR_POP3S_PORT", "Mode=tls\r\n"));
    Start();
    RetireWelcome();
    const std::size_t before = DovecotLogins().size();
    RunPoll(120000);
    EXPECT_EQ(DovecotLogins().size(), before);
    ASSERT_EQ(ItemCount(), 1);
    TMailPanel* item = Form->Items.back();
    EXPECT_EQ(item->Subject(), "Certificate not trusted");
    EXPECT_NE(item->SenderText().find(Env("SKIMBAR_POP3_FINGERPRINT")), std::string::npos) << item->SenderText();
    EXPECT_NE(item->Hint().find("not trusted"), std::string::npos) << item->Hint();
}

}  // namespace
