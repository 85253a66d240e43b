// Forms: design reading order, OnShow, modal results, closing, window destruction hooks,
// messages to a control's window, registered messages, topmost, the application's loop.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Messages.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

namespace {

std::vector<std::string>* gLog = nullptr;
void Note(const std::string& s) {
    if (gLog) gLog->push_back(s);
}

// An edit that records its hooks, as the remembering controls use them.
class TRecEdit : public TEdit {
public:
    using TEdit::TEdit;
    int Loads = 0;
    void Loaded() override {
        TEdit::Loaded();
        Note("Loaded " + Name());
    }
    void DoExit() override {
        TEdit::DoExit();
        Note("Exit " + Name());
    }
    void WMDestroy() override {
        Note("WMDestroy " + Name() + " text=" + Text());
        TEdit::WMDestroy();
    }
    void WndProc(TMessage& m) override {
        if (m.Msg == ui::WmUser + 99) {
            ++Loads;
            m.Result = 77;
            return;
        }
        TEdit::WndProc(m);
    }
};

// A dialog built in code the way a design is read.
class TTestDialog : public TForm {
public:
    explicit TTestDialog(TComponent* owner) : TForm(owner) {
        BeginReading();
        SetName("TestDialog");
        SetCaption("Setup");
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        SetBounds(0, 0, 300, 200);
        OnCreate = [](TObject*) { Note("FormCreate"); };
        OnDestroy = [](TObject*) { Note("FormDestroy"); };
        OnShow = [](TObject*) { Note("FormShow"); };
        First = new TRecEdit(this);
        First->SetName("First");
        First->SetParent(this);
        First->SetBounds(10, 10, 100, 21);
        Second = new TRecEdit(this);
        Second->SetName("Second");
        Second->SetParent(this);
        Second->SetBounds(10, 40, 100, 21);
        Ok = new TButton(this);
        Ok->SetName("Ok");
        Ok->SetParent(this);
        Ok->SetCaption("O&K");
        Ok->SetModalResult(mrOk);
        Ok->SetDefault(true);
        Ok->SetBounds(100, 130, 75, 25);
        Cancel = new TButton(this);
        Cancel->SetName("Cancel");
        Cancel->SetParent(this);
        Cancel->SetCaption("Abbrechen");
        Cancel->SetModalResult(mrCancel);
        Cancel->SetCancel(true);
        Cancel->SetBounds(190, 130, 75, 25);
        EndDesign();
    }
    TRecEdit* First;
    TRecEdit* Second;
    TButton* Ok;
    TButton* Cancel;
};

class FormTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        gLog = &Log;
    }
    void TearDown() override {
        UiTest::TearDown();
        gLog = nullptr;
    }
    std::vector<std::string> Log;
};

}  // namespace

TEST_P(FormTest, DesignIsReadThenLoadedInOrderThenOnCreate) {
    auto* f = new TTestDialog(nullptr);
    EXPECT_EQ(Log, (std::vector<std::string>{"Loaded First", "Loaded Second", "FormCreate"}));
    EXPECT_FALSE(f->Has(csLoading));
    EXPECT_FALSE(f->First->Has(csReading));
    EXPECT_TRUE(f->Created());
    delete f;
}

TEST_P(FormTest, OnShowRunsOnEveryChangeFromHiddenToVisible) {
    auto* f = new TTestDialog(nullptr);
    Log.clear();
    f->Show();
    f->Show();
    f->Hide();
    f->SetVisible(true);
    EXPECT_EQ(Log, (std::vector<std::string>{"FormShow", "FormShow"}));
    delete f;
}

TEST_P(FormTest, DestroyingTheFormRunsOnDestroyThenEveryWindowsDestroyHook) {
    auto* f = new TTestDialog(nullptr);
    f->Show();
    f->First->SetText("one");
    Log.clear();
    delete f;
    EXPECT_EQ(Log, (std::vector<std::string>{"FormDestroy", "WMDestroy First text=one", "WMDestroy Second text="}));
}

TEST_P(FormTest, FreeingAControlRunsItsOwnDestroyHook) {
    auto* f = new TTestDialog(nullptr);
    f->Show();
    Log.clear();
    delete f->Second;
    EXPECT_EQ(Log, (std::vector<std::string>{"WMDestroy Second text="}));
    Log.clear();
    delete f;
    EXPECT_EQ(Log, (std::vector<std::string>{"FormDestroy", "WMDestroy First text="}));
}

TEST_P(FormTest, NoWindowNoDestroyHook) {
    auto* f = new TTestDialog(nullptr);  // never shown: no windows were made
    Log.clear();
    delete f;
    EXPECT_EQ(Log, (std::vector<std::string>{"FormDestroy"}));
}

