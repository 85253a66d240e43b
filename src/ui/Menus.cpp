#include "ui/Menus.h"

#include <algorithm>
#include <set>

#include "ui/Accel.h"
#include "ui/ActnList.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/PropHelpers.h"

using namespace ui;

namespace {
std::set<const TMenuItem*>& LiveItems() {
    static std::set<const TMenuItem*> items;
    return items;
}

bool ValidHotkey(char32_t c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

bool SameCaption(const std::string& a, const std::string& b) {
    return StripAccelChars(a) == StripAccelChars(b);
}
}  // namespace

bool IsLiveMenuItem(const TMenuItem* item) { return LiveItems().count(item) != 0; }

SKIMBAR_CLASS_INFO(
    TMenuItem, TComponent,
    prop::Ref<TMenuItem, TBasicAction>("Action", [](TMenuItem& m) { return m.Action(); },
                                       [](TMenuItem& m, TBasicAction* a) { m.SetAction(a); }),
    prop::Text<TMenuItem>("Caption", [](TMenuItem& m) { return m.Caption(); },
                          [](TMenuItem& m, const std::string& v) { m.SetCaption(v); },
                          [](TMenuItem& m) { return m.IsCaptionStored(); }),
    prop::Bool<TMenuItem>("Checked", [](TMenuItem& m) { return m.Checked(); },
                          [](TMenuItem& m, bool v) { m.SetChecked(v); },
                          [](TMenuItem& m) { return m.IsCheckedStored(); }),
    prop::Bool<TMenuItem>("Enabled", [](TMenuItem& m) { return m.Enabled(); }, [](TMenuItem& m, bool v) { m.SetEnabled(v); }),
    prop::Int<TMenuItem>("GroupIndex", [](TMenuItem& m) { return m.GroupIndex(); },
                         [](TMenuItem& m, int v) { m.SetGroupIndex(v); }),
    prop::Text<TMenuItem>("Hint", [](TMenuItem& m) { return m.Hint(); },
                          [](TMenuItem& m, const std::string& v) { m.SetHint(v); },
                          [](TMenuItem& m) { return m.IsHintStored(); }),
    prop::Bool<TMenuItem>("RadioItem", [](TMenuItem& m) { return m.RadioItem(); },
                          [](TMenuItem& m, bool v) { m.SetRadioItem(v); }),
    prop::Bool<TMenuItem>("Visible", [](TMenuItem& m) { return m.Visible(); }, [](TMenuItem& m, bool v) { m.SetVisible(v); }))
SKIMBAR_CLASS_INFO(TMenu, TComponent)
SKIMBAR_CLASS_INFO(TPopupMenu, TMenu)
SKIMBAR_CLASS_INFO(TMainMenu, TMenu)

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) { LiveItems().insert(this); }

TMenuItem::~TMenuItem() {
    LiveItems().erase(this);
    if (FParent) FParent->Remove(this);
    while (!FItems.empty()) delete FItems.back();
    delete FActionLink;
}

void TMenuItem::SetCaption(const std::string& caption) { FCaption = caption; }

void TMenuItem::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    if (checked && FRadioItem) TurnSiblingsOff();
}

void TMenuItem::SetRadioItem(bool v) {
    if (v == FRadioItem) return;
    FRadioItem = v;
    if (FChecked && FRadioItem) TurnSiblingsOff();
}

void TMenuItem::SetGroupIndex(int v) {
    if (v == FGroupIndex) return;
    FGroupIndex = v;
    if (FChecked && FRadioItem) TurnSiblingsOff();
}

void TMenuItem::TurnSiblingsOff() {
    if (!FParent) return;
    for (TMenuItem* s : FParent->FItems)
        if (s != this && s->FRadioItem && s->FGroupIndex == FGroupIndex) s->FChecked = false;
}

TBasicAction* TMenuItem::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TMenuItem::SetAction(TBasicAction* action) {
    if (!action) {
        delete FActionLink;
        FActionLink = nullptr;
        return;
    }
    if (!FActionLink) FActionLink = new TActionLink(this, [this](TBasicAction* a) { ActionChange(a); });
    FActionLink->SetAction(action);
    ActionChange(action);
}

void TMenuItem::ActionChange(TBasicAction* sender) {
    auto* a = dynamic_cast<TCustomAction*>(sender);
    if (!a) return;
    if (!SameCaption(FCaption, a->Caption())) SetCaption(a->Caption());
    SetChecked(a->Checked());
    FEnabled = a->Enabled();
    FHint = a->Hint();
    FVisible = a->Visible();
}

bool TMenuItem::IsCaptionStored() const {
    auto* a = FActionLink ? dynamic_cast<TCustomAction*>(FActionLink->Action()) : nullptr;
    return !a || !SameCaption(FCaption, a->Caption());
}

bool TMenuItem::IsCheckedStored() const {
    auto* a = FActionLink ? dynamic_cast<TCustomAction*>(FActionLink->Action()) : nullptr;
    return !a || FChecked != a->Checked();
}

bool TMenuItem::IsHintStored() const {
    auto* a = FActionLink ? dynamic_cast<TCustomAction*>(FActionLink->Action()) : nullptr;
    return !a || FHint != a->Hint();
}

int TMenuItem::MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->FParent) throw EMenuError("Menü zweimal eingefügt");
    for (TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EMenuError("Ein Untermenü kann nicht sich selbst enthalten");
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count()) throw EMenuError("Menüindex außerhalb des gültigen Bereichs");
    delete FItems[static_cast<std::size_t>(index)];
}

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
    for (TMenuItem* i : FItems)
        if (StripAccelChars(i->FCaption) == caption) return i;
    return nullptr;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (OnClick)
        OnClick(this);
    else if (FActionLink && FActionLink->Action())
        FActionLink->Execute();
}

void TMenuItem::RethinkHotkeys() {
    std::set<char32_t> used;
    std::vector<TMenuItem*> needing;
    for (TMenuItem* item : FItems) {
        if (item->IsLine() || item->FCaption.empty()) continue;
        const char32_t c = accel::KeyOfCaption(item->FCaption);
        if (c && !used.count(c)) {
            used.insert(c);
        } else {
            // No accelerator, or one that an earlier item of this level already has.
            if (c) item->FCaption = accel::WithoutMarkers(item->FCaption);
            needing.push_back(item);
        }
    }
    for (TMenuItem* item : needing) {
        const std::string& s = item->FCaption;
        std::size_t length = 1;
        for (std::size_t i = 0; i < s.size(); i += length) {
            if (s[i] == '&') {  // a literal "&&"
                length = 2;
                continue;
            }
            const char32_t u = accel::KeyOf(accel::DecodeAt(s, i, length));
            if (!ValidHotkey(u) || used.count(u)) continue;
            used.insert(u);
            item->FCaption = s.substr(0, i) + "&" + s.substr(i);
            break;
        }
    }
    for (TMenuItem* item : FItems)
        if (item->Count()) item->RethinkHotkeys();
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

// ---------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {}

TMenu::~TMenu() = default;

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    if (AutoHotkeys() == maAutomatic) Items()->RethinkHotkeys();
    TMenuItem* chosen = Backend().TrackPopupMenu(*this, {x, y});
    // The item may have gone while the menu was open.
    if (chosen && IsLiveMenuItem(chosen)) SafeCall(chosen, [chosen] { chosen->Click(); });
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}
