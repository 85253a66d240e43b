// The bar as a desktop toolbar at the top of the screen, and its manners while a full-screen
// application is in front.
#include "app/MainFormFixture.h"
#include "core/IniFile.h"

namespace maintest {
namespace {

using ui::headless::TAppBarCall;

class MainFormDockTest : public MainFormTest {
protected:
    void StartWith(bool dock, bool stayOnTop = true, bool autoShow = true) {
        WriteSettings("127.0.0.1:1", "secret", "", autoShow, stayOnTop);
        if (!dock) TIniFile(AtUtf8("Cfg/Skimbar.ini")).WriteBool("Boolean", "SetupForm.DockBarqxCheckBox", false);
        Start();
        Form->PollMailTimer->SetEnabled(false);  // no server in these tests
    }
    const TRect* Band() { return H().AppBarBand(*Form); }
    std::vector<TAppBarCall::Kind> Calls() {
        std::vector<TAppBarCall::Kind> kinds;
        for (const TAppBarCall& c : H().AppBarCalls()) kinds.push_back(c.What);
        return kinds;
    }
    std::intptr_t LastInsertAfter() {
        return H().WindowPosCalls().empty() ? 99 : H().WindowPosCalls().back().InsertAfter;
    }
    void PressOk() {
        SetupForm->Show();
        H().Click(*SetupForm->BitBtn1);
    }
};

TEST_F(MainFormDockTest, TheShownBarHoldsItsBandAndGivesItBackWhenHiddenAndAtTheSessionEnd) {
    StartWith(true);
    ASSERT_TRUE(Form->Visible());
    ASSERT_NE(Band(), nullptr);
    EXPECT_EQ(*Band(), (TRect{0, 0, 1920, 38}));
    EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1920, 38}));
    Form->HideAction->Execute();
    EXPECT_EQ(Band(), nullptr);
    Form->ShowAction->Execute();
    ASSERT_NE(Band(), nullptr);
    H().EndSession();
    EXPECT_EQ(Band(), nullptr);  // while the window still exists
    using K = TAppBarCall::Kind;
    EXPECT_EQ(Calls(), (std::vector<K>{K::Dock, K::Undock, K::Dock, K::Undock}));
}

TEST_F(MainFormDockTest, TheBarMovesBelowOtherBarsAndFollowsTheShell) {
    H().SetTopReserved(30);
    StartWith(true);
    EXPECT_EQ(Form->BoundsRect(), (TRect{0, 30, 1920, 68}));
    H().SetTopReserved(0);  // that bar went
    H().ShellMovedAppBars();
    EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1920, 38}));
    ASSERT_NE(Band(), nullptr);
    EXPECT_EQ(*Band(), Form->BoundsRect());
    // Grown (a higher DPI) or narrowed (a display change): the band follows the new size.
    Form->SetHeight(57);
    EXPECT_EQ(*Band(), (TRect{0, 0, 1920, 57}));
    Form->SetBounds(0, 0, 1280, 57);
    EXPECT_EQ(*Band(), (TRect{0, 0, 1920, 57}));
    EXPECT_EQ(Form->BoundsRect(), (TRect{0, 0, 1920, 57}));
}

// A display change: the bar, docked or not, spans the primary monitor's new width and keeps
// its top; a window that did not span the old width stays where it was.
class MainFormDisplayTest : public MainFormDockTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MainFormDisplayTest, ADisplayChangeStretchesTheBarToTheNewWidth) {
    const bool dock = GetParam();
    H().SetTopReserved(dock ? 30 : 0);
    StartWith(dock);
    const int top = Form->Top();
    SetupForm->SetBounds(100, 100, 400, 300);
    H().ChangeDisplay(1280, 1024);
    EXPECT_EQ(Form->BoundsRect(), (TRect{0, top, 1280, top + 38}));
    if (dock) {
        ASSERT_NE(Band(), nullptr);
        EXPECT_EQ(*Band(), Form->BoundsRect());
    }
    EXPECT_EQ(SetupForm->BoundsRect(), (TRect{100, 100, 500, 400}));
}

