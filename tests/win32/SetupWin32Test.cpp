// The setup dialog against the real registry and the system's data protection: the account
// walk and the autostart values, checked through the Win32 API itself, and the protected
// password read back by a second process of the same user.
#include <windows.h>

#include <cstdlib>

#include "app/SetupTestEnv.h"
#include "core/IniFile.h"
#include "core/Text.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxProtect.h"
#include "ui/StdCtrls.h"

namespace {

using setuptest::Lines;
using setuptest::SetupFormTest;

std::wstring W(const std::string& s) {
    const std::u16string u = text::Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

const wchar_t* const kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void SetSz(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(RegSetValueExW(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

void SetBinary(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    const BYTE data[] = {1, 2, 3};
    EXPECT_EQ(RegSetValueExW(k, name.c_str(), 0, REG_BINARY, data, sizeof data), ERROR_SUCCESS);
    RegCloseKey(k);
}

// The value's type and text; type 0 when it does not exist.
std::pair<DWORD, std::wstring> Query(HKEY root, const std::wstring& key, const std::wstring& name) {
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return {0, L""};
    wchar_t buffer[1024] = {};
    DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
    const LONG rc = RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return {0, L""};
    return {type, buffer};
}

std::wstring Account(const wchar_t* number) {
    return std::wstring(L"Software\\Microsoft\\Internet Account Manager\\Accounts\\") + number;
}

TEST_F(SetupFormTest, Win32AccountWalkReadsTheUsersStore) {
    SetSz(HKEY_CURRENT_USER, Account(L"00000001"), L"SMTP Email Address", L"alice@example.org");
    SetSz(HKEY_CURRENT_USER, Account(L"00000001"), L"POP3 Server", L"pop.example.org");
    SetSz(HKEY_CURRENT_USER, Account(L"00000001"), L"POP3 User Name", L"alice");
    SetSz(HKEY_CURRENT_USER, Account(L"00000002"), L"POP3 Server", L"pop.nosmtp.example");  // skipped
    SetSz(HKEY_CURRENT_USER, Account(L"00000002"), L"POP3 User Name", L"nosmtp");
    // Key names compare without case: a lower-case spelling is the same key.
    SetSz(HKEY_CURRENT_USER, Account(L"0000000a"), L"SMTP Email Address", L"bob@example.org");
    SetSz(HKEY_CURRENT_USER, Account(L"0000000a"), L"POP3 Server", L"Pop.Example.Org");
    SetSz(HKEY_CURRENT_USER, Account(L"0000000a"), L"POP3 User Name", L"Bob Ünicode");
    SetSz(HKEY_CURRENT_USER, Account(L"00000100"), L"SMTP Email Address", L"last@example.org");
    SetSz(HKEY_CURRENT_USER, Account(L"00000100"), L"POP3 Server", L"pop.last.example");
    SetSz(HKEY_CURRENT_USER, Account(L"00000101"), L"SMTP Email Address", L"beyond@example.org");
    SetSz(HKEY_CURRENT_USER, Account(L"00000101"), L"POP3 Server", L"pop.beyond.example");

    TSetupForm* form = Start();
    EXPECT_EQ(Lines(form->POP3qxComboBox->Items()), (std::vector<std::string>{"pop.example.org", "pop.last.example"}));
    EXPECT_EQ(Lines(form->eMailqxComboBox->Items()), (std::vector<std::string>{"alice", "Bob Ünicode"}));
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), -1);
    EXPECT_EQ(Query(HKEY_CURRENT_USER, Account(L"00000002"), L"SMTP Email Address").first, 0u);  // nothing written
}

TEST_F(SetupFormTest, Win32AccountValueOfAnotherTypeRaises) {
    SetBinary(HKEY_CURRENT_USER, Account(L"00000003"), L"SMTP Email Address");
    try {
        new TSetupForm(nullptr, Timers.get());
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Ungültiger Datentyp für 'SMTP Email Address'");
    }
    EXPECT_EQ(SetupForm, nullptr);
}

TEST_F(SetupFormTest, Win32AutostartValueIsThePerUserQuotedPath) {
    // A folder with blanks, where an unquoted path would let another program stand in.
    std::filesystem::create_directories(At("Program Files"));
    platform::SetExePathForTests(supporttest::Utf8(FRoot / "Program Files" / "Skimbar.exe"));
    const std::wstring quoted = L"\"" + W(platform::ExePath()) + L"\"";
    ASSERT_NE(quoted.find(L"Program Files\\Skimbar.exe"), std::wstring::npos) << platform::ExePath();
    SetSz(HKEY_LOCAL_MACHINE, kRun, W(OtherRunValue), L"other.exe");
    TSetupForm* form = Start();
    auto [type, data] = Query(HKEY_CURRENT_USER, kRun, L"Skimbar");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, quoted);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kRun, L"Skimbar").first, 0u);  // never machine-wide

