#include <gtest/gtest.h>

#include "mail/IdEMailAddress.h"

namespace {

struct AddressCase {
    const char* Text;
    const char* Address;
    const char* Name;
};

class AddressParse : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressParse, SplitsAddressAndName) {
    const AddressCase& c = GetParam();
    TIdEMailAddressItem item(c.Text);
    EXPECT_EQ(item.Address(), c.Address) << c.Text;
    EXPECT_EQ(item.Name(), c.Name) << c.Text;
}

const AddressCase kAddressCases[] = {
    {"Anna Berg <anna@example.com>", "anna@example.com", "Anna Berg"},
    {"anna@example.com (Anna Berg)", "anna@example.com", "Anna Berg"},
    {"\"Berg, Anna\" <anna@example.com>", "anna@example.com", "Berg, Anna"},
    {"'Anna' <anna@example.com>", "anna@example.com", "Anna"},
    {"\"'Anna'\" <anna@example.com>", "anna@example.com", "Anna"},
    {"anna@example.com", "anna@example.com", ""},
    {"<anna@example.com>", "anna@example.com", ""},
    {"  < anna@example.com >", "anna@example.com", ""},
    {"Anna <anna@example.com> ", "Anna <anna@example.com> ", ""},  // trailing blank: taken whole
    {"anna@example.com>", "", ""},                                  // ">" without "<"
    {"anna@example.com)", "", ""},
    {"\"", "\"", ""},
    {"", "", ""},
    {"A <b> <c@d>", "b> <c@d", "A"},  // the first "<" counts
    {"\"\" <x@y>", "x@y", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, AddressParse, ::testing::ValuesIn(kAddressCases));

TEST(AddressItem, TextRoundTrip) {
    TIdEMailAddressItem item("Anna <anna@example.com>");
    EXPECT_EQ(item.Text(), "Anna <anna@example.com>");
    item.SetName("ANNA@EXAMPLE.COM");
    EXPECT_EQ(item.Text(), "anna@example.com");
    item.SetName("");
    EXPECT_EQ(item.Text(), "anna@example.com");
}

struct ListCase {
    const char* Text;
    std::vector<std::string> Pieces;
};

class HeaderListSplit : public ::testing::TestWithParam<ListCase> {};

TEST_P(HeaderListSplit, SplitsAtCommasOutsideQuotes) {
    EXPECT_EQ(SplitHeaderList(GetParam().Text), GetParam().Pieces) << GetParam().Text;
}

const ListCase kListCases[] = {
    {"a@b, c@d", {"a@b", "c@d"}},
    {"\"Berg, Anna\" <a@b>, c@d", {"\"Berg, Anna\" <a@b>", "c@d"}},
    {" , ,a@b,, ", {"a@b"}},
    {"", {}},
    {"\"x\" \"y, z\" <a@b>", {"\"x\" \"y", "z\" <a@b>"}},  // three quotes: the comma splits
    {"comp.lang.c,comp.os", {"comp.lang.c", "comp.os"}},
};

INSTANTIATE_TEST_SUITE_P(Table, HeaderListSplit, ::testing::ValuesIn(kListCases));

TEST(AddressList, SetAndRead) {
    TIdEMailAddressList list;
    list.SetEMailAddresses("Anna <a@b>, c@d");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).Name(), "Anna");
    EXPECT_EQ(list.Items(1).Address(), "c@d");
    EXPECT_EQ(list.EMailAddresses(), "Anna <a@b>, c@d");
    list.SetEMailAddresses("");
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
