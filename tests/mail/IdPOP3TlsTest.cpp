// POP3 over TLS and STARTTLS: the certificate checks against the private Dovecot (its test
// authority and certificates, see scripts/dovecot), and scripted servers that misbehave
// during the upgrade. A refused server never gets the password.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScriptedServer.h"
#include "core/Text.h"
#include "mail/DovecotEnv.h"
#include "mail/IdPOP3.h"
#include "platform/Tls.h"

namespace fs = std::filesystem;
namespace tls = platform::tls;
using testnet::Peer;
using testnet::ScriptedServer;

namespace {

using dovecotenv::Env;
using dovecotenv::NativePath;
using dovecotenv::ReadAll;

// The names of the test certificates all lead to the loopback server.
bool LoopbackNames(const std::string& name, std::uint32_t& address, int& error) {
    if (name.size() > 13 && name.compare(name.size() - 13, 13, ".skimbar.test") == 0) {
        address = 0x7F000001;
        return true;
    }
    error = platform::net::ErrHostNotFound;
    return false;
}

struct Outcome {
    std::string Error;  // class name, empty without an exception
    std::string Reason;
    std::string Fingerprint;
    double Seconds = 0;
};

Outcome TryConnect(TIdPOP3& pop) {
    Outcome o;
    const auto start = std::chrono::steady_clock::now();
    try {
        pop.Connect();
    } catch (const EIdTlsError& e) {
        o.Error = e.ClassName();
        o.Reason = e.Reason();
        o.Fingerprint = e.Fingerprint();
    } catch (const Exception& e) {
        o.Error = e.ClassName();
        o.Reason = e.Message();
    }
    o.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return o;
}

bool SawLine(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

}  // namespace

// ---- fingerprints

TEST(TlsFingerprint, Sha256MatchesTheStandardVectors) {
    const struct {
        std::string Input;
        const char* Hex;
    } cases[] = {
        {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {std::string(1000, 'a'), "41EDECE42D63E8D9BF515A9BA6932E1C20CBC9F5A5D134645ADB5DB1B9737EA3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tls::NormalizeFingerprint(tls::FingerprintText(tls::Sha256(c.Input))), c.Hex) << c.Input.size();
}

TEST(TlsFingerprint, TypedFingerprintsIgnoreColonsBlanksAndCase) {
    const std::string upper = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
    EXPECT_EQ(tls::NormalizeFingerprint(tls::FingerprintText(tls::Sha256(""))), upper);
    EXPECT_EQ(tls::NormalizeFingerprint(" e3 b0:c4:42 98fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 "), upper);
    EXPECT_EQ(tls::NormalizeFingerprint(upper.substr(2)), "");           // too short
    EXPECT_EQ(tls::NormalizeFingerprint(upper + "00"), "");              // too long
    EXPECT_EQ(tls::NormalizeFingerprint("G" + upper.substr(1)), "");     // not hex
    EXPECT_EQ(tls::NormalizeFingerprint(upper.substr(0, 63) + "-"), "");
}

// ---- scripted servers: the upgrade and the handshake go wrong

class TlsHostile : public ::testing::Test {
protected:
    void Prepare(TIdPOP3& pop, int port, TIdSecurity security) {
        pop.SetHost("127.0.0.1");
        pop.SetPort(port);
        pop.SetUserId("user");
        pop.SetPassword("secret");
        pop.SetSecurity(security);
        pop.ReadTimeout = 3000;
        pop.CommandTimeout = 1000;
    }
};

TEST_F(TlsHostile, GarbageCloseAndSilenceDuringTheHandshakeAreRefused) {
    const struct {
        const char* Name;
        std::function<void(Peer&)> Script;
        const char* Reason;  // empty: any refusal
    } cases[] = {
        {"garbage",
         [](Peer& p) {
             p.Send("+OK POP3 ready, but no TLS here\r\n");
             p.DrainUntilClosed(3000);
         },
         ""},
        {"close in mid-handshake",
         [](Peer& p) {
             std::string line;
             p.ReadLine(line, 3000);  // a part of the client hello
             p.Close();
         },
         idtext::RSTlsClosed},
        {"silent", [](Peer& p) { p.DrainUntilClosed(4000); }, idtext::RSTlsTimedOut},
    };
    for (const auto& c : cases) {
        ScriptedServer server([&](Peer& p, int) { c.Script(p); });
        TIdPOP3 pop(nullptr);
        Prepare(pop, server.Port(), TIdSecurity::Tls);
        const Outcome o = TryConnect(pop);
        EXPECT_EQ(o.Error, "EIdTlsError") << c.Name << ": " << o.Reason;
        if (*c.Reason) {
            EXPECT_EQ(o.Reason, c.Reason) << c.Name;
        }
        EXPECT_LT(o.Seconds, 2.5) << c.Name;  // the handshake has the deadline of one command
        EXPECT_FALSE(pop.Connected()) << c.Name;
        server.Join();
        EXPECT_FALSE(SawLine(server.Received(), "PASS")) << c.Name;
        EXPECT_FALSE(SawLine(server.Received(), "USER")) << c.Name;
    }
}

TEST_F(TlsHostile, StartTlsWithoutStlsSendsNoCredentials) {
    const struct {
        const char* Name;
        std::string Capa;  // the answer to CAPA
        std::string Stls;  // the answer to STLS, if asked
        bool AsksStls;
    } cases[] = {
        {"not offered", "+OK\r\nUSER\r\nTOP\r\nPIPELINING\r\n.\r\n", "", false},
        {"offered, refused", "+OK\r\nSTLS\r\nUSER\r\n.\r\n", "-ERR not now", true},
        {"no CAPA, refused", "-ERR unknown command", "-ERR unknown command", true},
    };
    for (const auto& c : cases) {
        ScriptedServer server([&](Peer& p, int) {
            p.Send("+OK ready\r\n");
            std::string line;
            while (p.ReadLine(line, 3000)) {
                if (line == "CAPA") p.Send(c.Capa + (c.Capa.back() == '\n' ? "" : "\r\n"));
                else if (line == "STLS") p.Send(c.Stls + "\r\n");
                else p.Send("+OK\r\n");
            }
        });
        TIdPOP3 pop(nullptr);
        Prepare(pop, server.Port(), TIdSecurity::StartTls);
        const Outcome o = TryConnect(pop);
        EXPECT_EQ(o.Error, "EIdTlsError") << c.Name;
        EXPECT_EQ(o.Reason.rfind(idtext::RSTlsNoStls, 0), 0u) << c.Name << ": " << o.Reason;
        server.Join();
        const auto lines = server.Received();
        EXPECT_EQ(SawLine(lines, "STLS"), c.AsksStls) << c.Name;
        EXPECT_FALSE(SawLine(lines, "USER")) << c.Name;
        EXPECT_FALSE(SawLine(lines, "PASS")) << c.Name;
    }
}

// ---- the private Dovecot with TLS

class TlsDovecot : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"SKIMBAR_POP3_PORT", "SKIMBAR_POP3S_PORT", "SKIMBAR_POP3_CA",
                                 "SKIMBAR_POP3_FINGERPRINT", "SKIMBAR_POP3_USER", "SKIMBAR_POP3_PASS"})
            if (Env(name).empty()) FAIL() << name << " is not set: these tests need the private Dovecot (scripts/dovecot).";
        Ca = ReadAll(NativePath(Env("SKIMBAR_POP3_CA")));
        ASSERT_FALSE(tls::PemToDer(Ca).empty());
        Fingerprint = Env("SKIMBAR_POP3_FINGERPRINT");
        Log = NativePath(Env("SKIMBAR_POP3_LOG"));
        tls::ClearTrustedRoots();
        FPreviousLookup = platform::net::SetNameLookup(&LoopbackNames);
    }
    void TearDown() override {
        tls::ClearTrustedRoots();
        platform::net::SetNameLookup(FPreviousLookup);
    }
    void Prepare(TIdPOP3& pop, TIdSecurity security, const std::string& host, const std::string& pin = "") {
        pop.SetHost(host);
        pop.SetPort(std::atoi(Env(security == TIdSecurity::Tls ? "SKIMBAR_POP3S_PORT" : "SKIMBAR_POP3_PORT").c_str()));
        pop.SetUserId(Env("SKIMBAR_POP3_USER"));
        pop.SetPassword(Env("SKIMBAR_POP3_PASS"));
        pop.SetSecurity(security);
        pop.SetFingerprint(pin);
    }
    // Logins the server has logged so far.
    int Logins() {
        const std::string log = ReadAll(Log);
        int n = 0;
        for (std::size_t at = log.find("Login: user="); at != std::string::npos; at = log.find("Login: user=", at + 1)) ++n;
        return n;
    }

