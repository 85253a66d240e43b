#pragma once
// A server on 127.0.0.1 for one test: it accepts up to the given number of clients on a
// thread and runs a script against each. Every wait is bounded, so a broken client or
// script ends the test instead of hanging it.
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <utility>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Socket.h"

namespace testnet {

namespace net = platform::net;

class Peer {
public:
    explicit Peer(net::Socket s) : FSocket(s) {}
    ~Peer() { Close(); }

    // False once the client is gone.
    bool Send(const std::string& bytes) {
        std::size_t sent = 0;
        while (FSocket != net::InvalidSocket && sent < bytes.size()) {
            int n = net::Send(FSocket, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return FSocket != net::InvalidSocket;
    }
    // One line without its CR LF; false when the client closed or timeoutMs passed.
    bool ReadLine(std::string& line, int timeoutMs = 5000) {
        for (;;) {
            const std::size_t lf = FBuffer.find('\n');
            if (lf != std::string::npos) {
                line = FBuffer.substr(0, lf);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                FBuffer.erase(0, lf + 1);
                std::lock_guard<std::mutex> guard(*FLock);
                FLines->push_back(line);
                return true;
            }
            if (FSocket == net::InvalidSocket || net::WaitReadable(FSocket, timeoutMs) != 1) return false;
            char chunk[4096];
            int n = net::Recv(FSocket, chunk, sizeof chunk);
            if (n <= 0) {
                FClosed = true;
                return false;
            }
            FBuffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    std::string ReadLine(int timeoutMs = 5000) {
        std::string line;
        return ReadLine(line, timeoutMs) ? line : std::string("<none>");
    }
    // Waits until the client closes (or timeoutMs), recording what it still sends.
    void DrainUntilClosed(int timeoutMs = 3000) {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!FClosed && FSocket != net::InvalidSocket && std::chrono::steady_clock::now() < end) ReadLine(line, 100);
    }
    bool ClientClosed() const { return FClosed; }
    // Passes raw bytes both ways between the client and other (what this peer has buffered
    // first) until either side closes or end has passed.
    void Relay(net::Socket other, std::chrono::steady_clock::time_point end) {
        if (!FBuffer.empty()) net::Send(other, FBuffer.data(), static_cast<int>(FBuffer.size()));
        FBuffer.clear();
        char chunk[16384];
        while (FSocket != net::InvalidSocket && std::chrono::steady_clock::now() < end) {
            bool open = true;
            for (auto [from, to] : {std::pair{FSocket, other}, std::pair{other, FSocket}}) {
                if (net::WaitReadable(from, 10) != 1) continue;
                const int n = net::Recv(from, chunk, sizeof chunk);
                if (n <= 0 || net::Send(to, chunk, n) != n) open = false;
            }
            if (!open) return;
        }
    }
    // No more bytes from here; the client sees the end of the stream after what was sent.
    void ShutdownSend() {
        if (FSocket != net::InvalidSocket) net::Shutdown(FSocket, 1);
    }
    void Close() {
        if (FSocket != net::InvalidSocket) {
            net::Close(FSocket);
            FSocket = net::InvalidSocket;
        }
    }
    static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::vector<std::string>* FLines = nullptr;
    std::mutex* FLock = nullptr;

private:
    net::Socket FSocket;
    std::string FBuffer;
    bool FClosed = false;
};

class ScriptedServer {
public:
    using Script = std::function<void(Peer&, int connection)>;

    // Each client is waited for acceptWaitMs at most.
    explicit ScriptedServer(Script script, int connections = 1, int acceptWaitMs = 5000)
        : FScript(std::move(script)), FAcceptWait(acceptWaitMs) {
        FStarted = net::StartStack() == net::StackStart::Ok;
        FListener = net::ListenLoopback(FPort);
        FThread = std::thread([this, connections] { Run(connections); });
    }
    ~ScriptedServer() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
        if (FListener != net::InvalidSocket) net::Close(FListener);
        if (FStarted) net::StopStack();
    }
    int Port() const { return FPort; }
    bool Listening() const { return FListener != net::InvalidSocket; }
    // Every line the clients sent, in order.
    std::vector<std::string> Received() {
        std::lock_guard<std::mutex> guard(FLock);
        return FLines;
    }
    int Accepted() const { return FAccepted; }
    // Waits for the script thread to finish (bounded).
    void Join() {
        if (FThread.joinable()) FThread.join();
    }

private:
    void Run(int connections) {
        for (int i = 0; i < connections && !FStop; ++i) {
            net::Socket c = net::InvalidSocket;
            for (int waited = 0; waited < FAcceptWait && !FStop && c == net::InvalidSocket; waited += 100)
                c = net::Accept(FListener, 100);
            if (c == net::InvalidSocket) return;
            ++FAccepted;
            Peer peer(c);
            peer.FLines = &FLines;
            peer.FLock = &FLock;
            try {
                FScript(peer, i);
            } catch (...) {
            }
        }
    }

    Script FScript;
    int FAcceptWait;
    bool FStarted = false;
    net::Socket FListener = net::InvalidSocket;
    int FPort = 0;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<int> FAccepted{0};
    std::mutex FLock;
    std::vector<std::string> FLines;
};

// A POP3 mailbox as the tests need it: the messages' header blocks and sizes, and the
// faults to play.
struct Pop3Box {
    std::vector<std::string> Headers;  // header lines joined with CR LF, no final CR LF
    std::vector<int> Sizes;
    std::string Greeting = "+OK ready <1896.697170952@example.org>";
    std::string Ok = "+OK";
    std::string Password = "secret";
    std::map<int, std::string> TopReplies;   // message number -> whole reply text instead
    std::map<int, std::string> ListReplies;  // message number -> reply line instead
    std::string StatReply;                   // instead of the computed one
    std::string BeforeReply;                 // sent before every reply ("\r\n\r\n")
    bool BlankBeforeDot = true;              // the empty line after the header
    std::vector<std::string> Capabilities;   // the CAPA list; empty: CAPA is unknown
    std::string CapaReply;                   // instead of the CAPA answer (an "-ERR" line)
    int ReplyDelayMs = 0;                    // a slow server: the wait before every reply
    std::string CloseAfter;                  // after answering this line, end the stream
};

// Answers like a POP3 server until the client sends Quit, closes, or goes silent.
inline void ServePop3(Peer& peer, const Pop3Box& box) {
    auto reply = [&](const std::string& text) { peer.Send(box.BeforeReply + text + "\r\n"); };
    reply(box.Greeting);
    std::string line;
    while (peer.ReadLine(line)) {
        if (box.ReplyDelayMs > 0) Peer::Sleep(box.ReplyDelayMs);
        const std::string upper = [&] {
            std::string u = line.substr(0, line.find(' '));
            for (char& ch : u) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
            return u;
        }();
        const std::string arg = line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
        if (upper == "USER") {
            reply(box.Ok + " user accepted");
        } else if (upper == "PASS") {
            reply(arg == box.Password ? box.Ok + " logged in" : "-ERR [AUTH] Authentication failed.");
        } else if (upper == "STAT") {
            int total = 0;
            for (int s : box.Sizes) total += s;
            reply(!box.StatReply.empty() ? box.StatReply
                                         : box.Ok + " " + std::to_string(box.Headers.size()) + " " + std::to_string(total));
        } else if (upper == "TOP") {
            const int n = std::atoi(arg.c_str());
            auto special = box.TopReplies.find(n);
            if (special != box.TopReplies.end()) {
                peer.Send(box.BeforeReply + special->second);
            } else if (n < 1 || n > static_cast<int>(box.Headers.size())) {
                reply("-ERR There's no message " + std::to_string(n) + ".");
            } else {
                peer.Send(box.BeforeReply + box.Ok + "\r\n" + box.Headers[static_cast<std::size_t>(n - 1)] + "\r\n" +
                          (box.BlankBeforeDot ? "\r\n" : "") + ".\r\n");
            }
        } else if (upper == "LIST") {
            const int n = std::atoi(arg.c_str());
            auto special = box.ListReplies.find(n);
            if (special != box.ListReplies.end()) reply(special->second);
            else if (n < 1 || n > static_cast<int>(box.Sizes.size())) reply("-ERR There's no message " + std::to_string(n) + ".");
            else reply(box.Ok + " " + std::to_string(n) + " " + std::to_string(box.Sizes[static_cast<std::size_t>(n - 1)]));
        } else if (upper == "CAPA" && (!box.Capabilities.empty() || !box.CapaReply.empty())) {
            if (!box.CapaReply.empty()) {
                reply(box.CapaReply);
            } else {
                std::string text = box.Ok + " Capability list follows\r\n";
                for (const std::string& c : box.Capabilities) text += c + "\r\n";
                peer.Send(box.BeforeReply + text + ".\r\n");
            }
        } else if (upper == "QUIT") {
            peer.DrainUntilClosed(1000);
            return;
        } else {
            reply("-ERR Unknown command.");
        }
        if (!box.CloseAfter.empty() && line == box.CloseAfter) {
            peer.ShutdownSend();
            peer.DrainUntilClosed(5000);
            return;
        }
    }
}

}  // namespace testnet
