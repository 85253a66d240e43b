// The main window on the headless backend: the order of its start-up, the strip's edge cases,
// the actions and menu, and what it keeps under General.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "app/MainFormFixture.h"
#include "core/IniFile.h"
#include "platform/Files.h"
#include "ui/ImgList.h"
#include "ui/Messages.h"

namespace {

using maintest::MainFormTest;

// What each step of FormCreate finds when it starts.
struct TStepView {
    bool ScrollTimerOn = false;
    bool TrayIcon = false;
    bool Setup = false;
    int PollInterval = 0;
    bool PollOn = false;
    std::string Hint;
    std::string Language;
    int Items = 0;
    bool Visible = false;
    int ScrollInterval = 0;
};

TEST_F(MainFormTest, FormCreateRunsItsStepsInOrder) {
    WriteSettings("127.0.0.1:1", "secret", "ScrollSpeed=50\r\nBackColor=255\r\n");
    WriteFile("Cfg/Skimbar.ini", ReadFile("Cfg/Skimbar.ini") + "[Integer]\r\nSetupForm.qxUpDown1=7\r\n");
    WriteLanguage("english.ini", "");
    std::map<int, TStepView> seen;
    TMainForm::CreateStepHookForTests = [&](TMainForm& f, int step) {
        TStepView v;
        v.ScrollTimerOn = f.ScrollTimer->Enabled();
        v.TrayIcon = f.TrayIcon != nullptr;
        v.Setup = SetupForm != nullptr;
        v.PollInterval = f.PollMailTimer->Interval();
        v.PollOn = f.PollMailTimer->Enabled();
        v.Hint = f.Hint();
        v.Language = f.ActiveLanguage;
        v.Items = static_cast<int>(f.Items.size());
        v.Visible = f.Visible();
        v.ScrollInterval = f.ScrollTimer->Interval();
        // The main window is known to the whole program before its start-up handler.
        EXPECT_EQ(Application->MainForm(), &f);
        EXPECT_EQ(MainForm, &f);
        seen[step] = v;
    };
    Start();
    ASSERT_EQ(seen.size(), 23u);
    EXPECT_FALSE(seen[5].ScrollTimerOn);
    EXPECT_TRUE(seen[6].ScrollTimerOn);
    EXPECT_FALSE(seen[6].TrayIcon);
    EXPECT_TRUE(seen[7].TrayIcon);
    EXPECT_FALSE(seen[7].Setup);
    EXPECT_TRUE(seen[8].Setup);
    // Loading the remembered values (step 8) ran the dialog's poll-time handler, which reached
    // the poll timer through the main window; step 11 then sets the first poll's 2000 ms.
    EXPECT_EQ(seen[9].PollInterval, 7 * 60000);
    EXPECT_EQ(seen[12].PollInterval, 2000);
    EXPECT_EQ(seen[12].Hint, "Click to open your standard mail program");  // the design's
    EXPECT_EQ(seen[13].Hint, "Click to open your standard mail program");
    EXPECT_EQ(seen[14].Language, "ENGLISH");
    EXPECT_EQ(seen[18].ScrollInterval, 30);
    EXPECT_EQ(seen[19].ScrollInterval, 50);
    EXPECT_FALSE(seen[20].PollOn);
    EXPECT_TRUE(seen[21].PollOn);
    EXPECT_EQ(seen[21].Items, 0);
    EXPECT_EQ(seen[22].Items, 1);
    EXPECT_FALSE(seen[22].Visible);
    EXPECT_TRUE(seen[23].Visible);
    EXPECT_EQ(Form->Color(), 255);
    EXPECT_EQ(Form->Left(), 0);
    EXPECT_EQ(Form->Top(), 0);
    EXPECT_EQ(Form->Width(), 1920);
    EXPECT_EQ(Form->Height(), 38);
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_EQ(Form->LastCount, 0);
    EXPECT_EQ(Form->TrayIcon->ToolTip(), "Skimbar 1.01\r\n(right mouse button for options)");
    EXPECT_EQ(Form->TrayIcon->ToolTip().size(), 46u);
}

TEST_F(MainFormTest, WelcomeItemEntersAtTheRightEdgeAndRetiresAtMinusOne) {
    WriteSettings("127.0.0.1:1");
    Start();
    ASSERT_EQ(ItemCount(), 1);
    TMailPanel* welcome = Item(0);
    EXPECT_EQ(welcome->Left(), 1920);
    EXPECT_EQ(welcome->Id(), "-1");
    EXPECT_TRUE(Form->KnownIds.Contains("-1"));
    // A second transient item while the first is live adds nothing.
    EXPECT_FALSE(Form->AddTickerItem("System", "x", 0, dt::Now(), "-1"));
    const int width = welcome->Width();
    Tick(1920 + width);  // right edge now 0: still live
    EXPECT_EQ(welcome->Left() + welcome->Width(), 0);
    EXPECT_TRUE(welcome->Alive());
    Tick();  // right edge -1: retired, "-1" free again
    EXPECT_FALSE(welcome->Alive());
    EXPECT_FALSE(Form->KnownIds.Contains("-1"));
    Form->SyncItemPlaces();  // out of view now: its place is kept by the strip
    EXPECT_EQ(welcome->Left() + welcome->Width(), -1);
    Tick();  // freed
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_TRUE(Form->Visible());
    Tick();  // the empty bar hides itself
    EXPECT_FALSE(Form->Visible());
}

TEST_F(MainFormTest, IdsDifferingInCaseAndEmptyIdsGetOneItem) {
    WriteSettings("127.0.0.1:1");
    Start();
    EXPECT_TRUE(Form->AddTickerItem("a@x", "one", 100, dt::Now(), "<ID@x>"));
    EXPECT_FALSE(Form->AddTickerItem("a@x", "two", 100, dt::Now(), "<id@X>"));
    EXPECT_TRUE(Form->AddTickerItem("a@x", "three", 100, dt::Now(), ""));
    EXPECT_FALSE(Form->AddTickerItem("a@x", "four", 100, dt::Now(), ""));
    ASSERT_EQ(ItemCount(), 3);
    // Each new item sits flush behind the rightmost one.
    EXPECT_EQ(Item(1)->Left(), Item(0)->Left() + Item(0)->Width());
    EXPECT_EQ(Item(2)->Left(), Item(1)->Left() + Item(1)->Width());
}

TEST_F(MainFormTest, ItemsWrapBehindTheRightmostOne) {
    WriteSettings("127.0.0.1:1");
    Start();
    Tick();  // welcome moves
    Form->AddTickerItem("a@x", "one", 100, dt::Now(), "<1@x>");
    Form->AddTickerItem("b@x", "two", 100, dt::Now(), "<2@x>");
    TMailPanel* first = Item(1);
    TMailPanel* second = Item(2);
    first->SetLeft(-first->Width());  // right edge 0
    second->SetLeft(100);
    Tick();
    EXPECT_EQ(first->Left(), std::max(1920, Item(0)->Left() + Item(0)->Width()));
    EXPECT_TRUE(first->Alive());
}

// These need a registry of the test's own: a real Windows registry may have a mail program
// (Wine registers its browser for mailto).
#ifndef _WIN32
TEST_F(MainFormTest, ClickWithFiveItemsRetiresAllAndFreesOnePerTick) {
    WriteSettings("127.0.0.1:1");
    Start();
    for (int i = 1; i <= 4; ++i) Form->AddTickerItem("a@x", "s", 10, dt::Now(), "<" + std::to_string(i) + "@x>");
    ASSERT_EQ(ItemCount(), 5);
    H().AnswerMessageBox(1);
    H().Click(*Form);  // no mail program registered
    ASSERT_EQ(H().MessageBoxes().size(), 1u);
    EXPECT_EQ(H().MessageBoxes()[0].Text, "Can\u00B4t find your standard mail program");
    EXPECT_EQ(H().MessageBoxes()[0].Caption, "Skimbar");
    for (TMailPanel* item : Form->Items) EXPECT_FALSE(item->Alive());
    EXPECT_FALSE(Form->KnownIds.Contains("-1"));
    EXPECT_TRUE(Form->KnownIds.Contains("<3@X>"));
    const int left = Item(4)->Left();
    Tick();
    EXPECT_EQ(ItemCount(), 4);
    EXPECT_EQ(Item(3)->Left(), left);  // retired items stand still
    for (int i = 3; i >= 0; --i) {
        Tick();
        EXPECT_EQ(ItemCount(), i);
    }
    EXPECT_TRUE(Form->Visible());
    Tick();
    EXPECT_FALSE(Form->Visible());
}

TEST_F(MainFormTest, AClickOnAnItemDuringWhichTheTickFreesItLeavesNothingBehind) {
    WriteSettings("127.0.0.1:1");
    Start();
    Form->AddTickerItem("a@x", "s", 10, dt::Now(), "<1@x>");
    TMailPanel* item = Item(1);
    item->SetLeft(10);
    // The message box waits 500 ms of virtual time; the scroll timer runs meanwhile and frees
    // both retired items, one of them the clicked one.
    H().AnswerMessageBox(1, 500);
    H().Click(*item);
    EXPECT_EQ(ItemCount(), 0);
    EXPECT_EQ(ui::PendingFreeCount(), 0);
    EXPECT_EQ(Form->ControlCount(), 0);
}


// Under Windows the Wine test starts a real registered program instead.
TEST_F(MainFormTest, ClickStartsTheRegisteredMailClientWithItsArgumentsAndHidesTheBar) {
    WriteSettings("127.0.0.1:1");
    WriteFile("mail client", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.ran\"\n");
    ASSERT_EQ(::chmod(AtUtf8("mail client").c_str(), 0755), 0);
    platform::TRegistry reg(platform::RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Clients\\Mail", true));
    reg.WriteString("", "TestMail");
    platform::TRegistry cmd(platform::RootKey::CurrentUser);
    ASSERT_TRUE(cmd.OpenKey("\\Software\\Clients\\Mail\\TestMail\\shell\\open\\command", true));
    // Unquoted, with a blank in the program's path, as such commands are often registered.
    cmd.WriteString("", AtUtf8("mail client") + " -open \"two words\"");
    Start();
    ASSERT_TRUE(Form->Visible());
    H().Click(*Item(0));
    EXPECT_TRUE(H().MessageBoxes().empty());
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Item(0)->Alive());
    std::string ran;
    for (int i = 0; i < 500 && ran.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (platform::FileExists(AtUtf8("mail client.ran"))) ran = ReadFile("mail client.ran");
    }
    EXPECT_EQ(ran, "-open|two words|");
}

TEST_F(MainFormTest, AMailProgramThatDoesNotStartIsReportedAndTheBarStays) {
    WriteSettings("127.0.0.1:1");
    platform::TRegistry reg(platform::RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Classes\\mailto\\shell\\open\\command", true));
    reg.WriteString("", AtUtf8("no such folder") + "/mailer.exe %1");
    Start();
    H().AnswerMessageBox(1);
    H().Click(*Item(0));
    ASSERT_EQ(H().MessageBoxes().size(), 1u);
    EXPECT_EQ(H().MessageBoxes()[0].Text, "Can\u00B4t find your standard mail program");
    EXPECT_TRUE(Form->Visible());
}
#endif

TEST_F(MainFormTest, SpeedStaysAtTenOrMoreAndAStoredValueBelowReadsAsDefault) {
    WriteSettings("127.0.0.1:1", "secret", "ScrollSpeed=5\r\n");
    Start();
    EXPECT_EQ(Form->ScrollTimer->Interval(), 30);
    Form->FasterAction->Execute();
    Form->FasterAction->Execute();
    EXPECT_EQ(Form->ScrollTimer->Interval(), 10);
    Form->FasterAction->Execute();
    EXPECT_EQ(Form->ScrollTimer->Interval(), 10);
    Form->SlowerAction->Execute();
    EXPECT_EQ(Form->ScrollTimer->Interval(), 20);
    Stop();
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadInteger("General", "ScrollSpeed", 0), 20);
}

TEST_F(MainFormTest, StayOnTopFollowsTheCheckBox250MsAfterShowing) {
    WriteSettings("127.0.0.1:1", "secret", "", /*autoShow=*/false, /*stayOnTop=*/false);
    Start();
    EXPECT_FALSE(Form->Visible());
    Form->ShowAction->Execute();
    H().advance(249);
    EXPECT_TRUE(H().WindowPosCalls().empty());
    H().advance(1);
    ASSERT_EQ(H().WindowPosCalls().size(), 1u);
    EXPECT_EQ(H().WindowPosCalls()[0].InsertAfter, -2);
    EXPECT_EQ(H().WindowPosCalls()[0].Flags, 0x13u);
    H().advance(1000);
    EXPECT_EQ(H().WindowPosCalls().size(), 1u);  // one-shot
    SetupForm->StayOnTopqxCheckBox->SetChecked(true);  // as a click in the dialog
    H().advance(250);
    ASSERT_EQ(H().WindowPosCalls().size(), 2u);
    EXPECT_EQ(H().WindowPosCalls()[1].InsertAfter, -1);
}

TEST_F(MainFormTest, AutoShowOffKeepsTheBarHiddenAndShowingNeverActivates) {
    WriteSettings("127.0.0.1:1", "secret", "", /*autoShow=*/false);
    Start();
    EXPECT_FALSE(Form->Visible());
    Form->HideAction->Execute();
    Form->ShowAction->Execute();  // items present: nothing added
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(ItemCount(), 1);
    EXPECT_GE(H().RestoreCount(), 1);
    for (TWinControl* f : H().Activations()) EXPECT_NE(f, Form);
}

TEST_F(MainFormTest, ShowOnAnEmptyBarAddsTheSystemItem) {
    WriteSettings("127.0.0.1:1");
    Start();
    RetireWelcome();
    ASSERT_EQ(ItemCount(), 0);
    Form->HideAction->Execute();
    Form->ShowAction->Execute();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->Id(), "-1");
    EXPECT_EQ(Item(0)->SenderText(), "System");
    EXPECT_EQ(Item(0)->Subject(), "No new mails available!");
    EXPECT_TRUE(Form->Visible());
}

