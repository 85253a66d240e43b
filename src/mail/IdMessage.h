#pragma once
// The header record of one mail, filled from its raw header lines.
#include <string>

#include "core/DateTime.h"
#include "core/Strings.h"
#include "mail/IdEMailAddress.h"
#include "mail/IdGlobal.h"
#include "mail/IdHeaderList.h"

enum class TIdMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };

class TIdMessage : public TIdBaseComponent {
    SKIMBAR_CLASS(TIdMessage)
public:
    explicit TIdMessage(TComponent* owner);

    // Resets every field but MessageId, which keeps the last value ProcessHeaders gave it.
    void Clear();
    // Fills the fields from RawHeaders. Stops at the first field that raises (only the
    // time-zone failure of the date can); the later fields keep their cleared values.
    void ProcessHeaders();

    TIdHeaderList& RawHeaders() { return FRawHeaders; }
    TIdHeaderList& ExtraHeaders() { return FExtraHeaders; }
    TIdEMailAddressItem& From() { return FFrom; }
    TIdEMailAddressItem& Sender() { return FSender; }
    TIdEMailAddressItem& ReceiptRecipient() { return FReceiptRecipient; }
    TIdEMailAddressList& Recipients() { return FRecipients; }
    TIdEMailAddressList& CCList() { return FCCList; }
    TIdEMailAddressList& BccList() { return FBccList; }
    TIdEMailAddressList& ReplyTo() { return FReplyTo; }
    TStrings& NewsGroups() { return FNewsGroups; }
    TStrings& Body() { return FBody; }
    const std::string& Subject() const { return FSubject; }
    void SetSubject(std::string value) { FSubject = std::move(value); }
    const std::string& MessageId() const { return FMessageId; }
    void SetMessageId(std::string value) { FMessageId = std::move(value); }
    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime value) { FDate = value; }
    const std::string& ContentType() const { return FContentType; }
    const std::string& ContentTransferEncoding() const { return FContentTransferEncoding; }
    const std::string& Organization() const { return FOrganization; }
    const std::string& References() const { return FReferences; }
    const std::string& CharSet() const { return FCharSet; }
    TIdMessagePriority Priority() const { return FPriority; }

private:
    TIdHeaderList FRawHeaders;
    TIdHeaderList FExtraHeaders;
    TIdEMailAddressItem FFrom, FSender, FReceiptRecipient;
    TIdEMailAddressList FRecipients, FCCList, FBccList, FReplyTo;
    TStringList FNewsGroups;
    TStringList FBody;
    std::string FSubject, FMessageId, FContentType, FContentTransferEncoding, FOrganization, FReferences,
        FCharSet;
    TDateTime FDate = 0;
    TIdMessagePriority FPriority = TIdMessagePriority::mpNormal;
};

// Priority from a "Priority" or "X-Priority" value.
TIdMessagePriority PriorityFromText(const std::string& value);
// An address item from a header value: split into address and name first, then only the
// name decoded, so that an encoded name never stands in for the address.
void SetDecodedAddress(TIdEMailAddressItem& item, const std::string& value);
