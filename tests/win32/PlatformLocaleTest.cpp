// Locale and process services against the real Win32 calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/Locale.h"
#include "platform/Process.h"

namespace {

class Win32LocaleTest : public ::testing::Test {
protected:
    void SetUp() override { FSaved = GetThreadLocale(); }
    void TearDown() override { SetThreadLocale(FSaved); }

private:
    LCID FSaved = 0;
};

TEST_F(Win32LocaleTest, PrimaryLanguageOfTheThreadLocale) {
    EXPECT_EQ(platform::UserPrimaryLanguage(), PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())));
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT)));
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), SORT_DEFAULT)));
    EXPECT_EQ(platform::UserPrimaryLanguage(), 7);
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)));
    EXPECT_EQ(platform::UserPrimaryLanguage(), 9);
}

TEST_F(Win32LocaleTest, ShortTimeFormatOfTheLocale) {
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT)));
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)));
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "h:nn AMPM");
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK), SORT_DEFAULT)));
    EXPECT_EQ(platform::LocaleShortTimeFormat(), "hh:nn");
}

TEST(Win32ProcessTest, ExpandsTheSystemsVariables) {
    wchar_t root[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    ASSERT_GT(n, 0u);
    char utf8[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, root, -1, utf8, sizeof utf8, nullptr, nullptr);
    EXPECT_EQ(platform::ExpandEnvironmentStrings("%SystemRoot%\\system32\\notepad.exe"),
              std::string(utf8) + "\\system32\\notepad.exe");
    // Longer than the 1024-byte buffer of old callers: expanded whole.
    std::string many;
    for (int i = 0; i < 200; ++i) many += "%SystemRoot%";
    EXPECT_EQ(platform::ExpandEnvironmentStrings(many).size(), 200 * std::string(utf8).size());
}

TEST(Win32ProcessTest, WinExecRunsTheCommandInterpreter) {
    EXPECT_GE(platform::WinExec("cmd /c exit 0", SW_HIDE), 32u);
    EXPECT_EQ(platform::WinExec("C:\\skimbar-no-such-program.exe /mailurl:x", SW_SHOWNORMAL), 2u);
}

TEST(Win32ProcessTest, ParamStrOfTheRealCommandLine) {
    int n = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &n);
    ASSERT_NE(argv, nullptr);
    LocalFree(argv);
    EXPECT_EQ(platform::ParamCount(), n - 1);
}

}  // namespace
