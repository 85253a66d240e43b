#include "ui/Tabs.h"

#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(
    TTabSet, TCustomControl,
    prop::List<TTabSet>("Tabs", [](TTabSet& c) -> TStrings& { return c.Tabs(); }),
    prop::Int<TTabSet>("TabIndex", [](TTabSet& c) { return c.TabIndex(); },
                       [](TTabSet& c, int v) { c.SetTabIndex(v); }))
SKIMBAR_CLASS_INFO(
    TTabControl, TCustomControl,
    prop::List<TTabControl>("Tabs", [](TTabControl& c) -> TStrings& { return c.Tabs(); }),
    prop::Int<TTabControl>("TabIndex", [](TTabControl& c) { return c.TabIndex(); },
                           [](TTabControl& c, int v) { c.SetTabIndex(v); }))
SKIMBAR_CLASS_INFO(TPage, TCustomControl,
                   prop::Text<TPage>("Caption", [](TPage& c) { return c.Caption(); },
                                     [](TPage& c, const std::string& v) { c.SetCaption(v); }))
SKIMBAR_CLASS_INFO(TNotebook, TCustomControl,
                   prop::Int<TNotebook>("PageIndex", [](TNotebook& c) { return c.PageIndex(); },
                                        [](TNotebook& c, int v) { c.SetPageIndex(v); }))
SKIMBAR_CLASS_INFO(TTabPage, TCustomControl,
                   prop::Text<TTabPage>("Caption", [](TTabPage& c) { return c.Caption(); },
                                        [](TTabPage& c, const std::string& v) { c.SetCaption(v); }))
SKIMBAR_CLASS_INFO(
    TTabbedNotebook, TCustomControl,
    prop::Int<TTabbedNotebook>("PageIndex", [](TTabbedNotebook& c) { return c.PageIndex(); },
                               [](TTabbedNotebook& c, int v) { c.SetPageIndex(v); }))

namespace {
constexpr int kTabHeight = 20;

// A row of tab texts from x = 2, the selected one raised; returns nothing.
void PaintTabRow(TCanvas& canvas, const TFont& font, const TStrings& tabs, int selected, int width) {
    int x = 2;
    for (int i = 0; i < tabs.Count() && x < width; ++i) {
        const TSize s = canvas.TextExtent(tabs[i], font, true);
        const TRect r{x, i == selected ? 0 : 2, x + s.cx + 12, kTabHeight};
        canvas.Frame3D(r, clBtnHighlight, clBtnShadow, 1);
        canvas.TextAt(x + 6, (kTabHeight - s.cy) / 2, tabs[i], font, true);
        x = r.Right;
    }
}
}  // namespace

// ---------------------------------------------------------------------------------------

TTabSet::TTabSet(TComponent* owner) : TCustomControl(owner) {
    SetBounds(Left(), Top(), 185, 21);
}

void TTabSet::SetTabIndex(int index) {
    if (index < -1 || index >= FTabs.Count()) index = -1;
    if (index == FTabIndex) return;
    FTabIndex = index;
    Invalidate();
    if (OnChange) OnChange(this);
}

void TTabSet::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
    PaintTabRow(canvas, Font(), FTabs, FTabIndex, Width());
}

// ---------------------------------------------------------------------------------------

TTabControl::TTabControl(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 289, 193);
}

void TTabControl::SetTabIndex(int index) {
    if (index < -1 || index >= FTabs.Count()) index = -1;
    if (index == FTabIndex) return;
    FTabIndex = index;
    Invalidate();
    if (OnChange) OnChange(this);
}

TRect TTabControl::AdjustClientRect() const {
    TRect r = ClientRect();
    r.Top += kTabHeight + 2;
    return r.Inflate(-2, -2);
}

void TTabControl::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
    canvas.Frame3D({0, kTabHeight, Width(), Height()}, clBtnHighlight, clBtnShadow, 1);
    PaintTabRow(canvas, Font(), FTabs, FTabIndex, Width());
}

