#include "support/qxApplicationEvents.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/Text.h"
#include "platform/CodeLocation.h"
#include "platform/FileTail.h"
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
constexpr std::size_t kMaxMessageNameUnits = 255;

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

// Invisible characters that change how a text reads: bidi overrides and marks, zero-width
// characters, the byte order mark, soft hyphen and tags. A row with U+202E would read
// backwards.
bool IsFormatChar(char32_t c) {
    return c == 0xAD || (c >= 0x600 && c <= 0x605) || c == 0x61C || c == 0x6DD || c == 0x70F || c == 0x8E2 ||
           c == 0x180E || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || c == 0x110BD || c == 0x110CD || (c >= 0x13430 && c <= 0x1343F) ||
           (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) || c == 0xE0001 ||
           (c >= 0xE0020 && c <= 0xE007F);
}

// Valid UTF-8 on one line: line breaks, other control characters and format characters
// become blanks.
std::string OneLine(const std::string& s) {
    std::u32string chars = text::Utf8ToUtf32(s);
    for (char32_t& c : chars)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || IsFormatChar(c)) c = U' ';
    return text::Utf32ToUtf8(chars);
}

// A line that a reader could take for the start of a row: a date, then " -> ".
bool StartsLikeRow(const std::string& line) {
    return !line.empty() && line[0] >= '0' && line[0] <= '9' && line.find(" -> ") != std::string::npos;
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
    FLogUnreadable = !ReadErrRows();
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

bool TqxApplicationEvents::ReadErrRows() {
    const std::string path = ErrFileName();
    FErrRows.Clear();
    FRowsRead = 0;
    FRowsCut = false;
    if (!platform::FileExists(path)) return true;
    // Only the rows the log keeps: a log of many megabytes costs no more than its tail. One
    // line more tells whether older rows were left out.
    const std::size_t limit = static_cast<std::size_t>(std::max(0, FMaxErrRows));
    const std::optional<std::string> bytes = platform::ReadFileTail(path, limit + 1);
    if (!bytes || bytes->find('\0') != std::string::npos) return false;
    TStringList rows;
    rows.SetText(text::FileBytesToUtf8(*bytes));
    const int skip = std::max(0, rows.Count() - static_cast<int>(limit));
    for (int i = skip; i < rows.Count(); ++i) FErrRows.Add(rows[i]);
    FRowsRead = FErrRows.Count();
    FRowsCut = skip > 0;
    return true;
}

void TqxApplicationEvents::SetMaxErrRows(int value) {
    const bool more = value > FMaxErrRows;
    FMaxErrRows = value;
    // Raised before any row was added (the design's value after creation): the log may hold
    // older rows that the smaller limit left out.
    if (more && FRowsCut && FErrRows.Count() == FRowsRead && !FLogUnreadable) FLogUnreadable = !ReadErrRows();
}

bool TqxApplicationEvents::KeepUnreadableLog() {
    // Readable by now (a lock is gone): its rows come first.
    TStringList added;
    added.Assign(FErrRows);
    if (ReadErrRows()) {
        FErrRows.AddStrings(added);
        return true;
    }
    FErrRows.Assign(added);
    // Still unreadable: set it aside under a name of its own, never overwrite it.
    const std::string path = ErrFileName();
    const std::string base = platform::ChangeFileExt(path, "");
    for (int n = 1; n <= 100; ++n)
        if (platform::RenameFileNoReplace(path, base + "-unreadable-" + std::to_string(n) + ".ERR")) return true;
    return !platform::FileExists(path);
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
        // Never message 0: a message that could not be registered wakes nobody.
        if (ui::HasBackend() && FStartOnceMessage != 0) ui::BroadcastMsg(FStartOnceMessage, 0, 0);
#ifndef _WIN32
        // No window message crosses processes here: the lock's wake-up stands in for it.
        platform::PostWake(text::FoldCase(WakeUpMessageName(exe)));
#endif
        Halt();
        return;
    }
    FInstanceLock = std::move(lock);
#ifndef _WIN32
    // The first instance looks for wake-ups and turns each into the wake-up message of its
    // own queue, where AppMessage takes it as on Windows.
    auto listener = std::make_unique<platform::TWakeListener>(text::FoldCase(WakeUpMessageName(exe)));
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
        if (FLogUnreadable) FLogUnreadable = !KeepUnreadableLog();
        const int keep = std::max(0, FMaxErrRows);
        if (FErrRows.Count() > keep) {
            // In one step: row by row from the front costs minutes on a long log.
            TStringList kept;
            for (int i = FErrRows.Count() - keep; i < FErrRows.Count(); ++i) kept.Add(FErrRows[i]);
            FErrRows.Assign(kept);
        }
        // A failed save keeps the rows in memory; the next exception writes them all. A log
        // that could not be read is never overwritten.
        if (!FLogUnreadable) (void)platform::WriteFileBytes(ErrFileName(), FErrRows.Text());
    } catch (...) {
        // The log never adds an error of its own to the one it records.
    }
}

std::string TqxApplicationEvents::ErrFileName() const { return ErrFileNameFor(platform::ExePath()); }

std::string TqxApplicationEvents::WakeUpMessageName(const std::string& exePath) {
    const std::string name = platform::ExtractFileName(platform::LongPathName(exePath));
    const std::string full = "WM_USER_" + name.substr(0, name.find('.'));
    if (text::Utf8ToUtf16(full).size() <= kMaxMessageNameUnits) return full;
    // The system registers no longer name: cut it, and tell names cut alike apart by a hash
    // of the whole (case folded, as the system compares these names).
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text::FoldCase(full)) h = (h ^ c) * 16777619u;
    const std::string tail = "~" + text::IntToHex(h, 8);
    std::size_t chars = kMaxMessageNameUnits - tail.size();
    std::string cut = text::CharLeft(full, chars);
    while (text::Utf8ToUtf16(cut).size() + tail.size() > kMaxMessageNameUnits) cut = text::CharLeft(full, --chars);
    return cut + tail;
}

std::string TqxApplicationEvents::InstanceLockName(const std::string& exePath) {
    // One name for every spelling of the same file: the long name, case folded, as the file
    // system compares names.
    return text::FoldCase(platform::ExtractFileName(platform::LongPathName(exePath)));
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
    std::string message = OneLine(E.Message());
    // The message opens the row's second line, which must never pass for a row of its own.
    if (StartsLikeRow(message)) message.insert(0, " ");
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
