// The ticker strip of the main window: items in, one pixel per tick to the left, wrapped at
// the left edge, retired on a click, which starts the mail program.
#include <algorithm>

#include "app/MailPanel.h"
#include "app/MailProgram.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "platform/Process.h"
#include "support/qxCheckBox.h"
#include "support/qxGeneral.h"
#include "support/qxPanel.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"

namespace {
constexpr const char* TransientId = "-1";
constexpr int SwShowNormal = 1;
constexpr unsigned MbOk = 0;
}  // namespace

bool TMainForm::AddTickerItem(const std::string& sender, const std::string& subject, int size, TDateTime date,
                              const std::string& id) {
    if (KnownIds.Contains(id)) return false;
    TIcon icon;
    auto* item = new TMailPanel(nullptr);
    bool idAdded = false;
    try {
        item->SetParent(this);
        // Without a setup dialog (its creation failed at start) the design colours stand in.
        item->SetTextColor(SetupForm ? SetupForm->TextColorqxPanel->Color() : TColor(65280));
        item->SetBackColor(SetupForm ? SetupForm->BackColorqxPanel->Color() : TColor(0));
        // Before the setters: each copies it onto the part it fills.
        item->OnClick = [this](TObject* s) { OpenMailProgram(s); };
        item->SetLeft(NextItemLeft());
        item->SetSender(sender);
        item->SetSubject(subject);
        item->SetSize(size);
        item->SetId(id);
        KnownIds.Add(id);
        idAdded = true;
        ImageList->GetIcon(0, icon);
        item->SetIcon(&icon);
        item->SetHint(LangString(FMAIN_MSG_MAINFORMHINT));
        item->SetDate(date);
        item->SetShowHint(true);
        item->SetAlive(true);
    } catch (...) {
        // A half-built item is neither shown nor remembered.
        if (idAdded) KnownIds.Remove(id);
        delete item;
        throw;
    }
    Items.push_back(item);
    return true;
}

int TMainForm::NextItemLeft() {
    int left = Width();
    for (const TMailPanel* item : Items)
        if (item) left = std::max(left, item->Left() + item->Width());
    return left;
}

void TMainForm::ScrollTimerTimer(TObject* Sender) {
    ScrollTimer->SetEnabled(false);
    if (Items.empty()) {
        SetVisible(false);
    } else {
        const std::size_t count = Items.size();
        const int barWidth = Width();
        bool freed = false;
        for (std::size_t i = 0; i < count; ++i) {
            TMailPanel* item = Items[i];
            if (!item->Alive()) {
                Items[i] = nullptr;
                freed = true;
                ui::FreeControl(item);
                break;
            }
            const int left = item->Left() - 1;
            const int right = left + item->Width();
            // Off the bar before and after the move: nothing to repaint, so only the position
            // changes. This keeps a tick cheap with thousands of items.
            if (left >= barWidth || right + 1 <= 0)
                item->SetLeftUnseen(left);
            else
                item->SetLeft(left);
            if (right >= 0) continue;
            if (item->Id() != TransientId) {
                item->SetLeft(NextItemLeft());
            } else {
                item->SetAlive(false);
                KnownIds.Remove(TransientId);
            }
        }
        if (freed) Items.erase(std::remove(Items.begin(), Items.end(), nullptr), Items.end());
    }
    ScrollTimer->SetEnabled(true);
}

void TMainForm::FasterActionExecute(TObject* Sender) {
    ScrollTimer->SetInterval(std::max(MinScrollSpeed, ScrollTimer->Interval() - 10));
}

void TMainForm::SlowerActionExecute(TObject* Sender) {
    const int interval = ScrollTimer->Interval();
    ScrollTimer->SetInterval(interval > 1000000 ? interval : interval + 10);
}

void TMainForm::StayOnTopTimerTimer(TObject* Sender) {
    StayOnTopTimer->SetEnabled(false);
    SetTopMost(SetupForm && SetupForm->StayOnTopqxCheckBox->Checked());
}

void TMainForm::OpenMailProgram(TObject* Sender) {
    // Retired here, freed by the scroll tick: never inside the click.
    for (TMailPanel* item : Items)
        if (item) item->SetAlive(false);
    KnownIds.Remove(TransientId);
    const std::string command = MailProgramCommand();
    const unsigned started = command.empty() ? 2u : platform::WinExec(command, SwShowNormal);
    if (started >= 32)
        SetVisible(false);
    else
        Application->ShowMessageBox(LangString(FMAIN_MSG_NOMAILPROG), Application->Title(), MbOk);
}

void TMainForm::FormClick(TObject* Sender) { OpenMailProgram(Sender); }