    std::string Ca;
    std::string Fingerprint;
    fs::path Log;
    platform::net::NameLookupFunction FPreviousLookup = nullptr;
};

class TlsDovecotModes : public TlsDovecot, public ::testing::WithParamInterface<TIdSecurity> {};

TEST_P(TlsDovecotModes, ReadsTheMailboxWithPipelinedCommands) {
    ASSERT_TRUE(tls::AddTrustedRoot(Ca));
    TIdPOP3 pop(nullptr);
    Prepare(pop, GetParam(), "localhost");
    const Outcome o = TryConnect(pop);
    ASSERT_EQ(o.Error, "") << o.Reason;
    EXPECT_EQ(pop.TlsActive(), GetParam() != TIdSecurity::None);
    if (GetParam() != TIdSecurity::None) {
        EXPECT_EQ(pop.PeerFingerprint(), Fingerprint);
    }
    const int count = pop.CountMessages();
    ASSERT_EQ(count, std::atoi(Env("SKIMBAR_POP3_COUNT").c_str()));
    pop.AnnounceHeaderAndSizeRange(1, count);
    for (int i = 1; i <= count; ++i) {
        TIdMessage message(nullptr);
        EXPECT_TRUE(pop.FetchHeader(i, message)) << i;
        EXPECT_GT(pop.FetchMessageSize(i), 0) << i;
    }
    EXPECT_GT(pop.CommandsSentAhead(), count);  // through TLS too
    pop.Disconnect();
}

