#include "support/qxApplicationEvents.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/Text.h"
#include "platform/CodeLocation.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "support/qxGeneral.h"
#include "ui/Backend.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Messages.h"

SKIMBAR_CLASS_INFO(TqxApplicationEvents, TComponent,
                   props::Boolean<TqxApplicationEvents>("StartOnce", &TqxApplicationEvents::StartOnce,
                                                        &TqxApplicationEvents::SetStartOnce),
                   props::Boolean<TqxApplicationEvents>("ShowExceptionBox",
                                                        &TqxApplicationEvents::ShowExceptionBox,
                                                        &TqxApplicationEvents::SetShowExceptionBox),
                   props::Integer<TqxApplicationEvents>("MaxErrRows", &TqxApplicationEvents::MaxErrRows,
                                                        &TqxApplicationEvents::SetMaxErrRows))

namespace {

constexpr std::size_t kMaxTitleChars = 63;
constexpr std::size_t kMaxTextChars = 1023;

std::function<TDateTime()>& NowHook() {
    static std::function<TDateTime()> hook;
    return hook;
}

std::function<void()>& HaltHook() {
    static std::function<void()> hook;
    return hook;
}

// Locks of first instances whose component is gone: held until the process ends, so a new
// start cannot run beside a process that is still shutting down.
std::vector<std::unique_ptr<platform::TInstanceLock>>& KeptLocks() {
    static std::vector<std::unique_ptr<platform::TInstanceLock>> locks;
    return locks;
}

TDateTime CurrentTime() { return NowHook() ? NowHook()() : dt::Now(); }

void Halt() {
    if (HaltHook()) {
        HaltHook()();
        return;
    }
    // At once: no destructor, no handler of the unit's end may write a file.
    std::_Exit(0);
}

// Valid UTF-8 without line breaks or other control characters: every one becomes a blank.
std::string OneLine(const std::string& s) {
    std::u32string chars = text::Utf8ToUtf32(s);
    for (char32_t& c : chars)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) c = U' ';
    return text::Utf32ToUtf8(chars);
}

}  // namespace

struct TqxApplicationEvents::TExceptionHook {
    TqxApplicationEvents* Self;
    void operator()(TObject* sender, Exception& e) const { Self->AppException(sender, e); }
};

struct TqxApplicationEvents::TMessageHook {
    TqxApplicationEvents* Self;
    void operator()(TMsg& msg, bool& handled) const { Self->AppMessage(msg, handled); }
};

TqxApplicationEvents::TqxApplicationEvents(TComponent* owner) : TComponent(owner) {
    const std::string exe = platform::ExePath();
    if (ui::HasBackend()) FStartOnceMessage = ui::RegisterMsg(WakeUpMessageName(exe));
    EnsureCfgIniFile();
    if (Has(csDesigning)) return;
    ReadErrRows();
    if (Application) {
        Application->OnException = TExceptionHook{this};
        Application->OnMessage = TMessageHook{this};
    }
}

TqxApplicationEvents::~TqxApplicationEvents() {
    if (Application) {
        if (auto* h = Application->OnException.target<TExceptionHook>(); h && h->Self == this)
            Application->OnException = nullptr;
        if (auto* h = Application->OnMessage.target<TMessageHook>(); h && h->Self == this)
            Application->OnMessage = nullptr;
    }
    if (FInstanceLock) KeptLocks().push_back(std::move(FInstanceLock));
}

void TqxApplicationEvents::ReadErrRows() {
    const std::string path = ErrFileName();
    if (!platform::FileExists(path)) return;
    // A log that cannot be read (locked, no permission, not text) must not keep the program
    // from starting: it begins with an empty log, which the next row replaces.
    const std::optional<std::string> bytes = platform::ReadFileBytes(path);
    if (!bytes || bytes->find('\0') != std::string::npos) return;
    FErrRows.SetText(text::FileBytesToUtf8(*bytes));
}

void TqxApplicationEvents::Loaded() {
    TComponent::Loaded();
    if (Has(csDesigning) || !FStartOnce) return;
    CheckSingleInstance();
}

