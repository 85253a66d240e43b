#include "mail/IdTCPConnection.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "core/Text.h"
#include "platform/Tls.h"

SKIMBAR_CLASS_INFO(TIdComponent, TIdBaseComponent)
SKIMBAR_CLASS_INFO(TIdTCPConnection, TIdComponent,
                   props::Integer<TIdTCPConnection>("RecvBufferSize", &TIdTCPConnection::RecvBufferSize,
                                                    &TIdTCPConnection::SetRecvBufferSize),
                   props::Integer<TIdTCPConnection>("SendBufferSize", &TIdTCPConnection::SendBufferSize,
                                                    &TIdTCPConnection::SetSendBufferSize))
SKIMBAR_CLASS_INFO(TIdTCPClient, TIdTCPConnection,
                   props::Text<TIdTCPClient>("BoundIP", &TIdTCPClient::BoundIP, &TIdTCPClient::SetBoundIP),
                   props::Text<TIdTCPClient>("Host", &TIdTCPClient::Host, &TIdTCPClient::SetHost),
                   props::Integer<TIdTCPClient>("Port", &TIdTCPClient::Port, &TIdTCPClient::SetPort),
                   props::Boolean<TIdTCPClient>("UseNagle", &TIdTCPClient::UseNagle, &TIdTCPClient::SetUseNagle))

namespace net = platform::net;

// ---- error texts

namespace {

const char* SocketErrorText(int code) {
    switch (code) {
    case 10004: return "Interrupted system call.";
    case 10009: return "Bad file number.";
    case 10013: return "Access denied.";
    case 10014: return "Bad address.";
    case 10022: return "Invalid argument.";
    case 10024: return "Too many open files.";
    case 10035: return "Operation would block. ";
    case 10036: return "Operation now in progress.";
    case 10037: return "Operation already in progress.";
    case 10038: return "Socket operation on non-socket.";
    case 10039: return "Destination address required.";
    case 10040: return "Message too long.";
    case 10041: return "Protocol wrong type for socket.";
    case 10042: return "Bad protocol option.";
    case 10043: return "Protocol not supported.";
    case 10044: return "Socket type not supported.";
    case 10045: return "Operation not supported on socket.";
    case 10046: return "Protocol family not supported.";
    case 10047: return "Address family not supported by protocol family.";
    case 10048: return "Address already in use.";
    case 10049: return "Cannot assign requested address.";
    case 10050: return "Network is down.";
    case 10051: return "Network is unreachable.";
    case 10052: return "Net dropped connection or reset.";
    case 10053: return "Software caused connection abort.";
    case 10054: return "Connection reset by peer.";
    case 10055: return "No buffer space available.";
    case 10056: return "Socket is already connected.";
    case 10057: return "Socket is not connected.";
    case 10058: return "Cannot send or receive after socket is closed.";
    case 10059: return "Too many references, cannot splice.";
    case 10060: return "Connection timed out.";
    case 10061: return "Connection refused.";
    case 10062: return "Too many levels of symbolic links.";
    case 10063: return "File name too long.";
    case 10064: return "Host is down.";
    case 10065: return "No route to host.";
    case 10066: return "Directory not empty";
    default: return "";
    }
}

}  // namespace

std::string SocketErrorMessage(int code) {
    return "Socket Error # " + text::IntToStr(code) + "\r\n" + SocketErrorText(code);
}

void CheckNoLineBreak(const std::string& value, const char* what) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw EIdException(std::string("The ") + what + " must not contain a line break or NUL character.");
}

// ---- stack

namespace {
std::mutex gStackLock;
int gComponents = 0;
TIdStack* gStack = nullptr;
}  // namespace

TIdStack* GStack() { return gStack; }

void TIdStack::RaiseLastError() { throw EIdSocketError(net::LastError()); }

bool TIdStack::IsIPAddress(const std::string& text) {
    // Plain decimal parts only, so that the address connected to is the one written.
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        std::size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos) return false;
        const std::size_t len = end - start;
        if (len == 0 || len > 3) return false;
        int value = 0;
        for (std::size_t i = start; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        if (value > 255) return false;
        start = end + 1;
    }
    return true;
}