TEST_F(MainFormTest, LanguageSubmenuListsTheFilesAndChecksTheSavedOne) {
    WriteLanguage("english.ini", "FMAIN_MSG_MSG_TOOLTIPTEXT=(right mouse button for options)\r\n");
    WriteLanguage("german.ini", "FMAIN_MSG_MSG_TOOLTIPTEXT=(rechte Maustaste f\u00FCr Optionen)\r\n");
    WriteSettings("127.0.0.1:1", "secret", "ActiveLanguage=GERMAN\r\n");
    Start();
    TMenuItem* menu = Form->LanguageItem;
    ASSERT_EQ(menu->Count(), 2);
    EXPECT_EQ(menu->Items(0)->Caption(), "ENGLISH");
    EXPECT_EQ(menu->Items(1)->Caption(), "GERMAN");
    EXPECT_FALSE(menu->Items(0)->Checked());
    EXPECT_TRUE(menu->Items(1)->Checked());
    EXPECT_EQ(Form->ActiveLanguage, "GERMAN");
    EXPECT_EQ(Form->TrayIcon->ToolTip(), "Skimbar 1.01\r\n(rechte Maustaste f\u00FCr Optionen)");
    // Chosen through the popup, with the accelerator the menu gave the caption.
    H().AnswerPopup("Language/ENGLISH");
    H().RightClick(*Form);
    EXPECT_TRUE(menu->Items(0)->Checked());
    EXPECT_EQ(Form->ActiveLanguage, "ENGLISH");
    EXPECT_EQ(Form->TrayIcon->ToolTip(), "Skimbar 1.01\r\n(right mouse button for options)");
    Stop();
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadString("General", "ActiveLanguage", ""), "ENGLISH");
}

