// POP3 over TLS against the server of scripts/dovecot (SKIMBAR_POP3_*, SKIMBAR_POP3S_PORT and
// the test authority SKIMBAR_POP3_CA; made for 10,000 mails): the TLS handshake, the change
// poll of the main window over TLS beside Python's poplib over TLS (POP3_SSL) in the same run,
// and the quiet poll. Prints figures; not a test.
//
//   scripts/dovecot start auto --generate 10000 STATE; set -a; . STATE/env; set +a
//   ninja -C build/native tls_poll && build/native/tls_poll
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BenchProgram.h"
#include "mail/IdPOP3.h"
#include "platform/Tls.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Connect (handshake and login) and Quit, timed.
double Session(TIdSecurity security, int port, std::string& protocol) {
    TIdPOP3 pop(nullptr);
    pop.SetHost("localhost");
    pop.SetPort(port);
    pop.SetUserId(bench::Env("SKIMBAR_POP3_USER"));
    pop.SetPassword(bench::Env("SKIMBAR_POP3_PASS"));
    pop.SetSecurity(security);
    const double start = bench::WallSeconds();
    pop.Connect();
    const double took = bench::WallSeconds() - start;
    protocol = pop.TlsProtocol();
    pop.Disconnect();
    return took;
}

// poplib's median in milliseconds (its last line), or a negative value.
double Poplib(const std::string& script) {
    FILE* p = popen(("python3 " + script + " 3").c_str(), "r");
    if (!p) return -1;
    char line[512];
    std::string last;
    while (std::fgets(line, sizeof line, p)) {
        std::fputs(("  " + std::string(line)).c_str(), stdout);
        last = line;
    }
    return pclose(p) == 0 ? std::atof(last.c_str()) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string plainPort = bench::Env("SKIMBAR_POP3_PORT");
    const std::string tlsPort = bench::Env("SKIMBAR_POP3S_PORT");
    const std::string caFile = bench::Env("SKIMBAR_POP3_CA");
    if (plainPort.empty() || tlsPort.empty() || caFile.empty()) {
        std::fprintf(stderr, "tls_poll: set SKIMBAR_POP3_* (scripts/dovecot start auto --generate 10000 STATE; "
                             "set -a; . STATE/env; set +a)\n");
        return 2;
    }
    std::ifstream in(caFile, std::ios::binary);
    std::stringstream ca;
    ca << in.rdbuf();
    if (!platform::tls::AddTrustedRoot(ca.str())) {
        std::fprintf(stderr, "tls_poll: no certificate in %s\n", caFile.c_str());
        return 2;
    }
    std::vector<double> plain, implicit, upgrade;
    std::string protocol;
    for (int i = 0; i < 20; ++i) {
        plain.push_back(Session(TIdSecurity::None, std::stoi(plainPort), protocol));
        upgrade.push_back(Session(TIdSecurity::StartTls, std::stoi(plainPort), protocol));
        implicit.push_back(Session(TIdSecurity::Tls, std::stoi(tlsPort), protocol));
    }
    std::printf("connect and login on loopback (median of 20; %s):\n", protocol.c_str());
    std::printf("  plain text %6.2f ms, TLS from the first byte %6.2f ms, STARTTLS %6.2f ms\n", Median(plain) * 1e3,
                Median(implicit) * 1e3, Median(upgrade) * 1e3);

    constexpr int kRounds = 3;
    std::vector<double> cycle, quiet;
    int count = 0;
    for (int round = 0; round < kRounds; ++round) {
        bench::TBenchProgram program("localhost:" + tlsPort, bench::Env("SKIMBAR_POP3_USER"),
                                     bench::Env("SKIMBAR_POP3_PASS"), nullptr, "[Security]\r\nMode=tls\r\n");
        TMainForm& form = program.Form();
        cycle.push_back(program.RunPoll());
        count = form.LastCount;
        quiet.push_back(program.RunPoll());
    }
    const double ours = Median(cycle) * 1e3;
    std::printf("change poll of %d mails over TLS (median of %d rounds): %8.1f ms wall\n", count, kRounds, ours);
    std::printf("quiet poll over TLS (no change):                     %8.1f ms wall\n", Median(quiet) * 1e3);
    const std::string script = argc > 1 ? argv[1] : "bench/pop3_poll_tls.py";
    const double theirs = Poplib(script);
    if (theirs > 0)
        std::printf("Skimbar / poplib POP3_SSL: %.2f x (target at most 0.35 x)\n", ours / theirs);
    else
        std::printf("poplib figure missing (run from the source folder, or pass the script's path)\n");
    return 0;
}
