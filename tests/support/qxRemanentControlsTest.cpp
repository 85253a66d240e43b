// The remembering controls on a small form built in code, headless: loading, change
// tracking, saving on exit and on destruction, and reading back at the next start.
#include <memory>
#include <string>
#include <vector>

#include "SupportTestEnv.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxLabel.h"
#include "support/qxPanel.h"
#include "support/qxUpDown.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace {

using supporttest::AppFolderTest;

// Names are set through the component, as reading a design does.
void Rename(TComponent* component, const std::string& name) { component->SetName(name); }

// The remembering part of a setup dialog, in design order.
class TTestSetupForm : public TForm {
public:
    TqxComboBox* eMailqxComboBox;
    TqxEdit* PasswordqxEdit;
    TqxComboBox* POP3qxComboBox;
    TqxEdit* PollTimeqxEdit;
    TqxUpDown* qxUpDown1;
    TqxCheckBox* StayOnTopqxCheckBox;
    TqxCheckBox* AutoStartqxCheckBox;
    TqxEdit* NotesqxEdit;  // remembering off
    std::vector<std::string> Events;

    explicit TTestSetupForm(bool designing = false) : TForm(nullptr) {
        if (designing) Include(csDesigning);
        BeginReading();
        Rename(this, "SetupForm");
        SetBounds(0, 0, 300, 240);
        eMailqxComboBox = Place(new TqxComboBox(this), "eMailqxComboBox", 10);
        PasswordqxEdit = Place(new TqxEdit(this), "PasswordqxEdit", 40);
        POP3qxComboBox = Place(new TqxComboBox(this), "POP3qxComboBox", 70);
        POP3qxComboBox->Items().Add("pop.example.org");
        POP3qxComboBox->Items().Add("Mail.Example.NET");
        PollTimeqxEdit = Place(new TqxEdit(this), "PollTimeqxEdit", 100);
        PollTimeqxEdit->SetRemanent(false);
        qxUpDown1 = Place(new TqxUpDown(this), "qxUpDown1", 100);
        qxUpDown1->SetMin(1);
        qxUpDown1->SetMax(60);
        qxUpDown1->SetAssociate(PollTimeqxEdit);
        qxUpDown1->SetPosition(2);
        StayOnTopqxCheckBox = Place(new TqxCheckBox(this), "StayOnTopqxCheckBox", 130);
        StayOnTopqxCheckBox->SetChecked(true);
        AutoStartqxCheckBox = Place(new TqxCheckBox(this), "AutoStartqxCheckBox", 160);
        AutoStartqxCheckBox->SetChecked(true);
        NotesqxEdit = Place(new TqxEdit(this), "NotesqxEdit", 190);
        NotesqxEdit->SetRemanent(false);

        StayOnTopqxCheckBox->OnClick = [this](TObject*) {
            Events.push_back(std::string("StayOnTop click, checked=") +
                             (StayOnTopqxCheckBox->Checked() ? "1" : "0") + ", changed=" +
                             (StayOnTopqxCheckBox->RemanentChanged() ? "1" : "0"));
        };
        POP3qxComboBox->OnChange = [this](TObject*) { Events.push_back("POP3 change " + POP3qxComboBox->Text()); };
        PollTimeqxEdit->OnChange = [this](TObject*) { Events.push_back("PollTime change " + PollTimeqxEdit->Text()); };
        EndDesign();
    }

private:
    template <class T>
    T* Place(T* control, const char* name, int top) {
        Rename(control, name);
        control->SetParent(this);
        control->SetBounds(10, top, 120, 21);
        control->SetRemanent(true);
        return control;
    }
};

class RemanentFormTest : public AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        FSession = std::make_unique<ui::headless::TSession>();
        InitializeQxGeneral();
    }
    void TearDown() override {
        FSession.reset();
        AppFolderTest::TearDown();
    }
    ui::headless::THeadless& UI() { return FSession->Backend(); }

    // As the program starts: build the dialog and load the remembered values; then show it
    // for the user.
    std::unique_ptr<TTestSetupForm> Start() {
        auto form = std::make_unique<TTestSetupForm>();
        LoadRemanentControls();
        form->Show();
        return form;
    }
    std::string Settings() const { return ReadFile("Cfg/Skimbar.ini"); }
    // The settings file holds this whole line.
    bool Has(const std::string& line) const {
        const std::string file = "\n" + Settings();
        for (auto at = file.find("\n" + line); at != std::string::npos; at = file.find("\n" + line, at + 1)) {
            const auto end = at + 1 + line.size();
            if (end == file.size() || file[end] == '\r' || file[end] == '\n') return true;
        }
        return false;
    }

    std::unique_ptr<ui::headless::TSession> FSession;
};