// ---------------------------------------------------------------------------------------

TPage::TPage(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TNotebook* TPage::Notebook() const { return dynamic_cast<TNotebook*>(Parent()); }

TNotebook::TNotebook(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 150, 150);
}

TPage* TNotebook::AddPage(TComponent* owner, const std::string& caption) {
    auto* page = new TPage(owner);
    page->SetCaption(caption);
    page->SetParent(this);
    page->SetAlign(alClient);
    ShowActive();
    return page;
}

int TNotebook::PageCount() const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TPage*>(Controls(i))) ++n;
    return n;
}

TPage* TNotebook::Page(int index) const {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* p = dynamic_cast<TPage*>(Controls(i)); p && index-- == 0) return p;
    return nullptr;
}

void TNotebook::SetPageIndex(int index) {
    if (index < 0 || index >= PageCount()) return;
    FPageIndex = index;
    ShowActive();
}

std::vector<std::string> TNotebook::PageNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < PageCount(); ++i) names.push_back(Page(i)->Caption());
    return names;
}

void TNotebook::ShowActive() {
    for (int i = 0; i < PageCount(); ++i) Page(i)->SetVisible(i == FPageIndex);
}

// ---------------------------------------------------------------------------------------

TTabPage::TTabPage(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

TTabPage::~TTabPage() {
    if (TTabbedNotebook* book = Notebook()) {
        const int i = book->FPages.IndexOfObject(this);
        if (i >= 0) book->FPages.Delete(i);
    }
}

TTabbedNotebook* TTabPage::Notebook() const { return dynamic_cast<TTabbedNotebook*>(Parent()); }

void TTabPage::TextChanged() {
    TCustomControl::TextChanged();
    TTabbedNotebook* book = Notebook();
    if (!book || book->FSyncing) return;
    const int i = book->FPages.IndexOfObject(this);
    if (i >= 0) {
        book->FSyncing = true;
        book->FPages.SetString(i, Caption());
        book->FSyncing = false;
        book->Invalidate();
    }
}

TTabbedNotebook::TTabbedNotebook(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetBounds(Left(), Top(), 300, 250);
}

TTabPage* TTabbedNotebook::AddPage(TComponent* owner, const std::string& caption) {
    auto* page = new TTabPage(owner);
    FSyncing = true;
    page->SetCaption(caption);
    FSyncing = false;
    page->SetParent(this);
    page->SetAlign(alClient);
    FPages.AddObject(caption, page);
    ShowActive();
    return page;
}

TTabPage* TTabbedNotebook::Page(int index) const {
    if (index < 0 || index >= FPages.Count()) return nullptr;
    return static_cast<TTabPage*>(FPages.Objects(index));
}

void TTabbedNotebook::SetPageText(int index, const std::string& text) {
    FPages.SetString(index, text);
    if (TTabPage* page = Page(index)) {
        FSyncing = true;
        page->SetCaption(text);
        FSyncing = false;
    }
    Invalidate();
}

void TTabbedNotebook::SetPageIndex(int index) {
    if (index < 0 || index >= FPages.Count()) return;
    FPageIndex = index;
    ShowActive();
    Invalidate();
}

TRect TTabbedNotebook::AdjustClientRect() const {
    TRect r = ClientRect();
    r.Top += kTabHeight + 2;
    return r.Inflate(-2, -2);
}

void TTabbedNotebook::Paint(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
    canvas.Frame3D({0, kTabHeight, Width(), Height()}, clBtnHighlight, clBtnShadow, 1);
    PaintTabRow(canvas, Font(), FPages, FPageIndex, Width());
}

void TTabbedNotebook::ShowActive() {
    for (int i = 0; i < FPages.Count(); ++i)
        if (TTabPage* p = Page(i)) p->SetVisible(i == FPageIndex);
}