std::uint32_t TIdStack::AddressOf(const std::string& ip) {
    std::uint32_t address = 0;
    int value = 0;
    for (char c : ip) {
        if (c == '.') {
            address = (address << 8) | static_cast<std::uint32_t>(value);
            value = 0;
        } else {
            value = value * 10 + (c - '0');
        }
    }
    return (address << 8) | static_cast<std::uint32_t>(value);
}

std::string TIdStack::AddressText(std::uint32_t a) {
    return text::IntToStr(a >> 24) + "." + text::IntToStr((a >> 16) & 0xFF) + "." +
           text::IntToStr((a >> 8) & 0xFF) + "." + text::IntToStr(a & 0xFF);
}

std::string TIdStack::ResolveHost(const std::string& host, int timeoutMs) {
    if (text::SameTextAscii(host, "LOCALHOST")) return "127.0.0.1";
    if (IsIPAddress(host)) return host;
    std::uint32_t address = 0;
    if (!net::ResolveName(host, address, timeoutMs)) RaiseLastError();
    return AddressText(address);
}

TIdStackWinsock::TIdStackWinsock() {
    FName = "Winsock stack";
    switch (net::StartStack()) {
    case net::StackStart::Ok: break;
    case net::StackStart::CannotLoad:
        throw EIdStackCanNotLoadWinsock(rtl::Format(idtext::RSWinsockCanNotLoad, {idtext::RSWinsockLibrary}));
    case net::StackStart::InitFailed: throw EIdStackInitializationFailed(idtext::RSWinsockInitializationError);
    }
}

TIdStackWinsock::~TIdStackWinsock() { net::StopStack(); }

TIdComponent::TIdComponent(TComponent* owner) : TIdBaseComponent(owner) {
    std::lock_guard<std::mutex> guard(gStackLock);
    if (gComponents == 0) gStack = new TIdStackWinsock();
    ++gComponents;
}

TIdComponent::~TIdComponent() {
    std::lock_guard<std::mutex> guard(gStackLock);
    if (--gComponents == 0) {
        delete gStack;
        gStack = nullptr;
    }
}

// ---- socket handle

TIdSocketHandle::~TIdSocketHandle() {
    if (FHandle != net::InvalidSocket) net::Close(FHandle);
}

void TIdSocketHandle::AllocateSocket() {
    if (FHandle != net::InvalidSocket) CloseSocket();
    const net::Socket s = net::OpenTcp();
    if (s == net::InvalidSocket) throw EIdInvalidSocket(idtext::RSCannotAllocateSocket);
    std::lock_guard<std::mutex> guard(FCancelLock);
    if (FCancelled) {
        net::Close(s);
        throw EIdSocketError(net::ErrInterrupted);
    }
    FHandle = s;
    FHandleAllocated = true;
}

void TIdSocketHandle::Cancel() {
    std::lock_guard<std::mutex> guard(FCancelLock);
    FCancelled = true;
    if (FHandle != net::InvalidSocket) net::Shutdown(FHandle, 2);
}

void TIdSocketHandle::Bind() {
    const std::uint32_t address = IP.empty() ? 0 : TIdStack::AddressOf(GStack()->ResolveHost(IP));
    if (net::Bind(FHandle, address, Port) != 0) {
        const int code = net::LastError();
        if (code == net::ErrAddressInUse) throw EIdCouldNotBindSocket(idtext::RSCouldNotBindSocket);
        throw EIdSocketError(code);
    }
    UpdateBindingLocal();
}

void TIdSocketHandle::Connect(int timeoutMs) {
    if (FCancelled) throw EIdSocketError(net::ErrInterrupted);  // cancelled during the name lookup
    if (net::Connect(FHandle, TIdStack::AddressOf(PeerIP), PeerPort, timeoutMs) != 0) TIdStack::RaiseLastError();
    UpdateBindingLocal();
    UpdateBindingPeer();
}

void TIdSocketHandle::CloseSocket() {
    std::lock_guard<std::mutex> guard(FCancelLock);
    if (FHandle == net::InvalidSocket) return;
    net::Shutdown(FHandle, 1);
    net::Close(FHandle);
    FHandle = net::InvalidSocket;
    FHandleAllocated = false;
}