TEST_F(RemanentFormTest, FirstStartKeepsDesignValuesAndWritesOnlyTheLooseEdit) {
    auto form = Start();
    EXPECT_TRUE(std::filesystem::is_directory(At("Cfg")));
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));
    EXPECT_TRUE(form->StayOnTopqxCheckBox->Checked());
    EXPECT_TRUE(form->AutoStartqxCheckBox->Checked());
    EXPECT_EQ(form->qxUpDown1->Position(), 2);
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "2");
    EXPECT_EQ(form->PasswordqxEdit->Text(), "");
    EXPECT_EQ(form->eMailqxComboBox->Text(), "");
    EXPECT_EQ(form->eMailqxComboBox->Items().Count(), 0);  // no blank entry added
    EXPECT_EQ(form->POP3qxComboBox->Text(), "");
    EXPECT_EQ(form->POP3qxComboBox->Items().Count(), 2);
    EXPECT_FALSE(form->StayOnTopqxCheckBox->RemanentChanged());
    EXPECT_FALSE(form->qxUpDown1->RemanentChanged());
    EXPECT_FALSE(form->POP3qxComboBox->RemanentChanged());
    // The poll-time edit got its text from the up-down while the form was read: the edit's
    // looser rule marks it although it does not take part in remembering.
    EXPECT_TRUE(form->PollTimeqxEdit->RemanentChanged());

    form.reset();
    EXPECT_EQ(Settings(), "[String]\r\nSetupForm.PollTimeqxEdit=2\r\n");
}

TEST_F(RemanentFormTest, RegistrationFollowsDesignOrderAndLeavesOnDestruction) {
    auto form = Start();
    const std::vector<TWinControl*> expected = {
        form->eMailqxComboBox, form->PasswordqxEdit, form->POP3qxComboBox, form->qxUpDown1,
        form->StayOnTopqxCheckBox, form->AutoStartqxCheckBox};
    EXPECT_EQ(RemanentControls(), expected);
    // A second Loaded does not list a control twice.
    RegisterRemanentControl(form->qxUpDown1);
    EXPECT_EQ(RemanentControls(), expected);
    for (TWinControl* c : RemanentControls()) EXPECT_TRUE(c->HandleAllocated());
    form.reset();
    EXPECT_TRUE(RemanentControls().empty());
}

TEST_F(RemanentFormTest, UserChangesAreWrittenOnExit) {
    auto form = Start();
    UI().Focus(*form->PasswordqxEdit);
    UI().TypeText(*form->PasswordqxEdit, "s3cret pass");
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));  // nothing until the user leaves
    UI().Focus(*form->StayOnTopqxCheckBox);
    EXPECT_TRUE(Has("SetupForm.PasswordqxEdit=s3cret pass"));
    EXPECT_FALSE(form->PasswordqxEdit->RemanentChanged());

    UI().Click(*form->StayOnTopqxCheckBox);
    EXPECT_FALSE(form->StayOnTopqxCheckBox->Checked());
    ASSERT_FALSE(form->Events.empty());
    EXPECT_EQ(form->Events.back(), "StayOnTop click, checked=0, changed=0");  // handler first
    EXPECT_TRUE(form->StayOnTopqxCheckBox->RemanentChanged());
    UI().Focus(*form->qxUpDown1);
    EXPECT_TRUE(Has("SetupForm.StayOnTopqxCheckBox=0"));

    UI().PressArrow(*form->qxUpDown1, true);
    EXPECT_EQ(form->qxUpDown1->Position(), 3);
    EXPECT_TRUE(form->qxUpDown1->RemanentChanged());
    UI().Focus(*form->POP3qxComboBox);
    EXPECT_TRUE(Has("SetupForm.qxUpDown1=3"));

    UI().SelectItem(*form->POP3qxComboBox, 1);
    EXPECT_TRUE(form->POP3qxComboBox->RemanentChanged());
    UI().Focus(*form->eMailqxComboBox);
    EXPECT_TRUE(Has("SetupForm.POP3qxComboBox=Mail.Example.NET"));
    // Leaving again without a change writes nothing new.
    const std::string before = Settings();
    UI().Focus(*form->POP3qxComboBox);
    UI().Focus(*form->eMailqxComboBox);
    EXPECT_EQ(Settings(), before);
}

