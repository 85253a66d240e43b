// Single instance across real processes: copies of this test program under the names
// Skimbar.exe, Skim.bar.exe and Other.exe run a main window with the component (the Win32
// backend on Windows, the headless one natively). Each first instance leaves marker files in
// a folder outside the program folder; a second instance must leave nothing at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "platform/PlatformTestSupport.h"
#include "support/ChildProcess.h"
#include "support/qxApplicationEvents.h"
#include "support/qxGeneral.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace {

namespace fs = std::filesystem;
using platformtest::GetEnv;
using supporttest::TChildProcess;

constexpr const char* kMarkerEnv = "SKIMBAR_APPEVENTS_MARKERS";
constexpr std::chrono::milliseconds kBound{60000};

// The main window of the child program, built as a design is read.
class TInstanceForm : public TForm {
public:
    explicit TInstanceForm(TComponent* owner) : TForm(owner) {
        BeginReading();
        SetName("InstanceForm");
        SetBounds(0, 0, 300, 38);
        qxApplicationEvents1 = new TqxApplicationEvents(this);
        qxApplicationEvents1->SetName("qxApplicationEvents1");
        qxApplicationEvents1->SetShowExceptionBox(false);
        qxApplicationEvents1->SetStartOnce(true);
        EndDesign();
    }
    TqxApplicationEvents* qxApplicationEvents1 = nullptr;
};

// The child: starts as the program does; a first instance marks that it runs, marks when a
// wake-up has shown its main window, and ends when the test leaves the file "stop".
TEST(AppEventsChild, DISABLED_Instance) {
    const std::string markers = GetEnv(kMarkerEnv);
    ASSERT_FALSE(markers.empty());
    TqxApplicationEvents::SetHaltForTests({});  // a second instance really ends here
    ui::StartUp(ui::CreateDefaultBackend());
    InitializeQxGeneral();
    Application->Initialize();
    Application->SetShowMainForm(false);
    Application->SetTitle("Skimbar");
    TInstanceForm* form = nullptr;
    Application->CreateForm(form);
    // Only a first instance gets here.
    const std::string me = platformtest::Join(markers, platform::ExtractFileName(platform::ExePath()) + "-" +
                                                           std::to_string(platformtest::ProcessId()));
    ASSERT_TRUE(platform::WriteFileBytes(me + ".first", "running"));
    bool woken = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < end && !platform::FileExists(platformtest::Join(markers, "stop"))) {
#ifdef _WIN32
        Application->ProcessMessages();
#else
        ui::headless::Headless().advance(50);
#endif
        if (!woken && form->Visible()) {
            woken = true;
            ASSERT_TRUE(platform::WriteFileBytes(me + ".woken", "shown"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ui::ShutDown();
    FinalizeQxGeneral();
    ASSERT_TRUE(platform::WriteFileBytes(me + ".ended", "ended"));
}

// What a folder holds: every file below it with its bytes and time of last change.
using TSnapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;
TSnapshot Snapshot(const fs::path& root) {
    TSnapshot s;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string rel = platformtest::Utf8(fs::relative(e.path(), root));
        if (e.is_directory()) {
            s[rel + "/"] = {};
            continue;
        }
        s[rel] = {platform::ReadFileBytes(platformtest::Utf8(e.path())).value_or("?"), e.last_write_time()};
    }
    return s;
}

class AppEventsProcessTest : public platformtest::TempDirTest {
protected:
    void SetUp() override {
        platformtest::TempDirTest::SetUp();
        Program = fs::path(platformtest::FsPath(Dir)) / "prog";
        Markers = fs::path(platformtest::FsPath(Dir)) / "markers";
        Logs = fs::path(platformtest::FsPath(Dir)) / "logs";
        fs::create_directories(Program / "Cfg");
        fs::create_directories(Markers);
        fs::create_directories(Logs);
        platformtest::SetEnv(kMarkerEnv, platformtest::Utf8(Markers));
        // The settings and the log a second instance must leave alone.
        ASSERT_TRUE(platform::WriteFileBytes(platformtest::Utf8(Program / "Cfg" / "Skimbar.ini"),
                                             "[General]\r\nScrollSpeed=40\r\n"));
        ASSERT_TRUE(platform::WriteFileBytes(platformtest::Utf8(Program / "Skimbar.ERR"), "1.12.26 -> old row\r\n"));
    }
    void TearDown() override {
        // Not after a set-up that failed before it had a folder: the stop file would land in
        // the working directory.
        if (!Markers.empty()) (void)platform::WriteFileBytes(platformtest::Utf8(Markers / "stop"), "stop");
        for (auto& p : FChildren) p->Wait(kBound);
        FChildren.clear();
        platformtest::UnsetEnv(kMarkerEnv);
        platformtest::TempDirTest::TearDown();
    }

    // This test program under another name in the program folder.
    void Install(const std::string& name) {
        const fs::path self = platformtest::FsPath(platform::ExePath());
        const fs::path target = Program / name;
        std::error_code ec;
        fs::create_hard_link(self, target, ec);
        if (ec) fs::copy_file(self, target, fs::copy_options::overwrite_existing);
    }
    TChildProcess& Start(const std::string& name) {
        auto child = std::make_unique<TChildProcess>();
        const std::string log = platformtest::Utf8(Logs / (name + "-" + std::to_string(++FStarts) + ".txt"));
        EXPECT_TRUE(child->Start(platformtest::Utf8(Program / name),
                                 {"--gtest_filter=AppEventsChild.DISABLED_Instance",
                                  "--gtest_also_run_disabled_tests", "--gtest_brief=1"},
                                 log));
        FChildren.push_back(std::move(child));
        return *FChildren.back();
    }
    std::string Marker(const std::string& name, const TChildProcess& p, const char* kind) const {
        return platformtest::Utf8(Markers / (name + "-" + std::to_string(p.Pid()) + kind));
    }
    bool WaitMarker(const std::string& path) {
        return platformtest::WaitForFile(path, kBound).has_value();
    }
    int CountMarkers(const std::string& suffix) const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(Markers)) {
            const std::string f = platformtest::Utf8(e.path().filename());
            if (f.size() >= suffix.size() && f.compare(f.size() - suffix.size(), suffix.size(), suffix) == 0) ++n;
        }
        return n;
    }
    void Stop(TChildProcess& p) {
        (void)platform::WriteFileBytes(platformtest::Utf8(Markers / "stop"), "stop");
        const auto rc = p.Wait(kBound);
        ASSERT_TRUE(rc.has_value());
        EXPECT_EQ(*rc, 0);
        fs::remove(Markers / "stop");
    }

    fs::path Program, Markers, Logs;

private:
    std::vector<std::unique_ptr<TChildProcess>> FChildren;
    int FStarts = 0;
};

