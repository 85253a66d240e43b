#pragma once
// TLS client for the line connection. An engine only turns bytes: what came from the network
// into plain text, plain text into records for the network. It never touches the socket, so
// the connection keeps one set of deadlines, memory bounds and error handling for plain and
// TLS alike. Windows uses the system's TLS (SChannel) and certificate store; POSIX OpenSSL.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform::tls {

enum class Status {
    Done,      // the handshake is complete; or Decrypt used all whole records
    NeedMore,  // a record is still incomplete: receive more bytes
    Closed,    // the server ended the TLS session (close_notify)
    Failed     // see Error()
};

class Engine {
public:
    virtual ~Engine() = default;
    // One step of the handshake: takes what it can from the front of in (the rest stays for
    // the next step, with more bytes appended) and appends what is to be sent to out.
    virtual Status Handshake(std::string& in, std::string& out) = 0;
    // After the handshake: decrypts the whole records at the front of in into plain.
    virtual Status Decrypt(std::string& in, std::string& plain) = 0;
    // Appends the records for plain to out; false on failure.
    virtual bool Encrypt(std::string_view plain, std::string& out) = 0;
    // Appends the close_notify alert to out (nothing when the session never started).
    virtual void Close(std::string& out) = 0;
    // The server's certificate (DER); empty before the server sent one.
    virtual std::string PeerCertificate() const = 0;
    // Checks the server's chain against the system's trust store (and the roots added with
    // AddTrustedRoot) and its name against the server name. Empty when trusted, otherwise
    // the reason, one of the Refused* texts.
    virtual std::string VerifyChain() = 0;
    // What went wrong, after Failed.
    const std::string& Error() const { return FError; }
    // The protocol agreed on ("TLSv1.3"), for the figures of the benchmarks.
    virtual std::string Protocol() const = 0;

protected:
    std::string FError;
};

// A client for serverName (a host name, sent as SNI, or a dotted IPv4 address), TLS 1.2 at
// least. Null with error set when the system's TLS cannot be started.
std::unique_ptr<Engine> NewClient(const std::string& serverName, std::string& error);

// Adds a root (PEM) that VerifyChain trusts beside the system's store, for this process.
// False when the text holds no certificate.
bool AddTrustedRoot(const std::string& pem);
// Forgets the roots AddTrustedRoot added.
void ClearTrustedRoots();

// The reasons VerifyChain and the connection give.
inline constexpr const char* RefusedUntrusted = "The server's certificate is not trusted.";
inline constexpr const char* RefusedName = "The server's certificate is for another name.";
inline constexpr const char* RefusedExpired = "The server's certificate has expired or is not valid yet.";
inline constexpr const char* RefusedPin = "The server's certificate is not the pinned one.";
inline constexpr const char* RefusedNoCertificate = "The server sent no certificate.";

// A dotted IPv4 address, which is checked against the certificate's addresses and not sent
// as the server name.
bool IsAddressLiteral(const std::string& name);
// SHA-256 of bytes, 32 raw bytes.
std::string Sha256(std::string_view bytes);
// "AB:CD:..." upper-case hex pairs joined by colons.
std::string FingerprintText(std::string_view digest);
// A fingerprint as typed: hex digits only, upper case (colons, blanks and letter case do not
// count). Empty when anything else is in it or it is not 64 digits long.
std::string NormalizeFingerprint(const std::string& text);
// The DER bytes of the first certificate in a PEM text; empty when there is none.
std::string PemToDer(const std::string& pem);

}  // namespace platform::tls
