// The single-instance check and the log against the real system: the named mutex, the
// registered wake-up message, a log locked by another program and a read-only log.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Text.h"
#include "platform/Paths.h"
#include "support/qxApplicationEvents.h"
#include "support/qxGeneral.h"
#include "ui/Forms.h"
#include "ui/UiTestDriver.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

class AppEventsWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        ui::StartUp(uitest::MakeBackend("win32"));
        Name = "SkimbarAE" + std::to_string(GetCurrentProcessId());
        FRoot = fs::temp_directory_path() / ("skimbar-appevents-w32-" + Name);
        fs::remove_all(FRoot);
        fs::create_directories(FRoot);
        platform::SetExePathForTests(Utf8(FRoot / (Name + ".exe")));
        FinalizeQxGeneral();
        TqxApplicationEvents::SetHaltForTests([this] { ++Halts; });
    }
    void TearDown() override {
        delete FForm;
        FinalizeQxGeneral();
        ui::ShutDown();
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        TqxApplicationEvents::SetHaltForTests(
            [] { ADD_FAILURE() << "a second instance would have ended the test program here"; });
        platform::SetExePathForTests("");
        std::error_code ec;
        fs::remove_all(FRoot, ec);
    }
    TqxApplicationEvents* Place(bool startOnce) {
        delete FForm;
        FForm = new TForm(nullptr);
        FForm->BeginReading();
        auto* events = new TqxApplicationEvents(FForm);
        events->SetShowExceptionBox(false);
        events->SetStartOnce(startOnce);
        FForm->EndDesign();
        return events;
    }
    std::string LogText() const {
        std::ifstream in(FRoot / (Name + ".ERR"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::wstring LogPath() const { return (FRoot / (Name + ".ERR")).wstring(); }

    std::string Name;
    fs::path FRoot;
    TForm* FForm = nullptr;
    int Halts = 0;
};

TEST_F(AppEventsWin32Test, LockIsAMutexNamedAfterTheFileAndTheMessageIsRegistered) {
    TqxApplicationEvents* events = Place(true);
    ASSERT_TRUE(events->HoldsInstanceLock());
    const std::wstring mutexName(Name.begin(), Name.end());
    std::wstring folded = mutexName;
    CharLowerBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, (folded + L".exe").c_str());
    ASSERT_NE(h, nullptr);
    CloseHandle(h);
    EXPECT_EQ(events->StartOnceMessage(), RegisterWindowMessageW((L"WM_USER_" + mutexName).c_str()));
    EXPECT_GE(events->StartOnceMessage(), 0xC000u);
    // A mutex of that name made by anyone: the component stops, after its broadcast.
    Place(true);
    EXPECT_EQ(Halts, 1);
}

TEST_F(AppEventsWin32Test, EverySpellingOfTheFileIsOneInstance) {
    // A real file with a long name, so that the system gives it a short 8.3 name.
    const fs::path exe = FRoot / "Skimbar Long Program Name.exe";
    std::ofstream(exe, std::ios::binary) << "MZ";
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetShortPathNameW(exe.wstring().c_str(), buffer, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    const std::wstring shortPath(buffer, n);
    ASSERT_NE(fs::path(shortPath).filename(), exe.filename());
    platform::SetExePathForTests(Utf8(exe));
    Place(true);
    EXPECT_EQ(Halts, 0);
    for (const fs::path& other : {fs::path(shortPath), FRoot / "SKIMBAR LONG PROGRAM NAME.EXE"}) {
        SCOPED_TRACE(Utf8(other));
        platform::SetExePathForTests(Utf8(other));
        EXPECT_EQ(TqxApplicationEvents::InstanceLockName(Utf8(other)), "skimbar long program name.exe");
        EXPECT_TRUE(text::SameText(TqxApplicationEvents::WakeUpMessageName(Utf8(other)), "WM_USER_Skimbar Long Program Name"));
        TForm* keep = FForm;
        FForm = nullptr;
        Place(true);  // a second start under that spelling: stopped
        delete FForm;
        FForm = keep;
    }
    EXPECT_EQ(Halts, 2);
}

TEST_F(AppEventsWin32Test, LogLockedByAnotherProgram) {
    {
        std::ofstream(FRoot / (Name + ".ERR"), std::ios::binary) << "old row\r\n";
    }
    HANDLE locked = CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    TqxApplicationEvents* events = Place(false);  // starts, with an empty log
    EXPECT_EQ(events->ErrRows().Count(), 0);
    events->LogException(Exception("while locked"), 0);
    EXPECT_EQ(events->ErrRows().Count(), 1);
    CloseHandle(locked);
    EXPECT_EQ(LogText(), "old row\r\n");  // not replaced meanwhile
    events->LogException(Exception("after"), 0);
    // Readable again: the history comes first, nothing is lost.
    EXPECT_EQ(LogText(), events->ErrRows().Text());
    ASSERT_EQ(events->ErrRows().Count(), 3);
    EXPECT_EQ(events->ErrRows()[0], "old row");
}

TEST_F(AppEventsWin32Test, ReadOnlyLogKeepsTheRowsInMemory) {
    TqxApplicationEvents* events = Place(false);
    events->LogException(Exception("one"), 0);
    ASSERT_TRUE(SetFileAttributesW(LogPath().c_str(), FILE_ATTRIBUTE_READONLY));
    events->LogException(Exception("two"), 0);
    EXPECT_EQ(events->ErrRows().Count(), 2);
    EXPECT_EQ(LogText(), events->ErrRows()[0] + "\r\n");
    ASSERT_TRUE(SetFileAttributesW(LogPath().c_str(), FILE_ATTRIBUTE_NORMAL));
    events->LogException(Exception("three"), 0);
    EXPECT_EQ(LogText(), events->ErrRows().Text());
    EXPECT_EQ(events->ErrRows().Count(), 3);
}

}  // namespace
