#pragma once
// The mailbox client of the poll: login, message count, header blocks and sizes, quit.
// It has no command that deletes, retrieves or marks a message.
#include <map>
#include <string>

#include "mail/IdMessage.h"
#include "mail/IdMessageClient.h"

class TIdPOP3 : public TIdMessageClient {
    SKIMBAR_CLASS(TIdPOP3)
public:
    explicit TIdPOP3(TComponent* owner);

    // Connects, checks the greeting and logs in with USER and PASS. Raises the first
    // failure, after "Quit" was tried and the socket closed. With Security StartTls the
    // session is upgraded (CAPA, STLS, handshake) before the login; with Tls it is
    // protected from the first byte. The credentials go only through a verified session.
    void Connect() override;
    // STAT: the number of messages. Raises on an error reply or a count that is no number.
    int CountMessages();
    // TOP n 0 into the message (appended to its RawHeaders, then processed once the reply
    // has been read to its end). True when the header block and the reply ended properly
    // and the fields were filled without failure; never raises. After "-ERR" the message
    // is left as it was; after a failure inside the reply its fields come from the lines
    // received.
    bool FetchHeader(int messageNumber, TIdMessage& message);
    // LIST n: the size in octets, or -1 on any failure; never raises.
    int FetchMessageSize(int messageNumber);
    // Sends "Quit" and closes the socket; raises, after closing, when sending failed.
    void Disconnect() override;

    // Called by a change poll before its loop: FetchHeader(i) and then FetchMessageSize(i)
    // follow for i = first..last, in this order. When the server announces PIPELINING in
    // its CAPA answer, their commands are then sent ahead of the answers in a bounded
    // window, so the whole range costs a handful of round trips instead of two per mail.
    // CAPA is asked once per server (host, port, user) in the life of this object, and its
    // answer is remembered, "no" included. Without PIPELINING, or when the calls leave
    // this order, each command waits for its answer as before. The results of the calls
    // are the same either way. Never raises.
    void AnnounceHeaderAndSizeRange(int first, int last);
    // The server's PIPELINING as remembered for the current host, port and user: asks CAPA
    // when it is not known yet. False when the answer cannot be had.
    bool ServerPipelines();

    const std::string& UserId() const { return FUserId; }
    void SetUserId(const std::string& value) { FUserId = value; }
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& value) { FPassword = value; }

private:
    // CAPA, STLS and the TLS handshake; raises EIdTlsError (connection closed, nothing of
    // the login sent) when the server offers no STLS or refuses it.
    void UpgradeToTls();
    // Remembered capabilities belong to one server, user and protection.
    std::string CapabilityKey() const;
    // The header lines up to the empty line, then the rest of the reply up to its ".".
    bool ReadHeaderReply(TIdMessage& message);

    std::string FUserId;
    std::string FPassword;
    std::map<std::string, bool> FPipelining;  // "host:port:user" -> PIPELINING announced
};

// The parses of the STAT and LIST replies ("+OK 2 320").
// Count: raises EConvertError when it is no number.
int StatReplyCount(const std::string& reply);
// Size: -1 when it is no number.
int ListReplySize(const std::string& reply);
