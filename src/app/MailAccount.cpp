#include "app/MailAccount.h"


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

bool SplitServerText(const std::string& text, std::string& host, int& port) {
    port = DefaultPop3Port;
    host = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) return false;
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':' || !ParsePort(rest.substr(1), port)) {
                port = DefaultPop3Port;
                return false;
            }
        }
        host = text.substr(1, close - 1);
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return true;
    if (text.find(':', colon + 1) != std::string::npos) return true;  // a bare IPv6 address
    int parsed = DefaultPop3Port;
    if (!ParsePort(text.substr(colon + 1), parsed)) return false;
    host = text.substr(0, colon);
    port = parsed;
    return true;
}
