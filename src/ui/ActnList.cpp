#include "ui/ActnList.h"

#include <algorithm>

#include "ui/PropHelpers.h"

using namespace ui;

SKIMBAR_CLASS_INFO(TBasicAction, TComponent)
SKIMBAR_CLASS_INFO(TContainedAction, TBasicAction,
                   prop::Text<TContainedAction>("Category", [](TContainedAction& a) { return a.Category(); },
                                                [](TContainedAction& a, const std::string& v) { a.SetCategory(v); }),
                   prop::Ref<TContainedAction, TActionList>(
                       "ActionList", [](TContainedAction& a) { return a.ActionList(); },
                       [](TContainedAction& a, TActionList* l) { a.SetActionList(l); }))
SKIMBAR_CLASS_INFO(
    TCustomAction, TContainedAction,
    prop::Text<TCustomAction>("Caption", [](TCustomAction& a) { return a.Caption(); },
                              [](TCustomAction& a, const std::string& v) { a.SetCaption(v); }),
    prop::Bool<TCustomAction>("Checked", [](TCustomAction& a) { return a.Checked(); },
                              [](TCustomAction& a, bool v) { a.SetChecked(v); }),
    prop::Bool<TCustomAction>("Enabled", [](TCustomAction& a) { return a.Enabled(); },
                              [](TCustomAction& a, bool v) { a.SetEnabled(v); }),
    prop::Text<TCustomAction>("Hint", [](TCustomAction& a) { return a.Hint(); },
                              [](TCustomAction& a, const std::string& v) { a.SetHint(v); }),
    prop::Bool<TCustomAction>("Visible", [](TCustomAction& a) { return a.Visible(); },
                              [](TCustomAction& a, bool v) { a.SetVisible(v); }))
SKIMBAR_CLASS_INFO(TAction, TCustomAction)
SKIMBAR_CLASS_INFO(TActionList, TComponent)

TActionLink::TActionLink(TComponent* client, std::function<void(TBasicAction*)> onChange)
    : FClient(client), FOnChange(std::move(onChange)) {}

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TBasicAction* action) {
    if (action == FAction) return;
    if (FAction) {
        auto& links = FAction->FLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
    }
    FAction = action;
    if (action) action->FLinks.push_back(this);
}

bool TActionLink::Execute() { return FAction && FAction->Execute(); }

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    for (TActionLink* l : FLinks) l->FAction = nullptr;
    FLinks.clear();
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

void TBasicAction::Change() {
    std::vector<TActionLink*> links = FLinks;
    for (TActionLink* l : links)
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end() && l->FOnChange) l->FOnChange(this);
}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TActionList* list) {
    if (list == FActionList) return;
    if (FActionList) {
        auto& a = FActionList->FActions;
        a.erase(std::remove(a.begin(), a.end(), this), a.end());
    }
    FActionList = list;
    if (list) list->FActions.push_back(this);
}

int TContainedAction::Index() const {
    if (!FActionList) return -1;
    auto& a = FActionList->FActions;
    auto it = std::find(a.begin(), a.end(), this);
    return it == a.end() ? -1 : static_cast<int>(it - a.begin());
}

void TCustomAction::SetCaption(const std::string& v) {
    if (v == FCaption) return;
    FCaption = v;
    Change();
}

void TCustomAction::SetHint(const std::string& v) {
    if (v == FHint) return;
    FHint = v;
    Change();
}

void TCustomAction::SetChecked(bool v) {
    if (v == FChecked) return;
    FChecked = v;
    Change();
}

void TCustomAction::SetEnabled(bool v) {
    if (v == FEnabled) return;
    FEnabled = v;
    Change();
}

void TCustomAction::SetVisible(bool v) {
    if (v == FVisible) return;
    FVisible = v;
    Change();
}

bool TCustomAction::Execute() { return FEnabled && TContainedAction::Execute(); }

TActionList::~TActionList() {
    for (TContainedAction* a : FActions) a->FActionList = nullptr;
    FActions.clear();
}
