#pragma once
// Blocking, line-oriented TCP client: connect, lines cut from an input buffer, command
// lines with their replies, blocks of lines up to a delimiter, and the socket stack.
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Strings.h"
#include "mail/IdGlobal.h"
#include "platform/Socket.h"

namespace platform::tls {
class Engine;
}

// Every limit of the network layer, in one place. A silent server or a flood of bytes ends
// in an exception instead of a frozen program or an exhausted memory.
namespace IdLimits {
inline constexpr int ResolveTimeoutMs = 30000;  // name lookup
inline constexpr int ConnectTimeoutMs = 30000;  // connect
inline constexpr int ReadTimeoutMs = 60000;     // each wait for data
// One command, from sending it to the end of its reply: a server that trickles a byte now
// and then never lets a single wait run out.
inline constexpr int CommandTimeoutMs = 60000;
inline constexpr std::size_t MaxLineLength = 1u << 20;  // bytes buffered without a line end
// Memory one reply may take. Every line read counts with its bytes and its terminator plus
// LineOverhead, what a kept line costs beside its text (a list entry with its allocation),
// so that a flood of tiny or empty lines ends as early as one of long lines.
inline constexpr std::size_t MaxCaptureSize = 16u << 20;
inline constexpr std::size_t LineOverhead = sizeof(std::string) + 16;
// Commands sent ahead of their replies at most. A few hundred bytes of commands always fit
// the socket buffers, so sending never blocks while replies pile up unread.
inline constexpr std::size_t PipelineWindow = 128;
// Bytes of a TLS handshake from the server, certificates included, and raw bytes waiting
// for the rest of their record.
inline constexpr std::size_t MaxHandshakeSize = 256u << 10;
inline constexpr std::size_t MaxTlsPending = 64u << 10;
}  // namespace IdLimits

// Time-out arguments: milliseconds, or one of these.
inline constexpr int IdTimeoutDefault = -1;
inline constexpr int IdTimeoutInfinite = -2;

namespace idtext {
inline constexpr const char* RSConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* RSAlreadyConnected = "Already connected.";
inline constexpr const char* RSCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* RSCouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* RSWinsockInitializationError = "Winsock Initialization Error.";
inline constexpr const char* RSWinsockCanNotLoad = "%s could not be loaded.";
inline constexpr const char* RSWinsockLibrary = "wsock32.dll";
inline constexpr const char* RSNotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* RSObjectTypeNotSupported = "Object type not supported.";
inline constexpr const char* RSLineTooLong = "Line longer than 1048576 bytes received; connection closed.";
inline constexpr const char* RSReplyTooLong = "Reply longer than 16777216 bytes received; connection closed.";
inline constexpr const char* RSBlankLinesFlood = "Too many empty lines received; connection closed.";
}  // namespace idtext

SKIMBAR_EXCEPTION(EIdSilentException, EIdException);
SKIMBAR_EXCEPTION(EIdConnClosedGracefully, EIdSilentException);
SKIMBAR_EXCEPTION(EIdAlreadyConnected, EIdException);
SKIMBAR_EXCEPTION(EIdInvalidSocket, EIdException);
SKIMBAR_EXCEPTION(EIdSocketHandleError, EIdException);
SKIMBAR_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError);
SKIMBAR_EXCEPTION(EIdStackError, EIdException);
SKIMBAR_EXCEPTION(EIdStackInitializationFailed, EIdStackError);
SKIMBAR_EXCEPTION(EIdStackCanNotLoadWinsock, EIdException);
SKIMBAR_EXCEPTION(EIdTCPConnectionError, EIdException);
SKIMBAR_EXCEPTION(EIdNotEnoughDataInBuffer, EIdTCPConnectionError);
SKIMBAR_EXCEPTION(EIdObjectTypeNotSupported, EIdTCPConnectionError);

// "Socket Error # %d\r\n%s" with the code and its text.
std::string SocketErrorMessage(int code);

class EIdSocketError : public EIdException {
public:
    explicit EIdSocketError(int code) : EIdException(SocketErrorMessage(code)), FLastError(code) {}
    EIdSocketError(int code, std::string message) : EIdException(std::move(message)), FLastError(code) {}
    const char* ClassName() const override { return "EIdSocketError"; }
    int LastError() const { return FLastError; }

private:
    int FLastError;
};

class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int code, std::string message) : EIdException(std::move(message)), FReplyErrorCode(code) {}
    const char* ClassName() const override { return "EIdProtocolReplyError"; }
    int ReplyErrorCode() const { return FReplyErrorCode; }

