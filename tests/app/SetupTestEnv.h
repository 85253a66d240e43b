#pragma once
// The setup dialog on the headless backend, in a program folder and a registry of its own,
// with two timers standing in for the main window's.
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/fSetup.h"
#include "platform/Registry.h"
#include "support/SupportTestEnv.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace setuptest {

// The main window's two timers, as the dialog sees them.
class TFakeMainTimers : public IMainTimers {
public:
    TFakeMainTimers() : FOwner(new TComponent(nullptr)) {
        Poll = new TTimer(FOwner);
        Poll->SetEnabled(false);
        Poll->SetInterval(2000);
        StayOnTop = new TTimer(FOwner);
        StayOnTop->SetEnabled(false);
        StayOnTop->SetInterval(250);
    }
    ~TFakeMainTimers() { delete FOwner; }
    TTimer* GetPollMailTimer() override { return Poll; }
    TTimer* GetStayOnTopTimer() override { return StayOnTop; }
    TTimer* Poll;
    TTimer* StayOnTop;

private:
    TComponent* FOwner;
};

inline std::string AccountKey(int number) {
    static const char* digits = "0123456789ABCDEF";
    std::string hex(8, '0');
    for (int i = 7; i >= 0; --i, number >>= 4) hex[static_cast<std::size_t>(i)] = digits[number & 15];
    return std::string("\\") + MailAccountsKey + hex;
}

// Under Windows the tests use the real registry of the test prefix: the account store must not
// exist beforehand (it is removed afterwards), and the autostart values are put back as found.
class SetupFormTest : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        platform::SetRegistryFolderForTests(AtUtf8("registry"));
        {
            platform::TRegistry reg(platform::RootKey::CurrentUser);
            ASSERT_FALSE(reg.KeyExists(AccountStoreKey))
                << "a real mail account store exists here; the tests would change it";
        }
        for (auto root : {platform::RootKey::CurrentUser, platform::RootKey::LocalMachine})
            FSavedRun.push_back({root, ReadRun(root, AutoStartValueName)});
        FSession = std::make_unique<ui::headless::TSession>();
        Application->OnException = [this](TObject*, Exception& e) { Logged.push_back(e.Message()); };
        Timers = std::make_unique<TFakeMainTimers>();
        InitializeQxGeneral();
    }
    void TearDown() override {
        delete SetupForm;
        Timers.reset();
        FSession.reset();
        {
            platform::TRegistry reg(platform::RootKey::CurrentUser);
            reg.DeleteKey(AccountStoreKey);
        }
        for (const auto& [root, value] : FSavedRun) {
            platform::TRegistry reg(root);
            if (!reg.OpenKey(std::string("\\") + RunKey, false)) continue;
            if (value.has_value())
                reg.WriteString(AutoStartValueName, *value);
            else
                reg.DeleteValue(AutoStartValueName);
            reg.DeleteValue(OtherRunValue);
        }
        platform::SetRegistryFolderForTests("");
        AppFolderTest::TearDown();
    }
    ui::headless::THeadless& UI() { return FSession->Backend(); }

    // As the main window starts the dialog: create, load the remembered values, autostart.
    TSetupForm* Start(IMainTimers* timers) {
        new TSetupForm(nullptr, timers);
        LoadRemanentControls();
        SetupForm->CheckAutoStart();
        return SetupForm;
    }
    TSetupForm* Start() { return Start(Timers.get()); }
    // As at program end: the dialog goes, its changed values are written.
    void Finish() {
        delete SetupForm;
        SetupForm = nullptr;
    }

    void AddAccount(int number, const std::string& smtp, const std::string& server, const std::string& user) {
        platform::TRegistry reg(platform::RootKey::CurrentUser);
        ASSERT_TRUE(reg.OpenKey(AccountKey(number), true));
        if (!smtp.empty()) reg.WriteString("SMTP Email Address", smtp);
        if (!server.empty()) reg.WriteString("POP3 Server", server);
        if (!user.empty()) reg.WriteString("POP3 User Name", user);
    }
    std::string RunValue(platform::RootKey root = platform::RootKey::CurrentUser) {
        platform::TRegistry reg(root);
        if (!reg.OpenKeyReadOnly(std::string("\\") + RunKey)) return "<no key>";
        if (!reg.ValueExists(AutoStartValueName)) return "<no value>";
        return reg.ReadString(AutoStartValueName);
    }
    std::string Settings() const { return ReadFile("Cfg/Skimbar.ini"); }
    static std::optional<std::string> ReadRun(platform::RootKey root, const std::string& name) {
        platform::TRegistry reg(root);
        if (!reg.OpenKeyReadOnly(std::string("\\") + RunKey) || !reg.ValueExists(name)) return std::nullopt;
        return reg.ReadString(name);
    }

    static constexpr const char* AccountStoreKey = "\\Software\\Microsoft\\Internet Account Manager";
    // Another program's autostart value, which the dialog must leave alone.
    static constexpr const char* OtherRunValue = "SkimbarTestOtherProgram";

    std::unique_ptr<ui::headless::TSession> FSession;
    std::unique_ptr<TFakeMainTimers> Timers;
    std::vector<std::string> Logged;
    std::vector<std::pair<platform::RootKey, std::optional<std::string>>> FSavedRun;
};

inline std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

}  // namespace setuptest