TEST_F(RemanentFormTest, ChangedValuesAreWrittenWhenTheWindowsAreDestroyed) {
    auto form = Start();
    form->eMailqxComboBox->SetText("user@example.org");  // by the program: counts as well
    form->AutoStartqxCheckBox->SetChecked(false);
    UI().PressArrow(*form->qxUpDown1, false);
    EXPECT_EQ(form->qxUpDown1->Position(), 1);
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));
    form.reset();
    EXPECT_TRUE(Has("SetupForm.eMailqxComboBox=user@example.org"));
    EXPECT_TRUE(Has("SetupForm.AutoStartqxCheckBox=0"));
    EXPECT_TRUE(Has("SetupForm.qxUpDown1=1"));
    EXPECT_EQ(Settings().find("StayOnTop"), std::string::npos);  // never changed
    EXPECT_EQ(Settings().find("PasswordqxEdit"), std::string::npos);
}

TEST_F(RemanentFormTest, NextStartReadsTheValuesBack) {
    {
        auto form = Start();
        form->eMailqxComboBox->SetText("user@example.org");
        form->PasswordqxEdit->SetText("pw");
        form->POP3qxComboBox->SetText("pop.other.example");
        form->qxUpDown1->SetPosition(15);
        UI().PressArrow(*form->qxUpDown1, true);  // the arrows mark the up-down
        form->StayOnTopqxCheckBox->SetChecked(false);
    }
    // Written as a whole number of the 16-bit position.
    EXPECT_TRUE(Has("SetupForm.qxUpDown1=16"));

    auto form = std::make_unique<TTestSetupForm>();
    form->Events.clear();
    LoadRemanentControls();
    EXPECT_EQ(form->eMailqxComboBox->Text(), "user@example.org");
    EXPECT_EQ(form->eMailqxComboBox->Items().Count(), 1);  // appended and selected
    EXPECT_EQ(form->eMailqxComboBox->ItemIndex(), 0);
    EXPECT_EQ(form->PasswordqxEdit->Text(), "pw");
    EXPECT_EQ(form->POP3qxComboBox->Text(), "pop.other.example");
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), 2);
    EXPECT_EQ(form->qxUpDown1->Position(), 16);
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "16");
    EXPECT_FALSE(form->StayOnTopqxCheckBox->Checked());
    EXPECT_TRUE(form->AutoStartqxCheckBox->Checked());

    // The check box's handler ran on load, without marking the control changed.
    EXPECT_EQ(form->Events, (std::vector<std::string>{"POP3 change pop.other.example",
                                                      "PollTime change 16",
                                                      "StayOnTop click, checked=0, changed=0"}));
    EXPECT_FALSE(form->StayOnTopqxCheckBox->RemanentChanged());
    EXPECT_FALSE(form->qxUpDown1->RemanentChanged());
    EXPECT_FALSE(form->POP3qxComboBox->RemanentChanged());
    EXPECT_FALSE(form->eMailqxComboBox->RemanentChanged());
    EXPECT_FALSE(form->PasswordqxEdit->RemanentChanged());

    // Nothing was changed this run: closing writes the same file again.
    const std::string before = Settings();
    form.reset();
    EXPECT_EQ(Settings(), before);
}

TEST_F(RemanentFormTest, ComboBoxMatchesWithoutCaseAndAppendsTheRest) {
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.POP3qxComboBox=mail.example.net\r\n"
                                 "SetupForm.eMailqxComboBox=  \"Someone@Example.org\"  \r\n");
    auto form = std::make_unique<TTestSetupForm>();
    form->Events.clear();
    LoadRemanentControls();
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), 1);
    EXPECT_EQ(form->POP3qxComboBox->Text(), "Mail.Example.NET");  // the entry's spelling
    EXPECT_EQ(form->POP3qxComboBox->Items().Count(), 2);
    EXPECT_EQ(form->Events, (std::vector<std::string>{"POP3 change Mail.Example.NET"}));
    EXPECT_FALSE(form->POP3qxComboBox->RemanentChanged());
    EXPECT_EQ(form->eMailqxComboBox->Text(), "Someone@Example.org");
    form.reset();
    // Loading is no change: the stored spelling stays as it was.
    EXPECT_TRUE(Has("SetupForm.POP3qxComboBox=mail.example.net"));
}

TEST_F(RemanentFormTest, ComboBoxWithStoredEmptyTextClearsWithoutBlankEntry) {
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.POP3qxComboBox=\r\n");
    auto form = std::make_unique<TTestSetupForm>();
    form->POP3qxComboBox->SetItemIndex(0);
    LoadRemanentControls();
    EXPECT_EQ(form->POP3qxComboBox->Text(), "");
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), -1);
    EXPECT_EQ(form->POP3qxComboBox->Items().Count(), 2);
}

