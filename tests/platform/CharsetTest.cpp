#include <gtest/gtest.h>

#include "core/Text.h"
#include "platform/Charset.h"

namespace {

struct CharsetCase {
    const char* Charset;
    std::string Bytes;
    const char* Utf8;
};

class CharsetConversion : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetConversion, ToUtf8) {
    std::string out = "unchanged";
    ASSERT_TRUE(platform::CharsetToUtf8(GetParam().Charset, GetParam().Bytes, out)) << GetParam().Charset;
    EXPECT_EQ(out, GetParam().Utf8) << GetParam().Charset;
}

const CharsetCase kCases[] = {
    {"UTF-8", "Gr\xC3\xBC\xC3\x9F" "e", "Gr\xC3\xBC\xC3\x9F" "e"},
    {"utf-8", "", ""},
    {"US-ASCII", "plain", "plain"},
    {"ISO-8859-1", "\xE9\xFC", "\xC3\xA9\xC3\xBC"},
    {"iso-8859-2", "\xB1\xE6", "\xC4\x85\xC4\x87"},
    {"ISO-8859-5", "\xBF", "\xD0\x9F"},
    {"ISO-8859-7", "\xE1", "\xCE\xB1"},
    {"ISO-8859-9", "\xFD", "\xC4\xB1"},
    {"ISO-8859-15", "\xA4", "\xE2\x82\xAC"},
    {"Windows-1250", "\x9A", "\xC5\xA1"},
    {"windows-1251", "\xCF", "\xD0\x9F"},
    {"WINDOWS-1252", "\x80\x93", "\xE2\x82\xAC\xE2\x80\x9C"},
    {"windows-1253", "\xE1", "\xCE\xB1"},
    {"windows-1254", "\xFD", "\xC4\xB1"},
    {"windows-1257", "\xE0", "\xC4\x85"},
    {"KOI8-R", "\xF0", "\xD0\x9F"},
    {"Shift_JIS", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"},
    // Shift_JIS as the Windows code page 932: "\\" and "~" stay, its extensions are known.
    {"Shift_JIS", "\\~\x87\x40\x87\x8A\x81\x60", "\\~\xE2\x91\xA0\xE3\x88\xB1\xEF\xBD\x9E"},
    {"x-sjis", "\x87\x40", "\xE2\x91\xA0"},
    {"CP932", "\x87\x40", "\xE2\x91\xA0"},
    {"EUC-JP", "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"ISO-2022-JP", "\x1B$BF|K\\\x1B(B", "\xE6\x97\xA5\xE6\x9C\xAC"},
    {"GB2312", "\xD6\xD0", "\xE4\xB8\xAD"},
    {"Big5", "\xA4\xA4", "\xE4\xB8\xAD"},
    {"iso-8859-1*en", "\xE9", "\xC3\xA9"},
};

INSTANTIATE_TEST_SUITE_P(Table, CharsetConversion, ::testing::ValuesIn(kCases));

TEST(Charset, UnknownNamesAreRefused) {
    std::string out = "unchanged";
    for (const char* name : {"X-UNKNOWN", "", "UTF-8//TRANSLIT", "ISO 8859-1", "../../etc"}) {
        EXPECT_FALSE(platform::CharsetToUtf8(name, "abc", out)) << name;
        EXPECT_EQ(out, "unchanged");
    }
}

TEST(Charset, InvalidBytesBecomeReplacementCharacters) {
    std::string out;
    ASSERT_TRUE(platform::CharsetToUtf8("UTF-8", "a\xFF" "b", out));
    EXPECT_EQ(out, "a\xEF\xBF\xBD" "b");
    // Sequences past U+10FFFF and surrogates are no UTF-8 either.
    ASSERT_TRUE(platform::CharsetToUtf8("UTF-8", "\xF6\xBB\xBB\xBB|\xED\xA0\x80", out));
    EXPECT_TRUE(text::IsValidUtf8(out));
    EXPECT_NE(out.find('|'), std::string::npos);
}

}  // namespace
