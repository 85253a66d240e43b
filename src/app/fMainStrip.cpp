// The ticker strip of the main window: items in, one pixel per tick to the left, wrapped at
// the left edge, retired on a click, which starts the mail program.
#include <algorithm>
#include <climits>
#include <unordered_map>

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
    // The strip's copy follows the finished item; from now on any change of it is reported.
    if (!FStripStale && FStrip.size() + 1 == Items.size()) {
        FStrip.push_back({item, item->Left(), item->Width(), item->Alive(), item->MovesUnseen()});
        if (FStripRightKnown) FStripRight = std::max(FStripRight, item->Left() + item->Width());
    } else {
        StripChanged();
    }
    item->OnStripChange = [this](TMailPanel* changed, bool moved) {
        if (FStripMoving) return;
        if (moved) FMovedOutside.insert(changed);
        StripChanged();
    };
    return true;
}

void TMainForm::SyncItemPlaces() {
    if (FStrip.empty()) return;
    const int barWidth = Width();
    auto place = [this, barWidth](TMailPanel* item, int left) {
        if (item->Left() == left || FMovedOutside.count(item)) return;
        const auto inView = [&](int l) { return l < barWidth && l + item->Width() > 0; };
        if (inView(item->Left()) || inView(left))
            item->SetLeft(left);
        else
            item->SetLeftUnseen(left);
    };
    bool parallel = FStrip.size() == Items.size();
    for (std::size_t i = 0; parallel && i < Items.size(); ++i) parallel = FStrip[i].Item == Items[i];
    if (parallel) {
        for (const TStripSlot& slot : FStrip) place(slot.Item, slot.Left);
        return;
    }
    // Items changed behind the strip's back: only pointers still listed may be touched.
    std::unordered_map<const TMailPanel*, int> places;
    for (const TStripSlot& slot : FStrip) places[slot.Item] = slot.Left;
    for (TMailPanel* item : Items) {
        const auto it = places.find(item);
        if (it != places.end()) place(item, it->second);
    }
}

void TMainForm::RebuildStrip() {
    SyncItemPlaces();
    FMovedOutside.clear();
    FStrip.clear();
    FStrip.reserve(Items.size());
    FStripRight = INT_MIN;
    for (TMailPanel* item : Items) {
        FStrip.push_back({item, item->Left(), item->Width(), item->Alive(), item->MovesUnseen()});
        FStripRight = std::max(FStripRight, item->Left() + item->Width());
    }
    FStripStale = false;
    FStripRightKnown = true;
}

int TMainForm::NextItemLeft() {
    if (FStripStale || FStrip.size() != Items.size()) {
        RebuildStrip();
    } else if (!FStripRightKnown) {
        FStripRight = INT_MIN;
        for (const TStripSlot& slot : FStrip) FStripRight = std::max(FStripRight, slot.Left + slot.Width);
        FStripRightKnown = true;
    }
    return std::max(Width(), FStripRight);
}

void TMainForm::MoveItem(TStripSlot& slot, int left, int barWidth) {
    // Off the bar before and after the move: nothing to repaint, so only the strip's copy
    // changes. This keeps a tick cheap with thousands of items.
    const bool seenBefore = slot.Left < barWidth && slot.Left + slot.Width > 0;
    const bool seenAfter = left < barWidth && left + slot.Width > 0;
    if (!slot.MovesUnseen) {
        slot.Item->SetLeft(left);
    } else if (seenBefore || seenAfter) {
        // In view: the tick shifts the bar's pixels along with it once all items have moved.
        FScrolled.push_back({slot.Item, slot.Left});
        slot.Item->SetLeftUnseen(left);
    }
    slot.Left = left;
}

void TMainForm::ScrollTimerTimer(TObject* Sender) {
    ScrollTimer->SetEnabled(false);
    if (Items.empty()) {
        SetVisible(false);
    } else {
        FScrolled.clear();  // left over only when a tick ended in an exception
        const int barWidth = Width();
        // Places kept out of view of a narrower bar might be in view of this one.
        if (barWidth > FStripBarWidth) SyncItemPlaces();
        FStripBarWidth = barWidth;
        if (FStripStale || FStrip.size() != Items.size()) RebuildStrip();
        const std::size_t count = Items.size();
        bool freed = false;
        // The tick's own moves are in the copy already.
        FStripMoving = true;
        struct TMoving {
            bool& Flag;
            ~TMoving() { Flag = false; }
        } moving{FStripMoving};
        FStripRightKnown = false;
        for (std::size_t i = 0; i < count; ++i) {
            // Items changed behind the strip's back: read them again (those before i have
            // moved already, and the rebuild takes their new places).
            if (FStrip[i].Item != Items[i]) RebuildStrip();
            TStripSlot& slot = FStrip[i];
            TMailPanel* item = slot.Item;
            if (!slot.Alive) {
                Items[i] = nullptr;
                slot.Item = nullptr;
                freed = true;
                ui::FreeControl(item);
                break;
            }
            const int left = slot.Left - 1;
            MoveItem(slot, left, barWidth);
            if (left + slot.Width >= 0) continue;
            if (item->Id() != TransientId) {
                MoveItem(slot, NextItemLeft(), barWidth);
            } else {
                item->SetAlive(false);
                slot.Alive = false;
                KnownIds.Remove(TransientId);
            }
        }
        // Every item moved one pixel: shifting the bar's pixels and painting the column that
        // comes in at the right is all the screen needs. When the walk stopped at a retired
        // item, those behind it stood still, so the moved ones are painted where they are.
        if (!FScrolled.empty()) {
            if (!freed) {
                ScrollArea(ClientRect(), -1);
            } else {
                for (const TScrolledItem& s : FScrolled) {
                    const int now = s.Item->Left();
                    s.Item->SetLeftUnseen(s.OldLeft);
                    s.Item->SetLeft(now);
                }
            }
            FScrolled.clear();
        }
        if (freed) {
            Items.erase(std::remove(Items.begin(), Items.end(), nullptr), Items.end());
            FStrip.erase(std::remove_if(FStrip.begin(), FStrip.end(), [](const TStripSlot& s) { return !s.Item; }),
                         FStrip.end());
            FStripRightKnown = false;
        }
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