private:
    int FReplyErrorCode;
};

// How the connection is protected: TLS from the first byte, TLS after the protocol's own
// upgrade command (STLS), or plain text.
enum class TIdSecurity { Tls, StartTls, None };

// A TLS session that was refused or failed: the reason, and the SHA-256 of the certificate
// the server offered (empty when it offered none), so that a user who trusts it can pin it.
// No credentials have been sent when this is raised.
class EIdTlsError : public EIdException {
public:
    SKIMBAR_RAISE_INLINE EIdTlsError(std::string reason, std::string fingerprint)
        : EIdException(fingerprint.empty() ? reason : reason + "\r\nSHA-256: " + fingerprint),
          FReason(std::move(reason)),
          FFingerprint(std::move(fingerprint)) {}
    const char* ClassName() const override { return "EIdTlsError"; }
    const std::string& Reason() const { return FReason; }
    // "AB:CD:..." (95 characters), or empty.
    const std::string& Fingerprint() const { return FFingerprint; }

private:
    std::string FReason;
    std::string FFingerprint;
};

namespace idtext {
inline constexpr const char* RSTlsNoStls = "The server does not offer STLS; the password was not sent.";
inline constexpr const char* RSTlsClosed = "The server closed the connection during the TLS handshake.";
inline constexpr const char* RSTlsTimedOut = "The server did not complete the TLS handshake in time.";
inline constexpr const char* RSTlsTooLarge = "The server's TLS handshake is too large.";
inline constexpr const char* RSTlsBadPin = "The pinned certificate fingerprint is not 64 hexadecimal digits.";
}  // namespace idtext

// The process-wide socket stack: exists while at least one network component lives.
class TIdStack {
public:
    virtual ~TIdStack() = default;
    const std::string& Name() const { return FName; }
    // "LOCALHOST" -> "127.0.0.1"; an address stays; any other name is looked up, for
    // timeoutMs at most (< 0: no limit; a lookup that takes longer raises 10060).
    std::string ResolveHost(const std::string& host, int timeoutMs = IdLimits::ResolveTimeoutMs);
    static bool IsIPAddress(const std::string& text);
    // "a.b.c.d" in host order; only for texts that IsIPAddress accepts.
    static std::uint32_t AddressOf(const std::string& ip);
    static std::string AddressText(std::uint32_t address);
    // Raises EIdSocketError with the last error of the socket library.
    [[noreturn]] static void RaiseLastError();

protected:
    std::string FName;
};

class TIdStackWinsock : public TIdStack {
public:
    TIdStackWinsock();  // raises EIdStackCanNotLoadWinsock or EIdStackInitializationFailed
    ~TIdStackWinsock() override;
};

// The stack while any network component exists, else null.
TIdStack* GStack();

class TIdComponent : public TIdBaseComponent {
    SKIMBAR_CLASS(TIdComponent)
public:
    explicit TIdComponent(TComponent* owner);
    ~TIdComponent() override;
};

class TIdSocketHandle {
public:
    ~TIdSocketHandle();
    platform::net::Socket Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandleAllocated; }
    // Closes any old socket and opens a TCP one; raises EIdInvalidSocket.
    void AllocateSocket();
    // Bound to IP (empty: any address) and Port; 10048 raises EIdCouldNotBindSocket.
    void Bind();
    void Connect(int timeoutMs);
    // Shutdown for sending, then close; errors are of no interest at this point.
    void CloseSocket();
    void Reset(bool resetLocal = true);
    void UpdateBindingLocal();
    void UpdateBindingPeer();
    void ClearAllocated() { FHandleAllocated = false; }
    // Any thread: shuts the socket down so that a blocking wait of the connection's thread
    // ends at once, and makes every later allocation fail (10004). For good: a cancelled
    // handle is not used again.
    void Cancel();
    bool Cancelled() const { return FCancelled.load(); }

    std::string IP;   // local
    int Port = 0;
    std::string PeerIP;
    int PeerPort = 0;

private:
    platform::net::Socket FHandle = platform::net::InvalidSocket;
    bool FHandleAllocated = false;
    // Guards FHandle against Cancel from another thread while it is opened or closed.
    std::mutex FCancelLock;
    std::atomic<bool> FCancelled{false};
};

