// Header text as the bar shows it: control characters as blanks, counts and cuts by
// character.
#include <gtest/gtest.h>

#include "app/ShownText.h"

using namespace std::string_literals;

TEST(ShownText, ControlCharactersBecomeOneBlankEach) {
    struct Case {
        std::string In, Out;
    } cases[] = {
        {"plain text", "plain text"},
        {"a\tb", "a b"},
        {"folded\r\n value", "folded   value"},
        {"nul\0here"s, "nul here"},
        {"del\x7f", "del "},
        {"c1\xc2\x85next", "c1 next"},                        // U+0085 NEL
        {"\xe2\x80\xae" "evil", " evil"},                      // right-to-left override
        {"iso\xe2\x81\xa7late\xe2\x81\xa9", "iso late "},      // first-strong isolate, pop
        {"mark\xe2\x80\x8f", "mark "},                         // right-to-left mark
        {"line\xe2\x80\xa8sep", "line sep"},                   // U+2028
        {"Gr\xc3\xbc\xc3\x9f" "e", "Gr\xc3\xbc\xc3\x9f" "e"},  // letters stay
        {"bad\xff", "bad\xef\xbf\xbd"},                        // not UTF-8: U+FFFD
        {"cut\xe2\x82", "cut\xef\xbf\xbd\xef\xbf\xbd"},       // truncated sequence, byte by byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown::Blanked(c.In), c.Out) << c.In;
        EXPECT_EQ(shown::NeedsBlanking(c.In), c.In != c.Out) << c.In;
    }
}

TEST(ShownText, CountsAndCutsWholeCharacters) {
    const std::string a_umlaut = "\xc3\xa4";       // 2 bytes
    const std::string euro = "\xe2\x82\xac";       // 3 bytes
    const std::string smile = "\xf0\x9f\x98\x80";  // 4 bytes
    const std::string e_acute = "e\xcc\x81";       // e + combining acute: one character
    std::string s = "x" + a_umlaut + euro + smile + e_acute + "y";
    EXPECT_EQ(shown::CharCount(s), 6u);
    EXPECT_EQ(shown::FirstChars(s, 0), "");
    EXPECT_EQ(shown::FirstChars(s, 2), "x" + a_umlaut);
    EXPECT_EQ(shown::FirstChars(s, 4), "x" + a_umlaut + euro + smile);
    EXPECT_EQ(shown::FirstChars(s, 5), "x" + a_umlaut + euro + smile + e_acute);
    EXPECT_EQ(shown::FirstChars(s, 99), s);
    EXPECT_EQ(shown::CharCount(""), 0u);
    EXPECT_EQ(shown::CharCount("abc"), 3u);
}
