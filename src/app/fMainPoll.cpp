// The mail poll cycle of the main window. The network exchange runs on a worker thread
// (app/MailPoll); this side starts it, adds its mails to the strip in short slices, and ends
// the cycle on the user-interface thread.
#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <mutex>

#include "app/MailAccount.h"
#include "app/MailPanel.h"
#include "app/SecurityControls.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "mail/IdPOP3.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"

namespace {
constexpr const char* ErrorSender = "Mail Server";
constexpr const char* ErrorSubject = "Error connecting to mailbox";
}  // namespace

std::function<void(const std::string&)> TMainForm::AddItemHookForTests;

// What the worker queues goes through here; once closed, nothing more reaches the application.
struct TMainForm::TPollChannel {
    std::mutex Lock;
    bool Open = true;
    void Post(std::function<void()> fn) {
        std::lock_guard<std::mutex> guard(Lock);
        if (Open) Application->Queue(std::move(fn));
    }
    void Close() {
        std::lock_guard<std::mutex> guard(Lock);
        Open = false;
    }
};

void TMainForm::PollMailTimerTimer(TObject* Sender) {
    if (FPoll) return;  // one poll at a time
    const TMailAccount account =
        TMailAccount::FromTexts(SetupForm->POP3qxComboBox->Text(), SetupForm->eMailqxComboBox->Text(),
                                SetupForm->PasswordqxEdit->Text(), SetupForm->SecurityqxComboBox->Security(),
                                SetupForm->FingerprintqxEdit->Text());
    if (!account.Complete()) {
        // Nothing to ask yet; the check repeats every interval until the account is complete.
        RearmPollTimer();
        return;
    }
    StartPoll(account);
}

void TMainForm::StartPoll(const TMailAccount& account) {
    PollMailTimer->SetEnabled(false);
    if (!FFeedTimer) {
        FFeedTimer = new TTimer(this);
        FFeedTimer->SetEnabled(false);
        FFeedTimer->SetInterval(FeedPauseMs);
        FFeedTimer->OnTimer = [this](TObject*) { FeedSlice(); };
        FTrayTimer = new TTimer(this);
        FTrayTimer->SetEnabled(false);
        FTrayTimer->SetInterval(TrayFrameMs);
        FTrayTimer->OnTimer = [this](TObject*) { TrayTimerTimer(); };
    }
    auto poll = std::make_unique<TRunningPoll>();
    auto channel = std::make_shared<TPollChannel>();
    poll->Channel = channel;
    if (!FPollClient) FPollClient.reset(new TIdPOP3(nullptr));
    poll->Job = std::make_shared<TMailPollJob>(
        account, LastMark, FPollClient,
        [this, channel](std::vector<TMailRecord>&& records) {
            auto shared = std::make_shared<std::vector<TMailRecord>>(std::move(records));
            channel->Post([this, channel, shared] { Receive(channel, std::move(*shared)); });
        },
        [this, channel](TPollResult&& result) {
            auto entry = std::make_shared<TFeedEntry>();
            entry->IsResult = true;
            entry->Result = std::move(result);
            channel->Post([this, channel, entry] { Receive(channel, std::move(*entry)); });
        });
    auto done = std::make_shared<std::promise<void>>();
    poll->Done = done->get_future().share();
    Application->BeginBackgroundWork();
    try {
        poll->Worker = std::thread([job = poll->Job, done] {
            job->Run();
            done->set_value();
        });
    } catch (...) {
        Application->EndBackgroundWork();
        RearmPollTimer();
        throw;
    }
    FPoll = std::move(poll);
    SetTrayIcon(true);
    FTrayTimer->SetEnabled(true);
}

void TMainForm::Receive(const std::shared_ptr<TPollChannel>& channel, std::vector<TMailRecord>&& records) {
    if (!FPoll || FPoll->Channel != channel) return;  // a poll let go meanwhile
    for (TMailRecord& r : records) {
        TFeedEntry e;
        e.Record = std::move(r);
        FFeed.push_back(std::move(e));
    }
    // While the feed timer runs, its next tick takes the next slice: several batches queued
    // at once must not add up to one long stall.
    if (!FFeedTimer->Enabled()) FeedSlice();
}

void TMainForm::Receive(const std::shared_ptr<TPollChannel>& channel, TFeedEntry&& entry) {
    if (!FPoll || FPoll->Channel != channel) return;
    FFeed.push_back(std::move(entry));
    if (!FFeedTimer->Enabled()) FeedSlice();
}

int TMainForm::FeedBudgetMs() const {
    using namespace std::chrono;
    if (!ScrollTimer->Enabled() || FLastScrollTick == steady_clock::time_point{}) return FeedSliceMs;
    const auto since = duration_cast<milliseconds>(steady_clock::now() - FLastScrollTick).count();
    const int interval = ScrollTimer->Interval();
    // A tick overdue: no slice; the tick feeds next.
    if (since >= interval) return 0;
    return std::clamp(static_cast<int>(interval - since) - FeedTickMarginMs, FeedSliceMinMs, FeedSliceMaxMs);
}

