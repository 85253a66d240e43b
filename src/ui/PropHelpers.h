#pragma once
// Property table entries from lambdas (for enum, overloaded and derived accessors).
#include <functional>
#include <string>

#include "core/Component.h"
#include "core/Exception.h"

namespace ui::prop {

template <class C>
TPropInfo Text(std::string name, std::function<std::string(C&)> get,
               std::function<void(C&, const std::string&)> set,
               std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Text;
    p.Get = [get](TObject& o) { return TPropValue(get(static_cast<C&>(o))); };
    p.Set = [set](TObject& o, const TPropValue& v) { set(static_cast<C&>(o), std::get<std::string>(v)); };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

template <class C>
TPropInfo Int(std::string name, std::function<int(C&)> get, std::function<void(C&, int)> set,
              std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Integer;
    p.Get = [get](TObject& o) { return TPropValue(get(static_cast<C&>(o))); };
    p.Set = [set](TObject& o, const TPropValue& v) { set(static_cast<C&>(o), std::get<int>(v)); };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

template <class C>
TPropInfo Bool(std::string name, std::function<bool(C&)> get, std::function<void(C&, bool)> set,
               std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Boolean;
    p.Get = [get](TObject& o) { return TPropValue(get(static_cast<C&>(o))); };
    p.Set = [set](TObject& o, const TPropValue& v) { set(static_cast<C&>(o), std::get<bool>(v)); };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

template <class C>
TPropInfo List(std::string name, std::function<TStrings&(C&)> get, std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::StringList;
    p.Get = [get](TObject& o) { return TPropValue(&get(static_cast<C&>(o))); };
    p.Set = [get](TObject& o, const TPropValue& v) {
        TStrings* source = std::get<TStrings*>(v);
        TStrings& target = get(static_cast<C&>(o));
        if (source && source != &target) target.Assign(*source);
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

// A component reference of type T (setting another kind of component raises).
template <class C, class T>
TPropInfo Ref(std::string name, std::function<T*(C&)> get, std::function<void(C&, T*)> set,
              std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Component;
    p.Get = [get](TObject& o) { return TPropValue(static_cast<TComponent*>(get(static_cast<C&>(o)))); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        TComponent* c = std::get<TComponent*>(v);
        T* t = dynamic_cast<T*>(c);
        if (c && !t) throw Exception("Ungültiger Eigenschaftswert für " + n);
        set(static_cast<C&>(o), t);
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

}  // namespace ui::prop
