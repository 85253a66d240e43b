#pragma once
// A TCP client that reads message header blocks.
#include <string>

#include "mail/IdMessage.h"
#include "mail/IdTCPConnection.h"

class TIdMessageClient : public TIdTCPClient {
    SKIMBAR_CLASS(TIdMessageClient)
public:
    explicit TIdMessageClient(TComponent* owner) : TIdTCPClient(owner) {}
    // Captures lines into the message's RawHeaders up to the delimiter (dot-unstuffed),
    // then processes them. True when the block ended with the "." line of the reply.
    bool ReadHeaderBlock(TIdMessage& message, const std::string& delimiter);
};