TEST_P(FormTest, UserMessageReachesTheControlsWindowProcedure) {
    auto* f = new TTestDialog(nullptr);
    EXPECT_FALSE(f->First->HandleAllocated());
    f->First->HandleNeeded();  // creates the form's window first
    EXPECT_TRUE(f->First->HandleAllocated());
    EXPECT_TRUE(f->HandleAllocated());
    EXPECT_EQ(ui::SendMsg(f->First->Handle(), ui::WmUser + 99), 77);
    EXPECT_EQ(f->First->Perform(1123), 77);
    EXPECT_EQ(f->First->Loads, 2);
    ui::PostMsg(f->First->Handle(), 1123);
    EXPECT_TRUE(D().WaitFor([&] { return f->First->Loads == 3; }, 2000));
    delete f;
}

TEST_P(FormTest, ExitRunsWhenTheFocusMovesOn) {
    auto* f = new TTestDialog(nullptr);
    f->Show();
    D().Focus(*f->First);
    Log.clear();
    D().Focus(*f->Second);
    D().Wait(20);
    EXPECT_EQ(Log, (std::vector<std::string>{"Exit First"}));
    EXPECT_TRUE(f->Second->Focused());
    EXPECT_EQ(f->ActiveControl(), f->Second);
    delete f;
}

TEST_P(FormTest, ModalResultOfTheClickedButtonEndsShowModal) {
    auto* f = new TTestDialog(nullptr);
    auto* timer = new TTimer(f);
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        D().Click(*f->Ok);
    };
    EXPECT_EQ(f->ShowModal(), mrOk);
    EXPECT_FALSE(f->Visible());
    delete f;
}

TEST_P(FormTest, CloseInsideAModalLoopGivesCancelAndOnCloseQueryCanRefuse) {
    auto* f = new TTestDialog(nullptr);
    int asked = 0;
    f->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
    auto* timer = new TTimer(f);
    timer->SetInterval(30);
    timer->OnTimer = [&](TObject*) {
        if (asked >= 2) return;
        f->Close();
    };
    EXPECT_EQ(f->ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);
    delete f;
}

TEST_P(FormTest, OtherFormsAreDisabledDuringTheModalLoop) {
    auto* main = new TForm(nullptr);
    main->Show();
    auto* f = new TTestDialog(nullptr);
    bool mainEnabledInside = true;
    auto* timer = new TTimer(f);
    timer->SetInterval(30);
    timer->OnTimer = [&](TObject*) {
        if (Headless()) mainEnabledInside = ui::headless::Headless().WindowEnabled(main->Handle());
        f->SetModalResult(mrAbort);
    };
    EXPECT_EQ(f->ShowModal(), mrAbort);
    if (Headless()) {
        EXPECT_FALSE(mainEnabledInside);
        EXPECT_TRUE(ui::headless::Headless().WindowEnabled(main->Handle()));
    }
    EXPECT_THROW(
        {
            f->Show();
            f->ShowModal();
        },
        EInvalidOperation);
    delete f;
    delete main;
}

TEST_P(FormTest, ClosingTheMainFormEndsRun) {
    TForm* main = nullptr;
    Application->CreateForm(main);
    EXPECT_EQ(Application->MainForm(), main);
    Application->SetShowMainForm(false);
    auto* timer = new TTimer(main);
    timer->SetInterval(40);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        if (++ticks == 3) main->Close();
    };
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(main->Visible());  // ShowMainForm false: never shown
}

TEST_P(FormTest, RegisteredMessagesAreStableAndBroadcastReachesTopLevelWindows) {
    unsigned a = ui::RegisterMsg("WM_USER_SkimbarTest");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(ui::RegisterMsg("WM_USER_SkimbarTest"), a);
    EXPECT_NE(ui::RegisterMsg("WM_USER_Other"), a);
    auto* f = new TForm(nullptr);
    f->HandleNeeded();
    int seen = 0;
    Application->OnMessage = [&](TMsg& m, bool& handled) {
        if (m.Message == a && m.Wnd == f->Handle()) {
            ++seen;
            handled = true;
        }
    };
    ui::BroadcastMsg(a);
    EXPECT_TRUE(D().WaitFor([&] { return seen == 1; }, 2000));
    delete f;
}