INSTANTIATE_TEST_SUITE_P(Modes, TlsDovecotModes,
                         ::testing::Values(TIdSecurity::Tls, TIdSecurity::StartTls, TIdSecurity::None));

TEST_F(TlsDovecot, CertificateChecksRefuseBeforeTheLogin) {
    const std::string wrongPin = std::string(Fingerprint).replace(0, 2, Fingerprint.substr(0, 2) == "00" ? "11" : "00");
    const struct {
        const char* Name;
        TIdSecurity Security;
        const char* Host;
        bool TrustCa;
        std::string Pin;
        const char* Reason;  // empty: accepted; "*": any refusal
    } cases[] = {
        {"trusted chain, name", TIdSecurity::Tls, "localhost", true, "", ""},
        {"trusted chain, address", TIdSecurity::StartTls, "127.0.0.1", true, "", ""},
        {"untrusted chain", TIdSecurity::Tls, "localhost", false, "", tls::RefusedUntrusted},
        {"untrusted chain, STARTTLS", TIdSecurity::StartTls, "localhost", false, "", tls::RefusedUntrusted},
        {"pinned, chain not trusted", TIdSecurity::Tls, "localhost", false, text::AsciiLower(Fingerprint), ""},
        {"pinned, other name", TIdSecurity::StartTls, "other.skimbar.test", false, Fingerprint, ""},
        {"pin mismatch", TIdSecurity::Tls, "localhost", true, wrongPin, tls::RefusedPin},
        {"wrong name", TIdSecurity::Tls, "other.skimbar.test", true, "", tls::RefusedName},
        {"expired", TIdSecurity::StartTls, "expired.skimbar.test", true, "", tls::RefusedExpired},
        {"huge chain", TIdSecurity::Tls, "huge.skimbar.test", true, "", "*"},
        {"pin not hex", TIdSecurity::Tls, "localhost", true, "AB:CD", idtext::RSTlsBadPin},
    };
    for (const auto& c : cases) {
        tls::ClearTrustedRoots();
        if (c.TrustCa) tls::AddTrustedRoot(Ca);
        const int loginsBefore = Logins();
        TIdPOP3 pop(nullptr);
        Prepare(pop, c.Security, c.Host, c.Pin);
        const Outcome o = TryConnect(pop);
        if (!*c.Reason) {
            EXPECT_EQ(o.Error, "") << c.Name << ": " << o.Reason;
            EXPECT_EQ(pop.CountMessages(), std::atoi(Env("SKIMBAR_POP3_COUNT").c_str())) << c.Name;
            pop.Disconnect();
            continue;
        }
        EXPECT_EQ(o.Error, "EIdTlsError") << c.Name << ": " << o.Reason;
        if (std::string(c.Reason) != "*") {
            EXPECT_EQ(o.Reason, c.Reason) << c.Name;
        }
        // The refusal names the certificate the server offered, so that it can be pinned.
        if (std::string(c.Name) == "untrusted chain" || std::string(c.Name) == "pin mismatch") {
            EXPECT_EQ(o.Fingerprint, Fingerprint) << c.Name;
        }
        EXPECT_FALSE(pop.Connected()) << c.Name;
        EXPECT_EQ(Logins(), loginsBefore) << c.Name;
    }
}

