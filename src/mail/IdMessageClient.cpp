#include "mail/IdMessageClient.h"

SKIMBAR_CLASS_INFO(TIdMessageClient, TIdTCPClient)

bool TIdMessageClient::ReadHeaderBlock(TIdMessage& message, const std::string& delimiter) {
    const bool endedByDot = CaptureLines(message.RawHeaders(), delimiter, true);
    message.ProcessHeaders();
    return endedByDot;
}
