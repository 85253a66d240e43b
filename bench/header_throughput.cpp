// Header-block processing throughput: lookup, unfolding, decoding, address split and date
// of realistic header blocks, as FetchHeader hands them to ProcessHeaders.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "mail/IdMessage.h"

namespace {

std::string Pick(const std::vector<std::string>& v, unsigned i) { return v[i % v.size()]; }

// One header block of the kind a mailbox holds: relays, signatures, encoded names.
std::vector<std::string> Block(unsigned i) {
    static const std::vector<std::string> names{"Anna Berg", "\"Okafor, Tom\"", "=?ISO-8859-1?Q?J=FCrgen_M=FCller?=",
                                                "=?UTF-8?B?TMOpbmEgVm9ndA==?=", "Ravi Menon", ""};
    static const std::vector<std::string> subjects{
        "Build #482 passed",
        "Re: Release checklist for version 2.4 and the",
        "=?ISO-8859-1?Q?Caf=E9_und_Kuchen_am_Freitag?=",
        "=?UTF-8?B?R3LDvMOfZSBhdXMgWsO8cmljaCDigJMgQnVkZ2V0IDEuMjAwIOKCrA==?=",
        "Fwd: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?= from the customer",
        "Minutes of the quarterly planning meeting and the action items for everyone"};
    static const std::vector<std::string> zones{"+0100", "+0200", "-0500", "+0000 (UTC)", "GMT", "-0800"};
    std::vector<std::string> b;
    const std::string user = "user" + std::to_string(i % 97);
    b.push_back("Return-Path: <" + user + "@example.com>");
    b.push_back("Delivered-To: team@example.com");
    for (unsigned r = 0; r < 3 + i % 4; ++r) {
        b.push_back("Received: from mx" + std::to_string(r) + ".example.net (mx" + std::to_string(r) +
                    ".example.net [192.0.2." + std::to_string(r + 10) + "])");
        b.push_back("\tby mail.example.com (Postfix) with ESMTPS id 4V" + std::to_string(i * 31 + r));
        b.push_back("\tfor <team@example.com>; Tue, 12 Mar 2024 09:" + std::to_string(10 + r) + ":00 +0100 (CET)");
    }
    b.push_back("DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com; s=2024;");
    b.push_back("\th=from:to:subject:date:message-id; bh=47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=;");
    b.push_back("\tb=dzdVyOfAKCdLXdJOc9G2q8LoXSlEniSbav+yuU4zGeeruD00lszZVoG4ZHRNiYzR0mDlGyoSbF8c2ROwFnJuCr3");
    b.push_back("From: " + Pick(names, i) + (Pick(names, i).empty() ? "" : " ") + "<" + user + "@example.com>");
    b.push_back("To: Team <team@example.com>, \"Berg, Anna\" <anna@example.com>");
    if (i % 3 == 0) b.push_back("Cc: =?UTF-8?Q?B=C3=A9a?= <bea@example.com>");
    b.push_back("Subject: " + Pick(subjects, i * 7));
    b.push_back("Date: Tue, " + std::to_string(1 + i % 28) + " Mar 2024 " + std::to_string(i % 24) + ":17:42 " +
                Pick(zones, i));
    b.push_back("Message-ID: <gen." + std::to_string(i) + "." + std::to_string(i * 7919) + "@mail.example.com>");
    b.push_back("MIME-Version: 1.0");
    b.push_back("Content-Type: multipart/alternative;");
    b.push_back(" boundary=\"b1_" + std::to_string(i) + "\"");
    b.push_back("Content-Transfer-Encoding: 7bit");
    b.push_back("X-Mailer: Example Mail 5.1");
    b.push_back("List-Unsubscribe: <mailto:list@example.org?subject=unsubscribe>");
    if (i % 5 == 0) b.push_back("X-Priority: 3 (Normal)");
    return b;
}

}  // namespace

int main() {
    constexpr unsigned kBlocks = 5000;
    std::vector<std::vector<std::string>> corpus;
    std::size_t bytes = 0;
    for (unsigned i = 0; i < kBlocks; ++i) {
        corpus.push_back(Block(i));
        for (const std::string& line : corpus.back()) bytes += line.size() + 2;
    }
    TIdMessage message(nullptr);
    using clock = std::chrono::steady_clock;
    std::vector<double> rates;
    std::size_t checksum = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = clock::now();
        for (const auto& block : corpus) {
            message.Clear();
            for (const std::string& line : block) message.RawHeaders().Add(line);
            message.ProcessHeaders();
            checksum += message.Subject().size() + message.From().Address().size();
        }
        const double seconds = std::chrono::duration<double>(clock::now() - start).count();
        rates.push_back(bytes / seconds / 1e6);
    }
    std::sort(rates.begin(), rates.end());
    std::printf("header blocks: %u blocks, %.1f KB average, %.2f MB per round, checksum %zu\n", kBlocks,
                bytes / 1024.0 / kBlocks, bytes / 1e6, checksum);
    std::printf("header processing throughput: median %.1f MB/s (min %.1f, max %.1f) = %.0f blocks/s\n",
                rates[rates.size() / 2], rates.front(), rates.back(), rates[rates.size() / 2] * 1e6 / (bytes / kBlocks));
    return 0;
}
