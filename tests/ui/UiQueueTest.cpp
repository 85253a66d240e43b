// The hand-over from other threads: Application->Queue, on every backend; and the headless
// backend's check that windows and timers are used on the user-interface thread only.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

namespace {

// Runs the application's loop until done() holds or maxMs of real time passed.
bool LoopUntil(const std::function<bool()>& done, int maxMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (!done() && std::chrono::steady_clock::now() < end) Application->HandleMessage();
    return done();
}

class QueueTest : public UiTest {};

TEST_P(QueueTest, CallsFromAWorkerRunOnTheUiThreadInOrderAndTimersGoOn) {
    constexpr int kCalls = 3000;
    const auto uiThread = std::this_thread::get_id();
    std::vector<int> seen;
    bool offThread = false;
    int ticks = 0;
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    Application->BeginBackgroundWork();
    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) {
            Application->Queue([&, i] {
                if (std::this_thread::get_id() != uiThread) offThread = true;
                seen.push_back(i);
                if (i == kCalls - 1) Application->EndBackgroundWork();
            });
            // Bursts with pauses, as a worker waiting for its server queues them.
            if (i % 500 == 499) std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    });
    const bool all = LoopUntil([&] { return seen.size() == kCalls; }, 20000);
    worker.join();
    ASSERT_TRUE(all) << seen.size();
    EXPECT_FALSE(offThread);
    for (int i = 0; i < kCalls; ++i) ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
    EXPECT_GT(ticks, 0);  // the loop ran timers between the bursts
}

TEST_P(QueueTest, AnExceptionOfAQueuedCallReachesTheApplicationAndTheNextCallStillRuns) {
    std::vector<std::string> caught;
    Application->OnException = [&](TObject*, const Exception& e) { caught.push_back(e.Message()); };
    bool after = false;
    std::thread worker([&] {
        Application->Queue([] { throw Exception("queued failure"); });
        Application->Queue([&] { after = true; });
    });
    worker.join();
    EXPECT_TRUE(LoopUntil([&] { return after; }, 5000));
    EXPECT_EQ(caught, std::vector<std::string>{"queued failure"});
    Application->OnException = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Backends, QueueTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });

class WrongThreadTest : public HeadlessTest {};

TEST_F(WrongThreadTest, TimersAndWindowsUsedFromAnotherThreadAreCaught) {
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    TForm form(nullptr);
    struct Case {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"timer start", [&] { timer.SetEnabled(true); }},
        {"window creation", [&] { form.HandleNeeded(); }},
    };
    for (const Case& c : cases) {
        std::string error;
        std::thread worker([&] {
            try {
                c.call();
            } catch (const ui::headless::TWrongThread& e) {
                error = e.what();
            }
        });
        worker.join();
        EXPECT_NE(error.find("off the user-interface thread"), std::string::npos) << c.what;
    }
    timer.SetEnabled(false);
    timer.SetEnabled(true);  // on its own thread it runs
    EXPECT_TRUE(timer.Running());
}

}  // namespace
