// Protected settings values: the Base64 form and the round trip through the user's data
// protection (the system's on Windows, the stand-in natively).
#ifdef _WIN32
#include <windows.h>
#endif
#include <vector>
#include <gtest/gtest.h>

#include "support/qxProtect.h"

namespace {

TEST(qxProtect, Base64KnownValues) {
    struct Case {
        std::string Bytes, Text;
    };
    for (const Case& c : std::vector<Case>{{"", ""},
                                           {"f", "Zg=="},
                                           {"fo", "Zm8="},
                                           {"foo", "Zm9v"},
                                           {"foob", "Zm9vYg=="},
                                           {"fooba", "Zm9vYmE="},
                                           {"foobar", "Zm9vYmFy"},
                                           {std::string("\0\xff\xfe", 3), "AP/+"}}) {
        EXPECT_EQ(Base64Encode(c.Bytes), c.Text);
        std::string back;
        ASSERT_TRUE(Base64Decode(c.Text, back)) << c.Text;
        EXPECT_EQ(back, c.Bytes);
    }
}

TEST(qxProtect, Base64RefusesMalformedText) {
    for (const char* bad : {"Zg=", "Zg", "Z===", "Zm9v=g==", "Zm 9", "Zm9v\r\n", "A=BC", "Zg==Zg=="}) {
        std::string out = "unchanged";
        EXPECT_FALSE(Base64Decode(bad, out)) << bad;
        EXPECT_EQ(out, "unchanged");
    }
}

TEST(qxProtect, RoundTripHidesTheText) {
    for (const std::string& plain :
         {std::string("a"), std::string("s3cret päss"), std::string(300, 'x'), std::string("nul\0inside", 10),
          std::string("=;[]\"'")}) {
        const std::string stored = ProtectValue(plain);
        EXPECT_TRUE(IsProtectedValue(stored));
        if (plain.size() > 3) {
            EXPECT_EQ(stored.find(plain), std::string::npos);
        }
        // One line of printable text: it goes into an INI value as it is.
        for (char c : stored) EXPECT_TRUE(c > ' ' && c < 127) << stored;
        std::string back;
        ASSERT_TRUE(UnprotectValue(stored, back));
        EXPECT_EQ(back, plain);
    }
}

TEST(qxProtect, PlainValuesPassThrough) {
    std::string out;
    ASSERT_TRUE(UnprotectValue("an old password", out));
    EXPECT_EQ(out, "an old password");
    EXPECT_FALSE(IsProtectedValue("an old password"));
    EXPECT_FALSE(IsProtectedValue("DPAPI:AAAA"));  // the prefix is exact
    ASSERT_TRUE(UnprotectValue("", out));
    EXPECT_EQ(out, "");
}

namespace {
bool RunningUnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}
}  // namespace

TEST(qxProtect, DamagedValuesAreRefused) {
    const std::string stored = ProtectValue("the password");
    const std::string body = stored.substr(6);
    std::string flipped = body;
    flipped[body.size() / 2] = flipped[body.size() / 2] == 'A' ? 'B' : 'A';
    std::vector<std::string> bads{std::string("dpapi:"), std::string("dpapi:not base64!"),
                                  "dpapi:" + body.substr(0, body.size() - 4), std::string("dpapi:QUJDREVGR0g=")};
    // Wine's data protection does not check the integrity of the data; Windows and the
    // stand-in do.
    if (!RunningUnderWine()) bads.push_back("dpapi:" + flipped);
    for (const std::string& bad : bads) {
        std::string out = "unchanged";
        EXPECT_FALSE(UnprotectValue(bad, out)) << bad;
        EXPECT_EQ(out, "unchanged");
    }
}

}  // namespace
