#pragma once
// The ticker bar: the program's main window. Its start-up and shutdown live in fMain.cpp, the
// strip of ticker items in fMainStrip.cpp, the mail poll cycle in fMainPoll.cpp.
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "app/KnownIds.h"
#include "app/MailPoll.h"
#include "app/MainTimers.h"
#include "core/DateTime.h"
#include "ui/Forms.h"

namespace ui {
class TBackend;
}
class TPopupMenu;
class TMenuItem;
class TImageList;
class TTimer;
class TActionList;
class TAction;
class TIdPOP3;
class TMailPanel;
class TTrayIcon;
class TqxApplicationEvents;
class TqxLanguage;

// Program constants.
inline constexpr const char* ProgramName = "Skimbar";
inline constexpr const char* VersionMain = "1";
inline constexpr const char* VersionSub = "01";
// Scroll interval bounds: Faster stops at the minimum, and a stored value below it reads as
// the default.
inline constexpr int DefaultScrollSpeed = 30;
inline constexpr int MinScrollSpeed = 10;
inline constexpr int FirstPollDelay = 2000;
inline constexpr int StayOnTopDelay = 250;
inline constexpr const char* LanguageMenuCaption = "Sprache wählen / Select language";

// Keyed strings of the main window (identifiers from RegisterLangString).
extern int FMAIN_MSG_WELCOME;
extern int FMAIN_MSG_NONEWMAILS;
extern int FMAIN_MSG_MSG_TOOLTIPTEXT;
extern int FMAIN_MSG_MAINFORMHINT;
extern int FMAIN_MSG_NOMAILPROG;
void RegisterMainFormStrings();

class TMainForm : public TForm, public IMainTimers {
    SKIMBAR_CLASS(TMainForm)
public:
    explicit TMainForm(TComponent* owner);
    ~TMainForm() override;

    // Window events.
    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClick(TObject* Sender);

    // Actions and menu.
    void ShowActionExecute(TObject* Sender);
    void HideActionExecute(TObject* Sender);
    void SetupActionExecute(TObject* Sender);
    void QuitActionExecute(TObject* Sender);
    // The Windows session ends: Quit, and what the program writes at its end written at once.
    void EndSession();
    void FasterActionExecute(TObject* Sender);
    void SlowerActionExecute(TObject* Sender);
    void LanguageItemClick(TObject* Sender);
    std::string TrayToolTipText();

    // The strip. A mail gets an item unless its id is known already.
    bool AddTickerItem(const std::string& sender, const std::string& subject, int size, TDateTime date,
                       const std::string& id);
    // One of the program's own items (welcome, connection error, "no new mails"): none while
    // another one is live, and it leaves at the left edge instead of wrapping. Mail ids are
    // not involved, so no mail can pass for one of these.
    bool AddProgramItem(const std::string& sender, const std::string& subject, int size, TDateTime date);
    // A program item is live and not yet retired.
    bool ProgramItemLive() const;
    int NextItemLeft();
    void ScrollTimerTimer(TObject* Sender);
    void StayOnTopTimerTimer(TObject* Sender);
    // A full-screen application came to the front (or went): the bar stops scrolling and
    // leaves the top of the z-order until it goes.
    void FullScreenAppChanged(bool inFront);
    void OpenMailProgram(TObject* Sender = nullptr);
    // Gives every item out of view its current place (the tick moves only those in view).
    void SyncItemPlaces();

    // The poll cycle. The timer starts a poll on a worker thread (a tick while one runs is
    // skipped); its mails reach the strip in slices between scroll ticks, and its end re-arms
    // the timer.
    void PollMailTimerTimer(TObject* Sender);
    void SetTrayIcon(bool active);
    // A poll is under way (its worker runs or its mails still wait for the strip).
    bool PollRunning() const { return FPoll != nullptr; }
    // Ends the running poll: the socket is shut down and nothing more of it is shown or
    // kept. Waits up to waitMs for the worker to end (it is left to end alone after that).
    // False when none ran.
    bool CancelPoll(int waitMs = 0);
    // The message of the last connection failure ("" after a poll that connected).
    const std::string& LastConnectError() const { return FLastConnectError; }
    // A slice of mails fills the time up to the next scroll tick, less a margin, within
    // these bounds (none while the tick is overdue); FeedSliceMs where no tick is to be
    // fitted in. The pause between slices lets the rest of the message loop through.
    static constexpr int FeedSliceMs = 8;
    static constexpr int FeedSliceMinMs = 2;
    static constexpr int FeedSliceMaxMs = 20;
    static constexpr int FeedTickMarginMs = 5;
    static constexpr int FeedPauseMs = 10;
    // Pace of the tray animation while a poll runs.
    static constexpr int TrayFrameMs = 250;

    // IMainTimers, for the setup dialog.
    TTimer* GetPollMailTimer() override { return PollMailTimer; }
    TTimer* GetStayOnTopTimer() override { return StayOnTopTimer; }
    void AccountChanged() override;
    void DockChanged() override;

