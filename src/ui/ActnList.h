#pragma once
// Actions and action lists. Controls and menu items linked to an action show its caption,
// hint, checked, enabled and visible state and run its Execute when clicked.
#include <functional>
#include <string>
#include <vector>

#include "core/Component.h"
#include "ui/UiTypes.h"

class TBasicAction;
class TActionList;

// The link from a client (control or menu item) to its action.
class TActionLink {
public:
    TActionLink(TComponent* client, std::function<void(TBasicAction*)> onChange);
    ~TActionLink();
    TActionLink(const TActionLink&) = delete;
    TActionLink& operator=(const TActionLink&) = delete;
    TBasicAction* Action() const { return FAction; }
    void SetAction(TBasicAction* action);
    bool Execute();
    TComponent* Client() const { return FClient; }

private:
    friend class TBasicAction;
    TComponent* FClient;
    TBasicAction* FAction = nullptr;
    std::function<void(TBasicAction*)> FOnChange;
};

class TBasicAction : public TComponent {
    SKIMBAR_CLASS(TBasicAction)
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;
    TNotifyEvent OnExecute;
    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    int ClientCount() const { return static_cast<int>(FLinks.size()); }

protected:
    void Change();  // tells every linked client

private:
    friend class TActionLink;
    std::vector<TActionLink*> FLinks;
};

class TContainedAction : public TBasicAction {
    SKIMBAR_CLASS(TContainedAction)
public:
    explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
    ~TContainedAction() override;
    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* list);
    const std::string& Category() const { return FCategory; }
    void SetCategory(const std::string& c) { FCategory = c; }
    int Index() const;

private:
    friend class TActionList;
    TActionList* FActionList = nullptr;
    std::string FCategory;
};

class TCustomAction : public TContainedAction {
    SKIMBAR_CLASS(TCustomAction)
public:
    explicit TCustomAction(TComponent* owner) : TContainedAction(owner) {}
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& v);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& v);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Execute() override;  // nothing when disabled

private:
    std::string FCaption, FHint;
    bool FChecked = false, FEnabled = true, FVisible = true;
};

class TAction : public TCustomAction {
    SKIMBAR_CLASS(TAction)
public:
    explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

// A list of actions; the actions are owned by the form like other components.
class TActionList : public TComponent {
    SKIMBAR_CLASS(TActionList)
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    ~TActionList() override;
    int ActionCount() const { return static_cast<int>(FActions.size()); }
    TContainedAction* Actions(int index) const { return FActions.at(static_cast<std::size_t>(index)); }

private:
    friend class TContainedAction;
    std::vector<TContainedAction*> FActions;
};