void TIdSocketHandle::Reset(bool resetLocal) {
    std::lock_guard<std::mutex> guard(FCancelLock);
    if (FHandle != net::InvalidSocket) net::Close(FHandle);
    FHandle = net::InvalidSocket;
    FHandleAllocated = false;
    PeerIP.clear();
    PeerPort = 0;
    if (resetLocal) {
        IP.clear();
        Port = 0;
    }
}

void TIdSocketHandle::UpdateBindingLocal() {
    std::uint32_t a = 0;
    int p = 0;
    if (!net::LocalAddress(FHandle, a, p)) TIdStack::RaiseLastError();
    IP = TIdStack::AddressText(a);
    Port = p;
}

void TIdSocketHandle::UpdateBindingPeer() {
    std::uint32_t a = 0;
    int p = 0;
    if (!net::PeerAddress(FHandle, a, p)) TIdStack::RaiseLastError();
    PeerIP = TIdStack::AddressText(a);
    PeerPort = p;
}

// ---- buffer

std::size_t TIdBuffer::Find(std::string_view needle, std::size_t from) const {
    const std::size_t p = View().find(needle, from);
    return p;
}

std::string TIdBuffer::Extract(std::size_t count) {
    count = std::min(count, Size());
    std::string out = FData.substr(FStart, count);
    Remove(count);
    return out;
}

void TIdBuffer::Remove(std::size_t count) {
    FStart += std::min(count, Size());
    if (FStart == FData.size()) {
        Clear();
    } else if (FStart > 65536 && FStart > FData.size() / 2) {
        // Move the rest down now and then, not on every line.
        FData.erase(0, FStart);
        FStart = 0;
    }
}

// ---- connection

namespace {
std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

TIdTCPConnection::TIdTCPConnection(TComponent* owner) : TIdComponent(owner) {
    FRecvBuffer.resize(static_cast<std::size_t>(FRecvBufferSize));
}

TIdTCPConnection::~TIdTCPConnection() {
    if (FBinding.HandleAllocated()) DisconnectSocket();
    EndTls();
}

void TIdTCPConnection::SetRecvBufferSize(int value) {
    FRecvBufferSize = value > 0 ? value : 1;
    FRecvBuffer.resize(static_cast<std::size_t>(FRecvBufferSize));
}

void TIdTCPConnection::ResetConnection() {
    FBinding.Reset(true);
    FInputBuffer.Clear();
    FClosedGracefully = false;
    FCommandRunning = false;
    FCommandDeadline = 0;
    FCommandCost = 0;
    ClearAnnounced();
    FCommandsSentAhead = 0;
    EndTls();
    FPeerFingerprint.clear();
}

void TIdTCPConnection::ClearAnnounced() {
    FAnnounced.clear();
    FInFlight.clear();
}

void TIdTCPConnection::AnnounceCommands(std::vector<TIdAnnouncedCommand> commands) {
    CancelAnnounced();
    for (TIdAnnouncedCommand& c : commands) FAnnounced.push_back(std::move(c));
}

void TIdTCPConnection::CancelAnnounced() {
    FAnnounced.clear();
    try {
        while (!FInFlight.empty()) {
            const TIdAnnouncedCommand c = std::move(FInFlight.front());
            FInFlight.pop_front();
            BeginCommand();
            ReadReply();
            if (FReplyCode == 1 && c.MultiLine) {
                std::string line;
                do {
                    line = ReadLine();
                } while (line != "." && !ReadLineTimedOut());
                if (ReadLineTimedOut()) RaiseClosed();
            }
        }
    } catch (...) {
        // The replies are out of step now: nothing more is read on this connection.
        ClearAnnounced();
        DisconnectSocket();
        throw;
    }
}

bool TIdTCPConnection::TakeAnnounced(const std::string& command) {
    const std::deque<TIdAnnouncedCommand>& from = FInFlight.empty() ? FAnnounced : FInFlight;
    if (from.empty() || from.front().Command != command) {
        CancelAnnounced();
        return false;
    }
    // Refill the window in batches, so that a reply costs no write of its own.
    constexpr std::size_t refillStep = IdLimits::PipelineWindow / 8;
    if (FInFlight.empty() || FInFlight.size() + refillStep <= IdLimits::PipelineWindow) {
        std::string batch;
        const std::size_t before = FInFlight.size();
        while (FInFlight.size() < IdLimits::PipelineWindow && !FAnnounced.empty()) {
            batch += FAnnounced.front().Command;
            batch += "\r\n";
            FInFlight.push_back(std::move(FAnnounced.front()));
            FAnnounced.pop_front();
        }
        try {
            WriteBytes(batch);
        } catch (...) {
            ClearAnnounced();
            throw;
        }
        FCommandsSentAhead += static_cast<int>(FInFlight.size() - before);
    }
    FInFlight.pop_front();
    return true;
}

void TIdTCPConnection::RaiseClosed() { throw EIdConnClosedGracefully(idtext::RSConnectionClosedGracefully); }

void TIdTCPConnection::BeginCommand() {
    FCommandRunning = true;
    FCommandCost = 0;
    FCommandDeadline = CommandTimeout >= 0 ? NowMs() + CommandTimeout : 0;
}

int TIdTCPConnection::CommandTimeLeft() const {
    if (!FCommandRunning || FCommandDeadline == 0) return -1;
    const std::int64_t left = FCommandDeadline - NowMs();
    return left <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>(left, 0x7FFFFFFF));
}

