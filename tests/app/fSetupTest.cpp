// The setup dialog, headless: its design, the account offer, every handler, autostart and the
// protected password, with the main window's timers stood in for.
#include <gtest/gtest.h>

#include <algorithm>

#include "SetupTestEnv.h"
#include "app/MailAccount.h"
#include "app/SecurityControls.h"
#include "core/IniFile.h"
#include "localisation/qxHotkey.h"
#include "localisation/qxLanguage.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxLabel.h"
#include "support/qxPanel.h"
#include "support/qxProtect.h"
#include "support/qxUpDown.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/StdCtrls.h"

namespace {

using setuptest::Lines;
using setuptest::SetupFormTest;

// ---------------------------------------------------------------------------------------
// Design

TEST_F(SetupFormTest, DesignValues) {
    TSetupForm* form = Start();
    EXPECT_EQ(form->Name(), "SetupForm");
    EXPECT_EQ(form->ClassName(), "TSetupForm");
    EXPECT_EQ(form->Caption(), "Setup");
    EXPECT_EQ(form->Width(), 545);
    EXPECT_EQ(form->Height(), 352);
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_EQ(form->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(form->Font().Height(), -11);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->Owner(), nullptr);

    ASSERT_EQ(form->PageControl1->PageCount(), 1);
    EXPECT_EQ(form->PageControl1->Align(), alClient);
    EXPECT_EQ(form->TabSheet1->Caption(), "&Setup");
    EXPECT_TRUE(form->TabSheet1->ShowHint());

    EXPECT_EQ(form->qxLabel6->Caption(), "Check mails for this account :");
    EXPECT_FALSE(form->qxLabel6->Enabled());

    struct LabelCase {
        TqxLabel* Label;
        const char* Caption;
        TWinControl* Focus;
    };
    for (const LabelCase& c : std::vector<LabelCase>{
             {form->qxLabel1, "&POP3-Username", form->eMailqxComboBox},
             {form->qxLabel2, "P&assword :", form->PasswordqxEdit},
             {form->qxLabel3, "P&OP3-Server :", form->POP3qxComboBox},
             {form->qxLabel4, "&Check every :", form->qxUpDown1},
             {form->qxLabel5, "min.", nullptr},
             {form->qxLabel7, "Background color ", nullptr},
             {form->qxLabel8, "Text color", nullptr}}) {
        EXPECT_EQ(c.Label->Caption(), c.Caption);
        EXPECT_EQ(c.Label->FocusControl(), c.Focus) << c.Caption;
    }

    EXPECT_EQ(form->eMailqxComboBox->Text(), "");
    EXPECT_EQ(form->PasswordqxEdit->Text(), "");
    EXPECT_EQ(form->PasswordqxEdit->PasswordChar(), '*');
    EXPECT_TRUE(form->PasswordqxEdit->Protected());
    EXPECT_EQ(form->POP3qxComboBox->Text(), "");
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "2");
    EXPECT_FALSE(form->PollTimeqxEdit->Remanent());
    EXPECT_EQ(form->qxUpDown1->Min(), 2);
    EXPECT_EQ(form->qxUpDown1->Max(), 1000);
    EXPECT_EQ(form->qxUpDown1->Position(), 2);
    EXPECT_FALSE(form->qxUpDown1->Wrap());
    EXPECT_EQ(form->qxUpDown1->Associate(), form->PollTimeqxEdit);
    for (auto [box, caption] : std::vector<std::pair<TqxCheckBox*, const char*>>{
             {form->AutoStartqxCheckBox, "A&utostart"},
             {form->StayOnTopqxCheckBox, "S&tay on top"},
             {form->AutoShowqxCheckBox, "S&how on new mail"}}) {
        EXPECT_EQ(box->Caption(), caption);
        EXPECT_TRUE(box->Checked()) << caption;
        EXPECT_TRUE(box->Remanent()) << caption;
    }
    EXPECT_EQ(form->BitBtn1->Caption(), "O&K");
    EXPECT_TRUE(form->BitBtn1->Default());
    EXPECT_EQ(form->BitBtn1->ModalResult(), mrOk);
    EXPECT_EQ(form->BitBtn2->Caption(), "A&bbrechen");
    EXPECT_TRUE(form->BitBtn2->Cancel());
    EXPECT_EQ(form->BitBtn2->ModalResult(), mrCancel);

