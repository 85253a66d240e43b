// The poll cycle of the main window against the scripted POP3 server and against Dovecot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    void Poll() { Form->PollMailTimerTimer(Form->PollMailTimer); }
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
    EXPECT_EQ(Form->LastCount, 3);
    EXPECT_EQ(Form->LastFirstId, "<1@x>");
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
    EXPECT_EQ(Form->LastFirstId, "<2@x>");
    EXPECT_EQ(Form->Items.back()->Id(), "<5@x>");

    Server->Join();
    const auto sessions = Sessions(Server->Received());
    ASSERT_EQ(sessions.size(), 4u);
    // The first change asks once whether the server pipelines; this one does not, and the
    // answer is kept for the later polls.
    EXPECT_EQ(sessions[0], (std::vector<std::string>{"USER user", "PASS secret", "STAT", "TOP 1 0", "CAPA", "TOP 1 0",
                                                     "LIST 1", "TOP 2 0", "LIST 2", "TOP 3 0", "LIST 3", "Quit"}));
    EXPECT_EQ(sessions[1], (std::vector<std::string>{"USER user", "PASS secret", "STAT", "TOP 1 0", "Quit"}));
    EXPECT_EQ(sessions[2].size(), 4u + 2 * 4 + 1);
    EXPECT_EQ(sessions[3].size(), 4u + 2 * 4 + 1);
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
    EXPECT_FALSE(Form->IdPOP3->Connected());
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
    EXPECT_EQ(Item(0)->Id(), "-1");
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
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
    EXPECT_EQ(Form->PollMailTimer->Interval(), 2 * 60000);
    EXPECT_FALSE(Form->IdPOP3->Connected());
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
    EXPECT_FALSE(Form->IdPOP3->Connected());
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
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
    Form->PollMailTimerTimer(Form->PollMailTimer);
    EXPECT_EQ(Form->LastCount, count);
    const int first = ItemCount();
    EXPECT_GE(first, 1);
    EXPECT_LE(first, count);
    Form->PollMailTimerTimer(Form->PollMailTimer);
    EXPECT_EQ(ItemCount(), first);

    const auto file = UnixPath(Env("SKIMBAR_POP3_MAILDIR")) / "new" / "1999999999.skimbar-ticker-test.host";
    {
        std::ofstream out(file, std::ios::binary);
        out << "From: Late <late@example.org>\r\nSubject: Arrived later\r\nMessage-Id: <late-ticker@example.org>\r\n"
               "Date: Mon, 7 Dec 2026 10:00:00 +0100\r\n\r\nbody\r\n";
    }
    Form->PollMailTimerTimer(Form->PollMailTimer);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    for (const char* sub : {"cur", "new"})
        for (const auto& e : std::filesystem::directory_iterator(UnixPath(Env("SKIMBAR_POP3_MAILDIR")) / sub, ec))
            if (e.path().filename().string().find("skimbar-ticker-test") != std::string::npos)
                std::filesystem::remove(e.path(), ec);
    ASSERT_EQ(ItemCount(), first + 1);
    EXPECT_EQ(Form->Items.back()->Subject(), "Arrived later");
    EXPECT_EQ(Form->LastCount, count + 1);
}

// Over TLS: STARTTLS with the server's certificate pinned reads the mailbox; TLS with a
// chain nobody trusts shows the refusal and the offered certificate, and never logs in.
std::string TlsAccount(const char* port, const std::string& security) {
    return "[String]\r\nSetupForm.eMailqxComboBox=" + Env("SKIMBAR_POP3_USER") + "\r\nSetupForm.PasswordqxEdit=" +
           Env("SKIMBAR_POP3_PASS") + "\r\nSetupForm.POP3qxComboBox=localhost:" + Env(port) +
           "\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n[Security]\r\n" + security;
}

int DovecotLogins() {
    std::ifstream in(UnixPath(Env("SKIMBAR_POP3_LOG")), std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int n = 0;
    for (std::size_t at = log.find("Login: user="); at != std::string::npos; at = log.find("Login: user=", at + 1)) ++n;
    return n;
}

TEST_F(PollCycleDovecot, StartTlsWithThePinnedCertificateReadsTheMailbox) {
    ASSERT_FALSE(Env("SKIMBAR_POP3_FINGERPRINT").empty()) << "run the tests through scripts/test dovecot";
    WriteFile("Cfg/Skimbar.ini", TlsAccount("SKIMBAR_POP3_PORT", "Mode=starttls\r\nFingerprint=" +
                                                                     Env("SKIMBAR_POP3_FINGERPRINT") + "\r\n"));
    Start();
    RetireWelcome();
    Form->PollMailTimerTimer(Form->PollMailTimer);
    EXPECT_EQ(Form->LastCount, std::atoi(Env("SKIMBAR_POP3_COUNT").c_str()));
    EXPECT_GE(ItemCount(), 1);
    EXPECT_TRUE(Form->IdPOP3->PeerFingerprint() == Env("SKIMBAR_POP3_FINGERPRINT"));
}

TEST_F(PollCycleDovecot, AnUntrustedCertificateBecomesAnItemThatNamesIt) {
    ASSERT_FALSE(Env("SKIMBAR_POP3S_PORT").empty()) << "run the tests through scripts/test dovecot";
    WriteFile("Cfg/Skimbar.ini", TlsAccount("SKIMBAR_POP3S_PORT", "Mode=tls\r\n"));
    Start();
    RetireWelcome();
    const int before = DovecotLogins();
    Form->PollMailTimerTimer(Form->PollMailTimer);
    EXPECT_EQ(DovecotLogins(), before);
    ASSERT_EQ(ItemCount(), 1);
    TMailPanel* item = Form->Items.back();
    EXPECT_EQ(item->Subject(), "Certificate not trusted");
    EXPECT_NE(item->SenderText().find(Env("SKIMBAR_POP3_FINGERPRINT")), std::string::npos) << item->SenderText();
    EXPECT_NE(item->Hint().find("not trusted"), std::string::npos) << item->Hint();
}

}  // namespace
