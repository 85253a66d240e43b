// The registry wrapper against the real Win32 registry: what it writes is what the API
// reads, and values written by the API read back through it.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "core/Exception.h"
#include "platform/Registry.h"

namespace {

using platform::RootKey;
using platform::TRegistry;

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = Name();
        Sub = L"Software\\SkimbarWin32Tests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::wstring(name.begin(), name.end());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key,
                                  nullptr),
                  ERROR_SUCCESS);
        Path = "\\Software\\SkimbarWin32Tests\\" + std::to_string(GetCurrentProcessId()) + "-" + Name();
    }
    void TearDown() override {
        RegCloseKey(Key);
        RegDeleteTreeW(HKEY_CURRENT_USER, Sub.c_str());
    }
    static std::string Name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(Key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }

    std::wstring Sub;
    std::string Path;
    HKEY Key = nullptr;
};

std::string Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

TEST_F(Win32RegistryTest, WritesUnicodeStringsTheApiReads) {
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey(Path, false));
    reg.WriteString("Gr\xC3\xBC\xC3\x9F" "e", "Stra\xC3\x9F" "e \xE2\x82\xAC");
    wchar_t buffer[64] = {};
    DWORD type = 0, size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExW(Key, L"Gr\u00fc\u00dfe", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(buffer), L"Stra\u00dfe \u20ac");
    EXPECT_EQ(size, (wcslen(L"Stra\u00dfe \u20ac") + 1) * sizeof(wchar_t));  // with its NUL

    reg.WriteInteger("Count", 0x12345678);
    DWORD number = 0;
    size = sizeof number;
    ASSERT_EQ(RegQueryValueExW(Key, L"Count", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 0x12345678u);
}

TEST_F(Win32RegistryTest, ReadsWhatTheApiWrote) {
    const wchar_t text[] = L"C:\\Program Files\\Mail\\mail.exe";
    SetRaw(nullptr, REG_SZ, text, sizeof text);
    const wchar_t expand[] = L"%ProgramFiles%\\Mail\\mail.exe";
    SetRaw(L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
    // Stored without its NUL, and with text after an inner NUL.
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    SetRaw(L"NoNul", REG_SZ, unterminated, sizeof unterminated);
    const wchar_t inner[] = L"one\0two";
    SetRaw(L"Inner", REG_SZ, inner, sizeof inner);
    const BYTE binary[] = {1, 2, 3};
    SetRaw(L"Binary", REG_BINARY, binary, sizeof binary);
    const wchar_t multi[] = L"a\0b\0";
    SetRaw(L"Multi", REG_MULTI_SZ, multi, sizeof multi);

    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly(Path));
    EXPECT_EQ(reg.ReadString(""), "C:\\Program Files\\Mail\\mail.exe");
    EXPECT_EQ(reg.ReadString("Expand"), "%ProgramFiles%\\Mail\\mail.exe");
    EXPECT_EQ(reg.ReadString("NoNul"), "abc");
    EXPECT_EQ(reg.ReadString("Inner"), "one");
    EXPECT_EQ(Raised([&] { reg.ReadString("Binary"); }), "Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'Binary'");
    EXPECT_EQ(Raised([&] { reg.ReadString("Multi"); }), "Ung\xC3\xBCltiger Datentyp f\xC3\xBCr 'Multi'");
    EXPECT_EQ(reg.ReadString("Missing"), "");
}

TEST_F(Win32RegistryTest, LongValuesAreReadWhole) {
    std::wstring big(40000, L'x');
    big[39999] = L'y';
    SetRaw(L"Big", REG_SZ, big.c_str(), static_cast<DWORD>((big.size() + 1) * sizeof(wchar_t)));
    TRegistry reg(RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKeyReadOnly(Path));
    const std::string got = reg.ReadString("Big");
    EXPECT_EQ(got.size(), 40000u);
    EXPECT_EQ(got.back(), 'y');
}

TEST_F(Win32RegistryTest, DeleteKeyRemovesTheTree) {
    HKEY deep = nullptr;
    ASSERT_EQ(RegCreateKeyExW(Key, L"A\\B\\C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(deep);
    TRegistry reg(RootKey::CurrentUser);
    EXPECT_TRUE(reg.DeleteKey(Path + "\\A"));
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExW(Key, L"A", 0, KEY_READ, &probe), ERROR_SUCCESS);
}

TEST_F(Win32RegistryTest, MachineRunKeyAndMailtoCommandOpen) {
    // The keys the program uses under HKEY_LOCAL_MACHINE; the prefix runs with full rights.
    TRegistry reg(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", true));
    const std::string value = "SkimbarTest" + std::to_string(GetCurrentProcessId());
    reg.WriteString(value, "C:\\Tools\\Skimbar.exe");
    EXPECT_EQ(reg.ReadString(value), "C:\\Tools\\Skimbar.exe");
    EXPECT_TRUE(reg.DeleteValue(value));
    EXPECT_FALSE(reg.DeleteValue(value));
    reg.CloseKey();
    // Reading a key's default value read-only, as the mail program lookup does.
    if (reg.OpenKeyReadOnly("Software\\Classes\\mailto\\shell\\open\\command")) {
        EXPECT_NO_THROW(reg.ReadString(""));
    }
}

}  // namespace
