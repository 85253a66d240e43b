#include <gtest/gtest.h>

#include "mail/IdHeaderList.h"

namespace {

TIdHeaderList Lines(std::initializer_list<const char*> lines) {
    TIdHeaderList h;
    for (const char* l : lines) h.Add(l);
    return h;
}

struct ValueCase {
    const char* Title;
    std::vector<const char*> Lines;
    const char* Name;
    const char* Expected;
};

class HeaderValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(HeaderValue, LooksUpAndUnfolds) {
    const ValueCase& c = GetParam();
    TIdHeaderList h;
    for (const char* l : c.Lines) h.Add(l);
    EXPECT_EQ(h.HeaderValue(c.Name), c.Expected) << c.Title;
}

const ValueCase kValueCases[] = {
    {"usual form", {"From: a@b.c", "Subject: Hello"}, "Subject", "Hello"},
    {"lower-case name, no blank", {"subject:Hello"}, "Subject", "Hello"},
    {"name asked in other case", {"Message-ID: <x@y>"}, "Message-Id", "<x@y>"},
    {"folded with TAB", {"Subject: first", "\tsecond", "To: x"}, "Subject", "first second"},
    {"folded with blanks", {"Subject: first", "    second", "   third"}, "Subject", "first second third"},
    {"value ending in blank keeps one blank", {"Subject: first ", "\tsecond"}, "Subject", "first second"},
    {"first of two wins", {"Subject: one", "Subject: two"}, "Subject", "one"},
    {"missing", {"From: x"}, "Subject", ""},
    {"empty line ends folding", {"Subject: a", "", " b"}, "Subject", "a"},
    {"leading blanks and controls dropped", {"Subject: \t  x"}, "Subject", "x"},
    {"trailing blanks stay", {"Subject: x  "}, "Subject", "x  "},
    {"blank before colon matches nothing", {"Subject : x"}, "Subject", ""},
    {"value only on the next line", {"Subject:", "\tnext"}, "Subject", "next"},
    {"continuation is no header", {"X: a", " Subject: b"}, "Subject", ""},
    {"colon inside the value", {"Subject: Re: a: b"}, "Subject", "Re: a: b"},
    {"prefix of a longer name", {"Subjectline: no", "Subject: yes"}, "Subject", "yes"},
};

INSTANTIATE_TEST_SUITE_P(Table, HeaderValue, ::testing::ValuesIn(kValueCases));

TEST(HeaderList, NamesAndIndexes) {
    TIdHeaderList h = Lines({"From: a", "\tcont", "subject: s", "no colon"});
    EXPECT_EQ(h.HeaderName(0), "FROM");
    EXPECT_EQ(h.HeaderName(1), "");
    EXPECT_EQ(h.HeaderName(2), "SUBJECT");
    EXPECT_EQ(h.HeaderName(3), "");
    EXPECT_EQ(h.HeaderIndex("SUBJECT"), 2);
    EXPECT_EQ(h.HeaderIndex("from"), 0);
    EXPECT_EQ(h.HeaderIndex("To"), -1);
    h.CaseSensitiveNames = true;
    EXPECT_EQ(h.HeaderName(2), "subject");
}

TEST(HeaderList, FoldingCanBeSwitchedOff) {
    TIdHeaderList h = Lines({"Subject: a", " b"});
    h.UnfoldContinuations = false;
    EXPECT_EQ(h.HeaderValue("Subject"), "a");
}

}  // namespace