    // Components, in design order.
    TPopupMenu* PopupMenu = nullptr;
    TMenuItem* ShowItem = nullptr;  // "Show"
    TMenuItem* HideItem = nullptr;  // "Hide"
    TMenuItem* N1 = nullptr;
    TMenuItem* FasterItem = nullptr;  // "Faster"
    TMenuItem* SlowerItem = nullptr;  // "Slower"
    TMenuItem* N2 = nullptr;
    TMenuItem* LanguageItem = nullptr;  // "Language"
    TMenuItem* SetupItem = nullptr;  // "Setup"
    TMenuItem* N3 = nullptr;
    TMenuItem* QuitItem = nullptr;  // "Quit"
    TImageList* ImageList = nullptr;
    TTimer* ScrollTimer = nullptr;
    TqxApplicationEvents* qxApplicationEvents1 = nullptr;
    TTimer* PollMailTimer = nullptr;
    TTimer* StayOnTopTimer = nullptr;
    TActionList* ActionList = nullptr;
    TAction* FasterAction = nullptr;
    TAction* SlowerAction = nullptr;
    TAction* SetupAction = nullptr;
    TAction* QuitAction = nullptr;
    TAction* ShowAction = nullptr;
    TAction* HideAction = nullptr;
    TqxLanguage* qxLanguage = nullptr;

    // Fields, in declaration order.
    std::string ActiveLanguage;
    std::vector<TMailPanel*> Items;
    TTrayIcon* TrayIcon = nullptr;
    bool OkFlag = false;
    TKnownIds KnownIds;
    int TrayFrame = 0;
    // Count, first and last mail at the last complete fetch: what the change test compares.
    TMailboxMark LastMark;

    // Whether FormCreate has started (FormDestroy of a window that never got there does nothing).
    bool FormCreateRan() const { return FFormCreateRan; }
    // Tests: called before each step of FormCreate with its number (23 after the last).
    static std::function<void(TMainForm& form, int step)> CreateStepHookForTests;
    // Tests: called with a polled mail's id before its item is added.
    static std::function<void(const std::string& id)> AddItemHookForTests;

private:
    void BuildDesign();
    bool AddItem(const std::string& sender, const std::string& subject, int size, TDateTime date,
                 const std::string& id, bool programItem);
    void ShowBar();
    // Topmost as "Stay on top" says; at the bottom while a full-screen application is in front.
    void ApplyZOrder();
    // The settings file of the General keys, Cfg\Skimbar.ini beside the executable.
    static std::string GeneralIniPath();
    // The strip's geometry: each item's place, width and alive flag, in the order of Items.
    // This array is the one truth about where items are: a tick walks it instead of
    // thousands of items scattered over the heap, and only items on the bar (or entering or
    // leaving it) are moved for real. An item out of view keeps a place out of view of a bar
    // FStripBarWidth wide until it comes in or SyncItemPlaces runs. Changes made to an item
    // from outside reach its slot through the item's OnStripChange.
    struct TStripSlot {
        TMailPanel* Item;
        int Left;
        int Width;
        bool Alive;
        bool MovesUnseen;
    };
    std::vector<TStripSlot> FStrip;
    // Items in view that this tick moved without repainting, and where they were.
    struct TScrolledItem {
        TMailPanel* Item;
        int OldLeft;
    };
    std::vector<TScrolledItem> FScrolled;
    // Set while the strip itself moves items: their slots know the move already.
    bool FStripMoving = false;
    int FStripBarWidth = 0;
    // The slot of an item, nullptr when it has none (searched from the last one found, so a
    // walk over all items in order costs one step each).
    TStripSlot* FindSlot(const TMailPanel* item);
    std::size_t FLastSlot = 0;
    // Items replaced from outside as a whole: the slots are read again from them.
    void RebuildStrip();
    void ForgetStrip() { FStrip.clear(); }
    void ItemChanged(TMailPanel* item, bool moved);
    void MoveItem(TStripSlot& slot, int left, int barWidth);
    void ScrollTick();
    bool FFormCreateRan = false;
    // Which General keys this run read, and so may write back.
    bool FSpeedRead = false;
    bool FColorsRead = false;
    void WriteGeneralSettings();

    // The running poll. Its worker hands what it finds over through the channel, which the
    // user-interface thread closes when it lets the poll go.
    struct TPollChannel;
    struct TFeedEntry {
        bool IsResult = false;
        TMailRecord Record;
        TPollResult Result;
    };
    struct TRunningPoll {
        std::shared_ptr<TMailPollJob> Job;
        std::shared_ptr<TPollChannel> Channel;
        std::thread Worker;
        std::shared_future<void> Done;
        bool NewItems = false;
        bool Broken = false;  // an item failed: nothing is committed
    };
    std::unique_ptr<TRunningPoll> FPoll;
    std::shared_ptr<TIdPOP3> FPollClient;  // the worker's, kept from poll to poll
    std::deque<TFeedEntry> FFeed;
    TTimer* FFeedTimer = nullptr;
    TTimer* FTrayTimer = nullptr;
    bool FTrayStepDue = false;  // a tray step waiting for the next scroll tick
    std::unique_ptr<TIcon> FTrayFrames[4];
    std::string FLastConnectError;
    void StartPoll(const TMailAccount& account);
    void Receive(const std::shared_ptr<TPollChannel>& channel, TFeedEntry&& entry);
    void Receive(const std::shared_ptr<TPollChannel>& channel, std::vector<TMailRecord>&& records);
    void FeedSlice();
    void TrayTimerTimer();
    void TakeTrayStep();
    int FeedBudgetMs() const;
    std::chrono::steady_clock::time_point FLastScrollTick{};
    void FinishPoll(TPollResult& result);
    void ReleasePoll(int waitMs);
    void RearmPollTimer();
};

extern TMainForm* MainForm;

// The whole program: the support unit, the keyed strings (tray icon, ticker item, main
// window), the application and its main window, the message loop, then every window and the
// support objects freed in that order. Returns the process exit code.
int SkimbarMain(std::unique_ptr<ui::TBackend> backend);
