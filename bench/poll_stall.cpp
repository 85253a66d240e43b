// How long the bar stands still while a poll runs: the largest gap between two scroll ticks
// (real clock) from the poll's start to its end, with the build's own backend (headless
// natively, Win32 in the Windows build under Wine: bench/wine_change_poll). Cases: a change
// poll of the mailbox in SKIMBAR_POP3_* (left out when unset; run it once directly and once
// through the latency proxy of tools/latency_proxy.py), a server that falls silent after STAT,
// and one that accepts and never answers. The silent ones are cancelled after 3 s, as Quit
// does. Prints figures; not a test.
//
//   ninja -C build/native poll_stall && build/native/poll_stall
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchProgram.h"
#include "platform/Socket.h"
#include "ui/Backend.h"
#include "ui/ExtCtrls.h"

namespace net = platform::net;

namespace {

// A POP3 server on 127.0.0.1 that logs in, answers STAT, and then never again; or, with
// greet false, one that never even greets.
class TSilentServer {
public:
    explicit TSilentServer(bool greet) : FGreet(greet) {
        net::StartStack();
        FListener = net::ListenLoopback(FPort);
        FThread = std::thread([this] { Serve(); });
    }
    ~TSilentServer() {
        FStop = true;
        FThread.join();
        net::Close(FListener);
        net::StopStack();
    }
    int Port() const { return FPort; }

private:
    void Serve() {
        if (!FGreet) {
            while (!FStop) std::this_thread::sleep_for(std::chrono::milliseconds(20));  // never accepts
            return;
        }
        net::Socket s = net::InvalidSocket;
        while (!FStop && s == net::InvalidSocket) s = net::Accept(FListener, 100);
        if (s == net::InvalidSocket) return;
        auto send = [&](const std::string& t) { net::Send(s, t.data(), static_cast<int>(t.size())); };
        send("+OK ready\r\n");
        std::string buffer;
        char chunk[512];
        while (!FStop) {
            if (net::WaitReadable(s, 100) != 1) continue;
            const int n = net::Recv(s, chunk, sizeof chunk);
            if (n <= 0) break;
            buffer.append(chunk, static_cast<std::size_t>(n));
            for (std::size_t lf; (lf = buffer.find('\n')) != std::string::npos; buffer.erase(0, lf + 1)) {
                const std::string line = buffer.substr(0, lf);
                if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0) send("+OK\r\n");
                if (line.rfind("STAT", 0) == 0) send("+OK 3 3000\r\n");
            }
        }
        net::Close(s);
    }
    bool FGreet;
    int FPort = 0;
    net::Socket FListener = net::InvalidSocket;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

struct TStall {
    double LongestGapMs = 0;
    int Ticks = 0;
    double PollSeconds = 0;
    std::size_t Items = 0;
};

// One poll of a fresh program; a poll still running after cancelAfter seconds is cancelled.
// Without poll, the bar alone for cancelAfter seconds: the floor the timers give.
TStall Measure(const std::string& server, const std::string& user, const std::string& password,
               double cancelAfter, bool poll = true) {
    bench::TBenchProgram program(server, user, password, ui::CreateDefaultBackend());
    TMainForm& form = program.Form();
    std::vector<double> ticks;
    form.ScrollTimer->OnTimer = [&](TObject* s) {
        ticks.push_back(bench::WallSeconds());
        form.ScrollTimerTimer(s);
    };
    const double start = bench::WallSeconds();
    ticks.push_back(start);
    // The headless clock jumps to the next timer while nothing runs: no floor to measure.
    if (!poll && std::string(ui::Backend().Name()) == "headless") return TStall{};
    if (poll) form.PollMailTimerTimer(form.PollMailTimer);
    while ((!poll || form.PollRunning()) && bench::WallSeconds() - start < cancelAfter) Application->HandleMessage();
    // The stall while the poll runs; cancelling belongs to Quit and is not counted.
    ticks.push_back(bench::WallSeconds());
    form.CancelPoll(1000);
    TStall r;
    r.PollSeconds = ticks.back() - start;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        r.LongestGapMs = std::max(r.LongestGapMs, (ticks[i] - ticks[i - 1]) * 1e3);
    r.Ticks = static_cast<int>(ticks.size()) - 2;
    r.Items = form.Items.size();
    return r;
}

void Print(const char* name, const TStall& s) {
    std::printf("  %-34s longest gap between scroll ticks %7.1f ms (%5d ticks in %6.2f s, %zu items)\n", name,
                s.LongestGapMs, s.Ticks, s.PollSeconds, s.Items);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    std::printf("the bar while a poll runs (scroll tick every 30 ms; the target is a gap under 50 ms)\n");
    const std::string host = bench::Env("SKIMBAR_POP3_HOST"), port = bench::Env("SKIMBAR_POP3_PORT");
    for (int round = 1; round <= rounds; ++round) {
        std::printf(" round %d of %d\n", round, rounds);
        if (TStall idle = Measure("127.0.0.1:1", "u", "p", 3, false); idle.Ticks > 0)
            Print("no poll (the bar alone)", idle);
        if (!host.empty() && !port.empty())
            Print(("change poll of " + host + ":" + port).c_str(),
                  Measure(host + ":" + port, bench::Env("SKIMBAR_POP3_USER"), bench::Env("SKIMBAR_POP3_PASS"), 600));
        {
            TSilentServer silent(true);
            Print("a server silent after STAT", Measure("127.0.0.1:" + std::to_string(silent.Port()), "u", "p", 3));
        }
        {
            TSilentServer mute(false);
            Print("a server that never answers", Measure("127.0.0.1:" + std::to_string(mute.Port()), "u", "p", 3));
        }
    }
    return 0;
}