    // Unchecked: the user's value goes, and an older version's machine-wide one with it.
    SetSz(HKEY_LOCAL_MACHINE, kRun, L"Skimbar", L"C:\\Old\\Skimbar.exe");
    form->Show();
    UI().Click(*form->AutoStartqxCheckBox);
    EXPECT_EQ(Query(HKEY_CURRENT_USER, kRun, L"Skimbar").first, 0u);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kRun, L"Skimbar").first, 0u);
    EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, kRun, W(OtherRunValue)).second, L"other.exe");
    // Unchecked again while no value exists: no error.
    form->CheckAutoStart();
    EXPECT_TRUE(Logged.empty());

    UI().Click(*form->AutoStartqxCheckBox);
    EXPECT_EQ(Query(HKEY_CURRENT_USER, kRun, L"Skimbar").second, quoted);
    // OK writes it again (unchanged).
    UI().Click(*form->BitBtn1);
    EXPECT_EQ(Query(HKEY_CURRENT_USER, kRun, L"Skimbar").first, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(Logged.empty());
}

const char* const kChildFolder = "SKIMBAR_SETUP_CHILD_FOLDER";
const char* const kPassword = "s3cret päss \"quoted\" ; = [x]";

// A second run of this test program reads the password the first one stored.
TEST_F(SetupFormTest, Win32ProtectedPasswordIsReadBackAfterARestart) {
    TSetupForm* form = Start();
    form->Show();
    UI().Focus(*form->PasswordqxEdit);
    UI().TypeText(*form->PasswordqxEdit, kPassword);
    Finish();
    const std::string stored =
        TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("String", "SetupForm.PasswordqxEdit", "");
    ASSERT_TRUE(IsProtectedValue(stored)) << stored;
    EXPECT_EQ(Settings().find("s3cret"), std::string::npos);

    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    std::wstring command = L"\"" + std::wstring(exe) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=SetupChildProcess.DISABLED_ReadsThePassword";
    ASSERT_TRUE(SetEnvironmentVariableW(W(kChildFolder).c_str(), W(supporttest::Utf8(FRoot)).c_str()));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(W(kChildFolder).c_str(), nullptr);
    ASSERT_TRUE(started);
    // Bounded only against a hang; the child needs a second or two.
    const DWORD waited = WaitForSingleObject(pi.hProcess, 300000);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 98);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(Exists("child-read-it")) << "the second process did not get to the check";
}

// Run only by the test above, in a process of its own.
TEST(SetupChildProcess, DISABLED_ReadsThePassword) {
    const char* folder = std::getenv(kChildFolder);
    ASSERT_NE(folder, nullptr);
    platform::SetExePathForTests(std::string(folder) + "\\Skimbar.exe");
    {
        ui::headless::TSession session;
        InitializeQxGeneral();
        new TSetupForm(nullptr, nullptr);
        LoadRemanentControls();
        EXPECT_EQ(SetupForm->PasswordqxEdit->Text(), kPassword);
        EXPECT_FALSE(SetupForm->PasswordqxEdit->RemanentChanged());
        delete SetupForm;
        FinalizeQxGeneral();
    }
    if (!::testing::Test::HasFailure()) {
        TIniFile marker(std::string(folder) + "\\child-read-it");
        marker.WriteString("Result", "Read", "1");
    }
    platform::SetExePathForTests("");
}

}  // namespace