TEST_F(RemanentFormTest, UpDownKeepsALoadedValueWithinItsRange) {
    WriteFile("Cfg/Skimbar.ini", "[Integer]\r\nSetupForm.qxUpDown1=0x1F4\r\n");  // 500
    auto form = Start();
    EXPECT_EQ(form->qxUpDown1->Position(), 60);
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "60");
    EXPECT_FALSE(form->qxUpDown1->RemanentChanged());
}

// The up-down follows its edit: a typed whole number within Min..Max is its position and is
// stored; other text leaves the position alone.
TEST_F(RemanentFormTest, TypingIntoTheAssociatedEditMovesAndMarksTheUpDown) {
    auto form = Start();
    UI().TypeText(*form->PollTimeqxEdit, "abc");
    EXPECT_FALSE(form->qxUpDown1->RemanentChanged());
    UI().TypeText(*form->PollTimeqxEdit, "7");
    EXPECT_TRUE(form->qxUpDown1->RemanentChanged());
    EXPECT_EQ(form->qxUpDown1->Position(), 7);
    form.reset();
    EXPECT_TRUE(Has("SetupForm.qxUpDown1=7"));
    EXPECT_TRUE(Has("SetupForm.PollTimeqxEdit=7"));
}

TEST_F(RemanentFormTest, LooseEditRuleWritesEvenWithoutRemanent) {
    auto form = Start();
    form->NotesqxEdit->SetText("a note");
    form->PasswordqxEdit->SetRemanent(false);
    form->PasswordqxEdit->SetText("typed");
    form.reset();
    EXPECT_TRUE(Has("SetupForm.NotesqxEdit=a note"));
    EXPECT_TRUE(Has("SetupForm.PasswordqxEdit=typed"));
}

TEST_F(RemanentFormTest, StricterControlsIgnoreChangesWithoutRemanent) {
    auto form = Start();
    form->StayOnTopqxCheckBox->SetRemanent(false);
    form->StayOnTopqxCheckBox->SetChecked(false);
    form->POP3qxComboBox->SetRemanent(false);
    form->POP3qxComboBox->SetItemIndex(0);
    EXPECT_FALSE(form->StayOnTopqxCheckBox->RemanentChanged());
    EXPECT_FALSE(form->POP3qxComboBox->RemanentChanged());
    // And a control without Remanent ignores the load message.
    WriteFile("Cfg/Skimbar.ini", "[Boolean]\r\nSetupForm.StayOnTopqxCheckBox=1\r\n");
    form->StayOnTopqxCheckBox->Perform(WM_QX_LOADREMANENT);
    EXPECT_FALSE(form->StayOnTopqxCheckBox->Checked());
    form->AutoStartqxCheckBox->Perform(WM_QX_LOADREMANENT);  // with Remanent: nothing stored
    EXPECT_TRUE(form->AutoStartqxCheckBox->Checked());
}

TEST_F(RemanentFormTest, DesignModeNeitherLoadsNorMarks) {
    WriteFile("Cfg/Skimbar.ini", "[Boolean]\r\nSetupForm.StayOnTopqxCheckBox=0\r\n");
    auto form = std::make_unique<TTestSetupForm>(true);
    form->StayOnTopqxCheckBox->Perform(WM_QX_LOADREMANENT);
    EXPECT_TRUE(form->StayOnTopqxCheckBox->Checked());
    form->AutoStartqxCheckBox->SetChecked(false);
    EXPECT_FALSE(form->AutoStartqxCheckBox->RemanentChanged());
}

TEST_F(RemanentFormTest, KeysForAnEmptyNameAndAnOwnerChain) {
    auto form = Start();
    auto* group = new TComponent(form.get());
    group->SetName("Account");
    auto* nested = new TqxEdit(group);
    Rename(nested, "HostqxEdit");
    nested->SetParent(form.get());
    auto* nameless = new TqxCheckBox(form.get());
    nameless->SetParent(form.get());
    nameless->SetRemanent(true);
    nested->SetText("host.example");
    nameless->SetChecked(true);
    form.reset();
    EXPECT_TRUE(Has("SetupForm.Account.HostqxEdit=host.example"));
    EXPECT_TRUE(Has("SetupForm=1"));  // an empty name adds nothing to its owner's path
}

TEST_F(RemanentFormTest, FailedWriteAtDestructionReachesTheApplication) {
    std::vector<std::string> errors;
    Application->OnException = [&errors](TObject*, Exception& e) { errors.push_back(e.Message()); };
    auto form = Start();
    form->PasswordqxEdit->SetText("pw");
    std::filesystem::create_directories(At("Cfg/Skimbar.ini"));  // a folder in the file's place
    const int windowsBefore = UI().WindowCount();
    form.reset();
    EXPECT_LT(UI().WindowCount(), windowsBefore);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0], "nach " + CfgIniFile->FileName() + " kann nicht geschrieben werden");
}

