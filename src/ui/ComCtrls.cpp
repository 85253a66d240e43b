#include "ui/ComCtrls.h"

#include <algorithm>
#include <string>

#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"
#include "ui/StdCtrls.h"

using namespace ui;

SKIMBAR_CLASS_INFO(
    TCustomUpDown, TWinControl,
    prop::Int<TCustomUpDown>("Min", [](TCustomUpDown& c) { return c.Min(); }, [](TCustomUpDown& c, int v) { c.SetMin(v); }),
    prop::Int<TCustomUpDown>("Max", [](TCustomUpDown& c) { return c.Max(); }, [](TCustomUpDown& c, int v) { c.SetMax(v); }),
    prop::Int<TCustomUpDown>("Position", [](TCustomUpDown& c) { return int(c.Position()); },
                             [](TCustomUpDown& c, int v) { c.SetPosition(v); }),
    prop::Int<TCustomUpDown>("Increment", [](TCustomUpDown& c) { return c.Increment(); },
                             [](TCustomUpDown& c, int v) { c.SetIncrement(v); }),
    prop::Bool<TCustomUpDown>("Wrap", [](TCustomUpDown& c) { return c.Wrap(); }, [](TCustomUpDown& c, bool v) { c.SetWrap(v); }),
    prop::Ref<TCustomUpDown, TWinControl>("Associate", [](TCustomUpDown& c) { return c.Associate(); },
                                          [](TCustomUpDown& c, TWinControl* w) { c.SetAssociate(w); }))
SKIMBAR_CLASS_INFO(TUpDown, TCustomUpDown)
SKIMBAR_CLASS_INFO(
    TTabSheet, TWinControl,
    prop::Text<TTabSheet>("Caption", [](TTabSheet& c) { return c.Caption(); },
                          [](TTabSheet& c, const std::string& v) { c.SetCaption(v); },
                          [](TTabSheet& c) { return c.IsCaptionStored(); }),
    prop::Bool<TTabSheet>("TabVisible", [](TTabSheet& c) { return c.TabVisible(); },
                          [](TTabSheet& c, bool v) { c.SetTabVisible(v); }))
SKIMBAR_CLASS_INFO(
    TPageControl, TWinControl,
    prop::Int<TPageControl>("ActivePageIndex", [](TPageControl& c) { return c.ActivePageIndex(); },
                            [](TPageControl& c, int v) { c.SetActivePageIndex(v); }))

namespace {
// A whole decimal number, blanks around it allowed.
bool ParseWhole(const std::string& s, long long& out) {
    std::size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    bool negative = false;
    if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i >= n) return false;
    long long v = 0;
    for (; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > 1000000000LL) return false;
    }
    out = negative ? -v : v;
    return true;
}
}  // namespace

// ---------------------------------------------------------------------------------------

TCustomUpDown::TCustomUpDown(TComponent* owner) : TWinControl(owner) {
    SetBounds(0, 0, 17, 21);
}

void TCustomUpDown::SetMin(int v) {
    FMin = std::clamp(v, -32768, 32767);
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
}

void TCustomUpDown::SetMax(int v) {
    FMax = std::clamp(v, -32768, 32767);
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
}

void TCustomUpDown::TakeUpAssociateText() {
    if (!FAssociate) return;
    long long v;
    if (!ParseWhole(FAssociate->Text(), v)) return;
    long long lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    if (v < lo || v > hi) return;
    FPosition = static_cast<std::int16_t>(v);
}

std::int16_t TCustomUpDown::Position() {
    TakeUpAssociateText();
    return FPosition;
}

void TCustomUpDown::SetPosition(int v) {
    int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    auto p = static_cast<std::int16_t>(std::clamp(v, lo, hi));
    if (p == FPosition) return;
    FPosition = p;
    ShowPosition();
}

void TCustomUpDown::ShowPosition() {
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
    if (FAssociate) FAssociate->SetText(std::to_string(FPosition));
}

void TCustomUpDown::AssociateTextChanged() {
    const std::int16_t before = FPosition;
    TakeUpAssociateText();
    if (FPosition == before) return;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
    PositionTyped();
}

void TCustomUpDown::SetAssociate(TWinControl* edit) {
    if (edit == FAssociate) return;
    if (edit == this) throw EInvalidOperation("Ein Auf-Ab-Schalter kann nicht sein eigener Partner sein");
    if (auto* old = dynamic_cast<TCustomEdit*>(FAssociate); old && old->UpDown() == this) old->SetUpDown(nullptr);
    FAssociate = edit;
    if (auto* buddy = dynamic_cast<TCustomEdit*>(edit)) buddy->SetUpDown(this);
    if (edit) {
        FreeNotification(edit);
        PlaceBesideAssociate();
        ShowPosition();
    }
}

