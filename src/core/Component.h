#pragma once
// Component model: class information with ancestors, published properties by name, and
// components that own and free each other.
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <typeinfo>
#include <variant>
#include <vector>

class TObject;
class TPersistent;
class TComponent;
class TStrings;
struct TClassInfo;

enum class TPropKind { Text, StringList, Component, Integer, Boolean, Other };

// A property value as it travels through the tables. StringList properties hand out the
// live list (read it, or Assign into it); Component properties a pointer (may be null).
using TPropValue = std::variant<std::monostate, std::string, TStrings*, TComponent*, int, bool>;

struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Other;
    std::function<TPropValue(TObject&)> Get;         // always set
    std::function<void(TObject&, const TPropValue&)> Set;  // empty: read-only
    std::function<bool(TObject&)> Stored;            // empty: always stored
    bool IsStored(TObject& o) const { return !Stored || Stored(o); }
};

struct TClassInfo {
    const char* Name;
    const TClassInfo* Parent;  // null for TObject
    std::vector<TPropInfo> Properties;  // this class's own published properties, in order
    const std::type_info* Type = nullptr;  // the C++ class the information belongs to

    bool InheritsFrom(std::string_view className) const;  // exact class-name compare up the chain
    // Walks the class chain, most derived first; exact name compare.
    const TPropInfo* FindProperty(std::string_view name) const;
    // All published properties, ancestors' first.
    std::vector<const TPropInfo*> AllProperties() const;
};

class TObject {
public:
    virtual ~TObject() = default;
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    std::string ClassName() const { return ClassInfo().Name; }
    bool InheritsFrom(std::string_view className) const { return ClassInfo().InheritsFrom(className); }
};

// Objects that can copy their values from another of their kind (value objects of
// properties, components).
class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
    // Copies source's values; the base raises EConvertError (nothing can be assigned).
    virtual void Assign(const TPersistent& source);
};

// Whether the object's own class declared its class information: a class that did not
// reports its parent's name, so names of files, sections and rules would be wrong.
bool HasOwnClassInfo(const TObject& object);

// In a class body: gives the class its class information.
#define SKIMBAR_CLASS(Name)                                                            \
public:                                                                                \
    static const TClassInfo& StaticClassInfo();                                        \
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }         \
                                                                                       \
private:

// In a .cpp file: the class information with the class's own published properties.
#define SKIMBAR_CLASS_INFO(Name, Parent, ...)                                          \
    const TClassInfo& Name::StaticClassInfo() {                                        \
        static const TClassInfo info{#Name, &Parent::StaticClassInfo(), {__VA_ARGS__}, \
                                     &typeid(Name)};                                   \
        return info;                                                                   \
    }

// Property table helpers: getter and setter are member functions of C.
namespace props {
namespace detail {
// Raises EConvertError: a value of another kind than the property's.
[[noreturn]] void WrongKind(const std::string& property);
template <class T>
const T& As(const TPropValue& v, const std::string& property) {
    if (const T* p = std::get_if<T>(&v)) return *p;
    WrongKind(property);
}
}  // namespace detail

template <class C, class G, class S>
TPropInfo Text(std::string name, G get, S set, std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Text;
    p.Get = [get](TObject& o) { return TPropValue(std::string((static_cast<C&>(o).*get)())); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        (static_cast<C&>(o).*set)(detail::As<std::string>(v, n));
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}
template <class C, class G, class S>
TPropInfo Integer(std::string name, G get, S set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Integer;
    p.Get = [get](TObject& o) { return TPropValue(int((static_cast<C&>(o).*get)())); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        (static_cast<C&>(o).*set)(detail::As<int>(v, n));
    };
    return p;
}
template <class C, class G, class S>
TPropInfo Boolean(std::string name, G get, S set) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Boolean;
    p.Get = [get](TObject& o) { return TPropValue(bool((static_cast<C&>(o).*get)())); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        (static_cast<C&>(o).*set)(detail::As<bool>(v, n));
    };
    return p;
}
// get returns TStrings& (or TStrings*); setting assigns the given list's entries.
template <class C, class G>
TPropInfo StringList(std::string name, G get, std::function<bool(C&)> stored = {});
// get returns a pointer to a TComponent subclass; set takes one (may be empty).
template <class C, class G, class S>
TPropInfo Component(std::string name, G get, S set, std::function<bool(C&)> stored = {});
}  // namespace props

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csDesigning = 1u << 2,
    csDestroying = 1u << 3,
};
using TComponentState = unsigned;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    SKIMBAR_CLASS(TComponent)
public:
    // A component created while its owner is being read is being read as well
    // (csLoading | csReading) until its owner's EndReading.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;  // frees the owned components, last inserted first
    // Runs on the complete object before any destructor, for every delete of a component:
    // a control destroys its windows here, so its own WMDestroy override still runs.
    virtual void BeforeDestruction() {}
    // Deleting a component runs BeforeDestruction first (destroying delete), then the
    // destructors. Components are single-inheritance heap objects.
    void operator delete(TComponent* p, std::destroying_delete_t);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& name);
    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<std::size_t>(index)); }
    int ComponentIndex() const;  // position in the owner's list, -1 without owner
    // Exact name match among the owned components (case-insensitive, as the platform does).
    TComponent* FindComponent(std::string_view name) const;

    TComponentState ComponentState() const { return FComponentState; }
    bool Has(TComponentStateFlag flag) const { return (FComponentState & flag) != 0; }
    void SetComponentState(TComponentState state) { FComponentState = state; }
    void Include(TComponentStateFlag flag) { FComponentState |= flag; }
    void Exclude(TComponentStateFlag flag) { FComponentState &= ~static_cast<unsigned>(flag); }

    // Called once after the component's design values are all set; clears csLoading.
    virtual void Loaded();
    // Told when a component it may reference is inserted or removed (freed).
    virtual void Notification(TComponent* component, TOperation operation);
    // Ask to be told when other is freed, though it is owned elsewhere.
    void FreeNotification(TComponent* other);

    // Design reading of a root (a form): BeginReading marks it csLoading|csReading;
    // EndReading clears csReading on it and on every owned component, then calls Loaded on
    // the owned components in creation order and finally on the root.
    void BeginReading();
    void EndReading();

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    long long Tag = 0;

private:
    std::string FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState = 0;
};

// Published-property access by name (walks the class chain).
const TPropInfo* GetPropInfo(const TObject& object, std::string_view name);
bool IsPublishedProp(const TObject& object, std::string_view name);
TPropValue GetPropValue(TObject& object, std::string_view name);   // raises when missing
void SetPropValue(TObject& object, std::string_view name, const TPropValue& value);

#include "core/ComponentProps.inl"