TEST_P(FormTest, HiddenWindowGetsItsMessagesAndExceptionsAreRouted) {
    std::vector<unsigned> got;
    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, Exception& e) { errors.push_back(e.Message()); };
    ui::THandle h = ui::AllocateHWnd([&](TMessage& m) {
        if (m.Msg == 1026) {
            got.push_back(m.Msg);
            m.Result = 5;
        } else if (m.Msg == 1025) {
            throw Exception("boom");
        } else {
            m.Result = ui::DefWndProc(h, m);
        }
    });
    EXPECT_EQ(ui::SendMsg(h, 1026), 5);
    ui::PostMsg(h, 1026);
    ui::PostMsg(h, 1025);
    EXPECT_TRUE(D().WaitFor([&] { return got.size() == 2 && errors.size() == 1; }, 2000));
    EXPECT_EQ(errors, (std::vector<std::string>{"boom"}));
    ui::DeallocateHWnd(h);
}

TEST_P(FormTest, TopMostAndCenteredDialog) {
    auto* f = new TTestDialog(nullptr);
    f->Show();
    TRect s = ui::Backend().ScreenRect();
    EXPECT_EQ(f->Left(), (s.Width() - 300) / 2);
    EXPECT_EQ(f->Top(), (s.Height() - 200) / 2);
    EXPECT_LT(f->ClientHeight(), f->Height());
    f->SetTopMost(true);
    f->SetTopMost(false);
    if (Headless()) {
        auto& calls = ui::headless::Headless().WindowPosCalls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].InsertAfter, -1);
        EXPECT_EQ(calls[1].InsertAfter, -2);
        EXPECT_EQ(calls[0].Flags, 0x13u);
    }
    delete f;
}

TEST_P(FormTest, BorderlessBarHasNoFrame) {
    auto* bar = new TForm(nullptr);
    bar->SetBorderStyle(bsNone);
    bar->SetBounds(0, 0, 688, 38);
    bar->SetWidth(bar->Monitor().Width);
    bar->Show();
    EXPECT_EQ(bar->ClientHeight(), 38);
    EXPECT_EQ(bar->ClientWidth(), Screen->Width());
    EXPECT_EQ(bar->ClientToScreen({0, 0}), (TPoint{0, 0}));
    delete bar;
}

TEST_P(FormTest, EnterAndEscapeClickDefaultAndCancel) {
    auto* f = new TTestDialog(nullptr);
    f->Show();
    EXPECT_EQ(f->DefaultButton(), f->Ok);
    EXPECT_EQ(f->CancelButton(), f->Cancel);
    EXPECT_TRUE(f->DialogKey(false));
    EXPECT_EQ(f->ModalResult(), mrCancel);
    EXPECT_TRUE(f->DialogKey(true));
    EXPECT_EQ(f->ModalResult(), mrOk);
    delete f;
}

TEST_P(FormTest, MessageBoxesAreModalAndAnswered) {
    Application->SetTitle("Skimbar");
    D().AnswerMessageBox(ui::IdOk);
    ShowMessage("Can´t find your standard mail program");
    EXPECT_EQ(D().MessageBoxCount(), 1);
    D().AnswerMessageBox(ui::IdNo);
    EXPECT_EQ(Application->ShowMessageBox("Really?", "Skimbar", ui::MbYesNo), ui::IdNo);
    if (Headless()) {
        auto& boxes = ui::headless::Headless().MessageBoxes();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].Text, "Can´t find your standard mail program");
        EXPECT_EQ(boxes[0].Caption, "Skimbar");
        EXPECT_EQ(boxes[0].Flags, ui::MbOk);
    }
}

TEST_P(FormTest, ExceptionsThatAreNotTheProgramsReachTheExceptionEvent) {
    std::vector<std::pair<std::string, std::string>> seen;
    Application->OnException = [&](TObject*, Exception& e) { seen.emplace_back(e.ClassName(), e.Message()); };
    auto* f = new TForm(nullptr);
    auto* b = new TButton(f);
    b->SetParent(f);
    b->OnClick = [](TObject*) { throw std::runtime_error("not ours"); };
    f->Show();
    D().Click(*b);
    D().Wait(20);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, "std::runtime_error");
    EXPECT_EQ(seen[0].second, "not ours");
    EXPECT_EQ(D().MessageBoxCount(), 0);
    // Without an exception event the standard box tells of it, as of any other exception.
    Application->OnException = nullptr;
    Application->SetTitle("Skimbar");
    D().AnswerMessageBox(ui::IdOk);
    D().Click(*b);
    D().Wait(20);
    EXPECT_EQ(D().MessageBoxCount(), 1);
    if (Headless()) {
        auto& boxes = ui::headless::Headless().MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Text, "not ours.");
        EXPECT_EQ(boxes[0].Caption, "Skimbar");
    }
    delete f;
}

INSTANTIATE_TEST_SUITE_P(Backends, FormTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });
