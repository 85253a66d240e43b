#include <gtest/gtest.h>

#include "core/Exception.h"
#include "core/Strings.h"

namespace {

TStringList Of(std::initializer_list<const char*> items, bool caseSensitive = true) {
    TStringList l(caseSensitive);
    for (const char* s : items) l.Add(s);
    return l;
}

TEST(StringsTest, OrderedWithDuplicatesAndObjects) {
    TStringList l;
    int a = 1, b = 2;
    EXPECT_EQ(l.Add("x"), 0);
    EXPECT_EQ(l.AddObject("y", &a), 1);
    EXPECT_EQ(l.Add("x"), 2);
    l.Insert(0, "first");
    l.Insert(4, "last");
    ASSERT_EQ(l.Count(), 5);
    EXPECT_EQ(l[0], "first");
    EXPECT_EQ(l.Strings(2), "y");
    EXPECT_EQ(l.Objects(2), &a);
    EXPECT_EQ(l.Objects(0), nullptr);
    l.SetObject(4, &b);
    EXPECT_EQ(l.IndexOfObject(&b), 4);
    EXPECT_EQ(l.IndexOfObject(&a), 2);
    l.Delete(2);
    EXPECT_EQ(l.IndexOfObject(&a), -1);
    EXPECT_EQ(l.IndexOfObject(&b), 3);
    l.SetString(0, "changed");
    EXPECT_EQ(std::vector<std::string>(l.begin(), l.end()),
              (std::vector<std::string>{"changed", "x", "x", "last"}));
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

TEST(StringsTest, IndexOutOfRangeRaises) {
    TStringList l = Of({"a", "b"});
    auto message = [&](auto f) {
        try {
            f();
        } catch (const EStringListError& e) {
            return e.Message();
        }
        return std::string("no exception");
    };
    EXPECT_EQ(message([&] { (void)l[2]; }), "Listenindex überschreitet das Maximum (2)");
    EXPECT_EQ(message([&] { (void)l[-1]; }), "Listenindex überschreitet das Maximum (-1)");
    EXPECT_EQ(message([&] { l.Delete(5); }), "Listenindex überschreitet das Maximum (5)");
    EXPECT_EQ(message([&] { l.Insert(3, "x"); }), "Listenindex überschreitet das Maximum (3)");
    EXPECT_EQ(message([&] { l.SetString(2, "x"); }), "Listenindex überschreitet das Maximum (2)");
    EXPECT_EQ(message([&] { (void)l.Objects(9); }), "Listenindex überschreitet das Maximum (9)");
    EXPECT_EQ(l.Count(), 2);
}

TEST(StringsTest, LookupExactOrIgnoringCase) {
    const TStringList exact = Of({"<Id@Host>", "Ärger", "ärger", "x"});
    EXPECT_EQ(exact.IndexOf("<id@host>"), -1);
    EXPECT_EQ(exact.IndexOf("ärger"), 2);
    EXPECT_EQ(exact.IndexOf("missing"), -1);
    const TStringList loose = Of({"<Id@Host>", "Ärger", "ärger", "x"}, false);
    EXPECT_FALSE(loose.CaseSensitive());
    EXPECT_EQ(loose.IndexOf("<ID@HOST>"), 0);
    EXPECT_EQ(loose.IndexOf("ärger"), 1);  // the first of the equal entries
    EXPECT_EQ(loose.IndexOf("ÄRGER"), 1);
    EXPECT_EQ(loose.IndexOf("arger"), -1);
    TStringList toggled = Of({"ABC"});
    toggled.SetCaseSensitive(false);
    EXPECT_EQ(toggled.IndexOf("abc"), 0);
}

TEST(StringsTest, TextJoinsAndSplits) {
    EXPECT_EQ(Of({"a", "", "b"}).Text(), "a\r\n\r\nb\r\n");
    EXPECT_EQ(Of({}).Text(), "");
    struct C { const char* text; std::vector<std::string> lines; };
    const C cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\n\n", {"a", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\r\n", {""}},
        {"x\n\ry", {"x", "", "y"}},
    };
    for (const C& c : cases) {
        TStringList l;
        l.Add("old");
        l.SetText(c.text);
        EXPECT_EQ(std::vector<std::string>(l.begin(), l.end()), c.lines) << c.text;
    }
    TStringList round;
    round.SetText(Of({"a", "", "b"}).Text());
    EXPECT_EQ(round.Count(), 3);
}

TEST(StringsTest, NameValuePairs) {
    TStringList l = Of({"Key=v1", "other=a=b", "noequals", "=empty", "key=v2"});
    EXPECT_EQ(l.Names(0), "Key");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.ValueFromIndex(1), "a=b");
    EXPECT_EQ(l.ValueFromIndex(2), "");
    EXPECT_EQ(l.Values("key"), "v2");
    EXPECT_EQ(l.Values("Key"), "v1");
    EXPECT_EQ(l.IndexOfName(""), 3);
    EXPECT_EQ(l.Values("missing"), "");
    l.SetCaseSensitive(false);
    EXPECT_EQ(l.Values("KEY"), "v1");
    EXPECT_EQ(l.IndexOfName("noequals"), -1);
}

TEST(StringsTest, AssignAndAddStrings) {
    int o = 0;
    TStringList a = Of({"1", "2"});
    a.SetObject(1, &o);
    TStringList b = Of({"x"});
    b.Assign(a);
    EXPECT_EQ(b.Count(), 2);
    EXPECT_EQ(b.Objects(1), &o);
    b.AddStrings(a);
    EXPECT_EQ(b.Count(), 4);
    EXPECT_EQ(b.Objects(3), &o);
    b.AddStrings(b);  // itself: doubles once
    EXPECT_EQ(b.Count(), 8);
    b.Assign(b);
    EXPECT_EQ(b.Count(), 8);
}

// A list that counts additions, as a subclass may: SetText and AddStrings go through Add.
class CountingList : public TStringList {
public:
    int adds = 0;
    int Add(std::string value) override {
        ++adds;
        return TStringList::Add(std::move(value));
    }
};

TEST(StringsTest, AddIsTheOneWayIn) {
    CountingList l;
    l.SetText("a\nb\nc");
    EXPECT_EQ(l.adds, 3);
    EXPECT_EQ(l.Count(), 3);
}

}  // namespace
