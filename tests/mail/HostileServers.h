#pragma once
// Misbehaving POP3 servers and what the client makes of each: the error, the time it took,
// whether the connection was closed and whether the next command still gets its own reply.
// The tests assert on the outcome; bench/hostile_servers prints the times.
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "ScriptedServer.h"
#include "mail/IdPOP3.h"
#include "platform/TimeZone.h"

namespace hostile {

using testnet::Peer;
using testnet::ScriptedServer;

// Waits of the client in these scenarios: short, so that a test ends soon, and each one
// far from the others, so that the bound that ends a scenario is the one it is about.
inline constexpr int kReadTimeoutMs = 3000;
inline constexpr int kCommandTimeoutMs = 1000;
inline constexpr int kResolveTimeoutMs = 300;
// A server loop ends after this at the latest, whatever the client does.
inline constexpr int kServerLimitMs = 30000;

struct Outcome {
    std::string Error;         // class name of the exception, empty when none
    std::string Message;       // its text
    int SocketError = 0;       // EIdSocketError's code
    double Seconds = 0;        // from the start of the failing call to its end
    bool Result = true;        // FetchHeader's result, where one was called
    bool ConnectedAfter = true;
    int NextSize = -2;         // LIST after the failure (-1 when refused), -2 when not asked
    int ServerSaw = -1;        // lines (or connections) the server got, where that tells more
    int HeaderLines = 0;       // lines the message record holds
    std::string Subject;
};

// Answers greeting, USER and PASS, then hands every further line to onCommand until it
// returns false or the client goes.
inline void LoginThen(Peer& p, const std::function<bool(Peer&, const std::string&)>& onCommand) {
    p.Send("+OK ready\r\n");
    std::string line;
    if (!p.ReadLine(line) || !p.Send("+OK\r\n")) return;
    if (!p.ReadLine(line) || !p.Send("+OK logged in\r\n")) return;
    while (p.ReadLine(line, kServerLimitMs)) {
        if (line == "Quit") return;
        if (!onCommand(p, line)) return;
    }
}

// Sends the piece again and again until the client is gone or the limit has passed.
inline void Flood(Peer& p, const std::string& piece) {
    std::string chunk;
    while (chunk.size() < 65536) chunk += piece;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServerLimitMs);
    while (std::chrono::steady_clock::now() < end && p.Send(chunk)) {
    }
}

// Sends text one byte at a time, every intervalMs.
inline void Trickle(Peer& p, const std::string& text, int intervalMs) {
    for (char c : text) {
        if (!p.Send(std::string(1, c))) return;
        Peer::Sleep(intervalMs);
    }
}

struct Client {
    explicit Client(int port) : Pop(nullptr) {
        Pop.SetHost("127.0.0.1");
        Pop.SetPort(port);
        Pop.SetUserId("user");
        Pop.SetPassword("secret");
        Pop.ReadTimeout = kReadTimeoutMs;
        Pop.ConnectTimeout = kReadTimeoutMs;
        Pop.CommandTimeout = kCommandTimeoutMs;
        Pop.ResolveTimeout = kResolveTimeoutMs;
    }
    TIdPOP3 Pop;
};

