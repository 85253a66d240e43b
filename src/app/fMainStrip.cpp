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
constexpr int SwShowNormal = 1;
constexpr unsigned MbOk = 0;
}  // namespace

bool TMainForm::AddTickerItem(const std::string& sender, const std::string& subject, int size, TDateTime date,
                              const std::string& id) {
    if (KnownIds.Contains(id)) return false;
    return AddItem(sender, subject, size, date, id, false);
}

bool TMainForm::AddProgramItem(const std::string& sender, const std::string& subject, int size, TDateTime date) {
    if (ProgramItemLive()) return false;
    return AddItem(sender, subject, size, date, std::string(), true);
}

bool TMainForm::ProgramItemLive() const {
    // Rare (a start, a failed poll, Show on an empty bar): a walk over the items is cheap enough.
    for (const TMailPanel* item : Items)
        if (item && item->IsProgramItem() && item->Alive()) return true;
    return false;
}

bool TMainForm::AddItem(const std::string& sender, const std::string& subject, int size, TDateTime date,
                        const std::string& id, bool programItem) {
    TIcon icon;
    auto* item = new TMailPanel(nullptr);
    bool idAdded = false;
    try {
        // Placed behind the others before it joins the bar: filled out of view, it makes the
        // bar repaint nothing (thousands of items in one poll).
        item->SetLeft(NextItemLeft());
        item->SetParent(this);
        // Without a setup dialog (its creation failed at start) the design colours stand in.
        item->SetTextColor(SetupForm ? SetupForm->TextColorqxPanel->Color() : TColor(65280));
        item->SetBackColor(SetupForm ? SetupForm->BackColorqxPanel->Color() : TColor(0));
        // Before the setters: each copies it onto the part it fills.
        item->OnClick = [this](TObject* s) { OpenMailProgram(s); };
        item->SetSender(sender);
        item->SetSubject(subject);
        item->SetSize(size);
        item->SetId(id);
        item->SetProgramItem(programItem);
        if (!programItem) {
            KnownIds.Add(id);
            idAdded = true;
        }
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
    if (FStrip.size() + 1 == Items.size())
        FStrip.push_back({item, item->Left(), item->Width(), item->Alive(), item->MovesUnseen()});
    else
        RebuildStrip();
    item->OnStripChange = [this](TMailPanel* changed, bool moved) { ItemChanged(changed, moved); };
    return true;
}

TMainForm::TStripSlot* TMainForm::FindSlot(const TMailPanel* item) {
    const std::size_t n = FStrip.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (FLastSlot + 1 + k) % n;
        if (FStrip[i].Item == item) {
            FLastSlot = i;
            return &FStrip[i];
        }
    }
    return nullptr;
}

void TMainForm::ItemChanged(TMailPanel* item, bool moved) {
    if (FStripMoving) return;
    TStripSlot* slot = FindSlot(item);
    if (!slot) return;  // still being filled by AddTickerItem
    slot->Width = item->Width();
    slot->Alive = item->Alive();
    if (moved) slot->Left = item->Left();
}

void TMainForm::SyncItemPlaces() {
    const int barWidth = Width();
    const auto inView = [barWidth](int left, int width) { return left < barWidth && left + width > 0; };
    FStripMoving = true;
    try {
        for (const TStripSlot& slot : FStrip) {
            TMailPanel* item = slot.Item;
            if (!item || item->Left() == slot.Left) continue;
            if (inView(item->Left(), slot.Width) || inView(slot.Left, slot.Width))
                item->SetLeft(slot.Left);
            else
                item->SetLeftUnseen(slot.Left);
        }
    } catch (...) {
        FStripMoving = false;
        throw;
    }
    FStripMoving = false;
}

void TMainForm::RebuildStrip() {
    // Items were replaced as a whole: the places of those still listed are kept, the others
    // are read from the items.
    std::vector<TStripSlot> slots;
    slots.reserve(Items.size());
    for (TMailPanel* item : Items) {
        if (!item) continue;
        const TStripSlot* old = FindSlot(item);
        slots.push_back({item, old ? old->Left : item->Left(), item->Width(), item->Alive(), item->MovesUnseen()});
    }
    FStrip.swap(slots);
    Items.erase(std::remove(Items.begin(), Items.end(), nullptr), Items.end());
}

