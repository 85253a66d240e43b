#pragma once
// Runs framework tests against a backend: installs it (with Application and Screen) and
// drives it the way a user would. The headless driver moves a virtual clock; the Win32
// driver (Windows build) uses real windows, real messages and real time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Backend.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/headless/Headless.h"

namespace uitest {

class TDriver {
public:
    virtual ~TDriver() = default;
    virtual std::string Name() const = 0;
    virtual bool VirtualClock() const = 0;
    // Lets ms pass with the message loop running (timers fire, posted messages arrive).
    virtual void Wait(int ms) = 0;
    // Runs the loop until done() holds, at most maxMs (virtual or real).
    virtual bool WaitFor(const std::function<bool()>& done, int maxMs) = 0;
    virtual void Click(TControl& control) = 0;
    virtual void TypeText(TWinControl& control, const std::string& text) = 0;
    virtual void Focus(TWinControl& control) = 0;
    virtual void SelectItem(TCustomComboBox& combo, int index) = 0;
    virtual void PressArrow(TCustomUpDown& upDown, bool up) = 0;
    // The next message box is answered with answer.
    virtual void AnswerMessageBox(int answer) = 0;
    virtual int MessageBoxCount() const = 0;
};

class THeadlessDriver : public TDriver {
public:
    std::string Name() const override { return "headless"; }
    bool VirtualClock() const override { return true; }
    ui::headless::THeadless& H() const { return ui::headless::Headless(); }
    void Wait(int ms) override { H().advance(ms); }
    bool WaitFor(const std::function<bool()>& done, int maxMs) override {
        for (int t = 0; t < maxMs && !done(); t += 10) H().advance(10);
        return done();
    }
    void Click(TControl& c) override { H().Click(c); }
    void TypeText(TWinControl& c, const std::string& t) override { H().TypeText(c, t); }
    void Focus(TWinControl& c) override { H().Focus(c); }
    void SelectItem(TCustomComboBox& c, int i) override { H().SelectItem(c, i); }
    void PressArrow(TCustomUpDown& u, bool up) override { H().PressArrow(u, up); }
    void AnswerMessageBox(int answer) override { H().AnswerMessageBox(answer); }
    int MessageBoxCount() const override { return static_cast<int>(H().MessageBoxes().size()); }
};

std::unique_ptr<ui::TBackend> MakeBackend(const std::string& name);
std::unique_ptr<TDriver> MakeDriver(const std::string& name);
std::vector<std::string> Backends();  // "headless", and "win32" in the Windows build

// Fixture of the tests that run against every backend.
class UiTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ui::StartUp(MakeBackend(GetParam()));
        FDriver = MakeDriver(GetParam());
    }
    void TearDown() override {
        FDriver.reset();
        ui::ShutDown();
    }
    TDriver& D() { return *FDriver; }
    bool Headless() const { return GetParam() == "headless"; }

private:
    std::unique_ptr<TDriver> FDriver;
};

// Fixture of the tests that need the virtual clock and the scripted answers.
class HeadlessTest : public ::testing::Test {
protected:
    ui::headless::THeadless& H() { return FSession.Backend(); }
    ui::headless::TSession FSession;
};

}  // namespace uitest