    for (TqxPanel* swatch : {form->BackColorqxPanel, form->TextColorqxPanel}) {
        EXPECT_EQ(swatch->Width(), 49);
        EXPECT_EQ(swatch->Height(), 17);
        EXPECT_EQ(swatch->BevelInner(), bvLowered);
        EXPECT_EQ(swatch->BevelOuter(), bvLowered);
        EXPECT_EQ(swatch->Hint(), "click to select");
        EXPECT_FALSE(swatch->TabStop());
        EXPECT_TRUE(swatch->EffectiveShowHint());
    }
    EXPECT_EQ(form->BackColorqxPanel->Color(), clBlack);
    EXPECT_EQ(form->TextColorqxPanel->Color(), 65280);
    EXPECT_EQ(form->ColorDialog->Name(), "ColorDialog");
    EXPECT_EQ(form->ColorDialog->Owner(), form);

    ASSERT_NE(form->qxLanguage1, nullptr);
    EXPECT_EQ(form->qxLanguage1->Name(), "qxLanguage1");
    EXPECT_EQ(form->qxLanguage1->Owner(), form);
    EXPECT_FALSE(form->qxLanguage1->ExportEmptyStrings());
    ASSERT_NE(form->qxHotkey, nullptr);
    EXPECT_EQ(form->qxHotkey->Name(), "qxHotkey");
    EXPECT_TRUE(form->qxHotkey->ActiveTabbedNoteBook());
    EXPECT_FALSE(form->qxHotkey->ActiveTabset());
    EXPECT_FALSE(form->qxHotkey->ActiveMenu());
    EXPECT_EQ(Lines(form->qxHotkey->KeysToUse().Used()), TUseProp::DefaultUsed());
    EXPECT_EQ(Lines(form->qxHotkey->KeysToUse().NotUsed()), TUseProp::DefaultNotUsed());
    EXPECT_EQ(form->qxHotkey->KeysToUse().Used().Count(), 36);
    EXPECT_EQ(form->qxHotkey->KeysToUse().NotUsed().Count(), 36);
    // Both registered for language switches.
    const auto& languages = LanguageComponents();
    EXPECT_NE(std::find(languages.begin(), languages.end(), form->qxLanguage1), languages.end());
    const auto& hotkeys = HotkeyComponents();
    EXPECT_NE(std::find(hotkeys.begin(), hotkeys.end(), form->qxHotkey), hotkeys.end());

    // Both account lists stay out of the language files.
    EXPECT_TRUE(IsExcludedFromTranslation(form->eMailqxComboBox));
    EXPECT_TRUE(IsExcludedFromTranslation(form->POP3qxComboBox));
    EXPECT_FALSE(IsExcludedFromTranslation(form->PasswordqxEdit));
}

TEST_F(SetupFormTest, TabOrderAndRegistrationOrder) {
    TSetupForm* form = Start();
    const std::vector<TWinControl*> tabs = {
        form->eMailqxComboBox,     form->PasswordqxEdit,     form->POP3qxComboBox,      form->SecurityqxComboBox,
        form->FingerprintqxEdit,   form->PollTimeqxEdit,     form->qxUpDown1,           form->AutoStartqxCheckBox,
        form->StayOnTopqxCheckBox, form->AutoShowqxCheckBox, form->BitBtn1,             form->BitBtn2,
        form->BackColorqxPanel,    form->TextColorqxPanel};
    EXPECT_EQ(form->TabSheet1->TabList(), tabs);
    for (std::size_t i = 0; i < tabs.size(); ++i) EXPECT_EQ(tabs[i]->TabOrder(), static_cast<int>(i));
    // The remembering controls load in design order, the poll-time edit not at all.
    const std::vector<TWinControl*> remembered = {
        form->eMailqxComboBox,     form->PasswordqxEdit,     form->POP3qxComboBox,     form->qxUpDown1,
        form->StayOnTopqxCheckBox, form->AutoShowqxCheckBox, form->AutoStartqxCheckBox, form->SecurityqxComboBox,
        form->FingerprintqxEdit};
    EXPECT_EQ(RemanentControls(), remembered);
}

