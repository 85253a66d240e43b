// The instance lock and the wake-up against the real kernel objects.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/InstanceLock.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string Unique(const char* what) { return std::string("SkimbarW32 ") + what + std::to_string(GetCurrentProcessId()); }

TEST(Win32LockTest, IsANamedMutex) {
    const std::string name = Unique("lock") + ".exe";
    {
        platform::TInstanceLock lock(name);
        ASSERT_FALSE(lock.AlreadyExists());
        HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str());
        ASSERT_NE(h, nullptr);
        CloseHandle(h);
    }
    // Released with the object.
    HANDLE gone = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str());
    EXPECT_EQ(gone, nullptr);
    if (gone) CloseHandle(gone);
}

TEST(Win32LockTest, SeesAMutexMadeByTheApi) {
    const std::string name = Unique("api") + ".exe";
    HANDLE h = CreateMutexW(nullptr, FALSE, Wide(name).c_str());
    ASSERT_NE(h, nullptr);
    {
        platform::TInstanceLock lock(name);
        EXPECT_TRUE(lock.AlreadyExists());
    }
    // The lock that found it closed its own handle; ours keeps the mutex alive.
    HANDLE again = OpenMutexW(SYNCHRONIZE, FALSE, Wide(name).c_str());
    EXPECT_NE(again, nullptr);
    if (again) CloseHandle(again);
    CloseHandle(h);
}

TEST(Win32LockTest, NameTakenByAnotherObjectKindCountsAsFirst) {
    // A name held by an event cannot become a mutex: no handle, so the program runs.
    const std::string name = Unique("event") + ".exe";
    HANDLE e = CreateEventW(nullptr, FALSE, FALSE, Wide(name).c_str());
    ASSERT_NE(e, nullptr);
    platform::TInstanceLock lock(name);
    EXPECT_FALSE(lock.AlreadyExists());
    CloseHandle(e);
}

TEST(Win32WakeTest, ListenerIsANamedEventApartFromTheMutex) {
    const std::string name = Unique("wake") + ".exe";
    platform::TInstanceLock lock(name);
    ASSERT_FALSE(lock.AlreadyExists());
    platform::TWakeListener listener(name);
    ASSERT_TRUE(listener.Listening());
    HANDLE e = OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"SkimbarWake_" + Wide(name)).c_str());
    ASSERT_NE(e, nullptr);
    SetEvent(e);
    CloseHandle(e);
    EXPECT_TRUE(listener.PollWake());
    EXPECT_FALSE(listener.PollWake());
}

}  // namespace