TEST_F(MainFormTest, UnknownLanguageLeavesTooltipAndNameAlone) {
    WriteLanguage("english.ini", "");
    WriteSettings("127.0.0.1:1");
    Start();
    auto* bogus = new TMenuItem(Form);
    bogus->SetCaption("KLINGON");
    Form->LanguageItem->Add(bogus);
    const std::string tip = Form->TrayIcon->ToolTip();
    EXPECT_THROW(Form->LanguageItemClick(bogus), LanguageException);
    EXPECT_TRUE(bogus->Checked());
    EXPECT_EQ(Form->ActiveLanguage, "ENGLISH");
    EXPECT_EQ(Form->TrayIcon->ToolTip(), tip);
    Form->LanguageItemClick(Form);  // not a menu item: nothing
}

TEST_F(MainFormTest, OkSurvivesARunUnchangedAndTheGeneralKeysAreWritten) {
    WriteSettings("127.0.0.1:1", "secret", "OK=1\r\nTextColor=255\r\n");
    Start();
    EXPECT_TRUE(Form->OkFlag);
    EXPECT_EQ(SetupForm->TextColorqxPanel->Color(), 255);
    SetupForm->BackColorqxPanel->SetColor(0x123456);
    Stop();
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadString("General", "OK", ""), "1");
    EXPECT_EQ(ini.ReadInteger("General", "ScrollSpeed", 0), 30);
    EXPECT_EQ(ini.ReadInteger("General", "BackColor", 0), 0x123456);
    EXPECT_EQ(ini.ReadInteger("General", "TextColor", 0), 255);
}