INSTANTIATE_TEST_SUITE_P(Modes, MainFormDisplayTest, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Docked" : "Undocked"); });

TEST_F(MainFormDockTest, FreeingTheBarAtTheProgramsEndGivesTheBandBack) {
    StartWith(true);
    Form->QuitActionExecute(Form);
    ASSERT_NE(Band(), nullptr);  // the window is still there until the program ends
    const TCustomForm* bar = Form;
    delete Form;
    Form = nullptr;
    ASSERT_FALSE(H().AppBarCalls().empty());
    EXPECT_EQ(H().AppBarCalls().back().What, TAppBarCall::Undock);
    EXPECT_EQ(H().AppBarCalls().back().Form, bar);
    EXPECT_EQ(H().AppBarBand(*bar), nullptr);
}

TEST_F(MainFormDockTest, TheCheckBoxDocksOrUndocksOnOkOnlyAndIsRemembered) {
    StartWith(true);
    EXPECT_TRUE(SetupForm->DockBarqxCheckBox->Checked());  // on by default
    SetupForm->Show();
    SetupForm->DockBarqxCheckBox->SetChecked(false);
    EXPECT_NE(Band(), nullptr);  // nothing before OK
    H().Click(*SetupForm->BitBtn1);
    EXPECT_EQ(Band(), nullptr);
    EXPECT_TRUE(Form->Visible());
    // Cancel undoes the change: the bar stays as it is.
    SetupForm->Show();
    SetupForm->DockBarqxCheckBox->SetChecked(true);
    H().Click(*SetupForm->BitBtn2);
    EXPECT_FALSE(SetupForm->DockBarqxCheckBox->Checked());
    EXPECT_EQ(Band(), nullptr);
    Stop();
    TqxApplicationEvents::ReleaseInstanceLocksForTests();
    EXPECT_FALSE(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadBool("Boolean", "SetupForm.DockBarqxCheckBox", true));

    // The next start keeps the bar undocked; checking it again docks it at OK.
    Session = std::make_unique<ui::headless::TSession>();
    Start();
    ASSERT_TRUE(Form->Visible());
    EXPECT_FALSE(SetupForm->DockBarqxCheckBox->Checked());
    EXPECT_TRUE(H().AppBarCalls().empty());
    SetupForm->Show();
    SetupForm->DockBarqxCheckBox->SetChecked(true);
    H().Click(*SetupForm->BitBtn1);
    ASSERT_NE(Band(), nullptr);
}

// A full-screen application in front: the docked bar hears the shell at once, the undocked
// one finds it at its next look; either way the ticker stops and the bar goes below.
struct TFullScreenCase {
    bool Dock;
    bool StayOnTop;
};

class MainFormFullScreenTest : public MainFormDockTest, public ::testing::WithParamInterface<TFullScreenCase> {
protected:
    void FullScreen(bool inFront) {
        H().SetFullScreenApp(inFront);
        if (!GetParam().Dock) H().advance(TCustomForm::FullScreenPollMs);
    }
};

TEST_P(MainFormFullScreenTest, PausesTheTickerAndLeavesTheTopUntilItEnds) {
    StartWith(GetParam().Dock, GetParam().StayOnTop);
    H().advance(300);  // the stay-on-top step after showing
    const std::intptr_t onTop = GetParam().StayOnTop ? ui::HwndTopMost : ui::HwndNoTopMost;
    ASSERT_EQ(LastInsertAfter(), onTop);
    FullScreen(true);
    EXPECT_TRUE(Form->FullScreenApp());
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    EXPECT_EQ(LastInsertAfter(), ui::HwndBottom);
    EXPECT_EQ(H().WindowPosCalls().back().Flags, 0x13u);
    const int left = Item(0)->Left();
    H().advance(1000);
    EXPECT_EQ(Item(0)->Left(), left);
    // Shown again meanwhile (new mail, the tray): still below, also after the stay-on-top step.
    Form->HideAction->Execute();
    const std::size_t before = H().WindowPosCalls().size();
    Form->ShowAction->Execute();
    EXPECT_EQ(H().WindowPosCalls().size(), before + 1);
    EXPECT_EQ(LastInsertAfter(), ui::HwndBottom);
    H().advance(300);
    EXPECT_EQ(H().WindowPosCalls().size(), before + 2);
    EXPECT_EQ(LastInsertAfter(), ui::HwndBottom);

    FullScreen(false);
    EXPECT_FALSE(Form->FullScreenApp());
    EXPECT_TRUE(Form->ScrollTimer->Enabled());
    EXPECT_EQ(LastInsertAfter(), onTop);
    H().advance(300);
    EXPECT_LT(Item(0)->Left(), left);
}

INSTANTIATE_TEST_SUITE_P(Modes, MainFormFullScreenTest,
                         ::testing::Values(TFullScreenCase{true, true}, TFullScreenCase{true, false},
                                           TFullScreenCase{false, true}, TFullScreenCase{false, false}),
                         [](const auto& info) {
                             return std::string(info.param.Dock ? "Docked" : "Undocked") +
                                    (info.param.StayOnTop ? "OnTop" : "NotOnTop");
                         });

TEST_F(MainFormDockTest, AFullScreenApplicationAlreadyInFrontAtTheStartIsFound) {
    H().SetFullScreenApp(true);
    StartWith(true);
    EXPECT_TRUE(Form->FullScreenApp());
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    EXPECT_EQ(LastInsertAfter(), ui::HwndBottom);
}

}  // namespace
}  // namespace maintest
