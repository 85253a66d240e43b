#pragma once
// How the poll reads the account fields of the setup dialog.
#include <string>

#include "mail/IdTCPConnection.h"

class TIdPOP3;

// The POP3 port when the server text names none: 995 for TLS from the first byte, else 110.
inline constexpr int DefaultPop3Port = 110;
inline constexpr int DefaultPop3sPort = 995;
int DefaultPortFor(TIdSecurity security);

// [Security] Mode of the settings file: "tls", "starttls" or "none" (letter case ignored).
// Anything else reads as tls: an unreadable value never leads to plain text.
TIdSecurity SecurityFromText(const std::string& text);
const char* SecurityText(TIdSecurity security);

// How the poll protects its connection: the mode and the pinned certificate fingerprint
// (empty: the chain is checked). Called wherever a POP3 client is set up for a poll.
void ApplySecurity(TIdPOP3& client, TIdSecurity security, const std::string& fingerprint);

// Server text "host", "host:port", "[v6address]" or "[v6address]:port" (an address with
// several colons and no brackets is a host without a port). False when a port is given but is
// not a number from 1 to 65535, or a bracket is not closed; host then holds the whole text.
// The error item of a refused TLS session: the sender with the SHA-256 of the certificate the
// server offered (so that a user who trusts it can pin it), a subject short enough to show
// whole, and the full reason for the item's hint.
struct TTlsErrorItem {
    std::string Sender;
    std::string Subject;
    std::string Hint;
};
TTlsErrorItem TlsErrorItem(const EIdTlsError& error);

// defaultPort is the port when the text names none.
bool SplitServerText(const std::string& text, std::string& host, int& port, int defaultPort = DefaultPop3Port);