TEST_F(MainFormTest, FirstStartWithoutPasswordShowsTheSetupDialogBeforePolling) {
    bool modalSeen = false;
    bool pollOnDuringModal = true;
    H().Script([&] {
        modalSeen = SetupForm && SetupForm->Modal();
        pollOnDuringModal = Form == nullptr ? MainForm->PollMailTimer->Enabled() : Form->PollMailTimer->Enabled();
        SetupForm->Close();
    });
    Start();
    EXPECT_TRUE(modalSeen);
    EXPECT_FALSE(pollOnDuringModal);
    EXPECT_EQ(Form->ScrollTimer->Interval(), 30);
    EXPECT_EQ(Form->Color(), 0);
    EXPECT_EQ(SetupForm->TextColorqxPanel->Color(), 65280);
    EXPECT_TRUE(Form->PollMailTimer->Enabled());
}

TEST_F(MainFormTest, QuitStopsTheTimersAndEndsTheLoop) {
    WriteSettings("127.0.0.1:1");
    Start();
    Form->QuitAction->Execute();
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    EXPECT_FALSE(Form->PollMailTimer->Enabled());
    EXPECT_FALSE(Form->StayOnTopTimer->Enabled());
    EXPECT_TRUE(Application->Terminated());
}

// The session ends (log-off, shut-down): the program ends as Quit does and has written
// everything before the session-end message returns, before any window is destroyed.
TEST_F(MainFormTest, SessionEndWritesWhatQuitWouldBeforeTheProcessEnds) {
    WriteSettings("127.0.0.1:1", "secret", "ActiveLanguage=ENGLISH\r\n");
    WriteLanguage("english.ini", "");
    Start();
    Form->SlowerAction->Execute();
    SetupForm->TextColorqxPanel->SetColor(0x0000FF);
    SetupForm->Show();
    H().TypeText(*SetupForm->PollTimeqxEdit, "9");
    H().EndSession();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    EXPECT_FALSE(Form->PollMailTimer->Enabled());
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadInteger("General", "ScrollSpeed", 0), 40);
    EXPECT_EQ(ini.ReadInteger("General", "TextColor", 0), 0x0000FF);
    EXPECT_EQ(ini.ReadString("General", "ActiveLanguage", ""), "ENGLISH");
    EXPECT_EQ(ini.ReadInteger("Integer", "SetupForm.qxUpDown1", 0), 9);
}