TEST_F(SetupFormTest, EachLabelAcceleratorFocusesItsControl) {
    TSetupForm* form = Start();
    form->Show();
    for (auto [key, control] : std::vector<std::pair<char32_t, TWinControl*>>{
             {U'p', form->eMailqxComboBox},
             {U'a', form->PasswordqxEdit},
             {U'o', form->POP3qxComboBox},
             {U'c', form->qxUpDown1},
             {U'e', form->SecurityqxComboBox},
             {U'i', form->FingerprintqxEdit}}) {
        UI().PressAccelerator(*form, key);
        EXPECT_EQ(UI().FocusedControl(), control) << char(key);
    }
}

// ---------------------------------------------------------------------------------------
// Mail accounts

TEST_F(SetupFormTest, NoAccountsLeavesBothListsEmptyAndWritesNothing) {
    TSetupForm* form = Start(nullptr);
    EXPECT_EQ(form->eMailqxComboBox->Items().Count(), 0);
    EXPECT_EQ(form->POP3qxComboBox->Items().Count(), 0);
    platform::TRegistry reg(platform::RootKey::CurrentUser);
    EXPECT_FALSE(reg.KeyExists("\\Software\\Microsoft\\Internet Account Manager"));
}

TEST_F(SetupFormTest, AccountsAreOfferedOnceEachWithoutSelection) {
    AddAccount(1, "alice@example.org", "pop.example.org", "alice");
    AddAccount(2, "", "pop.skipped.example", "skipped");  // no SMTP address: skipped
    AddAccount(3, "bob@example.org", "POP.Example.ORG", "bob");
    AddAccount(10, "carol@example.org", "mail.other.example", "ALICE");
    AddAccount(0xFF, "dave@example.org", "", "dave");  // no server: no blank entry
    AddAccount(0x100, "erin@example.org", "pop.last.example", "erin");
    AddAccount(0x101, "frank@example.org", "pop.beyond.example", "frank");  // past the last number
    platform::TRegistry reg(platform::RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + MailAccountsKey + "Default", true));
    reg.WriteString("SMTP Email Address", "x@example.org");
    reg.WriteString("POP3 Server", "pop.named.example");

    TSetupForm* form = Start();
    EXPECT_EQ(Lines(form->POP3qxComboBox->Items()),
              (std::vector<std::string>{"pop.example.org", "mail.other.example", "pop.last.example"}));
    EXPECT_EQ(Lines(form->eMailqxComboBox->Items()), (std::vector<std::string>{"alice", "bob", "dave", "erin"}));
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), -1);
    EXPECT_EQ(form->eMailqxComboBox->ItemIndex(), -1);
    EXPECT_EQ(form->POP3qxComboBox->Text(), "");
    // Nothing was written: the accounts stay as they were.
    ASSERT_TRUE(reg.OpenKeyReadOnly(setuptest::AccountKey(2)));
    EXPECT_EQ(reg.ReadString("POP3 Server"), "pop.skipped.example");
    EXPECT_FALSE(reg.ValueExists("SMTP Email Address"));
}

TEST_F(SetupFormTest, RememberedTextsJoinTheLists) {
    AddAccount(1, "alice@example.org", "pop.example.org", "alice");
    WriteFile("Cfg/Skimbar.ini",
              "[String]\r\nSetupForm.POP3qxComboBox=POP.EXAMPLE.ORG\r\nSetupForm.eMailqxComboBox=zoe\r\n");
    TSetupForm* form = Start();
    EXPECT_EQ(Lines(form->POP3qxComboBox->Items()), (std::vector<std::string>{"pop.example.org"}));
    EXPECT_EQ(form->POP3qxComboBox->ItemIndex(), 0);
    EXPECT_EQ(form->POP3qxComboBox->Text(), "pop.example.org");
    EXPECT_EQ(Lines(form->eMailqxComboBox->Items()), (std::vector<std::string>{"alice", "zoe"}));
    EXPECT_EQ(form->eMailqxComboBox->ItemIndex(), 1);
}

