// Files and folders against the real Win32 attributes and enumeration.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "platform/Files.h"
#include "platform/PlatformTestSupport.h"

namespace {

class Win32FilesTest : public platformtest::TempDirTest {
protected:
    std::wstring W(const std::string& name) const {
        const std::string p = Path(name);
        const int n = MultiByteToWideChar(CP_UTF8, 0, p.c_str(), -1, nullptr, 0);
        std::wstring w(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, p.c_str(), -1, w.data(), n);
        w.resize(static_cast<std::size_t>(n - 1));
        return w;
    }
    std::map<std::string, platform::DirEntry> List(const std::string& mask) const {
        std::map<std::string, platform::DirEntry> out;
        for (auto& e : platform::ListDirectory(Path(mask))) out[e.Name] = e;
        return out;
    }
};

TEST_F(Win32FilesTest, ListingShowsAttributesSetByTheApi) {
    for (const char* n : {"hidden.ini", "system.ini", "both.ini", "plain.ini"})
        ASSERT_TRUE(platform::WriteFileBytes(Path(n), "x"));
    ASSERT_TRUE(SetFileAttributesW(W("hidden.ini").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(W("system.ini").c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesW(W("both.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(CreateDirectoryW(W("sub.ini").c_str(), nullptr));
    auto all = List("*.ini");
    EXPECT_TRUE(all["hidden.ini"].Hidden);
    EXPECT_FALSE(all["hidden.ini"].System);
    EXPECT_TRUE(all["system.ini"].System);
    EXPECT_FALSE(all["system.ini"].Hidden);
    EXPECT_TRUE(all["both.ini"].Hidden && all["both.ini"].System);
    EXPECT_FALSE(all["plain.ini"].Hidden || all["plain.ini"].System || all["plain.ini"].Directory);
    EXPECT_TRUE(all["sub.ini"].Directory);
}

TEST_F(Win32FilesTest, TestHelperSetsTheRealAttributes) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("a.ini"), "x"));
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("a.ini"), true, true));
    const DWORD a = GetFileAttributesW(W("a.ini").c_str());
    EXPECT_TRUE(a & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(a & FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("a.ini"), false, false));
    EXPECT_FALSE(GetFileAttributesW(W("a.ini").c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

TEST_F(Win32FilesTest, ReplacingKeepsHiddenAndSystem) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("Skimbar.ini"), "old"));
    ASSERT_TRUE(SetFileAttributesW(W("Skimbar.ini").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(platform::WriteFileBytes(Path("Skimbar.ini"), "new"));
    EXPECT_EQ(platform::ReadFileBytes(Path("Skimbar.ini")), std::string("new"));
    const DWORD a = GetFileAttributesW(W("Skimbar.ini").c_str());
    EXPECT_TRUE(a & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(a & FILE_ATTRIBUTE_SYSTEM);
}

TEST_F(Win32FilesTest, ReadOnlyFileIsNotReplaced) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("locked.ini"), "kept"));
    ASSERT_TRUE(SetFileAttributesW(W("locked.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(platform::WriteFileBytes(Path("locked.ini"), "lost"));
    EXPECT_EQ(platform::ReadFileBytes(Path("locked.ini")), std::string("kept"));
    EXPECT_FALSE(platform::DeleteFile(Path("locked.ini")));
    SetFileAttributesW(W("locked.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(List("*.*").size(), 3u);  // ".", ".." and the file: no temporary file is left
}

TEST_F(Win32FilesTest, FileOpenWithoutSharingIsNotTorn) {
    // Another program holds the file without sharing: the write fails and the file stays.
    ASSERT_TRUE(platform::WriteFileBytes(Path("busy.ini"), "kept"));
    HANDLE h = CreateFileW(W("busy.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform::WriteFileBytes(Path("busy.ini"), "lost"));
    CloseHandle(h);
    EXPECT_EQ(platform::ReadFileBytes(Path("busy.ini")), std::string("kept"));
    EXPECT_EQ(List("*.*").size(), 3u);
}

TEST_F(Win32FilesTest, UnicodeNamesRoundTrip) {
    const std::string name = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC.ini";
    HANDLE h = CreateFileW(W(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(platform::FileExists(Path(name)));
    EXPECT_EQ(List("*.ini").count(name), 1u);
    ASSERT_TRUE(platform::CreateDir(Path("\xC3\x9C" "bersetzung")));
    EXPECT_NE(GetFileAttributesW(W("\xC3\x9C" "bersetzung").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32ListingTest, SystemFolderHasItsEntries) {
    wchar_t windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    char utf8[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, windows, -1, utf8, sizeof utf8, nullptr, nullptr);
    bool system32 = false;
    for (const auto& e : platform::ListDirectory(std::string(utf8) + "\\*.*"))
        if (_stricmp(e.Name.c_str(), "system32") == 0) system32 = e.Directory;
    EXPECT_TRUE(system32);
}

}  // namespace