// Bytes received and not yet consumed; cut from the front.
class TIdBuffer {
public:
    std::size_t Size() const { return FData.size() - FStart; }
    bool Empty() const { return Size() == 0; }
    std::string_view View() const { return std::string_view(FData).substr(FStart); }
    void Append(const char* data, std::size_t count) { FData.append(data, count); }
    void Append(std::string_view data) { FData.append(data); }
    // Position of needle from the front, at or after from; npos when absent.
    std::size_t Find(std::string_view needle, std::size_t from = 0) const;
    // The first count bytes, removed.
    std::string Extract(std::size_t count);
    void Remove(std::size_t count);
    void Clear() {
        FData.clear();
        FStart = 0;
    }

private:
    std::string FData;
    std::size_t FStart = 0;
};

class TIdTCPConnection : public TIdComponent {
    SKIMBAR_CLASS(TIdTCPConnection)
public:
    explicit TIdTCPConnection(TComponent* owner);
    ~TIdTCPConnection() override;

    // Closes a socket whose peer has closed, then tells whether a socket is allocated.
    bool Connected();
    virtual void Disconnect();
    void DisconnectSocket();
    void CheckForDisconnect(bool raiseExceptionIfDisconnected = true, bool ignoreBuffer = false);
    // Reads what arrives into InputBuffer; the number of bytes, 0 when nothing came in an
    // explicit time-out. The default and infinite time-outs wait ReadTimeout at most and
    // then close the connection and raise EIdSocketError 10060.
    int ReadFromSocket(bool raiseExceptionIfDisconnected = true, int timeout = IdTimeoutDefault);
    std::string ReadLine(const std::string& terminator = std::string(), int timeout = IdTimeoutDefault);
    std::string ReadLineSkippingBlanks();
    void WriteLine(const std::string& line);
    void WriteBytes(std::string_view bytes);
    // Sends the command (unless it is the one-character text NUL) and reads the reply;
    // allowedCode -1 lets every code pass, any other code raises EIdProtocolReplyError.
    // Starts a new command (BeginCommand) first.
    std::int16_t SendCommand(const std::string& command, std::int16_t allowedCode = -1);
    // Send-ahead: the commands listed follow in this order, each one through SendCommand.
    // SendCommand of the next of them then writes nothing itself: it keeps up to
    // PipelineWindow of the list sent ahead (in one write) and reads its own reply, which
    // is the next to arrive. MultiLine marks the commands whose "+OK" reply runs on up to
    // a "." line. Any other command, or the listed ones out of order, first reads the
    // replies still due (CancelAnnounced), then goes on one command at a time.
    struct TIdAnnouncedCommand {
        std::string Command;
        bool MultiLine = false;
    };
    void AnnounceCommands(std::vector<TIdAnnouncedCommand> commands);
    // Reads and drops the replies of the commands sent ahead, and forgets the rest.
    void CancelAnnounced();
    // Listed commands not yet answered (sent or not).
    std::size_t AnnouncedPending() const { return FAnnounced.size() + FInFlight.size(); }
    // Commands written through the window since the connection was opened.
    int CommandsSentAhead() const { return FCommandsSentAhead; }
    // From here to the next call, reading belongs to one command: it ends CommandTimeout
    // from now (closed, EIdSocketError 10060) and may take MaxCaptureSize of memory
    // (closed, RSReplyTooLong). A reply read without a command only has the per-wait time-out.
    void BeginCommand();
    // True between BeginCommand and the end of the connection.
    bool CommandRunning() const { return FCommandRunning; }
    std::int16_t ReadReply();
    std::int16_t CheckReply(std::int16_t code, std::initializer_list<std::int16_t> allowed);
    std::string LastReplyLine() const;
    // Appends lines to dest until one equals the delimiter. With dot-unstuffing (the
    // multi-line replies of POP3) a line "." ends the block as well: true then.
    bool CaptureLines(TStrings& dest, const std::string& delimiter = ".", bool dotUnstuff = true);

    // Runs the TLS handshake on the open connection and checks the server's certificate:
    // its SHA-256 against pinnedFingerprint when one is given (the chain then does not
    // count), else the chain against the trust store and serverName. Bytes received before
    // the handshake are dropped. Refusals and failures close the connection and raise
    // EIdTlsError; afterwards every read and write goes through TLS.
    void StartTls(const std::string& serverName, const std::string& pinnedFingerprint);
    bool TlsActive() const { return FTls != nullptr; }
    // SHA-256 of the server's certificate in the last handshake ("AB:CD:..."), or empty.
    const std::string& PeerFingerprint() const { return FPeerFingerprint; }
    // The TLS protocol of the open session, empty without one.
    std::string TlsProtocol() const;

