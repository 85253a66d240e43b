#include "core/Component.h"

#include <algorithm>

#include "core/Exception.h"
#include "core/Text.h"

const TClassInfo& TObject::StaticClassInfo() {
    static const TClassInfo info{"TObject", nullptr, {}, &typeid(TObject)};
    return info;
}

bool TClassInfo::InheritsFrom(std::string_view className) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        if (className == c->Name) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->Parent)
        for (const TPropInfo& p : c->Properties)
            if (p.Name == name) return &p;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->Parent) chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Properties) {
            // A redeclared property replaces its ancestor's in place.
            auto same = std::find_if(result.begin(), result.end(),
                                     [&](const TPropInfo* q) { return q->Name == p.Name; });
            if (same != result.end())
                *same = &p;
            else
                result.push_back(&p);
        }
    return result;
}

const TClassInfo& TPersistent::StaticClassInfo() {
    static const TClassInfo info{"TPersistent", &TObject::StaticClassInfo(), {}, &typeid(TPersistent)};
    return info;
}

void TPersistent::Assign(const TPersistent& source) {
    throw EConvertError(source.ClassName() + " kann nicht zu " + ClassName() + " zugewiesen werden");
}

bool HasOwnClassInfo(const TObject& object) {
    const std::type_info* own = object.ClassInfo().Type;
    return own ? *own == typeid(object) : typeid(object) == typeid(TObject);
}

SKIMBAR_CLASS_INFO(TComponent, TPersistent,
                   props::Text<TComponent>("Name", &TComponent::Name, &TComponent::SetName))

TComponent::TComponent(TComponent* owner) {
    if (owner) {
        if (owner->Has(csReading)) FComponentState |= csLoading | csReading;
        if (owner->Has(csDesigning)) FComponentState |= csDesigning;
        owner->InsertComponent(this);
    }
}

void TComponent::operator delete(TComponent* p, std::destroying_delete_t) {
    void* memory = dynamic_cast<void*>(p);
    if (!p->Has(csDestroying)) {
        p->Include(csDestroying);
        p->BeforeDestruction();
    }
    p->~TComponent();
    ::operator delete(memory);
}

TComponent::~TComponent() {
    Include(csDestroying);
    // Tell those that asked, then free what we own, last first.
    std::vector<TComponent*> notifies;
    notifies.swap(FFreeNotifies);
    for (TComponent* c : notifies) {
        auto& back = c->FFreeNotifies;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        c->Notification(this, TOperation::opRemove);
    }
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        RemoveComponent(last);
        delete last;
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) { FName = name; }

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (text::SameText(c->FName, name)) return c;
    return nullptr;
}

void TComponent::Loaded() { Exclude(csLoading); }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component != this) {
        // Forward to owned components so references among siblings are cleared.
        for (TComponent* c : FComponents) c->Notification(component, operation);
    }
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) ==
        other->FFreeNotifies.end()) {
        other->FFreeNotifies.push_back(this);
        FFreeNotifies.push_back(other);
    }
}

void TComponent::BeginReading() { FComponentState |= csLoading | csReading; }

namespace {
// The components owned by sub-components that were created while being read, owners before
// what they own, each level in creation order.
void CollectReading(const TComponent& owner, std::vector<TComponent*>& out) {
    for (int i = 0; i < owner.ComponentCount(); ++i) {
        TComponent* c = owner.Components(i);
        if (!c->Has(csReading)) continue;
        out.push_back(c);
        CollectReading(*c, out);
    }
}
}  // namespace

void TComponent::EndReading() {
    Exclude(csReading);
    // Collected first: a Loaded handler may create components.
    std::vector<TComponent*> reading;
    for (TComponent* c : FComponents) {
        reading.push_back(c);
        if (c->Has(csReading)) CollectReading(*c, reading);
    }
    for (TComponent* c : reading) c->Exclude(csReading);
    for (TComponent* c : reading) c->Loaded();
    Loaded();
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    component->FOwner = this;
    FComponents.push_back(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it == FComponents.end()) return;
    Notification(component, TOperation::opRemove);
    FComponents.erase(std::find(FComponents.begin(), FComponents.end(), component));
    component->FOwner = nullptr;
}

void props::detail::WrongKind(const std::string& property) {
    throw EConvertError("Ungültiger Wert für Eigenschaft " + property);
}

const TPropInfo* GetPropInfo(const TObject& object, std::string_view name) {
    return object.ClassInfo().FindProperty(name);
}

bool IsPublishedProp(const TObject& object, std::string_view name) {
    return GetPropInfo(object, name) != nullptr;
}

TPropValue GetPropValue(TObject& object, std::string_view name) {
    const TPropInfo* p = GetPropInfo(object, name);
    if (!p) throw Exception("Eigenschaft " + std::string(name) + " existiert nicht");
    return p->Get(object);
}

void SetPropValue(TObject& object, std::string_view name, const TPropValue& value) {
    const TPropInfo* p = GetPropInfo(object, name);
    if (!p) throw Exception("Eigenschaft " + std::string(name) + " existiert nicht");
    if (!p->Set) throw Exception("Eigenschaft " + std::string(name) + " ist schreibgeschützt");
    p->Set(object, value);
}
