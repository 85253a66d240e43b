// The ids already shown: order kept, case ignored the way SameText ignores it, removal of the
// transient id, and lookups that stay fast with many ids.
#include <gtest/gtest.h>

#include <string>

#include "app/KnownIds.h"
#include "core/Text.h"

using text::FoldCase;
using text::SameText;

namespace {

TEST(KnownIds, LookupIgnoresCaseAndKeepsOrder) {
    TKnownIds ids;
    ids.Add("<Abc@Example.org>");
    ids.Add("-1");
    ids.Add("");
    EXPECT_TRUE(ids.Contains("<abc@example.ORG>"));
    EXPECT_TRUE(ids.Contains(""));
    EXPECT_FALSE(ids.Contains("<abc@example.net>"));
    EXPECT_EQ(ids.Entries(), (std::vector<std::string>{"<Abc@Example.org>", "-1", ""}));
}

TEST(KnownIds, NationalLettersFoldAsSameTextDoes) {
    struct Case {
        const char* a;
        const char* b;
    } cases[] = {
        {"<\xC3\x84rger@x>", "<\xC3\xA4RGER@X>"},          // Ä / ä
        {"\xCE\xA3\xCE\xB9\xCF\x82", "\xCF\x83\xCE\x99\xCE\xA3"},  // final sigma
        {"\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xB6\xD0\xA3\xD0\x9A"},  // Cyrillic
        {"\xFF\xFE", "\xFF\xFE"},                           // not UTF-8
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SameText(c.a, c.b)) << c.a;
        EXPECT_EQ(FoldCase(c.a), FoldCase(c.b)) << c.a;
        TKnownIds ids;
        ids.Add(c.a);
        EXPECT_TRUE(ids.Contains(c.b)) << c.a;
    }
    EXPECT_NE(FoldCase("<a@x>"), FoldCase("<b@x>"));
}

TEST(KnownIds, RemoveTakesTheFirstEqualEntryOnly) {
    TKnownIds ids;
    ids.Add("a");
    ids.Add("-1");
    ids.Add("b");
    ids.Add("A");
    EXPECT_TRUE(ids.Remove("-1"));
    EXPECT_FALSE(ids.Remove("-1"));
    EXPECT_FALSE(ids.Contains("-1"));
    EXPECT_TRUE(ids.Remove("a"));
    EXPECT_TRUE(ids.Contains("a"));  // the second spelling stays
    EXPECT_EQ(ids.Entries(), (std::vector<std::string>{"b", "A"}));
    EXPECT_EQ(ids.Count(), 2);
}

TEST(KnownIds, ManyAddsAndRemovalsKeepOrderThroughCompaction) {
    TKnownIds ids;
    for (int i = 0; i < 300; ++i) {
        ids.Add("<" + std::to_string(i) + "@x>");
        ids.Add("-1");
        ids.Remove("-1");
    }
    ASSERT_EQ(ids.Count(), 300);
    const auto entries = ids.Entries();
    for (int i = 0; i < 300; ++i) EXPECT_EQ(entries[static_cast<std::size_t>(i)], "<" + std::to_string(i) + "@x>");
    EXPECT_TRUE(ids.Contains("<299@X>"));
    ids.Clear();
    EXPECT_EQ(ids.Count(), 0);
    EXPECT_FALSE(ids.Contains("<1@x>"));
}

}  // namespace