TEST_F(SetupFormTest, AccountValueOfAnotherTypeEndsTheCreation) {
    AddAccount(1, "alice@example.org", "pop.example.org", "alice");
    {
        platform::TRegistry reg(platform::RootKey::CurrentUser);
        ASSERT_TRUE(reg.OpenKey(setuptest::AccountKey(2), true));
        reg.WriteInteger("SMTP Email Address", 1);
    }
    try {
        new TSetupForm(nullptr, Timers.get());
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Ungültiger Datentyp für 'SMTP Email Address'");
    }
    EXPECT_EQ(SetupForm, nullptr);
    EXPECT_TRUE(RemanentControls().empty());
    // A second try, without the bad value, works.
    {
        platform::TRegistry reg(platform::RootKey::CurrentUser);
        ASSERT_TRUE(reg.OpenKey(setuptest::AccountKey(2), false));
        reg.DeleteValue("SMTP Email Address");
        reg.WriteInteger("POP3 Server", 7);  // not read: the account has no SMTP address
    }
    TSetupForm* form = Start();
    EXPECT_EQ(Lines(form->POP3qxComboBox->Items()), (std::vector<std::string>{"pop.example.org"}));
}

// ---------------------------------------------------------------------------------------
// Handlers

TEST_F(SetupFormTest, PollTimeSetsThePollTimer) {
    TSetupForm* form = Start();
    form->Show();
    struct Case {
        const char* Typed;
        int Interval;
    };
    for (const Case& c : std::vector<Case>{{"7", 7 * 60000},
                                           {"letters", 5 * 60000},
                                           {"0", 60000},  // the bound: polling never stops
                                           {"1", 60000},  // below what the arrows reach
                                           {"-3", 60000},
                                           {"5000", 1000 * 60000},
                                           {"", 5 * 60000},
                                           {"1000", 1000 * 60000}}) {
        UI().TypeText(*form->PollTimeqxEdit, c.Typed);
        EXPECT_EQ(Timers->Poll->Interval(), c.Interval) << c.Typed;
        EXPECT_EQ(form->PollTimeqxEdit->Text(), c.Typed);  // taken, not rewritten
    }
    EXPECT_FALSE(Timers->Poll->Enabled());  // the interval only
    UI().TypeText(*form->PollTimeqxEdit, "4");
    UI().PressArrow(*form->qxUpDown1, true);
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "5");
    EXPECT_EQ(Timers->Poll->Interval(), 5 * 60000);
}

TEST_F(SetupFormTest, RememberedPollTimeReachesTheTimerWhenLoaded) {
    WriteFile("Cfg/Skimbar.ini", "[Integer]\r\nSetupForm.qxUpDown1=10\r\n");
    TSetupForm* form = Start();
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "10");
    EXPECT_EQ(Timers->Poll->Interval(), 10 * 60000);
}

TEST_F(SetupFormTest, StayOnTopArmsTheTimerOnlyWhenChecked) {
    TSetupForm* form = Start();
    form->Show();
    UI().Click(*form->StayOnTopqxCheckBox);
    EXPECT_FALSE(form->StayOnTopqxCheckBox->Checked());
    EXPECT_FALSE(Timers->StayOnTop->Enabled());  // unchecking acts at the next show
    UI().Click(*form->StayOnTopqxCheckBox);
    EXPECT_TRUE(Timers->StayOnTop->Enabled());
    EXPECT_EQ(Timers->StayOnTop->Interval(), 250);
}

TEST_F(SetupFormTest, RememberedUncheckedStayOnTopLeavesTheTimerOff) {
    WriteFile("Cfg/Skimbar.ini", "[Boolean]\r\nSetupForm.StayOnTopqxCheckBox=0\r\n");
    TSetupForm* form = Start();
    EXPECT_FALSE(form->StayOnTopqxCheckBox->Checked());
    EXPECT_FALSE(Timers->StayOnTop->Enabled());
}

