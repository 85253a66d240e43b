// The strip against a plain model of its tick: every item one pixel to the left, the first
// retired one freed and the walk stopped there, an item out at the left wrapped behind the
// rightmost one (or retired when transient). The strip keeps its own copy of places and moves
// only items in view for real, so these tests check that the copy never drifts from the model
// through adds, wraps, retiring, relayout and moves made from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/MainFormFixture.h"
#include "ui/headless/Headless.h"

namespace {

using maintest::MainFormTest;

struct TModelItem {
    TMailPanel* Item;
    int Left;
    int Width;
    bool Alive;
    bool Transient;
};

class TickerStripTest : public MainFormTest {
protected:
    void StartWithItems(int count) {
        WriteSettings("127.0.0.1:1");
        Start();
        RetireWelcome();
        for (int i = 0; i < count; ++i)
            Form->AddTickerItem("s" + std::to_string(i) + "@x", std::string(static_cast<std::size_t>(i % 37), 'x'),
                                1000 * i, dt::Now(), "<" + std::to_string(i) + "@x>");
        ReadModel();
    }

    void ReadModel() {
        Model.clear();
        Form->SyncItemPlaces();
        for (TMailPanel* item : Form->Items)
            Model.push_back({item, item->Left(), item->Width(), item->Alive(), item->Id() == "-1"});
    }

    void ModelTick() {
        const int bar = Form->Width();
        for (std::size_t i = 0; i < Model.size(); ++i) {
            TModelItem& m = Model[i];
            if (!m.Alive) {
                Model.erase(Model.begin() + static_cast<std::ptrdiff_t>(i));
                return;
            }
            --m.Left;
            if (m.Left + m.Width >= 0) continue;
            if (m.Transient) {
                m.Alive = false;
                continue;
            }
            int right = bar;
            for (const TModelItem& o : Model) right = std::max(right, o.Left + o.Width);
            m.Left = right;
        }
    }

    // Items in view must be in place without any syncing: they are what gets painted.
    void ExpectInViewItemsInPlace(const char* when) {
        const int bar = Form->Width();
        ASSERT_EQ(Form->Items.size(), Model.size()) << when;
        for (std::size_t i = 0; i < Model.size(); ++i) {
            const TModelItem& m = Model[i];
            ASSERT_EQ(Form->Items[i], m.Item) << when << " item " << i;
            if (m.Left < bar && m.Left + m.Width > 0) ASSERT_EQ(m.Item->Left(), m.Left) << when << " item " << i;
            // Out of view, the kept place is out of view as well: nothing is painted wrongly.
            else ASSERT_FALSE(m.Item->Left() < bar && m.Item->Left() + m.Item->Width() > 0) << when << " item " << i;
        }
    }

    void ExpectAllInPlace(const char* when) {
        Form->SyncItemPlaces();
        ASSERT_EQ(Form->Items.size(), Model.size()) << when;
        for (std::size_t i = 0; i < Model.size(); ++i) {
            ASSERT_EQ(Form->Items[i]->Left(), Model[i].Left) << when << " item " << i;
            ASSERT_EQ(Form->Items[i]->Alive(), Model[i].Alive) << when << " item " << i;
        }
    }

    void RunTicks(int n, const char* when) {
        for (int t = 0; t < n; ++t) {
            Tick();
            ModelTick();
            ExpectInViewItemsInPlace(when);
            if (HasFatalFailure()) return;
        }
        ExpectAllInPlace(when);
    }

    std::vector<TModelItem> Model;
};

TEST_F(TickerStripTest, ManyItemsWrapInTheModelsOrderOverSeveralRounds) {
    StartWithItems(40);
    int total = 0;
    for (const TModelItem& m : Model) total += m.Width;
    // Every item leaves at the left and wraps at least twice.
    RunTicks(2 * (total + Form->Width()) + 50, "wrapping");
}

TEST_F(TickerStripTest, ItemsAddedBetweenTicksJoinBehindTheRightmost) {
    StartWithItems(5);
    RunTicks(700, "before adding");
    for (int i = 100; i < 110; ++i) {
        ASSERT_TRUE(Form->AddTickerItem("late@x", "late", 1, dt::Now(), "<" + std::to_string(i) + "@x>"));
        TMailPanel* added = Form->Items.back();
        int right = Form->Width();
        for (const TModelItem& m : Model) right = std::max(right, m.Left + m.Width);
        EXPECT_EQ(added->Left(), right);
        Model.push_back({added, added->Left(), added->Width(), true, false});
        RunTicks(37, "after adding");
    }
}

// An item that wraps and one added before the next tick: the new one goes behind the
// wrapped one, never on top of it (two of equal width would then wrap together for good).
TEST_F(TickerStripTest, AnItemAddedRightAfterAWrapGoesBehindTheWrappedOne) {
    StartWithItems(0);
    for (const char* id : {"<a@x>", "<b@x>"})
        ASSERT_TRUE(Form->AddTickerItem("same@x", "same subject", 2048, dt::Now(), id));
    ReadModel();
    ASSERT_EQ(Model[0].Width, Model[1].Width);
    const int bar = Form->Width();
    // Up to the tick that wraps the first item.
    bool wrapped = false;
    for (int ticks = 0; ticks < 10000 && !wrapped; ++ticks) {
        const int before = Model[0].Left;
        Tick();
        ModelTick();
        wrapped = Model[0].Left > before;
    }
    ASSERT_TRUE(wrapped);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(Form->AddTickerItem("same@x", "same subject", 2048, dt::Now(), "<c" + std::to_string(round) + "@x>"));
        TMailPanel* added = Form->Items.back();
        int right = bar;
        for (const TModelItem& m : Model) right = std::max(right, m.Left + m.Width);
        if (round == 0) {
            ASSERT_EQ(right, Model[0].Left + Model[0].Width);  // the wrapped one is rightmost
        }
        EXPECT_EQ(added->Left(), right);
        Model.push_back({added, added->Left(), added->Width(), true, false});
        RunTicks(2 * (bar + 5 * Model[0].Width), "after the add");
        // No two items share a place.
        for (std::size_t i = 0; i < Model.size(); ++i)
            for (std::size_t j = i + 1; j < Model.size(); ++j)
                EXPECT_TRUE(Model[i].Left + Model[i].Width <= Model[j].Left || Model[j].Left + Model[j].Width <= Model[i].Left)
                    << i << " and " << j;
    }
}

