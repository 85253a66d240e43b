#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Text.h"
#include "mail/IdMessage.h"
#include "platform/TimeZone.h"

namespace {

void Fill(TIdMessage& m, std::initializer_list<const char*> lines) {
    for (const char* l : lines) m.RawHeaders().Add(l);
    m.ProcessHeaders();
}

struct FromCase {
    const char* Value;
    const char* Address;
    const char* Name;
};

class FromHeader : public ::testing::TestWithParam<FromCase> {};

TEST_P(FromHeader, SplitThenDecodeName) {
    TIdMessage m(nullptr);
    m.RawHeaders().Add(std::string("From: ") + GetParam().Value);
    m.ProcessHeaders();
    EXPECT_EQ(m.From().Address(), GetParam().Address) << GetParam().Value;
    EXPECT_EQ(m.From().Name(), GetParam().Name) << GetParam().Value;
}

const FromCase kFromCases[] = {
    {"Anna Berg <anna@example.com>", "anna@example.com", "Anna Berg"},
    {"=?ISO-8859-1?Q?J=FCrgen_M=FCller?= <juergen@example.com>", "juergen@example.com", "J\xC3\xBCrgen M\xC3\xBCller"},
    {"\"=?UTF-8?B?SsO8cmdlbg==?=\" <j@example.com>", "j@example.com", "J\xC3\xBCrgen"},
    {"=?UTF-8?Q?Lena_Vogt?= <lena@example.com>", "lena@example.com", "Lena Vogt"},
    {"lena@example.com (=?ISO-8859-1?Q?L=E9na?=)", "lena@example.com", "L\xC3\xA9na"},
    {"\"Berg, Anna\" <anna@example.com>", "anna@example.com", "Berg, Anna"},
    {"=?UTF-8?Q?a=2Cb?= <x@y>", "x@y", "a,b"},
    {"anna@example.com", "anna@example.com", ""},
    // Raw 8-bit bytes come out as UTF-8: Windows-1252 unless they already are UTF-8.
    {"j\xFCrgen@example.com", "j\xC3\xBCrgen@example.com", ""},
    {"J\xFCrgen <j\xFC@example.com>", "j\xC3\xBC@example.com", "J\xC3\xBCrgen"},
    {"j\xC3\xBC@example.com", "j\xC3\xBC@example.com", ""},
    {"\x80@example.com (\x93x\x94)", "\xE2\x82\xAC@example.com", "\xE2\x80\x9Cx\xE2\x80\x9D"},
    {"\xFF\xFE\x81", "\xC3\xBF\xC3\xBE\xC2\x81", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, FromHeader, ::testing::ValuesIn(kFromCases));

TEST(ProcessHeaders, EveryTextFieldIsUtf8) {
    TIdMessage m(nullptr);
    Fill(m, {"From: B\xE4r <b\xE4r@example.com>", "Sender: s\xE4@example.com", "To: t\xE4@example.com",
             "Cc: c\xE4@example.com", "Reply-To: r\xE4@example.com", "Subject: Gr\xFC\xDF",
             "Message-ID: <\xE4@x>", "Content-Type: text/plain; name=\xE4", "Content-Transfer-Encoding: 8bit\xE4",
             "Organization: B\xE4r AG", "References: <\xE4@x>", "Newsgroups: de.\xE4",
             "Disposition-Notification-To: d\xE4@example.com"});
    std::vector<std::string> texts = {m.From().Address(), m.From().Name(), m.Sender().Address(), m.Subject(),
                                      m.MessageId(), m.ContentType(), m.ContentTransferEncoding(),
                                      m.Organization(), m.References(), m.NewsGroups()[0],
                                      m.ReceiptRecipient().Address(), m.CCList().Items(0).Address(),
                                      m.ReplyTo().Items(0).Address()};
    for (int i = 0; i < m.Recipients().Count(); ++i) texts.push_back(m.Recipients().Items(i).Address());
    for (const std::string& t : texts) {
        EXPECT_TRUE(text::IsValidUtf8(t)) << t;
        EXPECT_NE(t.find("\xC3"), std::string::npos) << t;  // the 8-bit letter, converted
    }
}

TEST(ProcessHeaders, FillsTheFields) {
    TIdMessage m(nullptr);
    Fill(m, {"Return-Path: <anna@example.com>",
             "From: Anna <anna@example.com>",
             "To: Team <team@example.com>, =?UTF-8?Q?B=C3=A9a?= <bea@example.com>",
             "Cc: c@example.com",
             "subject:=?ISO-8859-1?Q?Caf=E9?= at",
             "\t8",
             "Message-ID: <m1@example.com>",
             "Date: Tue, 15 Jul 2025 14:30:10 +0200",
             "Content-Type: text/plain;",
             " charset=UTF-8",
             "Content-Transfer-Encoding: 8bit",
             "Organization: Team",
             "References: <a@b> <c@d>",
             "Reply-To: =?UTF-8?Q?R?= <r@example.com>",
             "Sender: s@example.com",
             "Newsgroups: comp.a, comp.b",
             "Return-Receipt-To: rr@example.com",
             "X-Priority: 1 (Highest)"});
    EXPECT_EQ(m.From().Address(), "anna@example.com");
    EXPECT_EQ(m.Subject(), "Caf\xC3\xA9 at 8");
    EXPECT_EQ(m.MessageId(), "<m1@example.com>");
    EXPECT_EQ(m.ContentType(), "text/plain; charset=UTF-8");
    EXPECT_EQ(m.ContentTransferEncoding(), "8bit");
    EXPECT_EQ(m.Organization(), "Team");
    EXPECT_EQ(m.References(), "<a@b> <c@d>");
    ASSERT_EQ(m.Recipients().Count(), 2);
    EXPECT_EQ(m.Recipients().Items(1).Name(), "B\xC3\xA9" "a");
    EXPECT_EQ(m.Recipients().Items(1).Address(), "bea@example.com");
    ASSERT_EQ(m.CCList().Count(), 1);
    ASSERT_EQ(m.ReplyTo().Count(), 1);
    EXPECT_EQ(m.ReplyTo().Items(0).Name(), "=?UTF-8?Q?R?=");  // not decoded
    EXPECT_EQ(m.Sender().Address(), "s@example.com");
    ASSERT_EQ(m.NewsGroups().Count(), 2);
    EXPECT_EQ(m.NewsGroups()[1], "comp.b");
    EXPECT_EQ(m.ReceiptRecipient().Address(), "rr@example.com");
    EXPECT_EQ(m.Priority(), TIdMessagePriority::mpHighest);
    EXPECT_NE(m.Date(), 0);
}

TEST(ProcessHeaders, MissingHeadersGiveEmptyFields) {
    TIdMessage m(nullptr);
    Fill(m, {"X-Other: 1"});
    EXPECT_EQ(m.From().Address(), "");
    EXPECT_EQ(m.Subject(), "");
    EXPECT_EQ(m.MessageId(), "");
    EXPECT_EQ(m.Priority(), TIdMessagePriority::mpNormal);
}

TEST(ProcessHeaders, DispositionNotificationWinsOverReturnReceipt) {
    TIdMessage m(nullptr);
    Fill(m, {"Disposition-Notification-To: d@example.com", "Return-Receipt-To: r@example.com"});
    EXPECT_EQ(m.ReceiptRecipient().Address(), "d@example.com");
}

TEST(Message, ClearKeepsMessageId) {
    TIdMessage m(nullptr);
    Fill(m, {"Message-Id: <keep@x>", "Subject: s", "From: a@b"});
    m.Clear();
    EXPECT_EQ(m.MessageId(), "<keep@x>");
    EXPECT_EQ(m.Subject(), "");
    EXPECT_EQ(m.From().Address(), "");
    EXPECT_EQ(m.RawHeaders().Count(), 0);
    EXPECT_EQ(m.Date(), 0);
}

TEST(ProcessHeaders, TimeZoneFailureStopsAtTheDate) {
    TIdMessage m(nullptr);
    m.RawHeaders().Add("Subject: s");
    m.RawHeaders().Add("Reply-To: r@x");
    m.RawHeaders().Add("Date: Tue, 15 Jul 2025 14:30:10 +0200");
    m.RawHeaders().Add("Sender: s@x");
    m.RawHeaders().Add("Priority: urgent");
    platform::SetTimeZoneFailureForTests(true);
    EXPECT_THROW(m.ProcessHeaders(), EIdFailedToRetreiveTimeZoneInfo);
    platform::SetTimeZoneFailureForTests(false);
    EXPECT_EQ(m.Subject(), "s");
    EXPECT_EQ(m.ReplyTo().Count(), 1);
    EXPECT_EQ(m.Sender().Address(), "");
    EXPECT_EQ(m.Priority(), TIdMessagePriority::mpNormal);
}

struct PriorityCase {
    const char* Text;
    TIdMessagePriority Expected;
};

class PriorityParse : public ::testing::TestWithParam<PriorityCase> {};

TEST_P(PriorityParse, Table) { EXPECT_EQ(PriorityFromText(GetParam().Text), GetParam().Expected) << GetParam().Text; }

const PriorityCase kPriorityCases[] = {
    {"urgent", TIdMessagePriority::mpHigh},          {"URGENT", TIdMessagePriority::mpHigh},
    {"non-priority", TIdMessagePriority::mpLow},     {"1", TIdMessagePriority::mpHighest},
    {"2 (High)", TIdMessagePriority::mpHigh},        {" 3 ", TIdMessagePriority::mpNormal},
    {"5 (Lowest)", TIdMessagePriority::mpLowest},    {"normal", TIdMessagePriority::mpNormal},
    {"", TIdMessagePriority::mpNormal},              {"9", TIdMessagePriority::mpNormal},
    {"0", TIdMessagePriority::mpNormal},
};

INSTANTIATE_TEST_SUITE_P(Table, PriorityParse, ::testing::ValuesIn(kPriorityCases));

}  // namespace