TEST_F(SetupFormTest, OkRestartsPollingSoonAndCloses) {
    TSetupForm* form = Start();
    form->Show();
    UI().TypeText(*form->PollTimeqxEdit, "9");
    Timers->Poll->SetEnabled(true);
    UI().Click(*form->BitBtn1);
    EXPECT_EQ(Timers->Poll->Interval(), 2000);
    EXPECT_TRUE(Timers->Poll->Enabled());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(RunValue(), "\"" + platform::ExePath() + "\"");
    // Shown again later, the values are as they were.
    form->Show();
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "9");
}

TEST_F(SetupFormTest, ModalOkAndCancelEndTheModalState) {
    TSetupForm* form = Start();
    UI().Script([&] { UI().Click(*form->BitBtn1); });
    form->ShowModal();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->Modal());
    EXPECT_EQ(Timers->Poll->Interval(), 2000);

    UI().Script([&] { UI().PressKey(*form, false); });  // Escape: the cancel button
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_FALSE(form->Visible());
}

// Cancel, Escape and the close box put back every value the dialog showed when it opened,
// also one already written when the user left its control.
TEST_F(SetupFormTest, ClosingWithoutOkPutsBackWhatTheDialogShowed) {
    enum class How { CancelButton, Escape, CloseBox };
    for (How how : {How::CancelButton, How::Escape, How::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(how));
        WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.POP3qxComboBox=pop.example.org\r\n"
                                     "SetupForm.PasswordqxEdit=old secret\r\n"
                                     "[Integer]\r\nSetupForm.qxUpDown1=4\r\n");
        TSetupForm* form = Start();
        ASSERT_EQ(Timers->Poll->Interval(), 4 * 60000);

        auto change = [&] {
            UI().Focus(*form->PasswordqxEdit);
            UI().TypeText(*form->PasswordqxEdit, "half-typ");
            UI().Focus(*form->POP3qxComboBox);  // the typed password is written here
            UI().TypeText(*form->POP3qxComboBox, "pop.other");
            UI().TypeText(*form->PollTimeqxEdit, "12");
            UI().Click(*form->AutoShowqxCheckBox);
            UI().AnswerColorDialog(true, clRed);
            UI().Click(*form->BackColorqxPanel);
        };
        if (how == How::Escape) {
            UI().Script([&] {
                change();
                UI().PressKey(*form, false);
            });
            EXPECT_EQ(form->ShowModal(), mrCancel);
        } else {
            form->Show();
            change();
            ASSERT_EQ(form->PasswordqxEdit->Text(), "half-typ");
            if (how == How::CancelButton)
                UI().Click(*form->BitBtn2);
            else
                form->Close();
        }
        EXPECT_FALSE(form->Visible());
        EXPECT_EQ(form->PasswordqxEdit->Text(), "old secret");
        EXPECT_EQ(form->POP3qxComboBox->Text(), "pop.example.org");
        EXPECT_EQ(form->PollTimeqxEdit->Text(), "4");
        EXPECT_EQ(form->qxUpDown1->Position(), 4);
        EXPECT_EQ(Timers->Poll->Interval(), 4 * 60000);
        EXPECT_TRUE(form->AutoShowqxCheckBox->Checked());
        EXPECT_EQ(form->BackColorqxPanel->Color(), clBlack);
        // The file holds the old password again, not the half-typed one.
        std::string plain;
        ASSERT_TRUE(UnprotectValue(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("String", "SetupForm.PasswordqxEdit", ""), plain));
        EXPECT_EQ(plain, "old secret");
        Finish();
        TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
        EXPECT_TRUE(ini.ReadBool("Boolean", "SetupForm.AutoShowqxCheckBox", true));
        EXPECT_EQ(ini.ReadString("String", "SetupForm.POP3qxComboBox", ""), "pop.example.org");
        EXPECT_EQ(ini.ReadInteger("Integer", "SetupForm.qxUpDown1", 0), 4);
    }
}

