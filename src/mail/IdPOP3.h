#pragma once
// The mailbox client of the poll: login, message count, header blocks and sizes, quit.
// It has no command that deletes, retrieves or marks a message.
#include <string>

#include "mail/IdMessage.h"
#include "mail/IdMessageClient.h"

class TIdPOP3 : public TIdMessageClient {
    SKIMBAR_CLASS(TIdPOP3)
public:
    explicit TIdPOP3(TComponent* owner);

    // Connects, checks the greeting and logs in with USER and PASS. Raises the first
    // failure, after "Quit" was tried and the socket closed.
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

    const std::string& UserId() const { return FUserId; }
    void SetUserId(const std::string& value) { FUserId = value; }
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& value) { FPassword = value; }

private:
    // The header lines up to the empty line, then the rest of the reply up to its ".".
    bool ReadHeaderReply(TIdMessage& message);

    std::string FUserId;
    std::string FPassword;
};

// The parses of the STAT and LIST replies ("+OK 2 320").
// Count: raises EConvertError when it is no number.
int StatReplyCount(const std::string& reply);
// Size: -1 when it is no number.
int ListReplySize(const std::string& reply);