TEST_F(AppEventsProcessTest, SecondProcessWakesTheFirstAndEndsWithoutWriting) {
    for (const char* exe : {"Skimbar.exe", "Skim.bar.exe"}) {
        const std::string name = exe;
        SCOPED_TRACE(name);
        Install(name);
        TChildProcess& first = Start(name);
        ASSERT_TRUE(WaitMarker(Marker(name, first, ".first")));
        EXPECT_FALSE(platform::FileExists(Marker(name, first, ".woken")));  // started hidden
        const TSnapshot before = Snapshot(Program);

        TChildProcess& second = Start(name);
        const auto rc = second.Wait(kBound);
        ASSERT_TRUE(rc.has_value()) << "the second instance keeps running";
        EXPECT_EQ(*rc, 0);
        EXPECT_TRUE(WaitMarker(Marker(name, first, ".woken"))) << "the first was not woken";
        EXPECT_FALSE(platform::FileExists(Marker(name, second, ".first")));
        EXPECT_TRUE(first.Running());
        EXPECT_EQ(Snapshot(Program), before) << "the second instance changed the program folder";
        Stop(first);
        EXPECT_TRUE(platform::FileExists(Marker(name, first, ".ended")));
    }
}

TEST_F(AppEventsProcessTest, AnotherSpellingOfTheSameNameOnlyWakesTheFirst) {
    Install("Skimbar.exe");
    // Windows finds the same file under any case; elsewhere it is a second name of it.
    if (!fs::exists(Program / "SKIMBAR.EXE")) Install("SKIMBAR.EXE");
    TChildProcess& first = Start("Skimbar.exe");
    ASSERT_TRUE(WaitMarker(Marker("Skimbar.exe", first, ".first")));
    const TSnapshot before = Snapshot(Program);
    TChildProcess& second = Start("SKIMBAR.EXE");
    const auto rc = second.Wait(kBound);
    ASSERT_TRUE(rc.has_value()) << "the second instance keeps running";
    EXPECT_EQ(*rc, 0);
    EXPECT_TRUE(WaitMarker(Marker("Skimbar.exe", first, ".woken"))) << "the first was not woken";
    EXPECT_EQ(CountMarkers(".first"), 1);
    EXPECT_EQ(Snapshot(Program), before) << "the second instance changed the program folder";
    Stop(first);
}

TEST_F(AppEventsProcessTest, AnotherFileNameIsNotStopped) {
    Install("Skimbar.exe");
    Install("Other.exe");
    TChildProcess& skimbar = Start("Skimbar.exe");
    ASSERT_TRUE(WaitMarker(Marker("Skimbar.exe", skimbar, ".first")));
    TChildProcess& other = Start("Other.exe");
    EXPECT_TRUE(WaitMarker(Marker("Other.exe", other, ".first")));
    EXPECT_TRUE(skimbar.Running());
    EXPECT_TRUE(other.Running());
    EXPECT_FALSE(platform::FileExists(Marker("Skimbar.exe", skimbar, ".woken")));  // other message name
    Stop(skimbar);
    Stop(other);
}

TEST_F(AppEventsProcessTest, TwoStartedAtOnceLeaveExactlyOneRunning) {
    Install("Skimbar.exe");
    TChildProcess& a = Start("Skimbar.exe");
    TChildProcess& b = Start("Skimbar.exe");
    // One of them ends by itself; the other runs on as the first instance.
    const auto end = std::chrono::steady_clock::now() + kBound;
    while (std::chrono::steady_clock::now() < end && a.Running() && b.Running())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(a.Running(), b.Running()) << "not exactly one ended";
    TChildProcess& running = a.Running() ? a : b;
    TChildProcess& ended = a.Running() ? b : a;
    EXPECT_EQ(ended.Wait(std::chrono::milliseconds(0)), std::optional<int>(0));
    ASSERT_TRUE(WaitMarker(Marker("Skimbar.exe", running, ".first")));
    EXPECT_TRUE(running.Running());
    EXPECT_EQ(CountMarkers(".first"), 1);
    EXPECT_FALSE(platform::FileExists(Marker("Skimbar.exe", ended, ".first")));
    Stop(running);
}

}  // namespace