// A value typed into the edit (not set with the arrows) is the up-down's position and is
// what the next start shows.
TEST_F(SetupFormTest, TypedPollTimeIsRememberedAcrossARestart) {
    TSetupForm* form = Start();
    form->Show();
    UI().TypeText(*form->PollTimeqxEdit, "17");
    EXPECT_TRUE(form->qxUpDown1->RemanentChanged());
    UI().Click(*form->BitBtn1);
    Finish();
    EXPECT_EQ(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadInteger("Integer", "SetupForm.qxUpDown1", 0), 17);
    form = Start();
    form->Show();
    EXPECT_EQ(form->PollTimeqxEdit->Text(), "17");
    EXPECT_EQ(Timers->Poll->Interval(), 17 * 60000);
    // Out of the arrows' range, a typed value counts for this run only.
    UI().TypeText(*form->PollTimeqxEdit, "1");
    EXPECT_EQ(form->qxUpDown1->Position(), 17);
}

TEST_F(SetupFormTest, ColourDialogConfirmedAndCancelled) {
    TSetupForm* form = Start();
    form->Show();
    UI().AnswerColorDialog(true, clRed);
    UI().Click(*form->BackColorqxPanel);
    EXPECT_EQ(form->BackColorqxPanel->Color(), clRed);
    ASSERT_EQ(UI().ColorDialogs().size(), 1u);
    EXPECT_EQ(UI().ColorDialogs()[0].Initial, clBlack);  // black the first time

    UI().AnswerColorDialog(false);
    UI().Click(*form->TextColorqxPanel);
    EXPECT_EQ(form->TextColorqxPanel->Color(), clLime);  // cancelled: unchanged
    ASSERT_EQ(UI().ColorDialogs().size(), 2u);
    EXPECT_EQ(UI().ColorDialogs()[1].Initial, clRed);  // the last colour chosen, not the swatch's

    UI().AnswerColorDialog(true, 0x123456);
    UI().Click(*form->TextColorqxPanel);
    EXPECT_EQ(form->TextColorqxPanel->Color(), 0x123456);
    EXPECT_EQ(form->BackColorqxPanel->Color(), clRed);
}

TEST_F(SetupFormTest, HandlersWithoutTimersDoNothingToThem) {
    TSetupForm* form = Start(nullptr);
    form->Show();
    UI().TypeText(*form->PollTimeqxEdit, "8");
    UI().Click(*form->StayOnTopqxCheckBox);
    UI().Click(*form->StayOnTopqxCheckBox);
    UI().Click(*form->BitBtn1);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(Logged.empty());
    // Handed over later, they are used from then on.
    form->SetMainTimers(Timers.get());
    form->Show();
    UI().TypeText(*form->PollTimeqxEdit, "3");
    EXPECT_EQ(Timers->Poll->Interval(), 3 * 60000);
}

// ---------------------------------------------------------------------------------------
// Autostart

TEST_F(SetupFormTest, AutostartFollowsTheCheckBox) {
    TSetupForm* form = Start();
    const std::string quoted = "\"" + platform::ExePath() + "\"";
    EXPECT_EQ(RunValue(), quoted);  // designed default: checked
    form->Show();
    UI().Click(*form->AutoStartqxCheckBox);
    EXPECT_EQ(RunValue(), "<no value>");
    form->CheckAutoStart();  // unchecked while no value exists: no error
    EXPECT_EQ(RunValue(), "<no value>");
    UI().Click(*form->AutoStartqxCheckBox);
    EXPECT_EQ(RunValue(), quoted);
    // Never written there (a real registry has the key, a test registry need not).
    const std::string machine = RunValue(platform::RootKey::LocalMachine);
    EXPECT_TRUE(machine == "<no key>" || machine == "<no value>") << machine;
    EXPECT_TRUE(Logged.empty());
}