TEST_F(TickerStripTest, RetiringStopsTheWalkAtTheFirstRetiredItem) {
    StartWithItems(12);
    RunTicks(300, "before retiring");
    // Retire one in the middle: the items before it move, the rest stand for that tick.
    Form->Items[6]->SetAlive(false);
    Model[6].Alive = false;
    RunTicks(3, "one retired");
    // Then all, as a click does.
    for (TMailPanel* item : Form->Items) item->SetAlive(false);
    for (TModelItem& m : Model) m.Alive = false;
    RunTicks(static_cast<int>(Model.size()), "all retired");
    EXPECT_TRUE(Form->Items.empty());
}

TEST_F(TickerStripTest, TransientItemRetiresAtTheLeftEdgeAmongOthers) {
    StartWithItems(3);
    ASSERT_TRUE(Form->AddTickerItem("System", "No new mails", 0, dt::Now(), "-1"));
    TMailPanel* transient = Form->Items.back();
    Model.push_back({transient, transient->Left(), transient->Width(), true, true});
    RunTicks(Form->Width() + 2000, "transient");
    EXPECT_FALSE(Form->KnownIds.Contains("-1"));
}

TEST_F(TickerStripTest, WidthChangesAndOutsideMovesAreTakenOver) {
    StartWithItems(20);
    RunTicks(900, "before changes");
    // An item out of view at the right gets wider (a language switch relays items out), one
    // in view is moved from outside.
    std::size_t outOfView = Model.size();
    std::size_t inView = Model.size();
    for (std::size_t i = 0; i < Model.size(); ++i) {
        if (Model[i].Left >= Form->Width() && outOfView == Model.size()) outOfView = i;
        if (Model[i].Left > 0 && Model[i].Left + Model[i].Width < Form->Width()) inView = i;
    }
    ASSERT_LT(outOfView, Model.size());
    ASSERT_LT(inView, Model.size());
    TMailPanel* wide = Model[outOfView].Item;
    wide->SetSender("a much longer sender address than before@example.com");
    Model[outOfView].Width = wide->Width();
    Model[inView].Item->SetLeft(Model[inView].Left + 3);
    Model[inView].Left += 3;
    ExpectAllInPlace("right after the changes");
    RunTicks(3000, "after the changes");
}

TEST_F(TickerStripTest, AWiderBarShowsNoItemAtAKeptPlace) {
    StartWithItems(30);
    RunTicks(1500, "narrow");
    Form->SetWidth(Form->Width() + 4000);
    // The next tick repairs the places before anything is painted at the new width.
    RunTicks(500, "wide");
}

TEST_F(TickerStripTest, ATickShiftsTheBarAndPaintsOnlyTheColumnComingIn) {
    StartWithItems(30);
    RunTicks(400, "filling the bar");
    const TRect bar = Form->ClientRect();
    H().Paint(*Form);
    const std::size_t scrolls = H().ScrollCalls().size();
    Tick();
    ModelTick();
    ASSERT_EQ(H().ScrollCalls().size(), scrolls + 1);
    EXPECT_EQ(H().ScrollCalls().back().Dx, -1);
    EXPECT_EQ(H().ScrollCalls().back().Area, bar);
    EXPECT_EQ(H().InvalidArea(*Form), (TRect{bar.Right - 1, bar.Top, bar.Right, bar.Bottom}));
    ExpectInViewItemsInPlace("scrolled");
}

TEST_F(TickerStripTest, ATickThatStopsAtARetiredItemRepaintsInsteadOfShifting) {
    StartWithItems(30);
    RunTicks(400, "filling the bar");
    // Retire an item in view behind others in view: those before it move, the rest stand.
    std::size_t retired = 0;
    for (std::size_t i = 1; i < Model.size(); ++i)
        if (Model[i].Left > 0 && Model[i].Left + Model[i].Width < Form->Width()) {
            retired = i;
            break;
        }
    ASSERT_GT(retired, 0u);
    Form->Items[retired]->SetAlive(false);
    Model[retired].Alive = false;
    H().Paint(*Form);
    const std::size_t scrolls = H().ScrollCalls().size();
    Tick();
    ModelTick();
    EXPECT_EQ(H().ScrollCalls().size(), scrolls);
    // The moved items in view are painted at both places.
    const TRect invalid = H().InvalidArea(*Form);
    for (std::size_t i = 0; i < retired; ++i) {
        const TModelItem& m = Model[i];
        if (m.Left + 1 < Form->Width() && m.Left + m.Width + 1 > 0) {
            EXPECT_LE(invalid.Left, std::max(0, m.Left));
            EXPECT_GE(invalid.Right, std::min(Form->Width(), m.Left + m.Width + 1));
        }
    }
    ExpectInViewItemsInPlace("after the stop");
}

}  // namespace
