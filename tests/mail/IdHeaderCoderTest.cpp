#include <gtest/gtest.h>

#include "core/Text.h"
#include "mail/IdHeaderCoder.h"

namespace {

struct DecodeCase {
    const char* Title;
    const char* Encoded;
    const char* Decoded;  // UTF-8
};

class DecodeHeader : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeHeader, DecodesToUtf8) {
    EXPECT_EQ(DecodeHeaderText(GetParam().Encoded), GetParam().Decoded) << GetParam().Title;
}

// RFC 2047, section 8: how whitespace between words is taken.
const DecodeCase kRfcCases[] = {
    {"one word", "(=?ISO-8859-1?Q?a?=)", "(a)"},
    {"word and text", "(=?ISO-8859-1?Q?a?= b)", "(a b)"},
    {"two words", "(=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=)", "(ab)"},
    {"two words, two blanks", "(=?ISO-8859-1?Q?a?=  =?ISO-8859-1?Q?b?=)", "(ab)"},
    {"two words, folded", "(=?ISO-8859-1?Q?a?=\r\n    =?ISO-8859-1?Q?b?=)", "(ab)"},
    {"underscore is a blank", "(=?ISO-8859-1?Q?a_b?=)", "(a b)"},
    {"two charsets", "(=?ISO-8859-1?Q?a?= =?ISO-8859-2?Q?_b?=)", "(a b)"},
    {"Keith Moore", "=?US-ASCII?Q?Keith_Moore?=", "Keith Moore"},
    {"Keld", "=?ISO-8859-1?Q?Keld_J=F8rn_Simonsen?=", "Keld J\xC3\xB8rn Simonsen"},
    {"Andre", "=?ISO-8859-1?Q?Andr=E9?= Pirard", "Andr\xC3\xA9 Pirard"},
    {"example subject",
     "=?ISO-8859-1?B?SWYgeW91IGNhbiByZWFkIHRoaXMgeW8=?= =?ISO-8859-2?B?dSB1bmRlcnN0YW5kIHRoZSBleGFtcGxlLg==?=",
     "If you can read this you understand the example."},
    {"Olle", "=?ISO-8859-1?Q?Olle_J=E4rnefors?=", "Olle J\xC3\xA4rnefors"},
    {"Patrik", "=?ISO-8859-1?Q?Patrik_F=E4ltstr=F6m?=", "Patrik F\xC3\xA4ltstr\xC3\xB6m"},
};

INSTANTIATE_TEST_SUITE_P(Rfc2047, DecodeHeader, ::testing::ValuesIn(kRfcCases));