// Runs call, recording its exception and time.
inline void Measure(Outcome& o, const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    try {
        call();
    } catch (const EIdSocketError& e) {
        o.Error = e.ClassName();
        o.Message = e.what();
        o.SocketError = e.LastError();
    } catch (const Exception& e) {
        o.Error = e.ClassName();
        o.Message = e.what();
    }
    o.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A LIST reply for the in-step check: "+OK n 4711".
inline bool AnswerList(Peer& p, const std::string& line) {
    if (line.rfind("LIST ", 0) == 0) return p.Send("+OK " + line.substr(5) + " 4711\r\n");
    return p.Send("-ERR unexpected\r\n");
}

// After a failure inside a command: the state the client is in, and the next LIST.
inline void After(Outcome& o, Client& c, TIdMessage* m) {
    o.ConnectedAfter = c.Pop.Connected();
    o.NextSize = c.Pop.FetchMessageSize(1);
    if (m) {
        o.HeaderLines = m->RawHeaders().Count();
        o.Subject = m->Subject();
    }
}

// 1: empty lines without end in place of the STAT reply.
inline Outcome EndlessBlankLines() {
    ScriptedServer server([](Peer& p, int) {
        LoginThen(p, [](Peer& q, const std::string& line) {
            if (line == "STAT") Flood(q, "\r\n");
            return false;
        });
    });
    Client c(server.Port());
    Outcome o;
    c.Pop.Connect();
    Measure(o, [&] { c.Pop.CountMessages(); });
    After(o, c, nullptr);
    return o;
}

// 2: a header block, its empty line, then body lines without end.
inline Outcome EndlessBodyLines() {
    ScriptedServer server([](Peer& p, int) {
        LoginThen(p, [](Peer& q, const std::string& line) {
            if (line.rfind("TOP", 0) != 0) return AnswerList(q, line);
            q.Send("+OK\r\nSubject: endless\r\n\r\n");
            Flood(q, "body line of a mail that never ends\r\n");
            return false;
        });
    });
    Client c(server.Port());
    Outcome o;
    TIdMessage m(nullptr);
    c.Pop.Connect();
    Measure(o, [&] { o.Result = c.Pop.FetchHeader(1, m); });
    After(o, c, &m);
    return o;
}

// 3: a greeting that arrives one byte every intervalMs.
inline Outcome TricklingGreeting(int intervalMs = 50) {
    ScriptedServer server([intervalMs](Peer& p, int) {
        Trickle(p, "+OK POP3 server ready <1896.697170952@x>\r\n", intervalMs);
        p.DrainUntilClosed(kServerLimitMs);
    });
    Client c(server.Port());
    Outcome o;
    Measure(o, [&] { c.Pop.Connect(); });
    o.ConnectedAfter = c.Pop.Connected();
    server.Join();
    o.ServerSaw = static_cast<int>(server.Received().size());  // "Quit" at most
    return o;
}

// 3: a TOP reply that arrives one byte every intervalMs.
inline Outcome TricklingTop(int intervalMs = 50) {
    ScriptedServer server([intervalMs](Peer& p, int) {
        LoginThen(p, [intervalMs](Peer& q, const std::string& line) {
            if (line.rfind("TOP", 0) != 0) return AnswerList(q, line);
            Trickle(q, "+OK\r\nSubject: slow\r\nFrom: a@example.com\r\n\r\n.\r\n", intervalMs);
            return false;
        });
    });
    Client c(server.Port());
    Outcome o;
    TIdMessage m(nullptr);
    c.Pop.Connect();
    Measure(o, [&] { o.Result = c.Pop.FetchHeader(1, m); });
    After(o, c, &m);
    return o;
}

// 4: a name server that does not answer.
inline bool NeverAnswers(const std::string&, std::uint32_t&, int&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kServerLimitMs / 3));
    return false;
}

inline Outcome SilentNameServer() {
    ScriptedServer server([](Peer& p, int) { testnet::ServePop3(p, testnet::Pop3Box()); }, 1, 1000);
    Client c(server.Port());
    c.Pop.SetHost("mail.example.org");
    Outcome o;
    auto previous = platform::net::SetNameLookup(&NeverAnswers);
    Measure(o, [&] { c.Pop.Connect(); });
    platform::net::SetNameLookup(previous);
    o.ConnectedAfter = c.Pop.Connected();
    server.Join();
    o.ServerSaw = server.Accepted();
    return o;
}

// 5: a header block of lines one byte long, many more than the memory bound allows.
inline Outcome OneByteLines(int lines = 6000000) {
    ScriptedServer server([lines](Peer& p, int) {
        LoginThen(p, [lines](Peer& q, const std::string& line) {
            if (line.rfind("TOP", 0) != 0) return AnswerList(q, line);
            q.Send("+OK\r\n");
            std::string chunk;
            for (int i = 0; i < 20000; ++i) chunk += "a\r\n";
            for (int sent = 0; sent < lines; sent += 20000)
                if (!q.Send(chunk)) return false;
            q.Send("\r\n.\r\n");
            return true;
        });
    });
    Client c(server.Port());
    Outcome o;
    TIdMessage m(nullptr);
    c.Pop.Connect();
    c.Pop.CommandTimeout = kServerLimitMs;  // the memory bound is what this is about
    Measure(o, [&] { o.Result = c.Pop.FetchHeader(1, m); });
    After(o, c, &m);
    return o;
}

// 6: a header block whose processing raises (the time zone cannot be read).
inline Outcome ProcessingRaises() {
    ScriptedServer server([](Peer& p, int) {
        LoginThen(p, [](Peer& q, const std::string& line) {
            if (line.rfind("TOP", 0) == 0)
                return q.Send("+OK\r\nSubject: dated\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\n\r\n.\r\n");
            return AnswerList(q, line);
        });
    });
    Client c(server.Port());
    Outcome o;
    TIdMessage m(nullptr);
    c.Pop.Connect();
    platform::SetTimeZoneFailureForTests(true);
    Measure(o, [&] { o.Result = c.Pop.FetchHeader(1, m); });
    platform::SetTimeZoneFailureForTests(false);
    After(o, c, &m);
    return o;
}

// 7: a server that goes silent after USER.
inline Outcome SilentDuringLogin() {
    ScriptedServer server([](Peer& p, int) {
        p.Send("+OK ready\r\n");
        std::string line;
        if (p.ReadLine(line)) p.DrainUntilClosed(kServerLimitMs);
    });
    Client c(server.Port());
    c.Pop.CommandTimeout = kServerLimitMs;  // the wait for data is what this is about
    c.Pop.ReadTimeout = 500;
    Outcome o;
    Measure(o, [&] { c.Pop.Connect(); });
    o.ConnectedAfter = c.Pop.Connected();
    return o;
}

}  // namespace hostile