TEST_F(RemanentFormTest, FailedWriteOnExitGoesToTheCaller) {
    auto form = Start();
    form->PasswordqxEdit->SetText("pw");
    FinalizeQxGeneral();
    EXPECT_THROW(form->PasswordqxEdit->DoExit(), Exception);
    EXPECT_FALSE(form->PasswordqxEdit->RemanentChanged());  // cleared before the write
}

TEST_F(RemanentFormTest, LoadCreatesTheWindowFirst) {
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSolo.SoloqxEdit=loaded\r\n");
    TForm* solo = new TForm(nullptr);
    solo->BeginReading();
    Rename(solo, "Solo");
    auto* edit = new TqxEdit(solo);
    Rename(edit, "SoloqxEdit");
    edit->SetParent(solo);
    edit->SetRemanent(true);
    solo->EndDesign();
    EXPECT_FALSE(edit->HandleAllocated());
    LoadRemanentControls();
    EXPECT_TRUE(edit->HandleAllocated());
    EXPECT_EQ(edit->Text(), "loaded");
    delete solo;
}

// ---- the plain support controls ----

class SupportControlsTest : public ::testing::Test {
protected:
    ui::headless::TSession FSession;
};

TEST_F(SupportControlsTest, ControlsStartWithoutTheirNameAsText) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* edit = new TqxEdit(form.get());
    Rename(edit, "PasswordqxEdit");
    auto* combo = new TqxComboBox(form.get());
    Rename(combo, "POP3qxComboBox");
    auto* panel = new TqxPanel(form.get());
    Rename(panel, "BackColorqxPanel");
    auto* label = new TqxLabel(form.get());
    Rename(label, "qxLabel1");
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(panel->Caption(), "");
    EXPECT_FALSE(edit->Remanent());
    EXPECT_TRUE(panel->ConstraintAuto());
    EXPECT_TRUE(label->InheritsFrom("TCustomLabel"));
    EXPECT_TRUE(combo->InheritsFrom("TCustomComboBox"));
    EXPECT_EQ(combo->ClassName(), "TqxComboBox");
    ASSERT_NE(GetPropInfo(*combo, "Remanent"), nullptr);
    SetPropValue(*combo, "Remanent", TPropValue(true));
    EXPECT_TRUE(combo->Remanent());
    ASSERT_NE(GetPropInfo(*panel, "ConstraintAuto"), nullptr);
}

class TPanelForm : public TForm {
public:
    TqxPanel* Auto;
    TqxPanel* Fixed;
    explicit TPanelForm(bool designing) : TForm(nullptr) {
        if (designing) Include(csDesigning);
        BeginReading();
        Auto = new TqxPanel(this);
        Auto->SetParent(this);
        Auto->SetBounds(0, 0, 50, 20);
        Auto->SetBevelWidth(2);
        Auto->SetMinHeight(200);  // already higher than the children need: kept
        auto* a = new TqxLabel(this);
        a->SetParent(Auto);
        a->SetBounds(10, 5, 100, 15);
        auto* b = new TqxEdit(this);
        b->SetParent(Auto);
        b->SetBounds(30, 40, 20, 21);
        Fixed = new TqxPanel(this);
        Fixed->SetConstraintAuto(false);
        Fixed->SetParent(this);
        Fixed->SetBounds(0, 100, 10, 10);
        auto* c = new TqxEdit(this);
        c->SetParent(Fixed);
        c->SetBounds(0, 0, 80, 21);
        EndDesign();
    }
};

TEST_F(SupportControlsTest, PanelRaisesItsMinimumsToHoldItsChildren) {
    auto form = std::make_unique<TPanelForm>(false);
    EXPECT_EQ(form->Auto->MinWidth(), 10 + 100 + 4);
    EXPECT_EQ(form->Auto->MinHeight(), 200);
    EXPECT_EQ(form->Auto->Width(), 114);  // grown to the new minimum
    form->Auto->SetWidth(30);
    EXPECT_EQ(form->Auto->Width(), 114);  // and kept there
    form->Auto->SetWidth(150);
    EXPECT_EQ(form->Auto->Width(), 150);
    EXPECT_EQ(form->Fixed->MinWidth(), 0);
    EXPECT_EQ(form->Fixed->Width(), 10);

    auto designing = std::make_unique<TPanelForm>(true);
    EXPECT_EQ(designing->Auto->MinWidth(), 0);
}

}  // namespace