const DecodeCase kCases[] = {
    {"plain text", "Build is green", "Build is green"},
    {"text before a word stays", "Re: =?ISO-8859-1?Q?Caf=E9?=", "Re: Caf\xC3\xA9"},
    {"text after a word stays", "=?ISO-8859-1?Q?Caf=E9?= um 8", "Caf\xC3\xA9 um 8"},
    {"UTF-8 B", "=?UTF-8?B?R3LDvMOfZQ==?=", "Gr\xC3\xBC\xC3\x9F" "e"},
    {"UTF-8 Q lower case letters", "=?utf-8?q?Gr=c3=bc=c3=9fe?=", "Gr\xC3\xBC\xC3\x9F" "e"},
    {"character split across words", "=?UTF-8?Q?Gr=C3?= =?UTF-8?Q?=BC=C3=9Fe?=", "Gr\xC3\xBC\xC3\x9F" "e"},
    {"Windows-1252", "=?windows-1252?Q?=80_5?=", "\xE2\x82\xAC 5"},
    {"ISO-8859-15", "=?ISO-8859-15?Q?=A4?=", "\xE2\x82\xAC"},
    {"ISO-8859-2", "=?ISO-8859-2?Q?=B1?=", "\xC4\x85"},
    {"KOI8-R", "=?KOI8-R?B?8NLJ18XU?=", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
    {"language suffix", "=?ISO-8859-1*de?Q?=FC?=", "\xC3\xBC"},
    {"unknown charset stays", "=?X-UNKNOWN?Q?abc?=", "=?X-UNKNOWN?Q?abc?="},
    {"unknown charset keeps the blank", "=?X-UNKNOWN?Q?a?= =?UTF-8?Q?b?=", "=?X-UNKNOWN?Q?a?= b"},
    {"bad Q escape kept literally", "=?ISO-8859-1?Q?100=%_sure=4?=", "100=% sure=4"},
    {"equals sign at the end", "=?ISO-8859-1?Q?a=?=", "a="},
    {"B without fill characters", "=?UTF-8?B?R3LDvA?=", "Gr\xC3\xBC"},
    {"B fill then nothing more", "=?US-ASCII?B?YWI=?=", "ab"},
    {"B with foreign characters skipped", "=?US-ASCII?B?YW*Jj?=", "abc"},
    {"empty encoded text", "x=?UTF-8?Q?" "?=y", "xy"},
    {"not an encoded word", "=?UTF-8?X?abc?=", "=?UTF-8?X?abc?="},
    {"unterminated", "=?UTF-8?Q?abc", "=?UTF-8?Q?abc"},
    {"lone marks", "a =? b ?= c", "a =? b ?= c"},
    {"glued to text", "Re:=?UTF-8?Q?x?=", "Re:x"},
    {"raw Latin-1 text taken as Windows-1252", "Caf\xE9", "Caf\xC3\xA9"},
    {"raw UTF-8 text kept", "Caf\xC3\xA9", "Caf\xC3\xA9"},
    {"invalid UTF-8 in a word replaced", "=?UTF-8?Q?a=FFb?=", "a\xEF\xBF\xBD" "b"},
    {"ISO-2022-JP", "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"Shift_JIS", "=?Shift_JIS?B?k/qWe4zq?=", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"EUC-JP", "=?EUC-JP?B?xvzL3Ljs?=", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"GB2312", "=?GB2312?B?1tDOxA==?=", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"Big5", "=?Big5?B?pKSk5Q==?=", "\xE4\xB8\xAD\xE6\x96\x87"},
};

INSTANTIATE_TEST_SUITE_P(Table, DecodeHeader, ::testing::ValuesIn(kCases));

TEST(DecodeQ, Bytes) {
    EXPECT_EQ(DecodeQ("a_b=3D=3f"), "a b=?");
    EXPECT_EQ(DecodeQ("=4"), "=4");
    EXPECT_EQ(DecodeQ("=G1"), "=G1");
    EXPECT_EQ(DecodeQ(""), "");
}

TEST(DecodeB, Bytes) {
    EXPECT_EQ(DecodeB("TWFu"), "Man");
    EXPECT_EQ(DecodeB("TWE="), "Ma");
    EXPECT_EQ(DecodeB("TQ=="), "M");
    EXPECT_EQ(DecodeB("T"), "");  // six bits are no byte
    EXPECT_EQ(DecodeB("TWFuTWFu"), "ManMan");
}

struct JisCase {
    const char* Title;
    std::string Jis;
    std::string Sjis;
};

class JisConversion : public ::testing::TestWithParam<JisCase> {};

TEST_P(JisConversion, RowCellMapping) { EXPECT_EQ(JisToShiftJis(GetParam().Jis), GetParam().Sjis) << GetParam().Title; }

const JisCase kJisCases[] = {
    {"ASCII only", "abc", "abc"},
    {"nihongo", "\x1B$BF|K\\8l\x1B(B", "\x93\xFA\x96\x7B\x8C\xEA"},
    {"hiragana a (row 4, odd cell below 96)", "\x1B$B$\"\x1B(B", "\x82\xA0"},
    {"row 0x21 cell 0x21 (ideographic space)", "\x1B$B!!\x1B(B", "\x81\x40"},
    {"odd row, cell 96 and up", "\x1B$B!`\x1B(B", "\x81\x80"},
    {"row 95 and up", "\x1B$B`!\x1B(B", "\xE0\x9F"},
    {"text around", "a\x1B$B$\"\x1B(Bb", "a\x82\xA0" "b"},
    {"old JIS escape", "\x1B$@$\"\x1B(J", "\x82\xA0"},
    {"other escape keeps the mode", "\x1B(Ia", "a"},
    {"lone last byte dropped", "\x1B$B$\"$", "\x82\xA0"},
    {"ESC at the end dropped", std::string("ab\x1B", 3), "ab"},
    {"ESC with one byte after", std::string("ab\x1B$", 4), "ab$"},
    {"empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, JisConversion, ::testing::ValuesIn(kJisCases));

}  // namespace

namespace {
// Found by fuzzing: bytes that no UTF-8 text holds, inside a UTF-8 word, come out replaced.
TEST(DecodeHeader, OutputIsAlwaysUtf8) {
    for (const char* v : {"=?UTF-8?Q?=F6=BB=BB=BBx?=", "=?UTF-8?Q?=ED=A0=80x?=", "=?UTF-8?B?9ru7u3g=?=",
                          "\xF6\xBB\xBB\xBBx", "=?X-UNKNOWN?Q?\xFFx?="}) {
        const std::string d = DecodeHeaderText(v);
        EXPECT_TRUE(text::IsValidUtf8(d)) << v;
        EXPECT_NE(d.find('x'), std::string::npos) << v;
    }
}
}  // namespace

namespace {
std::string Base64(std::string_view bytes) {
    static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[v & 63] : '=';
    }
    return out;
}

// Japanese headers as mailers send them: the charset's bytes in an encoded word.
struct JapaneseCase {
    const char* Title;
    const char* Charset;
    std::string Bytes;
    std::string Utf8;
};

class JapaneseWords : public ::testing::TestWithParam<JapaneseCase> {};

TEST_P(JapaneseWords, DecodeAsTheMailerMeantThem) {
    const JapaneseCase& c = GetParam();
    const std::string word = std::string("=?") + c.Charset + "?B?" + Base64(c.Bytes) + "?=";
    EXPECT_EQ(DecodeHeaderText(word), c.Utf8) << c.Title;
    if (std::string_view(c.Charset) == "ISO-2022-JP") {
        std::string direct;
        ASSERT_TRUE(Iso2022JpToUtf8(c.Bytes, direct));
        EXPECT_EQ(direct, c.Utf8) << c.Title;
    }
}

const JapaneseCase kJapaneseCases[] = {
    {"konnichiwa", "ISO-2022-JP", "\x1B$B$3$s$K$A$O\x1B(B", "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
    {"backslash and tilde in ASCII stay", "ISO-2022-JP", "C:\\dir ~user", "C:\\dir ~user"},
    {"ASCII after kanji", "ISO-2022-JP", "\x1B$BF|K\\\x1B(B \\~", "\xE6\x97\xA5\xE6\x9C\xAC \\~"},
    {"circled digit one", "ISO-2022-JP", "\x1B$B-!\x1B(B", "\xE2\x91\xA0"},
    {"kabushiki-gaisha sign", "ISO-2022-JP", "\x1B$B-j\x1B(B", "\xE3\x88\xB1"},
    {"full-width tilde", "ISO-2022-JP", "\x1B$B!A\x1B(B", "\xEF\xBD\x9E"},
    {"half-width katakana", "ISO-2022-JP", "\x1B(I1\x1B(B", "\xEF\xBD\xB1"},
    {"JIS Roman yen and overline", "ISO-2022-JP", "\x1B(J\\~\x1B(B\\", "\xC2\xA5\xE2\x80\xBE\\"},
    {"old JIS kanji escape", "ISO-2022-JP", "\x1B$@$\"\x1B(B", "\xE3\x81\x82"},
    {"8-bit byte is no ISO-2022-JP", "ISO-2022-JP", "a\xE9" "b", "a\xEF\xBF\xBD" "b"},
    {"JIS X 0212 pair is replaced", "ISO-2022-JP", "\x1B$(D\"/\x1B(Bx", "\xEF\xBF\xBDx"},
    {"Shift_JIS backslash and tilde", "Shift_JIS", "\\~", "\\~"},
    {"Shift_JIS circled digit", "Shift_JIS", "\x87\x40", "\xE2\x91\xA0"},
    {"Shift_JIS kabushiki-gaisha sign", "shift_jis", "\x87\x8A", "\xE3\x88\xB1"},
    {"Shift_JIS full-width tilde", "SHIFT_JIS", "\x81\x60", "\xEF\xBD\x9E"},
    {"Shift_JIS hiragana a", "x-sjis", "\x82\xA0", "\xE3\x81\x82"},
};

INSTANTIATE_TEST_SUITE_P(Table, JapaneseWords, ::testing::ValuesIn(kJapaneseCases));

TEST(DecodeHeader, JapaneseNameBesideASCIIText) {
    // "Re: " stays, the words of one charset are joined before conversion.
    const std::string v = "Re: =?ISO-2022-JP?B?" + Base64("\x1B$B$3\x1B(B") + "?= =?ISO-2022-JP?B?" +
                          Base64("\x1B$B$s\x1B(B") + "?=";
    EXPECT_EQ(DecodeHeaderText(v), "Re: \xE3\x81\x93\xE3\x82\x93");
}
}  // namespace
