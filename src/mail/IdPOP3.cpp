#include "mail/IdPOP3.h"

#include "core/Text.h"

SKIMBAR_CLASS_INFO(TIdPOP3, TIdMessageClient,
                   props::Text<TIdPOP3>("Password", &TIdPOP3::Password, &TIdPOP3::SetPassword),
                   props::Text<TIdPOP3>("UserId", &TIdPOP3::UserId, &TIdPOP3::SetUserId))

namespace {
constexpr std::int16_t kOk = 1;

// Copy(s, index, count) with a 1-based index; out-of-range parts give less or nothing.
std::string Copy(const std::string& s, long long index, long long count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<long long>(s.size())) return std::string();
    return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}
}  // namespace

int StatReplyCount(const std::string& reply) {
    if (reply.empty()) return 0;
    const long long length = static_cast<long long>(reply.size());
    const std::string t = Copy(reply, 5, length - 5);
    const std::size_t blank = t.find(' ');
    return text::StrToInt(blank == std::string::npos ? std::string() : t.substr(0, blank));
}

int ListReplySize(const std::string& reply) {
    if (reply.empty()) return -1;
    const long long length = static_cast<long long>(reply.size());
    const std::string r = Copy(reply, 5, length - 4);
    const std::size_t blank = r.find(' ');
    const std::string size = blank == std::string::npos ? r : r.substr(blank + 1);
    return text::StrToIntDef(size, -1);
}

TIdPOP3::TIdPOP3(TComponent* owner) : TIdMessageClient(owner) { FPort = 110; }

void TIdPOP3::Connect() {
    // Checked before anything goes out: a line break would add a command of its own.
    CheckNoLineBreak(FHost, "host name");
    CheckNoLineBreak(FUserId, "user name");
    CheckNoLineBreak(FPassword, "password");
    TIdMessageClient::Connect();
    try {
        BeginCommand();  // the greeting has the deadline of a command
        ReadReply();
        CheckReply(FReplyCode, {kOk});
        if (FSecurity == TIdSecurity::StartTls) UpgradeToTls();
        SendCommand("USER " + FUserId, kOk);
        SendCommand("PASS " + FPassword, kOk);
    } catch (...) {
        // The first failure is the one to report: after a time-out the socket is closed
        // already, and the failing "Quit" would only say so.
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}

void TIdPOP3::UpgradeToTls() {
    // CAPA first: a server that lists its capabilities without STLS is not asked at all. One
    // that does not know CAPA may still know STLS.
    bool offered = true;
    if (SendCommand("CAPA") == kOk) {
        TStringList lines;
        CaptureLines(lines, ".", true);
        offered = false;
        for (int i = 0; i < lines.Count(); ++i)
            if (text::SameTextAscii(text::Trim(lines[i]), "STLS")) offered = true;
    }
    if (!offered || SendCommand("STLS") != kOk) {
        const std::string answer = offered ? LastReplyLine() : std::string();
        DisconnectSocket();
        throw EIdTlsError(answer.empty() ? idtext::RSTlsNoStls : std::string(idtext::RSTlsNoStls) + " (" + answer + ")",
                          std::string());
    }
    StartTls(FHost, FFingerprint);
    // What the server said before the upgrade was not protected: learnt again if needed.
    FPipelining.erase(CapabilityKey());
}

std::string TIdPOP3::CapabilityKey() const {
    return text::AsciiLower(FHost) + ":" + text::IntToStr(FPort) + ":" + FUserId + ":" +
           text::IntToStr(static_cast<int>(FSecurity));
}

int TIdPOP3::CountMessages() {
    SendCommand("STAT", kOk);
    return StatReplyCount(LastReplyLine());
}

bool TIdPOP3::ReadHeaderReply(TIdMessage& message) {
    if (CaptureLines(message.RawHeaders(), std::string(), true)) return true;
    std::string line;
    do {
        line = ReadLine();
    } while (line.empty() && !ReadLineTimedOut());
    if (line == ".") return true;
    // Lines the server sent beyond the header belong to this reply: skip them, so that
    // the next command reads its own reply. The command's bounds end an endless stream.
    while (line != "." && !ReadLineTimedOut()) line = ReadLine();
    return false;
}

bool TIdPOP3::FetchHeader(int messageNumber, TIdMessage& message) {
    bool ended = false;
    try {
        SendCommand("TOP " + text::IntToStr(messageNumber) + " 0", kOk);
    } catch (const std::exception&) {
        return false;
    }
    try {
        ended = ReadHeaderReply(message);
    } catch (const std::exception&) {
        ended = false;
    }
    // The fields are filled only after the reply was read to its end (or failed): a field
    // that raises must not leave the rest of the reply to be taken for the next one.
    try {
        message.ProcessHeaders();
    } catch (const std::exception&) {
        return false;
    }
    return ended;
}

int TIdPOP3::FetchMessageSize(int messageNumber) {
    try {
        SendCommand("LIST " + text::IntToStr(messageNumber), kOk);
        return ListReplySize(LastReplyLine());
    } catch (const std::exception&) {
        return -1;
    }
}

bool TIdPOP3::ServerPipelines() {
    const std::string key = CapabilityKey();
    const auto known = FPipelining.find(key);
    if (known != FPipelining.end()) return known->second;
    bool pipelining = false;
    try {
        if (SendCommand("CAPA") == kOk) {
            TStringList lines;
            CaptureLines(lines, ".", true);
            for (int i = 0; i < lines.Count(); ++i) {
                const std::string line = text::Trim(lines[i]);
                if (text::SameTextAscii(line.substr(0, line.find(' ')), "PIPELINING")) pipelining = true;
            }
        }
    } catch (const std::exception&) {
        return false;  // no answer: asked again next time
    }
    FPipelining[key] = pipelining;
    return pipelining;
}

void TIdPOP3::AnnounceHeaderAndSizeRange(int first, int last) {
    if (first > last || first < 1 || !Connected() || !ServerPipelines()) return;
    std::vector<TIdAnnouncedCommand> commands;
    commands.reserve(static_cast<std::size_t>(last - first + 1) * 2);
    for (int i = first; i <= last; ++i) {
        commands.push_back({"TOP " + text::IntToStr(i) + " 0", true});
        commands.push_back({"LIST " + text::IntToStr(i), false});
    }
    try {
        AnnounceCommands(std::move(commands));
    } catch (const std::exception&) {
        // Only replies still due can fail here; the calls then find the connection closed.
    }
}

void TIdPOP3::Disconnect() {
    try {
        WriteLine("Quit");
    } catch (...) {
        DisconnectSocket();
        throw;
    }
    DisconnectSocket();
}
