#include "mail/IdMessage.h"

#include "core/Text.h"
#include "mail/IdHeaderCoder.h"

SKIMBAR_CLASS_INFO(TIdMessage, TIdBaseComponent)

TIdMessage::TIdMessage(TComponent* owner) : TIdBaseComponent(owner) { Clear(); }

void TIdMessage::Clear() {
    FRecipients.Clear();
    FCCList.Clear();
    FBccList.Clear();
    FReplyTo.Clear();
    FNewsGroups.Clear();
    FFrom.SetText(std::string());
    FSender.SetText(std::string());
    FReceiptRecipient.SetText(std::string());
    FSubject.clear();
    FContentType.clear();
    FContentTransferEncoding.clear();
    FOrganization.clear();
    FReferences.clear();
    FCharSet.clear();
    FPriority = TIdMessagePriority::mpNormal;
    FDate = 0;
    FRawHeaders.Clear();
    FExtraHeaders.Clear();
    FBody.Clear();
}

TIdMessagePriority PriorityFromText(const std::string& value) {
    const std::string lower = text::AsciiLower(value);
    if (lower.find("urgent") != std::string::npos) return TIdMessagePriority::mpHigh;
    if (lower.find("non-priority") != std::string::npos) return TIdMessagePriority::mpLow;
    std::string t = text::Trim(value);
    const std::size_t blank = t.find(' ');
    if (blank != std::string::npos) t.erase(blank);
    int n = text::StrToIntDef(t, 3) - 1;
    // A number outside 1..5 is no priority at all.
    if (n < 0 || n > 4) n = 2;
    return static_cast<TIdMessagePriority>(n);
}

void SetDecodedAddress(TIdEMailAddressItem& item, const std::string& value) {
    item.SetText(HeaderPlainText(value));
    item.SetName(DecodeHeaderText(item.Name()));
}

namespace {
void SetDecodedList(TIdEMailAddressList& list, const std::string& value) {
    list.Clear();
    for (const std::string& piece : SplitHeaderList(value)) SetDecodedAddress(list.Add(), piece);
}
}  // namespace

void TIdMessage::ProcessHeaders() {
    const TIdHeaderList& h = FRawHeaders;
    // Every text handed out is UTF-8: raw 8-bit bytes are taken as Windows-1252.
    auto text = [&h](const char* name) { return HeaderPlainText(h.HeaderValue(name)); };
    FContentType = text("Content-Type");
    FContentTransferEncoding = text("Content-Transfer-Encoding");
    FSubject = DecodeHeaderText(h.HeaderValue("Subject"));
    SetDecodedAddress(FFrom, h.HeaderValue("From"));
    FMessageId = text("Message-Id");
    FNewsGroups.Clear();
    for (const std::string& group : SplitHeaderList(text("Newsgroups"))) FNewsGroups.Add(group);
    SetDecodedList(FRecipients, h.HeaderValue("To"));
    SetDecodedList(FCCList, h.HeaderValue("Cc"));
    FOrganization = text("Organization");
    FReceiptRecipient.SetText(text("Disposition-Notification-To"));
    if (FReceiptRecipient.Text().empty()) FReceiptRecipient.SetText(text("Return-Receipt-To"));
    FReferences = text("References");
    FReplyTo.SetEMailAddresses(text("Reply-To"));
    FDate = HeaderDateToLocal(h.HeaderValue("Date"));
    FSender.SetText(text("Sender"));
    std::string priority = h.HeaderValue("Priority");
    if (priority.empty()) priority = h.HeaderValue("X-Priority");
    FPriority = PriorityFromText(priority);
}
