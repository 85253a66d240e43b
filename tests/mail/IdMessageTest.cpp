#include <gtest/gtest.h>

#include "core/DateTime.h"
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
};

INSTANTIATE_TEST_SUITE_P(Table, FromHeader, ::testing::ValuesIn(kFromCases));

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