int TMainForm::NextItemLeft() {
    if (FStrip.size() != Items.size()) RebuildStrip();
    int right = Width();
    for (const TStripSlot& slot : FStrip) right = std::max(right, slot.Left + slot.Width);
    return right;
}

void TMainForm::MoveItem(TStripSlot& slot, int left, int barWidth) {
    // Off the bar before and after the move: nothing to repaint, so only the slot changes.
    // This keeps a tick cheap with thousands of items.
    const bool seenBefore = slot.Left < barWidth && slot.Left + slot.Width > 0;
    const bool seenAfter = left < barWidth && left + slot.Width > 0;
    if (seenBefore || seenAfter) {
        if (slot.MovesUnseen) {
            // The tick shifts the bar's pixels along with it once all items have moved.
            FScrolled.push_back({slot.Item, slot.Left});
            slot.Item->SetLeftUnseen(left);
        } else {
            slot.Item->SetLeft(left);
        }
    }
    slot.Left = left;
}

void TMainForm::ScrollTimerTimer(TObject* Sender) {
    // The timer runs on from when this tick came: the next one is due an interval after it.
    FLastScrollTick = std::chrono::steady_clock::now();
    ScrollTimer->SetEnabled(false);
    // Whatever a tick runs into, the ticker goes on at the next one.
    try {
        ScrollTick();
    } catch (...) {
        FStripMoving = false;
        FScrolled.clear();
        ScrollTimer->SetEnabled(!FullScreenApp());
        throw;
    }
    ScrollTimer->SetEnabled(!FullScreenApp());
    // Mails of a poll waiting for the strip get what is left of the time up to the next tick.
    TakeTrayStep();
    if (!FFeed.empty()) FeedSlice();
}

void TMainForm::ScrollTick() {
    if (Items.empty()) {
        SetVisible(false);
        return;
    }
    FScrolled.clear();
    const int barWidth = Width();
    // Places kept out of view of a narrower bar might be in view of this one.
    if (FStrip.size() != Items.size()) RebuildStrip();
    if (barWidth > FStripBarWidth) SyncItemPlaces();
    FStripBarWidth = barWidth;
    const std::size_t count = FStrip.size();
    TMailPanel* freed = nullptr;
    FStripMoving = true;
    for (std::size_t i = 0; i < count; ++i) {
        TStripSlot& slot = FStrip[i];
        if (!slot.Alive) {
            // Out of both lists before it goes, so that they agree whatever freeing does.
            freed = slot.Item;
            FStrip.erase(FStrip.begin() + static_cast<std::ptrdiff_t>(i));
            Items.erase(Items.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        const int left = slot.Left - 1;
        MoveItem(slot, left, barWidth);
        if (left + slot.Width >= 0) continue;
        if (!slot.Item->IsProgramItem()) {
            MoveItem(slot, NextItemLeft(), barWidth);
        } else {
            slot.Item->SetAlive(false);
            slot.Alive = false;
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
    FStripMoving = false;
    if (freed) {
        freed->OnStripChange = nullptr;
        ui::FreeControl(freed);
    }
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
    ApplyZOrder();
}

void TMainForm::ApplyZOrder() {
    if (FullScreenApp())
        SetWindowPos(ui::HwndBottom, ui::SwpNoMove | ui::SwpNoSize | ui::SwpNoActivate);
    else
        SetTopMost(SetupForm && SetupForm->StayOnTopqxCheckBox->Checked());
}

void TMainForm::FullScreenAppChanged(bool inFront) {
    // Paused here; the tick re-arms itself only while nothing full-screen is in front.
    if (inFront)
        ScrollTimer->SetEnabled(false);
    else if (FFormCreateRan && !Application->Terminated())
        ScrollTimer->SetEnabled(true);
    if (Visible() && HandleAllocated()) ApplyZOrder();
}

void TMainForm::OpenMailProgram(TObject* Sender) {
    // Retired here, freed by the scroll tick: never inside the click.
    for (TMailPanel* item : Items)
        if (item) item->SetAlive(false);
    const std::string command = MailProgramCommand();
    const unsigned started = command.empty() ? 2u : platform::WinExec(command, SwShowNormal);
    if (started >= 32)
        SetVisible(false);
    else
        Application->ShowMessageBox(LangString(FMAIN_MSG_NOMAILPROG), Application->Title(), MbOk);
}

void TMainForm::FormClick(TObject* Sender) { OpenMailProgram(Sender); }
