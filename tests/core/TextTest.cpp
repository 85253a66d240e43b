#include <gtest/gtest.h>

#include "core/Exception.h"
#include "core/Text.h"

using namespace text;

namespace {

TEST(TextTest, Utf8Validity) {
    struct C { const char* bytes; bool valid; };
    const C cases[] = {
        {"", true},
        {"plain ASCII", true},
        {"gr\xC3\xBC\xC3\x9F" "e", true},            // grüße
        {"\xE2\x82\xAC", true},                       // €
        {"\xF0\x9F\x98\x80", true},                   // U+1F600
        {"\xC3", false},                              // cut short
        {"\x80", false},                              // stray continuation
        {"\xC0\x80", false},                          // overlong NUL
        {"\xE0\x80\xAF", false},                      // overlong
        {"\xED\xA0\x80", false},                      // surrogate
        {"\xF4\x90\x80\x80", false},                  // above U+10FFFF
        {"\xE4\xF6\xFC", false},                      // Windows-1252 äöü
        {"ok\xC3\xA4\xC3", false},
    };
    for (const C& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextTest, Cp1252Conversions) {
    EXPECT_EQ(Cp1252ToUtf8("\xE4\xF6\xFC\xDF \x80 \x9F \x8A"), "äöüß € Ÿ Š");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(Utf8ToCp1252("äöü € Ÿ"), "\xE4\xF6\xFC \x80 \x9F");
    EXPECT_EQ(Utf8ToCp1252("日本 \xFF"), "?? ?");
    EXPECT_EQ(Latin1ToUtf8("\x80\xE4"), "\xC2\x80\xC3\xA4");
    // Every byte comes back unchanged.
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(CharCount(utf8), 255u);
}

TEST(TextTest, FileBytes) {
    EXPECT_EQ(FileBytesToUtf8("gr\xC3\xBCn"), "grün");
    EXPECT_EQ(FileBytesToUtf8("\xEF\xBB\xBFgr\xC3\xBCn"), "grün");
    EXPECT_EQ(FileBytesToUtf8("gr\xFCn"), "grün");
    EXPECT_EQ(FileBytesToUtf8("\xEF\xBB\xBF[gr\xFCn]"), "[grün]");
    EXPECT_EQ(FileBytesToUtf8(""), "");
    // One stray Windows-1252 byte in a UTF-8 file spoils nothing but its own line; line breaks
    // of every kind stay.
    EXPECT_EQ(FileBytesToUtf8("[Gr\xC3\xBC\xC3\x9F""e]\r\nA=Stra\xC3\x9F""e\r\nB=M\xFC""ller \x80\nC=\xC3\xA4\r\rD=\xE9"),
              "[Grüße]\r\nA=Straße\r\nB=Müller €\nC=ä\r\rD=é");
    EXPECT_EQ(FileBytesToUtf8("\xEF\xBB\xBF" "A=\xC3\xA4\r\nB=\xE4\r\n"), "A=ä\r\nB=ä\r\n");
}

TEST(TextTest, CodePoints) {
    EXPECT_EQ(Utf8ToUtf32("aä€😀"), (std::u32string{U'a', U'ä', U'€', U'😀'}));
    EXPECT_EQ(Utf8ToUtf32("a\xC3" "b\xE2\x82"), (std::u32string{U'a', 0xFFFD, U'b', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(Utf32ToUtf8(U"aä€😀"), "aä€😀");
    EXPECT_EQ(Utf32ToUtf8(std::u32string{0xD800, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("a€😀"), u"a€😀");
    EXPECT_EQ(Utf16ToUtf8(u"a€😀"), "a€😀");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'x', 0xD800, u'y'}), "x\xEF\xBF\xBDy");
}

TEST(TextTest, CharacterCountsAndCuts) {
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount("Grüße aus Köln"), 14u);
    EXPECT_EQ(CharCount("😀€"), 2u);
    EXPECT_EQ(CharCount("\xC3"), 1u);  // a broken byte counts as one, as it decodes
    EXPECT_EQ(CharLeft("Grüße", 3), "Grü");
    EXPECT_EQ(CharLeft("Grüße", 0), "");
    EXPECT_EQ(CharLeft("Grüße", 99), "Grüße");
    EXPECT_EQ(CharMid("Grüße", 2, 2), "üß");
    EXPECT_EQ(CharMid("Grüße", 4, 10), "e");
    EXPECT_EQ(CharMid("Grüße", 9, 1), "");
    EXPECT_EQ(CharLeft("a😀b", 2), "a😀");
}

TEST(TextTest, CaseMapping) {
    EXPECT_EQ(AsciiUpper("abc äöü xyz"), "ABC äöü XYZ");
    EXPECT_EQ(AsciiLower("ABC ÄÖÜ XYZ"), "abc ÄÖÜ xyz");
    EXPECT_EQ(AnsiUpper("abc äöüß ÿ œ ž"), "ABC ÄÖÜß Ÿ Œ Ž");
    EXPECT_EQ(AnsiLower("ÀÉÎÕÜ Ÿ Ł"), "àéîõü ÿ ł");
    EXPECT_EQ(AnsiUpper("привет ёж"), "ПРИВЕТ ЁЖ");
    EXPECT_EQ(AnsiLower("ΑΒΓ Ά"), "αβγ ά");
    EXPECT_EQ(AnsiUpper("x\xFFy"), "X\xFFY");  // unreadable bytes stay
}

TEST(TextTest, CaseInsensitiveCompare) {
    struct C { const char* a; const char* b; int sign; };
    const C cases[] = {
        {"abc", "ABC", 0},     {"Ärger", "ärger", 0}, {"ÖL", "öl", 0},
        {"Straße", "STRASSE", 1}, {"Ёж", "ёЖ", 0},   {"ΣΟΦΊΑ", "σοφία", 0},
        {"a", "b", -1},        {"B", "a", 1},         {"ab", "a", 1},
        {"", "", 0},           {"", "a", -1},         {"ä", "b", 1},
    };
    for (const C& c : cases) {
        const int r = CompareText(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(SameText(c.a, c.b), c.sign == 0) << c.a << " / " << c.b;
    }
    EXPECT_TRUE(SameTextAscii("Skimbar.EXE", "skimbar.exe"));
    EXPECT_FALSE(SameTextAscii("Ä", "ä"));
}

TEST(TextTest, TrimDropsCodesUpTo32) {
    EXPECT_EQ(Trim(" \t\r\n\x01x y\x1F "), "x y");
    EXPECT_EQ(TrimLeft("  x  "), "x  ");
    EXPECT_EQ(TrimRight("  x  "), "  x");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break space is a character
}

TEST(TextTest, WholeNumbers) {
    struct C { const char* s; bool ok; int value; };
    const C cases[] = {
        {"12", true, 12},          {" 12 ", true, 12},         {"-12", true, -12},
        {"+7", true, 7},           {"007", true, 7},           {"0x1F", true, 31},
        {"0X1f", true, 31},        {"$ff", true, 255},         {"-0x10", true, -16},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},  {"-2147483649", false, 0},  {"0xFFFFFFFF", true, -1},
        {"0x100000000", false, 0}, {"", false, 0},             {"  ", false, 0},
        {"0x", false, 0},          {"$", false, 0},            {"12a", false, 0},
        {"1 2", false, 0},         {"--1", false, 0},          {"x1F", false, 0},
        {"-", false, 0},           {"1.0", false, 0},          {"99999999999999999999", false, 0},
    };
    for (const C& c : cases) {
        int v = 12345;
        EXPECT_EQ(TryStrToInt(c.s, v), c.ok) << c.s;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.s;
        }
        EXPECT_EQ(StrToIntDef(c.s, -99), c.ok ? c.value : -99) << c.s;
    }
    EXPECT_EQ(StrToInt("0x20"), 32);
    try {
        StrToInt("abc");
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'abc' ist kein gültiger Integerwert");
    }
}

TEST(TextTest, NumbersToText) {
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(9000000000LL), "9000000000");
    EXPECT_EQ(IntToHex(0x1A2B, 8), "00001A2B");
    EXPECT_EQ(IntToHex(0, 2), "00");
    EXPECT_EQ(IntToHex(0xABCDEF123ULL, 4), "ABCDEF123");
}

TEST(TextTest, SearchAndReplace) {
    EXPECT_EQ(Pos("b", "abc"), 2u);
    EXPECT_EQ(Pos("x", "abc"), 0u);
    EXPECT_EQ(Pos("", "abc"), 0u);
    EXPECT_TRUE(StartsText("content-", "Content-Type"));
    EXPECT_FALSE(StartsText("content-type", "Content"));
    EXPECT_EQ(StringReplaceAll("a.b.c", ".", "::"), "a::b::c");
    EXPECT_EQ(StringReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(StringReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