    TIdSocketHandle& Binding() { return FBinding; }
    // Any thread: ends what the connection's thread waits for and fails what it does next.
    void Cancel() { FBinding.Cancel(); }
    bool Cancelled() const { return FBinding.Cancelled(); }
    TIdBuffer& InputBuffer() { return FInputBuffer; }
    TStrings& ReplyLines() { return FReplyLines; }
    std::int16_t ReplyCode() const { return FReplyCode; }
    bool ClosedGracefully() const { return FClosedGracefully; }
    bool ReadLineTimedOut() const { return FReadLineTimedOut; }
    int RecvBufferSize() const { return FRecvBufferSize; }
    void SetRecvBufferSize(int value);
    int SendBufferSize() const { return FSendBufferSize; }
    void SetSendBufferSize(int value) { FSendBufferSize = value > 0 ? value : 1; }

    // Milliseconds; negative waits without limit. Defaults from IdLimits.
    int ResolveTimeout = IdLimits::ResolveTimeoutMs;
    int ConnectTimeout = IdLimits::ConnectTimeoutMs;
    int ReadTimeout = IdLimits::ReadTimeoutMs;
    int CommandTimeout = IdLimits::CommandTimeoutMs;
    bool ASCIIFilter = false;
    bool InterceptEnabled = false;

protected:
    void ResetConnection();
    int ReadFromSocket(bool raiseExceptionIfDisconnected, int timeout, std::size_t maxBytes);
    [[noreturn]] void RaiseClosed();
    // Counts a line taken from the input against the command's memory bound.
    void ChargeLine(std::size_t bytes);
    // Milliseconds to the command's deadline (0 when it has passed); -1 without one.
    int CommandTimeLeft() const;
    [[noreturn]] void RaiseTimedOut();
    // True when command is the next listed one: it is sent (with the window) and its
    // reply is the next to read. Otherwise the window is closed first.
    bool TakeAnnounced(const std::string& command);
    void ClearAnnounced();
    // Waits (as ReadFromSocket does) and receives raw bytes into FRecvBuffer: their count,
    // 0 at the peer's close, -1 when an explicit time-out passed first.
    int ReceiveRaw(int timeout, std::size_t maxBytes);
    void SendRaw(std::string_view bytes);
    void EndTls();

    TIdSocketHandle FBinding;
    TIdBuffer FInputBuffer;
    std::vector<char> FRecvBuffer;
    int FRecvBufferSize = 32768;
    int FSendBufferSize = 32768;
    TStringList FReplyLines;
    std::int16_t FReplyCode = 0;
    bool FClosedGracefully = false;
    bool FReadLineTimedOut = false;
    bool FCommandRunning = false;
    std::int64_t FCommandDeadline = 0;  // steady clock, milliseconds; 0: none
    std::size_t FCommandCost = 0;
    std::deque<TIdAnnouncedCommand> FAnnounced;  // listed, not yet sent
    std::deque<TIdAnnouncedCommand> FInFlight;   // sent, reply not yet read
    int FCommandsSentAhead = 0;
    std::unique_ptr<platform::tls::Engine> FTls;
    std::string FTlsIn;  // raw bytes not yet turned into plain text
    std::string FPeerFingerprint;
};

class TIdTCPClient : public TIdTCPConnection {
    SKIMBAR_CLASS(TIdTCPClient)
public:
    explicit TIdTCPClient(TComponent* owner);
    // Opens the connection to Host:Port (with Security Tls, the TLS session as well);
    // raises, with the socket closed, on any failure.
    virtual void Connect();

    const std::string& Host() const { return FHost; }
    void SetHost(const std::string& value) { FHost = value; }
    int Port() const { return FPort; }
    void SetPort(int value) { FPort = value; }
    const std::string& BoundIP() const { return FBoundIP; }
    void SetBoundIP(const std::string& value) { FBoundIP = value; }
    bool UseNagle() const { return FUseNagle; }
    void SetUseNagle(bool value) { FUseNagle = value; }
    TIdSecurity Security() const { return FSecurity; }
    void SetSecurity(TIdSecurity value) { FSecurity = value; }
    // The pinned SHA-256 of the server's certificate, as typed; empty checks the chain.
    const std::string& Fingerprint() const { return FFingerprint; }
    void SetFingerprint(const std::string& value) { FFingerprint = value; }

protected:
    std::string FHost;
    int FPort = 0;
    std::string FBoundIP;
    bool FUseNagle = true;
    TIdSecurity FSecurity = TIdSecurity::None;
    std::string FFingerprint;
};

// Raises EIdException when the text holds CR, LF or NUL, which would let it end a command
// line and start another. what names the text in the message ("host name").
void CheckNoLineBreak(const std::string& value, const char* what);