void TCustomUpDown::SetAlignButton(TUDAlignButton v) {
    FAlignButton = v;
    PlaceBesideAssociate();
}

void TCustomUpDown::PlaceBesideAssociate() {
    if (!FAssociate || FAssociate->Parent() != Parent()) return;
    int x = FAlignButton == udRight ? FAssociate->Left() + FAssociate->Width()
                                    : FAssociate->Left() - Width();
    SetBounds(x, FAssociate->Top(), Width(), FAssociate->Height());
}

void TCustomUpDown::Loaded() {
    TWinControl::Loaded();
    PlaceBesideAssociate();
}

void TCustomUpDown::NotifyArrow(TUDBtnType button) {
    TakeUpAssociateText();
    int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
    int step = FIncrement * (FMin <= FMax ? 1 : -1);
    int next = FPosition + (button == btNext ? step : -step);
    if (next > hi) next = FWrap ? lo : hi;
    if (next < lo) next = FWrap ? hi : lo;
    if (next != FPosition) {
        FPosition = static_cast<std::int16_t>(next);
        ShowPosition();
    }
    Click(button);
}

void TCustomUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FAssociate) FAssociate = nullptr;
}

// ---------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    FControlStyle |= csSetCaption;
    FVisible = false;
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl == FPageControl) return;
    if (FPageControl) FPageControl->RemovePage(this);
    SetParent(pageControl);
    if (pageControl) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    auto& pages = FPageControl->FPages;
    auto it = std::find(pages.begin(), pages.end(), this);
    return it == pages.end() ? -1 : static_cast<int>(it - pages.begin());
}

void TTabSheet::SetTabVisible(bool v) {
    if (v == FTabVisible) return;
    FTabVisible = v;
    if (FPageControl && FPageControl->RawHandle()) Backend().UpdateWindow(*FPageControl, TUpdate::State);
}

void TTabSheet::TextChanged() {
    if (FPageControl && FPageControl->RawHandle()) Backend().UpdateWindow(*FPageControl, TUpdate::State);
}

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    FTabStop = true;
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    page->FPageControl = this;
    FPages.push_back(page);
    LayoutPages();
    if (!FActivePage)
        SetActivePage(page);
    else
        page->SetVisible(false);
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
}

void TPageControl::RemovePage(TTabSheet* page) {
    FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
    page->FPageControl = nullptr;
    if (FActivePage == page) {
        FActivePage = nullptr;
        if (!FPages.empty() && !Has(csDestroying)) SetActivePage(FPages.front());
    }
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->FPageControl != this) return;
    if (page == FActivePage) return;
    FActivePage = page;
    for (TTabSheet* p : FPages) p->SetVisible(p == page);
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::State);
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int index) {
    if (index >= 0 && index < PageCount())
        SetActivePage(FPages[static_cast<std::size_t>(index)]);
    else
        SetActivePage(nullptr);
}

std::vector<TTabSheet*> TPageControl::VisibleTabs() const {
    std::vector<TTabSheet*> tabs;
    for (TTabSheet* p : FPages)
        if (p->TabVisible()) tabs.push_back(p);
    return tabs;
}

TRect TPageControl::DisplayRect() const {
    if (!HasBackend()) return ClientRect();
    return Backend().PageDisplayRect(const_cast<TPageControl&>(*this));
}

void TPageControl::LayoutPages() {
    TRect r = DisplayRect();
    for (TTabSheet* p : FPages) p->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TPageControl::BoundsChanged(const TRect& old) {
    TWinControl::BoundsChanged(old);
    LayoutPages();
}

void TPageControl::HandleCreated() {
    Backend().UpdateWindow(*this, TUpdate::State);
    LayoutPages();
}

void TPageControl::Change() {
    if (OnChange) OnChange(this);
}

void TPageControl::NotifyUserTab(int tabIndex) {
    std::vector<TTabSheet*> tabs = VisibleTabs();
    if (tabIndex < 0 || tabIndex >= static_cast<int>(tabs.size())) return;
    if (tabs[static_cast<std::size_t>(tabIndex)] == FActivePage) return;
    SetActivePage(tabs[static_cast<std::size_t>(tabIndex)]);
    Change();
}