TEST_F(SetupFormTest, RememberedUncheckedAutostartRemovesTheValuesAtStart) {
    {
        platform::TRegistry user(platform::RootKey::CurrentUser);
        ASSERT_TRUE(user.OpenKey(std::string("\\") + RunKey, true));
        user.WriteString(AutoStartValueName, "\"C:\\Old\\Skimbar.exe\"");
        user.WriteString(OtherRunValue, "keep me");
        platform::TRegistry machine(platform::RootKey::LocalMachine);
        ASSERT_TRUE(machine.OpenKey(std::string("\\") + RunKey, true));
        machine.WriteString(AutoStartValueName, "C:\\Old\\Skimbar.exe");
        machine.WriteString(OtherRunValue, "keep me");
    }
    WriteFile("Cfg/Skimbar.ini", "[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n");
    Start();
    EXPECT_EQ(RunValue(), "<no value>");
    EXPECT_EQ(RunValue(platform::RootKey::LocalMachine), "<no value>");
    platform::TRegistry user(platform::RootKey::CurrentUser);
    ASSERT_TRUE(user.OpenKeyReadOnly(std::string("\\") + RunKey));
    EXPECT_EQ(user.ReadString(OtherRunValue), "keep me");
    platform::TRegistry machine(platform::RootKey::LocalMachine);
    ASSERT_TRUE(machine.OpenKeyReadOnly(std::string("\\") + RunKey));
    EXPECT_EQ(machine.ReadString(OtherRunValue), "keep me");
}

#ifndef _WIN32
// (The stand-in registry can be made unwritable; the real one is tested under Wine.)
TEST_F(SetupFormTest, FailedAutostartWriteIsLoggedAndStartGoesOn) {
    // The registry cannot be written: its folder lies below a plain file.
    WriteFile("blocked", "");
    platform::SetRegistryFolderForTests(AtUtf8("blocked/registry"));
    TSetupForm* form = nullptr;
    ASSERT_NO_THROW(form = Start());
    // Once: loading an unchanged box runs no click; the start's own call fails.
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0], "Konnte Daten für 'Skimbar' nicht setzen");
    form->Show();
    ASSERT_NO_THROW(UI().Click(*form->BitBtn1));
    EXPECT_EQ(Logged.back(), "Konnte Daten für 'Skimbar' nicht setzen");
    EXPECT_FALSE(form->Visible());
}
#endif

// ---------------------------------------------------------------------------------------
// The password

TEST_F(SetupFormTest, PasswordIsStoredProtectedAndReadBack) {
    TSetupForm* form = Start();
    form->Show();
    UI().Focus(*form->PasswordqxEdit);
    UI().TypeText(*form->PasswordqxEdit, "s3cret päss");
    UI().Focus(*form->BitBtn1);
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    const std::string stored = ini.ReadString("String", "SetupForm.PasswordqxEdit", "");
    EXPECT_EQ(stored.rfind("dpapi:", 0), 0u) << stored;
    EXPECT_EQ(Settings().find("s3cret"), std::string::npos);
    Finish();

    Start();
    EXPECT_EQ(SetupForm->PasswordqxEdit->Text(), "s3cret päss");
    EXPECT_FALSE(SetupForm->PasswordqxEdit->RemanentChanged());
    Finish();
    EXPECT_EQ(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("String", "SetupForm.PasswordqxEdit", ""), stored);
}

TEST_F(SetupFormTest, PlainPasswordOfAnOlderVersionIsReadAndStoredProtected) {
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.PasswordqxEdit=old plain\r\n");
    Start();
    EXPECT_EQ(SetupForm->PasswordqxEdit->Text(), "old plain");
    // Protected as soon as it is read, not at the end of the run.
    const std::string stored =
        TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("String", "SetupForm.PasswordqxEdit", "");
    EXPECT_TRUE(IsProtectedValue(stored)) << stored;
    EXPECT_EQ(Settings().find("old plain"), std::string::npos);
    Finish();
    Start();
    EXPECT_EQ(SetupForm->PasswordqxEdit->Text(), "old plain");
}

TEST_F(SetupFormTest, UnreadablePasswordLeavesTheEditEmptyAndTheValueStored) {
    const std::string damaged = ProtectValue("hidden text").substr(0, 20) + "AAAA";
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.PasswordqxEdit=" + damaged + "\r\n");
    Start();
    EXPECT_EQ(SetupForm->PasswordqxEdit->Text(), "");
    ASSERT_EQ(Logged.size(), 1u);
    EXPECT_EQ(Logged[0], "The protected value SetupForm.PasswordqxEdit cannot be read by this user");
    Finish();
    EXPECT_EQ(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("String", "SetupForm.PasswordqxEdit", ""),
              damaged);
}