void TqxApplicationEvents::CheckSingleInstance() {
    const std::string exe = platform::ExePath();
    auto lock = std::make_unique<platform::TInstanceLock>(InstanceLockName(exe));
    if (lock->AlreadyExists()) {
        lock.reset();
        if (ui::HasBackend()) ui::BroadcastMsg(FStartOnceMessage, 0, 0);
#ifndef _WIN32
        // No window message crosses processes here: the lock's wake-up stands in for it.
        platform::PostWake(WakeUpMessageName(exe));
#endif
        Halt();
        return;
    }
    FInstanceLock = std::move(lock);
#ifndef _WIN32
    // The first instance looks for wake-ups and turns each into the wake-up message of its
    // own queue, where AppMessage takes it as on Windows.
    auto listener = std::make_unique<platform::TWakeListener>(WakeUpMessageName(exe));
    if (!listener->Listening() || !ui::HasBackend()) return;
    FWakeListener = std::move(listener);
    FWakeTimer = new TTimer(this);
    FWakeTimer->SetInterval(kWakePollMs);
    FWakeTimer->OnTimer = [this](TObject*) {
        if (FWakeListener && FWakeListener->PollWake()) ui::PostMsg(0, FStartOnceMessage, 0, 0);
    };
#endif
}

void TqxApplicationEvents::AppMessage(TMsg& Msg, bool& Handled) {
    if (FStartOnceMessage == 0 || Msg.Message != FStartOnceMessage) return;
    Handled = true;
    WakeUp();
}

void TqxApplicationEvents::WakeUp() {
    if (OnWakeUp) {
        OnWakeUp(this);
        return;
    }
    if (!Application) return;
    TCustomForm* main = Application->MainForm();
    if (!main) return;
    if (main->Visible())
        Application->Restore();
    else
        main->Show();
}

void TqxApplicationEvents::AppException(TObject* Sender, Exception& E) {
    if (dynamic_cast<const EAbort*>(&E)) return;
    LogException(E, E.RaiseAddress());
    if (FShowExceptionBox && Application)
        Application->ShowMessageBox(ErrorText(E, E.RaiseAddress()), rtl::SApplicationError,
                                    ui::MbOk | ui::MbIconError | ui::MbTaskModal);
}

void TqxApplicationEvents::LogException(const Exception& E, std::uintptr_t address) {
    try {
        FErrRows.Add(ErrorRow(E, address, CurrentTime()));
        const int keep = std::max(0, FMaxErrRows);
        while (FErrRows.Count() > keep) FErrRows.Delete(0);
        // A failed save keeps the rows in memory; the next exception writes them all.
        (void)platform::WriteFileBytes(ErrFileName(), FErrRows.Text());
    } catch (...) {
        // The log never adds an error of its own to the one it records.
    }
}

std::string TqxApplicationEvents::ErrFileName() const { return ErrFileNameFor(platform::ExePath()); }

std::string TqxApplicationEvents::WakeUpMessageName(const std::string& exePath) {
    const std::string name = platform::ExtractFileName(exePath);
    return "WM_USER_" + name.substr(0, name.find('.'));
}

std::string TqxApplicationEvents::InstanceLockName(const std::string& exePath) {
    return platform::ExtractFileName(exePath);
}

std::string TqxApplicationEvents::ErrFileNameFor(const std::string& exePath) {
    return platform::ChangeFileExt(exePath, ".ERR");
}

std::string TqxApplicationEvents::ErrorText(const Exception& E, std::uintptr_t address) {
    std::string module;
    std::uintptr_t offset = address;
    if (const auto where = platform::LocateCode(address)) {
        module = where->ModuleFileName;
        offset = where->Offset;
    } else {
        // No module holds it (or it is unknown): the program's own name, the bare address.
        module = platform::ExtractFileName(platform::ExePath());
    }
    const std::string message = OneLine(E.Message());
    const bool dot = !message.empty() && message.back() != '.';
    const std::string text = rtl::Format(rtl::SExceptionInModule,
                                         {OneLine(E.ClassName()), OneLine(module), text::IntToHex(offset, 8),
                                          message, dot ? "." : ""});
    return text::CharLeft(text, kMaxTextChars);
}

std::string TqxApplicationEvents::RowDateTime(TDateTime when) {
    const dt::TimeParts t = dt::DecodeTime(when);
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return dt::DateToStr(when);
    return dt::DateToStr(when) + " " + dt::TimeToStr(when);
}

std::string TqxApplicationEvents::ErrorRow(const Exception& E, std::uintptr_t address, TDateTime when) {
    return RowDateTime(when) + " -> " + text::CharLeft(rtl::SApplicationError, kMaxTitleChars) + " : " +
           ErrorText(E, address);
}

void TqxApplicationEvents::SetNowForTests(std::function<TDateTime()> now) { NowHook() = std::move(now); }

void TqxApplicationEvents::SetHaltForTests(std::function<void()> halt) { HaltHook() = std::move(halt); }

void TqxApplicationEvents::ReleaseInstanceLocksForTests() { KeptLocks().clear(); }