TEST_F(MainFormTest, ColoursChosenInTheDialogOfTheFirstStartAreKept) {
    H().Script([&] {
        H().AnswerColorDialog(true, 0x00FF00FF);
        H().Click(*SetupForm->BackColorqxPanel);
        H().AnswerColorDialog(true, 0x00FFFFFF);
        H().Click(*SetupForm->TextColorqxPanel);
        H().Click(*SetupForm->BitBtn1);
    });
    Start();
    EXPECT_EQ(Form->Color(), 0x00FF00FF);
    EXPECT_EQ(SetupForm->TextColorqxPanel->Color(), 0x00FFFFFF);
    Stop();
    TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
    EXPECT_EQ(ini.ReadInteger("General", "BackColor", 0), 0x00FF00FF);
    EXPECT_EQ(ini.ReadInteger("General", "TextColor", 0), 0x00FFFFFF);
}

// A start-up that ends part-way writes back only what it had read.
TEST_F(MainFormTest, AStartUpThatFailsPartWayLeavesTheStoredGeneralKeysAlone) {
    const std::string general = "ActiveLanguage=GERMAN\r\nOK=1\r\nScrollSpeed=70\r\nBackColor=255\r\nTextColor=4\r\n";
    for (int failAt : {9, 17, 18}) {
        SCOPED_TRACE(failAt);
        if (!Session) Session = std::make_unique<ui::headless::TSession>();
        WriteSettings("127.0.0.1:1", "secret", general);
        TMainForm::CreateStepHookForTests = [failAt](TMainForm&, int step) {
            if (step == failAt) throw Exception("step failed");
        };
        Start();
        Stop();
        TMainForm::CreateStepHookForTests = nullptr;
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        TIniFile ini(AtUtf8("Cfg/Skimbar.ini"));
        EXPECT_EQ(ini.ReadString("General", "ActiveLanguage", ""), "GERMAN");
        EXPECT_EQ(ini.ReadInteger("General", "ScrollSpeed", 0), 70);
        EXPECT_EQ(ini.ReadInteger("General", "BackColor", 0), 255);
        EXPECT_EQ(ini.ReadInteger("General", "TextColor", 0), 4);
        EXPECT_EQ(ini.ReadString("General", "OK", ""), "1");
    }
}

