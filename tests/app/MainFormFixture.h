#pragma once
// The main window on the headless backend in a program folder of its own: settings written
// before the start, the start as the program makes it, and shutdown as the program ends.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/MailPanel.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "platform/Registry.h"
#include "support/SupportTestEnv.h"
#include "support/qxApplicationEvents.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxGeneral.h"
#include "support/qxPanel.h"
#include "ui/ActnList.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/headless/Headless.h"

namespace maintest {

class MainFormTest : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        platform::SetRegistryFolderForTests(AtUtf8("registry"));
        Session = std::make_unique<ui::headless::TSession>();
        H().SetScreenSize(1920, 1080);
    }
    void TearDown() override {
        TMainForm::CreateStepHookForTests = nullptr;
        Stop();
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        platform::SetRegistryFolderForTests("");
        AppFolderTest::TearDown();
    }

    ui::headless::THeadless& H() { return Session->Backend(); }

    // The settings file the program finds at start: remembered controls and General keys.
    void WriteSettings(const std::string& server, const std::string& password = "secret",
                       const std::string& extraGeneral = "", bool autoShow = true, bool stayOnTop = true) {
        WriteFile("Cfg/Skimbar.ini",
                  "[String]\r\nSetupForm.eMailqxComboBox=user\r\nSetupForm.PasswordqxEdit=" + password +
                      "\r\nSetupForm.POP3qxComboBox=" + server +
                      "\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\nSetupForm.StayOnTopqxCheckBox=" +
                      (stayOnTop ? "1" : "0") + "\r\nSetupForm.AutoShowqxCheckBox=" + (autoShow ? "1" : "0") +
                      "\r\n[General]\r\n" + extraGeneral);
    }

    // The program's start, up to its message loop.
    void Start() {
        InitializeQxGeneral();
        RegisterTrayIconStrings();
        RegisterMailPanelStrings();
        RegisterMainFormStrings();
        Application->Initialize();
        Application->SetShowMainForm(false);
        Application->SetTitle("Skimbar");
        Application->CreateForm(Form);
        ASSERT_EQ(Form, MainForm);
    }
    // The program's end: every window, then the support unit.
    void Stop() {
        Session.reset();
        Form = nullptr;
        FinalizeQxGeneral();
    }

    int ItemCount() const { return static_cast<int>(Form->Items.size()); }
    // Places of items out of view are brought up to date first: the tick moves only those in view.
    TMailPanel* Item(int i) const {
        Form->SyncItemPlaces();
        return Form->Items.at(static_cast<std::size_t>(i));
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) Form->ScrollTimerTimer(Form->ScrollTimer);
    }

    // A poll as the timer starts it, and the message loop until it has ended (at most
    // maxMs of real time: its worker talks to a real server).
    void RunPoll(int maxMs = 20000) {
        Form->PollMailTimerTimer(Form->PollMailTimer);
        WaitPoll(maxMs);
    }
    void WaitPoll(int maxMs = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (Form->PollRunning() && std::chrono::steady_clock::now() < end) Application->HandleMessage();
        ASSERT_FALSE(Form->PollRunning()) << "the poll did not end";
    }

    // The welcome item out of the way.
    void RetireWelcome() {
        Form->Items.front()->SetAlive(false);
        Form->KnownIds.Remove("-1");
        Tick();
    }

    std::unique_ptr<ui::headless::TSession> Session;
    TMainForm* Form = nullptr;
};

}  // namespace maintest
