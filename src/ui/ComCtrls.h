#pragma once
// Up-down, page control and tab sheets.
#include <vector>

#include "ui/Controls.h"

class TCustomEdit;
class TWinControl;

enum TUDBtnType { btNext, btPrev };
enum TUDAlignButton { udLeft, udRight };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

// Up-down arrows. Position is a 16-bit signed number kept within Min..Max and shown in the
// Associate edit (whose change event fires). The up-down follows its edit: a whole number
// typed into it, when it lies within Min..Max, becomes the position (PositionTyped runs).
// The arrows step by Increment (no wrap-around unless Wrap) and then call Click; typing
// does not.
class TCustomUpDown : public TWinControl {
    SKIMBAR_CLASS(TCustomUpDown)
public:
    explicit TCustomUpDown(TComponent* owner);
    TNativeKind NativeKind() const override { return TNativeKind::UpDown; }
    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    std::int16_t Position();
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool v) { FWrap = v; }
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* edit);
    TUDAlignButton AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton v);
    // The up-down's own click event (which arrow).
    TUDClickEvent OnClick;
    virtual void Click(TUDBtnType button);
    using TControl::Click;
    // Backend / tests: an arrow was pressed.
    void NotifyArrow(TUDBtnType button);
    // The associated edit's text changed, by the user or the program.
    void AssociateTextChanged();

protected:
    // The position changed because a number was typed into the associated edit.
    virtual void PositionTyped() {}

public:
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

private:
    void TakeUpAssociateText();
    void ShowPosition();
    void PlaceBesideAssociate();
    int FMin = 0, FMax = 100, FIncrement = 1;
    std::int16_t FPosition = 0;
    bool FWrap = false;
    TWinControl* FAssociate = nullptr;
    TUDAlignButton FAlignButton = udRight;
};

class TUpDown : public TCustomUpDown {
    SKIMBAR_CLASS(TUpDown)
public:
    explicit TUpDown(TComponent* owner) : TCustomUpDown(owner) {}
};

class TPageControl;

// One page of a page control; its caption is the tab's text.
class TTabSheet : public TWinControl {
    SKIMBAR_CLASS(TTabSheet)
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    TNativeKind NativeKind() const override { return TNativeKind::Host; }
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool v);

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
};

// Native tab control holding tab sheets; the active sheet fills the page area.
class TPageControl : public TWinControl {
    SKIMBAR_CLASS(TPageControl)
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    TNativeKind NativeKind() const override { return TNativeKind::PageControl; }
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(static_cast<std::size_t>(index)); }
    TTabSheet* ActivePage() const { return FActivePage; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The area the sheets fill, in this control's client coordinates (asked of the backend).
    TRect DisplayRect() const;
    TNotifyEvent OnChange;
    virtual void Change();
    // Backend: the user picked a tab (index among visible tabs).
    void NotifyUserTab(int tabIndex);
    std::vector<TTabSheet*> VisibleTabs() const;

protected:
    void BoundsChanged(const TRect& old) override;
    void HandleCreated() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void LayoutPages();
    std::vector<TTabSheet*> FPages;
    TTabSheet* FActivePage = nullptr;
};
