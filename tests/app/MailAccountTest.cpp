// The server text of the setup dialog: host with an optional port, IPv6 in brackets.
#include <gtest/gtest.h>

#include "app/MailAccount.h"

namespace {

TEST(ServerText, HostAndPortForms) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"pop.example.org", true, "pop.example.org", 110},
        {"pop.example.org:995", true, "pop.example.org", 995},
        {"127.0.0.1:11000", true, "127.0.0.1", 11000},
        {"[::1]:2110", true, "::1", 2110},
        {"[fe80::1]", true, "fe80::1", 110},
        {"fe80::1", true, "fe80::1", 110},
        {"host:1", true, "host", 1},
        {"host:65535", true, "host", 65535},
        {"", true, "", 110},
        // Malformed ports: refused, the whole text stays the host.
        {"host:", false, "host:", 110},
        {"host:0", false, "host:0", 110},
        {"host:65536", false, "host:65536", 110},
        {"host:99999999999", false, "host:99999999999", 110},
        {"host:-5", false, "host:-5", 110},
        {"host:11a", false, "host:11a", 110},
        {"host: 110", false, "host: 110", 110},
        {"[::1", false, "[::1", 110},
        {"[::1]x", false, "[::1]x", 110},
        {"[::1]:", false, "[::1]:", 110},
    };
    for (const Case& c : cases) {
        std::string host = "unchanged";
        int port = -7;
        EXPECT_EQ(SplitServerText(c.text, host, port), c.ok) << c.text;
        EXPECT_EQ(host, c.host) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

}  // namespace
