// Controls freed while their own handler runs, the main form known to its OnCreate, forms
// that show without activating, and moves of controls off the visible area.
#include <gtest/gtest.h>

#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/headless/Headless.h"

namespace {

using ui::headless::TSession;

int gDestroyed = 0;

class TCountedPanel : public TPanel {
public:
    using TPanel::TPanel;
    ~TCountedPanel() override { ++gDestroyed; }
};

class HandlerLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        gDestroyed = 0;
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 400, 40);
        Form->Show();
        Panel = new TCountedPanel(nullptr);
        Panel->SetBounds(10, 0, 100, 37);
        Panel->SetParent(Form);
        Label = new TLabel(Panel);
        Label->SetCaption("From: someone");
        Label->SetParent(Panel);
    }
    void TearDown() override {
        if (gDestroyed == 0) delete Panel;
        delete Form;
    }
    TSession Session;
    TForm* Form = nullptr;
    TCountedPanel* Panel = nullptr;
    TLabel* Label = nullptr;
};

TEST_F(HandlerLifetime, FreedInsideItsOwnClickIsFreedWhenTheClickReturns) {
    bool seenInside = false;
    Panel->OnClick = [&](TObject*) {
        ui::FreeControl(Panel);
        // Off the form at once, but still whole while its handler runs.
        seenInside = gDestroyed == 0 && Panel->Parent() == nullptr && !Form->ContainsControl(Panel);
    };
    Session.Backend().Click(*Panel);
    EXPECT_TRUE(seenInside);
    EXPECT_EQ(gDestroyed, 1);
    EXPECT_EQ(ui::PendingFreeCount(), 0);
}

TEST_F(HandlerLifetime, FreedByATimerDuringAMessageBoxOfTheClickOfAChild) {
    auto& h = Session.Backend();
    TTimer* timer = new TTimer(nullptr);
    timer->SetInterval(30);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        ui::FreeControl(Panel);
    };
    int destroyedAfterBox = -1, pendingAfterBox = -1;
    Label->OnClick = [&](TObject*) {
        h.AnswerMessageBox(1, 100);
        ShowMessage("no mail program");
        destroyedAfterBox = gDestroyed;
        pendingAfterBox = ui::PendingFreeCount();
    };
    h.Click(*Label);
    EXPECT_EQ(destroyedAfterBox, 0);
    EXPECT_EQ(pendingAfterBox, 1);
    EXPECT_EQ(gDestroyed, 1);
    EXPECT_EQ(ui::PendingFreeCount(), 0);
    EXPECT_EQ(Form->ControlCount(), 0);
    delete timer;
}

TEST_F(HandlerLifetime, FreeingAnIdleControlIsImmediate) {
    ui::FreeControl(Panel);
    EXPECT_EQ(gDestroyed, 1);
    EXPECT_EQ(Form->ControlCount(), 0);
    ui::FreeControl(nullptr);
}

class TCreateProbe : public TForm {
public:
    explicit TCreateProbe(TComponent* owner) : TForm(owner) {
        BeginReading();
        OnCreate = [this](TObject*) { MainFormInCreate = Application->MainForm(); };
        EndDesign();
    }
    TCustomForm* MainFormInCreate = nullptr;
};

TEST(FormStart, TheMainFormIsKnownWhileItsOnCreateRuns) {
    TSession session;
    TCreateProbe* first = nullptr;
    TCreateProbe* second = nullptr;
    Application->CreateForm(first);
    Application->CreateForm(second);
    EXPECT_EQ(first->MainFormInCreate, first);
    EXPECT_EQ(second->MainFormInCreate, first);
    EXPECT_EQ(Application->MainForm(), first);
    // A form that is not created by the application never becomes the main form.
    auto* loose = new TCreateProbe(nullptr);
    EXPECT_EQ(loose->MainFormInCreate, first);
    delete loose;
}

TEST(FormStart, AFormThatShowsWithoutActivationNeverActivates) {
    TSession session;
    auto& h = session.Backend();
    auto* bar = new TForm(nullptr);
    bar->SetActivateOnShow(false);
    auto* dialog = new TForm(nullptr);
    bar->Show();
    bar->Hide();
    bar->Show();
    bar->BringToFront();
    EXPECT_TRUE(h.Activations().empty());
    dialog->Show();
    ASSERT_FALSE(h.Activations().empty());
    EXPECT_EQ(h.Activations().front(), dialog);
    delete bar;
    delete dialog;
}

TEST(ControlMoves, UnseenMovesOutsideTheVisibleAreaRepaintNothing) {
    TSession session;
    auto& h = session.Backend();
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(0, 0, 200, 40);
    form->Show();
    auto* far = new TPanel(nullptr);
    far->SetBounds(500, 0, 100, 37);
    far->SetParent(form);
    h.Paint(*form);
    far->SetLeftUnseen(499);
    EXPECT_EQ(far->Left(), 499);
    EXPECT_TRUE(h.InvalidArea(*form).Empty());
    // A panel holding a native control still moves that control's window.
    auto* holder = new TPanel(nullptr);
    holder->SetBounds(300, 0, 100, 37);
    holder->SetParent(form);
    auto* edit = new TEdit(holder);
    edit->SetParent(holder);
    edit->SetBounds(5, 5, 50, 20);
    h.Paint(*form);
    holder->SetLeftUnseen(290);
    EXPECT_EQ(holder->Left(), 290);
    EXPECT_EQ(ui::NativeBounds(*edit).Left, 295);
    delete far;
    delete holder;
    delete form;
}

}  // namespace
