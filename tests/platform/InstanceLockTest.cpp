#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/InstanceLock.h"
#include "platform/PlatformTestSupport.h"

namespace {

using platformtest::GetEnv;
using platformtest::SetEnv;
using platformtest::UnsetEnv;

std::string UniqueName(const char* what) {
    return std::string("SkimbarTest ") + what + " " + std::to_string(platformtest::ProcessId()) + ".exe";
}

TEST(InstanceLockTest, SecondLockOfTheSameNameSeesTheFirst) {
    const std::string name = UniqueName("same");
    auto first = std::make_unique<platform::TInstanceLock>(name);
    EXPECT_FALSE(first->AlreadyExists());
    EXPECT_EQ(first->Name(), name);
    {
        platform::TInstanceLock second(name);
        EXPECT_TRUE(second.AlreadyExists());
        platform::TInstanceLock other(UniqueName("other"));
        EXPECT_FALSE(other.AlreadyExists());  // another executable name is not stopped
    }
    first.reset();
    platform::TInstanceLock again(name);
    EXPECT_FALSE(again.AlreadyExists());  // released with its owner
}

TEST(InstanceLockTest, NamesThatSanitiseAlikeStayApart) {
    platform::TInstanceLock a(UniqueName("a b"));
    platform::TInstanceLock b(UniqueName("a_b"));
    EXPECT_FALSE(a.AlreadyExists());
    EXPECT_FALSE(b.AlreadyExists());
}

#ifndef _WIN32
// A lock file that another user planted in the shared folder, held by that user: it must not
// stop the program.
TEST(InstanceLockTest, ForeignLockFileIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to give a file to another user";
    const std::string folder = "/tmp/skimbar-lock-test-" + std::to_string(platformtest::ProcessId());
    ASSERT_EQ(::mkdir(folder.c_str(), 01777), 0);
    const std::string saved = GetEnv("XDG_RUNTIME_DIR");
    SetEnv("XDG_RUNTIME_DIR", folder);
    const std::string name = "SkimbarForeign.exe";
    const std::string path = folder + "/skimbar-" + std::to_string(::getuid()) + "-" + name + ".lock";
    const int planted = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(planted, 0);
    ASSERT_EQ(::fchown(planted, 65534, 65534), 0);
    ASSERT_EQ(::fchmod(planted, 0666), 0);
    ASSERT_EQ(::flock(planted, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(platform::TInstanceLock(name).AlreadyExists());
    ::close(planted);
    ::unlink(path.c_str());
    // The user's own file still locks.
    {
        platform::TInstanceLock first(name);
        EXPECT_TRUE(platform::TInstanceLock(name).AlreadyExists());
    }
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    if (saved.empty())
        UnsetEnv("XDG_RUNTIME_DIR");
    else
        SetEnv("XDG_RUNTIME_DIR", saved);
}
#endif

TEST(WakeTest, PollWakeReturnsTrueOncePerWakeUp) {
    const std::string name = UniqueName("wake");
    platform::TWakeListener listener(name);
    ASSERT_TRUE(listener.Listening());
    EXPECT_FALSE(listener.PollWake());
    platform::PostWake(name);
    platform::PostWake(name);
    EXPECT_TRUE(listener.PollWake());
    EXPECT_FALSE(listener.PollWake());
    platform::PostWake(UniqueName("somebody else"));
    EXPECT_FALSE(listener.PollWake());
}

TEST(WakeTest, PostWakeWithoutListenerDoesNothing) {
    const std::string name = UniqueName("nobody");
    platform::PostWake(name);
    platform::TWakeListener late(name);
    EXPECT_FALSE(late.PollWake());
}

TEST(WakeTest, ListenerCanBeMadeAgain) {
    const std::string name = UniqueName("again");
    { platform::TWakeListener first(name); }
    platform::TWakeListener second(name);
    ASSERT_TRUE(second.Listening());
    platform::PostWake(name);
    EXPECT_TRUE(second.PollWake());
}

// Another process: this test binary, running one of the child tests below.
class CrossProcessTest : public platformtest::TempDirTest {
protected:
    std::optional<std::string> RunChild(const std::string& test, const std::string& name) {
        const std::string marker = Path("marker-" + std::to_string(++FRuns) + ".txt");
        SetEnv(platformtest::kChildMarker, marker);
        SetEnv(platformtest::kChildName, name);
        const unsigned rc = platform::WinExec(platformtest::ChildCommand(test), 0);
        UnsetEnv(platformtest::kChildMarker);
        UnsetEnv(platformtest::kChildName);
        EXPECT_GE(rc, 32u);
        if (rc < 32) return std::nullopt;
        return platformtest::WaitForFile(marker, platformtest::kChildTimeout);
    }

private:
    int FRuns = 0;
};

TEST_F(CrossProcessTest, LockIsSeenByASecondProcess) {
    const std::string name = UniqueName("cross");
    {
        platform::TInstanceLock lock(name);
        ASSERT_FALSE(lock.AlreadyExists());
        EXPECT_EQ(RunChild("PlatformChild.DISABLED_ProbeLock", name), std::string("exists"));
    }
    EXPECT_EQ(RunChild("PlatformChild.DISABLED_ProbeLock", name), std::string("free"));
}

TEST_F(CrossProcessTest, SecondProcessWakesTheFirst) {
    const std::string name = UniqueName("cross wake");
    platform::TWakeListener listener(name);
    ASSERT_TRUE(listener.Listening());
    ASSERT_EQ(RunChild("PlatformChild.DISABLED_PostWake", name), std::string("posted"));
    // The wake-up was sent before the child wrote its marker.
    EXPECT_TRUE(listener.PollWake());
    EXPECT_FALSE(listener.PollWake());
}

TEST_F(CrossProcessTest, ListenerOfAnEndedProcessIsReplaced) {
    // The child ends without tidying up, as a crash would.
    const std::string name = UniqueName("crashed");
    ASSERT_EQ(RunChild("PlatformChild.DISABLED_ListenAndVanish", name), std::string("listening"));
    // Its process may take a moment to end after writing the marker.
    platform::TWakeListener* listener = nullptr;
    std::unique_ptr<platform::TWakeListener> owner;
    const auto end = std::chrono::steady_clock::now() + platformtest::kChildTimeout;
    while (!listener && std::chrono::steady_clock::now() < end) {
        owner = std::make_unique<platform::TWakeListener>(name);
        if (owner->Listening()) listener = owner.get();
        else std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(listener, nullptr);
    platform::PostWake(name);
    EXPECT_TRUE(listener->PollWake());
}

TEST(PlatformChild, DISABLED_ListenAndVanish) {
    const std::string marker = GetEnv(platformtest::kChildMarker);
    ASSERT_FALSE(marker.empty());
    auto* listener = new platform::TWakeListener(GetEnv(platformtest::kChildName));
    ASSERT_TRUE(platform::WriteFileBytes(marker, listener->Listening() ? "listening" : "not listening"));
    std::_Exit(0);  // no destructor runs
}

TEST(PlatformChild, DISABLED_ProbeLock) {
    const std::string marker = GetEnv(platformtest::kChildMarker);
    ASSERT_FALSE(marker.empty());
    platform::TInstanceLock lock(GetEnv(platformtest::kChildName));
    ASSERT_TRUE(platform::WriteFileBytes(marker, lock.AlreadyExists() ? "exists" : "free"));
}

TEST(PlatformChild, DISABLED_PostWake) {
    const std::string marker = GetEnv(platformtest::kChildMarker);
    ASSERT_FALSE(marker.empty());
    platform::PostWake(GetEnv(platformtest::kChildName));
    ASSERT_TRUE(platform::WriteFileBytes(marker, "posted"));
}

}  // namespace
