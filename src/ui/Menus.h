#pragma once
// Popup menus and their items.
#include <string>
#include <vector>

#include "ui/Controls.h"

class TActionLink;
class TBasicAction;
class TMenu;

// A menu item: caption ("-" is a separator), check mark, radio item within a group,
// sub-items, and a linked action whose caption, hint, checked, enabled and visible state it
// shows (the caption is then not stored with the item).
class TMenuItem : public TComponent {
    SKIMBAR_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return FChecked; }
    // Checking a radio item unchecks the other radio items of its group among its siblings.
    void SetChecked(bool checked);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool v);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool v) { FVisible = v; }
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint) { FHint = hint; }
    bool IsLine() const { return FCaption == "-"; }
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);

    // Sub-items.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TMenuItem* Parent() const { return FParent; }
    int MenuIndex() const;
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);  // does not free it
    void Delete(int index);        // frees it
    void Clear();                  // frees all sub-items
    // First sub-item whose caption, without accelerator markers, equals the text.
    TMenuItem* Find(const std::string& caption) const;

    TNotifyEvent OnClick;
    // OnClick when assigned, else the linked action's Execute; nothing when disabled.
    virtual void Click();

    // Gives the captions of each level distinct accelerators ("&" before a free letter or
    // digit); captions that already have one keep it unless it is taken at that level.
    void RethinkHotkeys();

public:
    void Notification(TComponent* component, TOperation operation) override;

    // Stored predicates: false while the linked action supplies the value.
    bool IsCaptionStored() const;
    bool IsCheckedStored() const;
    bool IsHintStored() const;

private:
    void ActionChange(TBasicAction* sender);
    void TurnSiblingsOff();
    std::string FCaption;
    std::string FHint;
    bool FChecked = false;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FEnabled = true;
    bool FVisible = true;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    TActionLink* FActionLink = nullptr;
};

// Whether the item still exists (a menu's command may free items while it is open).
bool IsLiveMenuItem(const TMenuItem* item);

enum TMenuAutoFlag { maAutomatic, maManual, maParent };

class TMenu : public TComponent {
    SKIMBAR_CLASS(TMenu)
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    // The root item, owned by the menu; its sub-items are the menu's items.
    TMenuItem* Items() const { return FItems; }
    TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
    void SetAutoHotkeys(TMenuAutoFlag v) { FAutoHotkeys = v; }

private:
    TMenuItem* FItems;
    TMenuAutoFlag FAutoHotkeys = maAutomatic;
};

// The menu of a form (TCustomForm::Menu). It is not shown as a menu bar; its items take
// part in the form's texts and accelerators like those of popup menus.
class TMainMenu : public TMenu {
    SKIMBAR_CLASS(TMainMenu)
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
};

// A popup menu. Popup shows it at a screen position and returns after the chosen item's
// command has run (exceptions from it go to Application->HandleException).
class TPopupMenu : public TMenu {
    SKIMBAR_CLASS(TPopupMenu)
public:
    explicit TPopupMenu(TComponent* owner);
    void Popup(int x, int y);
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* c) {
        FPopupComponent = c;
        if (c) FreeNotification(c);
    }
    TNotifyEvent OnPopup;

public:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponent* FPopupComponent = nullptr;
};