TEST_F(MainFormTest, ASecondStartWithAnEmptyBarShowsTheNoNewMailsItem) {
    WriteSettings("127.0.0.1:1");
    Start();
    RetireWelcome();
    Form->HideAction->Execute();
    ui::PostMsg(0, Form->qxApplicationEvents1->StartOnceMessage());
    H().Flush();
    ASSERT_EQ(ItemCount(), 1);
    EXPECT_EQ(Item(0)->Subject(), "No new mails available!");
    EXPECT_TRUE(Form->Visible());
    // It scrolls: the next tick does not hide the bar again.
    Tick();
    EXPECT_TRUE(Form->Visible());
}

TEST_F(MainFormTest, AnExceptionInATickLeavesTheTickerRunning) {
    WriteSettings("127.0.0.1:1");
    Start();
    RetireWelcome();
    ASSERT_TRUE(Form->Visible());
    Form->OnHide = [](TObject*) { throw Exception("hide failed"); };
    EXPECT_THROW(Tick(), Exception);
    EXPECT_TRUE(Form->ScrollTimer->Enabled());
    Form->OnHide = nullptr;
    Form->AddTickerItem("a@x", "s", 10, dt::Now(), "<1@x>");
    const int left = Item(0)->Left();
    H().advance(Form->ScrollTimer->Interval());
    EXPECT_EQ(Item(0)->Left(), left - 1);
}

TEST_F(MainFormTest, TrayAnimationSteps) {
    WriteSettings("127.0.0.1:1");
    Start();
    std::vector<int> frames;
    for (int i = 0; i < 5; ++i) {
        Form->SetTrayIcon(true);
        frames.push_back(Form->TrayFrame);
    }
    EXPECT_EQ(frames, (std::vector<int>{3, 2, 1, 0, 3}));
    Form->SetTrayIcon(false);
    EXPECT_EQ(Form->TrayFrame, 0);
    EXPECT_EQ(*Form->TrayIcon->Icon().Image(), Form->ImageList->Image(0));
}

}  // namespace