TEST_F(SetupFormTest, EmptyPasswordIsStoredEmpty) {
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.PasswordqxEdit=old\r\n");
    Start();
    SetupForm->PasswordqxEdit->SetText("");
    Finish();
    EXPECT_NE(Settings().find("SetupForm.PasswordqxEdit=\r\n"), std::string::npos) << Settings();
}

}  // namespace

namespace {

using setuptest::SetupFormTest;

TEST_F(SetupFormTest, LayoutKeepsEveryControlApartAndWhole) {
    TSetupForm* form = Start();
    form->Show();
    EXPECT_EQ(setuptest::LayoutFaults(*form), std::vector<std::string>{});
    // Left column: account, poll time, switches; right column: password and colours;
    // OK and Cancel at the bottom right.
    EXPECT_LT(form->eMailqxComboBox->Left(), form->PasswordqxEdit->Left());
    EXPECT_EQ(form->POP3qxComboBox->Left(), form->eMailqxComboBox->Left());
    EXPECT_LT(form->eMailqxComboBox->Top(), form->POP3qxComboBox->Top());
    EXPECT_LT(form->POP3qxComboBox->Top(), form->PollTimeqxEdit->Top());
    EXPECT_LT(form->PollTimeqxEdit->Top(), form->AutoStartqxCheckBox->Top());
    EXPECT_EQ(form->qxUpDown1->Left(), form->PollTimeqxEdit->Left() + form->PollTimeqxEdit->Width());
    EXPECT_GT(form->BackColorqxPanel->Left(), form->AutoStartqxCheckBox->Left() + form->AutoStartqxCheckBox->Width());
    EXPECT_GT(form->BackColorqxPanel->Top(), form->PasswordqxEdit->Top());
    EXPECT_GT(form->BitBtn1->Top(), form->AutoShowqxCheckBox->Top());
    EXPECT_GT(form->BitBtn2->Left(), form->BitBtn1->Left());
    EXPECT_GT(form->BitBtn2->Left() + form->BitBtn2->Width(), form->TabSheet1->ClientWidth() - 40);
}

// [Security]: a first start offers TLS, settings of an earlier version (an account, no
// [Security]) keep plain text, and the mode and the pinned certificate are kept in words.
TEST_F(SetupFormTest, SecurityModeAndFingerprintLiveUnderSecurity) {
    const struct {
        const char* Name;
        const char* File;
        TIdSecurity Expected;
        const char* Fingerprint;
    } cases[] = {
        {"first start", "", TIdSecurity::Tls, ""},
        {"earlier version", "[String]\r\nSetupForm.POP3qxComboBox=mail.example.org\r\n", TIdSecurity::None, ""},
        {"stored", "[Security]\r\nMode=STARTTLS\r\nFingerprint=ab:cd\r\n", TIdSecurity::StartTls, "ab:cd"},
        {"unknown word", "[Security]\r\nMode=plain\r\n", TIdSecurity::Tls, ""},
    };
    for (const auto& c : cases) {
        WriteFile("Cfg/Skimbar.ini", c.File);
        Start();
        EXPECT_EQ(SetupForm->SecurityqxComboBox->Security(), c.Expected) << c.Name;
        EXPECT_EQ(SetupForm->FingerprintqxEdit->Text(), c.Fingerprint) << c.Name;
        Finish();
        // The mode read is the mode kept: the next start sees the same.
        EXPECT_EQ(SecurityFromText(TIniFile(AtUtf8("Cfg/Skimbar.ini")).ReadString("Security", "Mode", "?")), c.Expected)
            << c.Name;
    }
    Start();
    SetupForm->SecurityqxComboBox->NotifyUserSelect(1);
    SetupForm->FingerprintqxEdit->SetText("00:11");
    Finish();
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadString("Security", "Mode", ""), "starttls");
    EXPECT_EQ(ini.ReadString("Security", "Fingerprint", ""), "00:11");
}

}  // namespace