void TIdTCPConnection::RaiseTimedOut() {
    // A late reply would be taken for the answer to the next command: close.
    DisconnectSocket();
    throw EIdSocketError(net::ErrTimedOut);
}

void TIdTCPConnection::ChargeLine(std::size_t bytes) {
    if (!FCommandRunning) return;
    FCommandCost += bytes + IdLimits::LineOverhead;
    if (FCommandCost > IdLimits::MaxCaptureSize) {
        DisconnectSocket();
        throw EIdException(idtext::RSReplyTooLong);
    }
}

bool TIdTCPConnection::Connected() {
    CheckForDisconnect(false, false);
    return FBinding.HandleAllocated();
}

void TIdTCPConnection::Disconnect() { DisconnectSocket(); }

void TIdTCPConnection::DisconnectSocket() {
    ClearAnnounced();
    if (!FBinding.HandleAllocated()) {
        EndTls();
        return;
    }
    if (FTls && !FClosedGracefully) {
        // The close_notify, as a courtesy: a few bytes, and no error of it is of interest.
        std::string alert;
        FTls->Close(alert);
        if (!alert.empty()) net::Send(FBinding.Handle(), alert.data(), static_cast<int>(alert.size()));
    }
    EndTls();
    FBinding.ClearAllocated();
    FBinding.CloseSocket();
    FBinding.Reset(true);
    FClosedGracefully = true;
}

void TIdTCPConnection::CheckForDisconnect(bool raiseExceptionIfDisconnected, bool ignoreBuffer) {
    if (!FClosedGracefully && FBinding.HandleAllocated()) return;
    if (FBinding.HandleAllocated()) DisconnectSocket();
    if ((FInputBuffer.Empty() || ignoreBuffer) && raiseExceptionIfDisconnected) RaiseClosed();
}

int TIdTCPConnection::ReadFromSocket(bool raiseExceptionIfDisconnected, int timeout) {
    return ReadFromSocket(raiseExceptionIfDisconnected, timeout, FRecvBuffer.size());
}

int TIdTCPConnection::ReceiveRaw(int timeout, std::size_t maxBytes) {
    const bool limited = timeout >= 0;
    int wait = limited ? timeout : ReadTimeout;
    // The command's deadline cuts every wait short, however often bytes trickle in.
    const int left = CommandTimeLeft();
    if (left == 0) RaiseTimedOut();
    bool deadlineFirst = false;
    if (left > 0 && (wait < 0 || left <= wait)) {
        wait = left;
        deadlineFirst = true;
    }
    const int ready = net::WaitReadable(FBinding.Handle(), wait);
    if (ready < 0) TIdStack::RaiseLastError();
    if (ready == 0) {
        if (limited && !deadlineFirst) return -1;
        RaiseTimedOut();
    }
    const int ask = static_cast<int>(std::min<std::size_t>(FRecvBuffer.size(), std::max<std::size_t>(maxBytes, 1)));
    int count = net::Recv(FBinding.Handle(), FRecvBuffer.data(), ask);
    FClosedGracefully = count == 0;
    if (count < 0) {
        const int code = net::LastError();
        if (code != net::ErrShutdown) throw EIdSocketError(code);
        count = 0;
        if (FBinding.HandleAllocated()) DisconnectSocket();
        if (FInputBuffer.Empty()) throw EIdSocketError(code);
    }
    return count;
}

