#pragma once
// Tab set, tab control, notebook and tabbed notebook with their pages. All windowless and
// painted by their host; the pages of a notebook are plain containers, only the active one
// is visible.
#include <string>
#include <vector>

#include "core/Strings.h"
#include "ui/Controls.h"

// A row of tabs without pages. Tabs holds the tab texts; TabIndex the selected one (-1: none).
// After changing Tabs, Invalidate shows them.
class TTabSet : public TCustomControl {
    SKIMBAR_CLASS(TTabSet)
public:
    explicit TTabSet(TComponent* owner);
    TStrings& Tabs() { return FTabs; }
    const TStrings& Tabs() const { return FTabs; }
    int TabIndex() const { return FTabIndex; }
    void SetTabIndex(int index);
    TNotifyEvent OnChange;
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:

private:
    TStringList FTabs;
    int FTabIndex = -1;
};

// A container with a row of tabs on top; the program switches its contents itself.
class TTabControl : public TCustomControl {
    SKIMBAR_CLASS(TTabControl)
public:
    explicit TTabControl(TComponent* owner);
    TStrings& Tabs() { return FTabs; }
    int TabIndex() const { return FTabIndex; }
    void SetTabIndex(int index);
    TNotifyEvent OnChange;
    TRect AdjustClientRect() const override;
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:

private:
    TStringList FTabs;
    int FTabIndex = -1;
};

class TNotebook;

// One page of a notebook (a plain container); its Caption names it.
class TPage : public TCustomControl {
    SKIMBAR_CLASS(TPage)
public:
    explicit TPage(TComponent* owner);
    TNotebook* Notebook() const;
};

// Pages on top of each other, one visible at a time; no tabs of its own.
class TNotebook : public TCustomControl {
    SKIMBAR_CLASS(TNotebook)
public:
    explicit TNotebook(TComponent* owner);
    // A new page with the caption, parented and sized to the notebook, owned by owner.
    TPage* AddPage(TComponent* owner, const std::string& caption);
    int PageCount() const;
    TPage* Page(int index) const;
    int PageIndex() const { return FPageIndex; }
    void SetPageIndex(int index);
    // Page captions, in page order.
    std::vector<std::string> PageNames() const;

private:
    int FPageIndex = 0;
    void ShowActive();
};

class TTabbedNotebook;

// One page of a tabbed notebook; its tab text is the notebook's page-list entry whose
// object is this page (Caption follows it both ways).
class TTabPage : public TCustomControl {
    SKIMBAR_CLASS(TTabPage)
public:
    explicit TTabPage(TComponent* owner);
    ~TTabPage() override;
    TTabbedNotebook* Notebook() const;

protected:
    void TextChanged() override;
};

// Pages with a row of tabs on top. Pages is the page list: one entry per page, the tab text
// with the page as object (change entries through SetPageText; a freed page leaves it).
class TTabbedNotebook : public TCustomControl {
    SKIMBAR_CLASS(TTabbedNotebook)
public:
    explicit TTabbedNotebook(TComponent* owner);
    TTabPage* AddPage(TComponent* owner, const std::string& caption);
    TStrings& Pages() { return FPages; }
    const TStrings& Pages() const { return FPages; }
    TTabPage* Page(int index) const;
    // Sets the page list's entry and the page's caption.
    void SetPageText(int index, const std::string& text);
    int PageIndex() const { return FPageIndex; }
    void SetPageIndex(int index);
    TRect AdjustClientRect() const override;
    void Paint(TCanvas& canvas) override;

protected:
    void PaintBackground(TCanvas& canvas) override { Paint(canvas); }

public:

private:
    friend class TTabPage;
    TStringList FPages;
    int FPageIndex = 0;
    bool FSyncing = false;
    void ShowActive();
};
