#pragma once
// Placed once on the main window: lets only one process of the executable run (a second
// start wakes the first and ends at once), and writes every exception that reaches the
// application's exception handling as one row to a log beside the executable.
//
// Names come from the executable's long file name (Skimbar.exe): the instance lock "skimbar.exe",
// the wake-up message "WM_USER_Skimbar" (name up to its first "."), the log Skimbar.ERR in
// the executable's folder. A log row reads
//   7.12.26 09:15 -> Anwendungsfehler : Exception EConvertError in Modul Skimbar.exe bei 0001A2B4.
//   'x' ist kein gültiger Integerwert.
// with the line feed inside the row, as the exception text has it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Component.h"
#include "core/DateTime.h"
#include "core/Exception.h"
#include "core/Strings.h"
#include "ui/UiTypes.h"

class TTimer;
namespace platform {
class TInstanceLock;
class TWakeListener;
}  // namespace platform

class TqxApplicationEvents : public TComponent {
    SKIMBAR_CLASS(TqxApplicationEvents)
public:
    // Registers the wake-up message, creates CfgIniFile when missing, reads the existing log
    // and, outside design mode, installs AppException and AppMessage as the application's
    // exception and message events.
    explicit TqxApplicationEvents(TComponent* owner);
    // Frees the rows without saving and gives the application's events back. A first
    // instance keeps its lock until the process ends.
    ~TqxApplicationEvents() override;

    // Published. Setting only stores: StartOnce counts in Loaded, the others at the next
    // exception.
    bool StartOnce() const { return FStartOnce; }
    void SetStartOnce(bool value) { FStartOnce = value; }
    bool ShowExceptionBox() const { return FShowExceptionBox; }
    void SetShowExceptionBox(bool value) { FShowExceptionBox = value; }
    int MaxErrRows() const { return FMaxErrRows; }
    // Raised before the first row, it reads the older rows of the log that the lower limit
    // left out.
    void SetMaxErrRows(int value);

    // The single-instance check (with StartOnce, outside design mode). A second process
    // broadcasts the wake-up and ends here.
    void Loaded() override;

    // The application's exception event: logs, then shows the error box when
    // ShowExceptionBox is set. Abort exceptions are ignored.
    void AppException(TObject* Sender, Exception& E);
    // The application's message event: handles the wake-up message (shows the main form, or
    // restores the application when the main form is visible); other messages pass.
    void AppMessage(TMsg& Msg, bool& Handled);
    // Appends a row for E raised at address, trims to MaxErrRows, saves the log. Never
    // raises; a row that cannot be saved stays in memory for the next save. A log that could
    // not be read at start is first read again or set aside as NAME-unreadable-N.ERR, and
    // never overwritten.
    void LogException(const Exception& E, std::uintptr_t address);
    // The executable's path with the extension ".ERR".
    std::string ErrFileName() const;

    // When set, the wake-up calls it instead of showing the main form itself (the wake-up
    // message is handled either way).
    TNotifyEvent OnWakeUp;

    // The rows in memory, oldest first.
    const TStrings& ErrRows() const { return FErrRows; }
    unsigned StartOnceMessage() const { return FStartOnceMessage; }
    // True while this component holds the instance lock (StartOnce, first instance).
    bool HoldsInstanceLock() const { return FInstanceLock != nullptr; }

    // Names for an executable path, from its long file name. The lock name is case folded;
    // a wake-up message name is at most 255 UTF-16 units (a longer one is cut and ends in
    // "~" and a hash of the whole).
    static std::string WakeUpMessageName(const std::string& exePath);
    static std::string InstanceLockName(const std::string& exePath);
    static std::string ErrFileNameFor(const std::string& exePath);
    // The text part of a row, as the error box shows it too: "Exception %s in Modul %s bei
    // %p.\n%s%s" with the class name, the module of address, the module-relative address,
    // the message and a "." unless the message is empty or ends with one. Line breaks,
    // other control characters and format characters (bidi overrides) in the names and the
    // message become blanks, and a message that starts like a row gets a blank in front, so
    // a message cannot add or forge rows; at most 1023 characters.
    static std::string ErrorText(const Exception& E, std::uintptr_t address);
    // The whole row for E at the given time.
    static std::string ErrorRow(const Exception& E, std::uintptr_t address, TDateTime when);
    // Date and time in the program's formats, the time left out at midnight.
    static std::string RowDateTime(TDateTime when);

    // Tests: the clock of the rows (empty: the system's), the end of a second instance
    // (empty: end the process at once), and the release of the locks that first instances
    // keep until the process ends.
    static void SetNowForTests(std::function<TDateTime()> now);
    static void SetHaltForTests(std::function<void()> halt);
    static void ReleaseInstanceLocksForTests();
    // POSIX: how often the first instance looks for a wake-up (ms).
    static constexpr int kWakePollMs = 200;

private:
    struct TExceptionHook;
    struct TMessageHook;
    // The last MaxErrRows rows of the log; false when the log exists but cannot be read
    // (locked, not text).
    bool ReadErrRows();
    // For a log that could not be read at start: its rows when it reads now, else it is set
    // aside under another name. False when neither worked (the log then stays untouched).
    bool KeepUnreadableLog();
    void CheckSingleInstance();
    void WakeUp();

    bool FStartOnce = false;
    bool FShowExceptionBox = true;
    int FMaxErrRows = 1000;
    unsigned FStartOnceMessage = 0;
    TStringList FErrRows;
    int FRowsRead = 0;           // rows taken from the log at start
    bool FRowsCut = false;       // the log held older rows than those
    bool FLogUnreadable = false;  // the log exists but could not be read
    std::unique_ptr<platform::TInstanceLock> FInstanceLock;
    std::unique_ptr<platform::TWakeListener> FWakeListener;
    TTimer* FWakeTimer = nullptr;
};