int TIdTCPConnection::ReadFromSocket(bool raiseExceptionIfDisconnected, int timeout, std::size_t maxBytes) {
    CheckForDisconnect(raiseExceptionIfDisconnected, false);
    if (!Connected()) return 0;
    if (!FBinding.HandleAllocated()) RaiseClosed();
    const std::int64_t started = NowMs();
    for (;;) {
        // An explicit time-out counts from the call, also across records that come in parts.
        int wait = timeout;
        if (timeout >= 0) wait = static_cast<int>(std::max<std::int64_t>(0, timeout - (NowMs() - started)));
        int count = ReceiveRaw(wait, maxBytes);
        if (count < 0) return 0;
        if (count > 0 && FTls) {
            FTlsIn.append(FRecvBuffer.data(), static_cast<std::size_t>(count));
            std::string plain;
            const platform::tls::Status status = FTls->Decrypt(FTlsIn, plain);
            if (status == platform::tls::Status::Failed || FTlsIn.size() > IdLimits::MaxTlsPending) {
                const std::string reason = FTls->Error();
                DisconnectSocket();
                throw EIdTlsError(reason.empty() ? std::string("TLS error") : reason, FPeerFingerprint);
            }
            if (status == platform::tls::Status::Closed) FClosedGracefully = true;
            // A record that is not complete yet gives no text: wait for the rest.
            if (plain.empty() && !FClosedGracefully) continue;
            FInputBuffer.Append(plain);
            count = static_cast<int>(std::min<std::size_t>(plain.size(), 0x7FFFFFFF));
        } else if (count > 0) {
            FInputBuffer.Append(FRecvBuffer.data(), static_cast<std::size_t>(count));
        }
        CheckForDisconnect(raiseExceptionIfDisconnected, false);
        return count;
    }
}

