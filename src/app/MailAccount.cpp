#include "app/MailAccount.h"

#include "core/Text.h"
#include "mail/IdPOP3.h"
#include "platform/Tls.h"


namespace {
bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}
}  // namespace

int DefaultPortFor(TIdSecurity security) { return security == TIdSecurity::Tls ? DefaultPop3sPort : DefaultPop3Port; }

TIdSecurity SecurityFromText(const std::string& text) {
    const std::string t = text::AsciiLower(text::Trim(text));
    if (t == "starttls") return TIdSecurity::StartTls;
    if (t == "none") return TIdSecurity::None;
    return TIdSecurity::Tls;
}

const char* SecurityText(TIdSecurity security) {
    switch (security) {
    case TIdSecurity::StartTls: return "starttls";
    case TIdSecurity::None: return "none";
    case TIdSecurity::Tls: break;
    }
    return "tls";
}

void ApplySecurity(TIdPOP3& client, TIdSecurity security, const std::string& fingerprint) {
    client.SetSecurity(security);
    client.SetFingerprint(security == TIdSecurity::None ? std::string() : fingerprint);
}

TTlsErrorItem TlsErrorItem(const EIdTlsError& error) {
    namespace tls = platform::tls;
    const std::string& reason = error.Reason();
    const struct {
        const char* Reason;
        const char* Subject;
    } shortTexts[] = {
        {tls::RefusedUntrusted, "Certificate not trusted"},  {tls::RefusedName, "Certificate for another name"},
        {tls::RefusedExpired, "Certificate expired"},        {tls::RefusedPin, "Certificate not the pinned one"},
        {tls::RefusedNoCertificate, "No server certificate"}, {idtext::RSTlsNoStls, "Server offers no STLS"},
        {idtext::RSTlsBadPin, "Pinned fingerprint invalid"},  {idtext::RSTlsTimedOut, "TLS handshake timed out"},
    };
    TTlsErrorItem item{"Mail Server", "TLS handshake failed", reason};
    for (const auto& s : shortTexts)
        if (reason.rfind(s.Reason, 0) == 0) item.Subject = s.Subject;
    if (!error.Fingerprint().empty()) {
        item.Sender += ", certificate SHA-256 " + error.Fingerprint();
        item.Hint += "\r\nSHA-256: " + error.Fingerprint();
    }
    return item;
}

bool SplitServerText(const std::string& text, std::string& host, int& port, int defaultPort) {
    port = defaultPort;
    host = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) return false;
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !ParsePort(rest.substr(1), port)) {
                port = defaultPort;
                return false;
            }
        }
        host = text.substr(1, close - 1);
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return true;
    if (text.find(':', colon + 1) != std::string::npos) return true;  // a bare IPv6 address
    int parsed = defaultPort;
    if (!ParsePort(text.substr(colon + 1), parsed)) return false;
    host = text.substr(0, colon);
    port = parsed;
    return true;
}
