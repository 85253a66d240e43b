// The POP3 session against the real server that scripts/dovecot starts; its account comes
// from the environment that script writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "core/Text.h"
#include "mail/DovecotEnv.h"
#include "mail/IdPOP3.h"

namespace fs = std::filesystem;

namespace {

using dovecotenv::Env;
using dovecotenv::NativePath;
using dovecotenv::ReadAll;

class Pop3Dovecot : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"SKIMBAR_POP3_HOST", "SKIMBAR_POP3_PORT", "SKIMBAR_POP3_USER", "SKIMBAR_POP3_PASS",
                                 "SKIMBAR_POP3_MAILDIR", "SKIMBAR_POP3_LOG", "SKIMBAR_POP3_COUNT"}) {
            if (Env(name).empty()) {
                FAIL() << name << " is not set. These tests need the private Dovecot: run "
                       << "scripts/dovecot start auto demo STATE, then `set -a; . STATE/env; set +a`.";
            }
        }
        Host = Env("SKIMBAR_POP3_HOST");
        Port = std::atoi(Env("SKIMBAR_POP3_PORT").c_str());
        Count = std::atoi(Env("SKIMBAR_POP3_COUNT").c_str());
        Maildir = NativePath(Env("SKIMBAR_POP3_MAILDIR"));
        Log = NativePath(Env("SKIMBAR_POP3_LOG"));
        ASSERT_TRUE(fs::is_directory(Maildir / "cur")) << Maildir;
        ASSERT_GT(Count, 0);
    }

    void Prepare(TIdPOP3& pop, const std::string& password) {
        pop.SetHost(Host);
        pop.SetPort(Port);
        pop.SetUserId(Env("SKIMBAR_POP3_USER"));
        pop.SetPassword(password);
    }

    // Every mail file's name (flags included) in cur/ and new/.
    std::set<std::string> Snapshot() {
        std::set<std::string> names;
        for (const char* sub : {"cur", "new"}) {
            if (!fs::is_directory(Maildir / sub)) continue;
            for (const auto& e : fs::directory_iterator(Maildir / sub))
                names.insert(std::string(sub) + "/" + e.path().filename().string());
        }
        return names;
    }

    // The mail files in cur/, in name order: message n on the server is the n-th.
    std::vector<fs::path> MailFiles() {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(Maildir / "cur")) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }

    std::size_t LogSize() {
        std::error_code ec;
        auto n = fs::file_size(Log, ec);
        return ec ? 0 : static_cast<std::size_t>(n);
    }

    // What the server logged since offset, once a logout line is there (bounded wait).
    std::string LogSince(std::size_t offset) {
        std::string tail;
        for (int i = 0; i < 50; ++i) {
            tail = ReadAll(Log).substr(std::min(offset, LogSize()));
            if (tail.find("top=") != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return tail;
    }

    std::string Host;
    int Port = 0;
    int Count = 0;
    fs::path Maildir, Log;
};

TEST_F(Pop3Dovecot, Login) {
    TIdPOP3 pop(nullptr);
    Prepare(pop, Env("SKIMBAR_POP3_PASS"));
    pop.Connect();
    EXPECT_TRUE(pop.Connected());
    EXPECT_EQ(pop.CountMessages(), Count);
    pop.Disconnect();
    EXPECT_FALSE(pop.Connected());
}

TEST_F(Pop3Dovecot, WrongPassword) {
    TIdPOP3 pop(nullptr);
    Prepare(pop, Env("SKIMBAR_POP3_PASS") + "-wrong");
    try {
        pop.Connect();
        FAIL() << "logged in with a wrong password";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_TRUE(text::StartsText("-ERR", e.what())) << e.what();
        EXPECT_EQ(e.ReplyErrorCode(), 0);
    }
    EXPECT_FALSE(pop.Connected());
}

TEST_F(Pop3Dovecot, FullPollReadsEveryHeaderAndChangesNothing) {
    const std::set<std::string> before = Snapshot();
    const std::vector<fs::path> files = MailFiles();
    ASSERT_EQ(static_cast<int>(files.size()), Count);
    const std::size_t logOffset = LogSize();

    TIdPOP3 pop(nullptr);
    Prepare(pop, Env("SKIMBAR_POP3_PASS"));
    pop.Connect();
    const int count = pop.CountMessages();
    ASSERT_EQ(count, Count);
    TIdMessage m(nullptr);
    m.Clear();
    EXPECT_TRUE(pop.FetchHeader(1, m));
    for (int i = 1; i <= count; ++i) {
        m.Clear();
        EXPECT_TRUE(pop.FetchHeader(i, m)) << i;
        const int size = pop.FetchMessageSize(i);
        const std::string file = ReadAll(files[static_cast<std::size_t>(i - 1)]);
        // The server counts line ends as CR LF.
        std::size_t expectedSize = file.size();
        for (std::size_t k = 0; k < file.size(); ++k)
            if (file[k] == '\n' && (k == 0 || file[k - 1] != '\r')) ++expectedSize;
        EXPECT_EQ(size, static_cast<int>(expectedSize)) << files[static_cast<std::size_t>(i - 1)];
        TStringList fileLines;
        fileLines.SetText(file);
        TIdHeaderList fileHeaders;
        for (int k = 0; k < fileLines.Count() && !fileLines[k].empty(); ++k) fileHeaders.Add(fileLines[k]);
        EXPECT_EQ(m.MessageId(), fileHeaders.HeaderValue("Message-ID")) << i;
        EXPECT_FALSE(m.From().Address().empty()) << i;
        EXPECT_EQ(m.From().Address().find('<'), std::string::npos) << m.From().Address();
        if (!fileHeaders.HeaderValue("Date").empty()) {
            EXPECT_GT(m.Date(), 40000) << i;  // this century
        }
        EXPECT_EQ(m.RawHeaders().Count(), fileHeaders.Count()) << i;
    }
    pop.Disconnect();

    EXPECT_EQ(Snapshot(), before) << "a mail file was renamed (flagged), moved or removed";
    const std::string log = LogSince(logOffset);
    EXPECT_NE(log.find("top=" + std::to_string(count + 1) + "/"), std::string::npos) << log;
    EXPECT_NE(log.find("retr=0/0"), std::string::npos) << log;
    EXPECT_NE(log.find("del=0/" + std::to_string(count)), std::string::npos) << log;
}

// One mail as the poll cycle takes it.
struct DovecotRecord {
    bool Fetched;
    std::string From, Subject, Id;
    double Date;
    int Size;
    int RawLines;
    bool operator==(const DovecotRecord&) const = default;
};

TEST_F(Pop3Dovecot, PipelinedPollGivesTheSameRecordsAndChangesNothing) {
    const std::set<std::string> before = Snapshot();
    const std::size_t logOffset = LogSize();
    std::vector<DovecotRecord> runs[2];
    int sentAhead[2] = {0, 0};
    for (int run = 0; run < 2; ++run) {
        TIdPOP3 pop(nullptr);
        Prepare(pop, Env("SKIMBAR_POP3_PASS"));
        pop.Connect();
        const int count = pop.CountMessages();
        TIdMessage m(nullptr);
        m.Clear();
        pop.FetchHeader(1, m);
        if (run == 1) pop.AnnounceHeaderAndSizeRange(1, count);
        for (int i = 1; i <= count; ++i) {
            m.Clear();
            const bool fetched = pop.FetchHeader(i, m);
            const int size = pop.FetchMessageSize(i);
            runs[run].push_back({fetched, m.From().Address(), m.Subject(), m.MessageId(), m.Date(), size,
                                 m.RawHeaders().Count()});
        }
        sentAhead[run] = pop.CommandsSentAhead();
        pop.Disconnect();
    }
    ASSERT_EQ(static_cast<int>(runs[0].size()), Count);
    EXPECT_TRUE(runs[0] == runs[1]);
    EXPECT_EQ(sentAhead[0], 0);
    EXPECT_EQ(sentAhead[1], 2 * Count);  // the server announces PIPELINING
    EXPECT_EQ(Snapshot(), before) << "a mail file was renamed (flagged), moved or removed";
    const std::string log = LogSince(logOffset);
    EXPECT_NE(log.find("retr=0/0"), std::string::npos) << log;
}

TEST_F(Pop3Dovecot, DecodesTheDemoSubjects) {
    TIdPOP3 pop(nullptr);
    Prepare(pop, Env("SKIMBAR_POP3_PASS"));
    pop.Connect();
    TIdMessage m(nullptr);
    int encoded = 0;
    for (int i = 1; i <= pop.CountMessages(); ++i) {
        m.Clear();
        ASSERT_TRUE(pop.FetchHeader(i, m));
        EXPECT_TRUE(text::IsValidUtf8(m.Subject())) << m.Subject();
        EXPECT_EQ(m.Subject().find("=?"), std::string::npos) << m.Subject();
        if (m.RawHeaders().HeaderValue("Subject").find("=?") != std::string::npos) ++encoded;
    }
    pop.Disconnect();
    EXPECT_GT(encoded, 0) << "the mailbox has no encoded subject to check";
}

}  // namespace