// Plain text injected by a man in the middle right after the STLS answer must not be read
// as the server's: the proxy adds a reply behind "+OK Begin TLS", then passes bytes on.
// Native only: under Wine this relay loses the connection during the handshake (the client
// then refuses, as it must); the dropping itself is the same code on every platform.
#ifndef _WIN32
TEST_F(TlsDovecot, BytesAfterTheStlsAnswerAreDropped) {
    namespace net = platform::net;
    const int upstreamPort = std::atoi(Env("SKIMBAR_POP3_PORT").c_str());
    ScriptedServer proxy([&](Peer& client, int) {
        net::Socket up = net::OpenTcp();
        if (net::Connect(up, 0x7F000001, upstreamPort, 3000) != 0) return;
        char buffer[16384];
        bool injected = false;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::string fromServer;
        while (std::chrono::steady_clock::now() < end) {
            bool moved = false;
            if (net::WaitReadable(up, 20) == 1) {
                const int n = net::Recv(up, buffer, sizeof buffer);
                if (n <= 0) break;
                std::string bytes(buffer, static_cast<std::size_t>(n));
                if (!injected) {
                    fromServer += bytes;
                    if (fromServer.find("+OK Begin TLS") != std::string::npos) {
                        injected = true;
                        bytes += "+OK 0 0\r\n+OK injected by the network\r\n";
                    }
                }
                if (!client.Send(bytes)) break;
                // The handshake follows: its bytes must not pass through the line reader.
                if (injected) break;
                moved = true;
            }
            std::string line;
            if (client.ReadLine(line, 20)) {
                line += "\r\n";
                net::Send(up, line.data(), static_cast<int>(line.size()));
                moved = true;
            }
            if (!moved && client.ClientClosed()) break;
        }
        // After the upgrade: raw bytes both ways.
        client.Relay(up, end);
        net::Close(up);
    });
    tls::AddTrustedRoot(Ca);
    TIdPOP3 pop(nullptr);
    Prepare(pop, TIdSecurity::StartTls, "localhost");
    pop.SetPort(proxy.Port());
    const Outcome o = TryConnect(pop);
    ASSERT_EQ(o.Error, "") << o.Reason;
    EXPECT_EQ(pop.CountMessages(), std::atoi(Env("SKIMBAR_POP3_COUNT").c_str()));
    pop.Disconnect();
}
#endif
