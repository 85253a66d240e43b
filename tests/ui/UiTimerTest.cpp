// Timers: order on the virtual clock, interval 0, restart on change, firing inside modal
// loops and message boxes, and exceptions from a timer handler.
#include <gtest/gtest.h>

#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

namespace {
struct TLog {
    std::vector<std::string> Events;
    TNotifyEvent Note(std::string what) {
        return [this, what](TObject*) { Events.push_back(what); };
    }
};
}  // namespace

class TimerTest : public HeadlessTest {
protected:
    TTimer* MakeTimer(int interval, const std::string& name, TLog& log) {
        auto* t = new TTimer(FOwner.get());
        t->SetInterval(interval);
        t->OnTimer = [this, &log, name](TObject*) { log.Events.push_back(name + "@" + std::to_string(H().Now())); };
        return t;
    }
    std::unique_ptr<TComponent> FOwner = std::make_unique<TComponent>(nullptr);
};

TEST_F(TimerTest, FiresInOrderOfDueTimeTiesInStartOrder) {
    TLog log;
    MakeTimer(30, "a", log);
    MakeTimer(20, "b", log);
    MakeTimer(60, "c", log);
    H().advance(60);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"b@20", "a@30", "b@40", "a@60", "b@60", "c@60"}));
}

TEST_F(TimerTest, IntervalZeroOrBelowNeverFiresAndDisabledStops) {
    TLog log;
    TTimer* zero = MakeTimer(0, "zero", log);
    TTimer* negative = MakeTimer(-10, "neg", log);
    TTimer* off = MakeTimer(10, "off", log);
    off->SetEnabled(false);
    H().advance(1000);
    EXPECT_TRUE(log.Events.empty());
    EXPECT_FALSE(zero->Running());
    EXPECT_FALSE(negative->Running());
    off->SetEnabled(true);
    H().advance(10);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"off@1010"}));
}

TEST_F(TimerTest, ChangingTheIntervalRestartsSettingTheSameDoesNot) {
    TLog log;
    TTimer* t = MakeTimer(100, "t", log);
    H().advance(60);
    t->SetInterval(100);  // unchanged: keeps its schedule
    H().advance(40);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@100"}));
    H().advance(50);  // now 150
    t->SetInterval(80);  // restarts from now
    H().advance(79);
    EXPECT_EQ(log.Events.size(), 1u);
    H().advance(1);
    EXPECT_EQ(log.Events.back(), "t@230");
    t->SetEnabled(true);  // already enabled: no restart
    H().advance(80);
    EXPECT_EQ(log.Events.back(), "t@310");
}

TEST_F(TimerTest, HandlerThatStopsAndRestartsItsOwnTimer) {
    TLog log;
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(30);
    t->OnTimer = [&](TObject*) {
        t->SetEnabled(false);
        log.Events.push_back(std::to_string(H().Now()));
        t->SetEnabled(true);
    };
    H().advance(95);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"30", "60", "90"}));
}

TEST_F(TimerTest, FreedTimerFiresNoMore) {
    TLog log;
    TTimer* t = MakeTimer(10, "t", log);
    TTimer* killer = MakeTimer(15, "k", log);
    killer->OnTimer = [&](TObject*) {
        killer->SetEnabled(false);
        delete t;
    };
    H().advance(100);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@10"}));
}

TEST_F(TimerTest, ExceptionFromTimerReachesOnExceptionAndTimerGoesOn) {
    std::vector<std::string> seen;
    TObject* sender = nullptr;
    Application->OnException = [&](TObject* s, Exception& e) {
        sender = s;
        seen.push_back(e.Message());
    };
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(10);
    int ticks = 0;
    t->OnTimer = [&](TObject*) {
        ++ticks;
        throw Exception("tick " + std::to_string(ticks));
    };
    H().advance(30);
    EXPECT_EQ(seen, (std::vector<std::string>{"tick 1", "tick 2", "tick 3"}));
    EXPECT_EQ(sender, t);
    EXPECT_TRUE(H().MessageBoxes().empty());
}

TEST_F(TimerTest, ExceptionFromTimerWithoutHandlerShowsTheErrorBox) {
    Application->SetTitle("Skimbar");
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(10);
    t->OnTimer = [&](TObject*) {
        t->SetEnabled(false);
        throw Exception("Kaputt");
    };
    H().advance(10);
    ASSERT_EQ(H().MessageBoxes().size(), 1u);
    EXPECT_EQ(H().MessageBoxes()[0].Text, "Kaputt.");
    EXPECT_EQ(H().MessageBoxes()[0].Caption, "Skimbar");
    EXPECT_EQ(H().MessageBoxes()[0].Flags & 0xF0u, ui::MbIconStop);
}