void TMainForm::FeedSlice() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    // A slice ends before the next scroll tick is due, so that the strip scrolls on time.
    const auto budget = std::chrono::milliseconds(FeedBudgetMs());
    if (budget.count() == 0) {
        // The tick is due: nothing goes before it. Its own slice starts the feed timer again.
        if (FFeedTimer) FFeedTimer->SetEnabled(false);
        return;
    }
    while (!FFeed.empty() && Clock::now() - start < budget) {
        TFeedEntry entry = std::move(FFeed.front());
        FFeed.pop_front();
        try {
            if (entry.IsResult) {
                FinishPoll(entry.Result);
                break;
            }
            const TMailRecord& r = entry.Record;
            if (AddItemHookForTests) AddItemHookForTests(r.Id);
            if (AddTickerItem(r.Sender, r.Subject, r.Size, r.Date, r.Id) && FPoll) FPoll->NewItems = true;
        } catch (const TLoopStall&) {
            throw;
        } catch (...) {
            // The mail is fetched again by the next poll; the others of this one still come.
            if (FPoll) FPoll->Broken = true;
            Application->HandleException(this);
        }
    }
    if (FFeedTimer) FFeedTimer->SetEnabled(!FFeed.empty());
}

void TMainForm::FinishPoll(TPollResult& result) {
    std::unique_ptr<TRunningPoll> poll = std::move(FPoll);
    poll->Channel->Close();
    // The result is the worker's last act: it has ended or is about to.
    if (poll->Worker.joinable()) poll->Worker.join();
    Application->EndBackgroundWork();
    FTrayTimer->SetEnabled(false);
    bool newItems = poll->NewItems;
    std::exception_ptr escaped;
    FLastConnectError.clear();
    switch (result.Outcome) {
        case TPollOutcome::Complete:
            // Only a fetch that reached every mail moves the mark; otherwise the next poll
            // fetches again and shows what this one missed.
            if (!poll->Broken) LastMark = result.Mark;
            break;
        case TPollOutcome::ConnectFailed:
            try {
                if (result.Error) std::rethrow_exception(result.Error);
            } catch (const EIdTlsError& e) {
                // The reason and the offered certificate, so that a trusted one can be pinned.
                FLastConnectError = e.what();
                const TTlsErrorItem item = TlsErrorItem(e);
                if (!newItems && AddProgramItem(item.Sender, item.Subject, 0, dt::Now())) {
                    newItems = true;
                    Items.back()->SetHint(item.Hint);
                }
            } catch (const std::exception& e) {
                FLastConnectError = e.what();
            } catch (...) {
            }
            if (!newItems) newItems = AddProgramItem(ErrorSender, ErrorSubject, 0, dt::Now());
            break;
        case TPollOutcome::Failed:
            escaped = result.Error;
            break;
        case TPollOutcome::Unchanged:
        case TPollOutcome::Broken:
        case TPollOutcome::Cancelled:
            break;
    }
    // Also after an exception in the exchange: the icon returns to idle and polling goes on;
    // the exception then reaches the exception log.
    if (newItems && SetupForm && SetupForm->AutoShowqxCheckBox->Checked() && !Visible()) ShowBar();
    SetTrayIcon(false);
    RearmPollTimer();
    if (escaped) std::rethrow_exception(escaped);
}

void TMainForm::RearmPollTimer() {
    PollMailTimer->SetInterval(PollMinutesFromText(SetupForm ? SetupForm->PollTimeqxEdit->Text() : "") * 60000);
    PollMailTimer->SetEnabled(true);
}

bool TMainForm::CancelPoll(int waitMs) {
    if (!FPoll) return false;
    ReleasePoll(waitMs);
    FFeed.clear();
    if (FFeedTimer) FFeedTimer->SetEnabled(false);
    if (FTrayTimer) FTrayTimer->SetEnabled(false);
    SetTrayIcon(false);
    return true;
}

void TMainForm::ReleasePoll(int waitMs) {
    std::unique_ptr<TRunningPoll> poll = std::move(FPoll);
    poll->Channel->Close();
    poll->Job->Cancel();
    FPollClient.reset();  // spent by the cancel; the worker keeps it as long as it needs it
    if (waitMs > 0 && poll->Done.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready)
        poll->Worker.join();
    else
        poll->Worker.detach();  // it holds all it uses and reaches nothing of ours any more
    Application->EndBackgroundWork();
}

void TMainForm::AccountChanged() {
    // The poll of the old account is given up; the timer then starts one with the new account.
    if (CancelPoll()) PollMailTimer->SetEnabled(true);
}

void TMainForm::TrayTimerTimer() {
    // Each step is a call into the shell's process (several ms under Wine). While the bar
    // scrolls, the next tick takes it, and that tick's slice of mails leaves room for it.
    if (ScrollTimer->Enabled()) {
        FTrayStepDue = true;
        return;
    }
    SetTrayIcon(true);
}

void TMainForm::TakeTrayStep() {
    if (!FTrayStepDue) return;
    FTrayStepDue = false;
    if (FTrayTimer && FTrayTimer->Enabled()) SetTrayIcon(true);
}

void TMainForm::SetTrayIcon(bool active) {
    // The four frames are made once; the tray icon shares the picture of the one it shows.
    if (!FTrayFrames[0]) {
        for (int i = 0; i < 4; ++i) {
            auto icon = std::make_unique<TIcon>();
            ImageList->GetIcon(i, *icon);
            FTrayFrames[i] = std::move(icon);
        }
    }
    TrayFrame = TrayFrame - 1;
    if (TrayFrame < 0) TrayFrame = 3;
    if (!active) TrayFrame = 0;
    TrayIcon->SetIcon(FTrayFrames[TrayFrame].get());
}