std::string TIdTCPConnection::ReadLine(const std::string& terminator, int timeout) {
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    FReadLineTimedOut = false;
    std::size_t searchFrom = 0;
    std::size_t found = std::string::npos;
    for (;;) {
        if (!FInputBuffer.Empty()) {
            found = FInputBuffer.Find(term, searchFrom);
            if (found != std::string::npos) break;
            // Only the new bytes need searching next time.
            searchFrom = FInputBuffer.Size() >= term.size() ? FInputBuffer.Size() - term.size() + 1 : 0;
        }
        if (FInputBuffer.Size() >= IdLimits::MaxLineLength) {
            DisconnectSocket();
            throw EIdException(idtext::RSLineTooLong);
        }
        CheckForDisconnect(true, true);
        if (ReadFromSocket(true, timeout, IdLimits::MaxLineLength - FInputBuffer.Size()) == 0) {
            FReadLineTimedOut = true;
            return std::string();
        }
    }
    ChargeLine(found + term.size());
    std::string line = FInputBuffer.Extract(found);
    FInputBuffer.Remove(term.size());
    if (terminator.empty() && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string TIdTCPConnection::ReadLineSkippingBlanks() {
    // Empty lines arrive without any wait, so they are counted here as well: also outside
    // a command they cannot keep the reader busy for good.
    const std::size_t maxBlanks = IdLimits::MaxCaptureSize / (IdLimits::LineOverhead + 2);
    for (std::size_t blanks = 0;; ++blanks) {
        std::string line = text::Trim(ReadLine(std::string(), IdTimeoutInfinite));
        if (!line.empty()) return line;
        if (blanks >= maxBlanks) {
            DisconnectSocket();
            throw EIdException(idtext::RSBlankLinesFlood);
        }
    }
}

void TIdTCPConnection::WriteLine(const std::string& line) { WriteBytes(line + "\r\n"); }

void TIdTCPConnection::WriteBytes(std::string_view bytes) {
    if (bytes.empty()) return;
    CheckForDisconnect(true, true);
    if (!FTls) {
        SendRaw(bytes);
        return;
    }
    std::string records;
    if (!FTls->Encrypt(bytes, records)) {
        const std::string reason = FTls->Error();
        DisconnectSocket();
        throw EIdTlsError(reason, FPeerFingerprint);
    }
    SendRaw(records);
}

void TIdTCPConnection::SendRaw(std::string_view bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = net::Send(FBinding.Handle(), bytes.data() + sent, static_cast<int>(bytes.size() - sent));
        FClosedGracefully = n == 0;
        CheckForDisconnect(true, false);
        if (n < 0) {
            const int code = net::LastError();
            if (code == net::ErrShutdown) DisconnectSocket();
            throw EIdSocketError(code);
        }
        sent += static_cast<std::size_t>(n);
    }
}

void TIdTCPConnection::EndTls() {
    FTls.reset();
    FTlsIn.clear();
}

std::string TIdTCPConnection::TlsProtocol() const { return FTls ? FTls->Protocol() : std::string(); }

void TIdTCPConnection::StartTls(const std::string& serverName, const std::string& pinnedFingerprint) {
    namespace tls = platform::tls;
    std::string pin;
    if (!pinnedFingerprint.empty()) {
        pin = tls::NormalizeFingerprint(pinnedFingerprint);
        if (pin.empty()) {
            DisconnectSocket();
            throw EIdTlsError(idtext::RSTlsBadPin, std::string());
        }
    }
    CheckForDisconnect(true, true);
    // Whatever the server sent before the handshake is not protected: dropped.
    FInputBuffer.Clear();
    EndTls();
    FPeerFingerprint.clear();
    std::string error;
    std::unique_ptr<tls::Engine> engine = tls::NewClient(serverName, error);
    if (!engine) {
        DisconnectSocket();
        throw EIdTlsError(error, std::string());
    }
    auto refuse = [&](const std::string& reason) {
        DisconnectSocket();
        throw EIdTlsError(reason, FPeerFingerprint);
    };
    // The handshake is one command: it ends within CommandTimeout, however the server
    // trickles its bytes.
    BeginCommand();
    std::string in;
    std::size_t received = 0;
    for (;;) {
        std::string out;
        const tls::Status status = engine->Handshake(in, out);
        const std::string certificate = engine->PeerCertificate();
        if (!certificate.empty()) FPeerFingerprint = tls::FingerprintText(tls::Sha256(certificate));
        if (status == tls::Status::Failed) refuse(engine->Error());
        if (!out.empty()) {
            try {
                SendRaw(out);
            } catch (const EIdSocketError&) {
                refuse(idtext::RSTlsClosed);
            } catch (const EIdConnClosedGracefully&) {
                refuse(idtext::RSTlsClosed);
            }
        }
        if (status == tls::Status::Done) break;
        if (status == tls::Status::Closed) refuse(idtext::RSTlsClosed);
        int count = 0;
        try {
            count = ReceiveRaw(IdTimeoutDefault, FRecvBuffer.size());
        } catch (const EIdSocketError& e) {
            if (e.LastError() == net::ErrTimedOut) refuse(idtext::RSTlsTimedOut);
            refuse(idtext::RSTlsClosed);
        }
        if (count <= 0) refuse(idtext::RSTlsClosed);
        received += static_cast<std::size_t>(count);
        if (received > IdLimits::MaxHandshakeSize) refuse(idtext::RSTlsTooLarge);
        in.append(FRecvBuffer.data(), static_cast<std::size_t>(count));
    }
    const std::string certificate = engine->PeerCertificate();
    if (certificate.empty()) refuse(tls::RefusedNoCertificate);
    FPeerFingerprint = tls::FingerprintText(tls::Sha256(certificate));
    if (!pin.empty()) {
        if (tls::NormalizeFingerprint(FPeerFingerprint) != pin) refuse(tls::RefusedPin);
    } else {
        const std::string reason = engine->VerifyChain();
        if (!reason.empty()) refuse(reason);
    }
    FTls = std::move(engine);
    FTlsIn = std::move(in);
    FCommandRunning = false;
    // Records that came with the end of the handshake.
    if (!FTlsIn.empty()) {
        std::string plain;
        const tls::Status status = FTls->Decrypt(FTlsIn, plain);
        if (status == tls::Status::Failed) refuse(FTls->Error());
        if (status == tls::Status::Closed) FClosedGracefully = true;
        FInputBuffer.Append(plain);
    }
}

std::int16_t TIdTCPConnection::ReadReply() {
    FReplyLines.Clear();
    std::string line = ReadLineSkippingBlanks();
    FReplyLines.Add(line);
    if (line.size() > 3 && line[3] == '-') {
        const std::string closing = line.substr(0, 3) + " ";
        std::size_t total = line.size();
        for (;;) {
            std::string next = ReadLineSkippingBlanks();
            total += next.size() + 2;
            if (total > IdLimits::MaxCaptureSize) {
                DisconnectSocket();
                throw EIdException(idtext::RSReplyTooLong);
            }
            const bool last = next.size() < 4 || text::SameTextAscii(next.substr(0, 4), closing);
            FReplyLines.Add(std::move(next));
            if (last) break;
        }
    }
    const std::string reply = LastReplyLine();
    std::int16_t code;
    if (text::SameTextAscii(reply.substr(0, 3), "+OK")) code = 1;
    else if (text::SameTextAscii(reply.substr(0, 4), "-ERR")) code = 0;
    else code = static_cast<std::int16_t>(text::StrToIntDef(reply.substr(0, 3), 0));
    FReplyCode = code;
    return code;
}

std::int16_t TIdTCPConnection::CheckReply(std::int16_t code, std::initializer_list<std::int16_t> allowed) {
    if (allowed.size() == 0) return code;
    if (std::find(allowed.begin(), allowed.end(), code) != allowed.end()) return code;
    throw EIdProtocolReplyError(code, LastReplyLine());
}

std::int16_t TIdTCPConnection::SendCommand(const std::string& command, std::int16_t allowedCode) {
    const bool sentAhead = AnnouncedPending() > 0 && TakeAnnounced(command);
    BeginCommand();
    if (!sentAhead && command != std::string(1, '\0')) WriteLine(command);
    ReadReply();
    if (allowedCode == -1) return CheckReply(FReplyCode, {});
    return CheckReply(FReplyCode, {allowedCode});
}

std::string TIdTCPConnection::LastReplyLine() const {
    return FReplyLines.Count() == 0 ? std::string() : FReplyLines[FReplyLines.Count() - 1];
}

bool TIdTCPConnection::CaptureLines(TStrings& dest, const std::string& delimiter, bool dotUnstuff) {
    std::size_t total = 0;
    for (;;) {
        std::string line = ReadLine(std::string(), IdTimeoutInfinite);
        if (line == delimiter) return delimiter == ".";
        // The end of a multi-line reply also ends a block that lacks its delimiter.
        if (dotUnstuff && line == ".") return true;
        if (dotUnstuff && line.size() >= 2 && line[0] == '.' && line[1] == '.') line.erase(0, 1);
        // Within a command ReadLine has counted the line already; outside one, count here.
        total += line.size() + 2 + IdLimits::LineOverhead;
        if (!FCommandRunning && total > IdLimits::MaxCaptureSize) {
            DisconnectSocket();
            throw EIdException(idtext::RSReplyTooLong);
        }
        dest.Add(std::move(line));
    }
}

// ---- client

TIdTCPClient::TIdTCPClient(TComponent* owner) : TIdTCPConnection(owner) {}

void TIdTCPClient::Connect() {
    if (FBinding.HandleAllocated()) throw EIdAlreadyConnected(idtext::RSAlreadyConnected);
    CheckNoLineBreak(FHost, "host name");
    ResetConnection();
    FBinding.AllocateSocket();
    try {
        FBinding.IP = FBoundIP;
        FBinding.Port = 0;
        FBinding.Bind();
        FBinding.PeerIP = GStack()->ResolveHost(FHost, ResolveTimeout);
        FBinding.PeerPort = FPort;
        if (!FUseNagle && net::SetNoDelay(FBinding.Handle(), true) != 0) TIdStack::RaiseLastError();
        FBinding.Connect(ConnectTimeout);
        if (FSecurity == TIdSecurity::Tls) StartTls(FHost, FFingerprint);
    } catch (...) {
        // The socket goes first, so that nothing is written to a half-open connection.
        DisconnectSocket();
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
}