TEST_F(TimerTest, AbortIsSilent) {
    int calls = 0;
    Application->OnException = [&](TObject*, Exception&) { ++calls; };
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(10);
    t->OnTimer = [&](TObject*) { throw EAbort("still"); };
    H().advance(50);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(H().MessageBoxes().empty());
}

TEST_F(TimerTest, TimersFireDuringAModalLoopThatEndsOnModalResult) {
    auto* form = new TForm(nullptr);
    std::unique_ptr<TForm> hold(form);
    std::vector<std::int64_t> ticks;
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(100);
    t->OnTimer = [&](TObject*) {
        ticks.push_back(H().Now());
        EXPECT_TRUE(form->Modal());
        if (ticks.size() == 3) form->SetModalResult(mrOk);
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{100, 200, 300}));
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Modal());
}

TEST_F(TimerTest, TimersFireWhileAMessageBoxIsOpen) {
    int ticks = 0;
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(30);
    t->OnTimer = [&](TObject*) { ++ticks; };
    H().AnswerMessageBox(ui::IdOk, 300);
    ShowMessage("hello");
    EXPECT_EQ(ticks, 10);
    ASSERT_EQ(H().MessageBoxes().size(), 1u);
    EXPECT_EQ(H().MessageBoxes()[0].Text, "hello");
}

TEST_F(TimerTest, OnMessageSeesTimerTicksBeforeDispatch) {
    TTimer* t = new TTimer(FOwner.get());
    t->SetInterval(10);
    int fired = 0, seen = 0;
    t->OnTimer = [&](TObject*) { ++fired; };
    Application->OnMessage = [&](TMsg& m, bool& handled) {
        if (m.Message == ui::WmTimer) {
            ++seen;
            handled = seen == 2;  // the second tick is swallowed
        }
    };
    H().advance(30);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, AModalLoopWithNothingToWaitForStallsInsteadOfHanging) {
    TForm form(nullptr);
    EXPECT_THROW(form.ShowModal(), TLoopStall);
    EXPECT_FALSE(form.Modal());
}

// A handler that stops its timer while it works and starts it again leaves the backend's timer
// alone when nothing changed; any other change takes effect when the handler returns.
TEST_F(TimerTest, AHandlerThatStopsAndRestartsItsTimerKeepsTheBackendTimerRunning) {
    TLog log;
    TTimer* t = MakeTimer(30, "t", log);
    t->OnTimer = [&](TObject*) {
        t->SetEnabled(false);
        log.Events.push_back("t@" + std::to_string(H().Now()));
        t->SetEnabled(true);
    };
    const int starts = H().TimerStarts();
    H().advance(90);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@30", "t@60", "t@90"}));
    EXPECT_EQ(H().TimerStarts(), starts);
    EXPECT_TRUE(t->Running());
}

TEST_F(TimerTest, ChangesAHandlerMakesToItsOwnTimerApplyWhenItReturns) {
    TLog log;
    TTimer* t = MakeTimer(30, "t", log);
    int calls = 0;
    t->OnTimer = [&](TObject*) {
        log.Events.push_back("t@" + std::to_string(H().Now()));
        t->SetEnabled(false);
        if (++calls == 1) {
            t->SetInterval(50);  // new interval, counted from the end of this tick
            t->SetEnabled(true);
        }
    };
    H().advance(200);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@30", "t@80"}));
    EXPECT_FALSE(t->Running());
    EXPECT_FALSE(t->Enabled());
}

TEST_F(TimerTest, AStoppedTimersTicksDuringItsOwnModalLoopAreDropped) {
    TLog log;
    TTimer* t = MakeTimer(20, "t", log);
    int depth = 0;
    t->OnTimer = [&](TObject*) {
        ++depth;
        log.Events.push_back("t" + std::to_string(depth) + "@" + std::to_string(H().Now()));
        t->SetEnabled(false);
        if (depth == 1) {
            H().AnswerMessageBox(ui::IdOk, 100);
            Application->ShowMessageBox("busy", "t", 0);
        }
        t->SetEnabled(true);
        --depth;
    };
    H().advance(20);
    // Only one tick reached the handler while the box was open; the next comes after it.
    ASSERT_FALSE(log.Events.empty());
    EXPECT_EQ(log.Events.front(), "t1@20");
    for (const std::string& e : log.Events) EXPECT_EQ(e.rfind("t2", 0), std::string::npos) << e;
}

TEST_F(TimerTest, ATimerFreedByItsOwnHandlerIsNotTouchedAfterwards) {
    TLog log;
    TTimer* t = MakeTimer(10, "t", log);
    t->OnTimer = [&](TObject*) {
        t->SetEnabled(false);
        delete t;
        log.Events.push_back("freed");
    };
    H().advance(50);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"freed"}));
}
