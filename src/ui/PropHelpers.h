#pragma once
// Property table entries from lambdas (for enum, overloaded and derived accessors). They
// belong to the same family as the member-function helpers of core/Component.h: a value of
// another kind than the property's raises EConvertError there and here alike.
#include <functional>
#include <string>

#include "core/Component.h"
#include "core/Exception.h"

namespace ui::prop {

namespace detail {
template <class C, class T>
TPropInfo Make(std::string name, TPropKind kind, std::function<T(C&)> get,
               std::function<void(C&, const T&)> set, std::function<bool(C&)> stored) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = kind;
    p.Get = [get](TObject& o) { return TPropValue(get(static_cast<C&>(o))); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        set(static_cast<C&>(o), props::detail::As<T>(v, n));
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}
}  // namespace detail

template <class C>
TPropInfo Text(std::string name, std::function<std::string(C&)> get,
               std::function<void(C&, const std::string&)> set,
               std::function<bool(C&)> stored = {}) {
    return detail::Make<C, std::string>(std::move(name), TPropKind::Text, std::move(get),
                                        std::move(set), std::move(stored));
}

template <class C>
TPropInfo Int(std::string name, std::function<int(C&)> get, std::function<void(C&, int)> set,
              std::function<bool(C&)> stored = {}) {
    return detail::Make<C, int>(std::move(name), TPropKind::Integer, std::move(get),
                                [set](C& c, const int& v) { set(c, v); }, std::move(stored));
}

template <class C>
TPropInfo Bool(std::string name, std::function<bool(C&)> get, std::function<void(C&, bool)> set,
               std::function<bool(C&)> stored = {}) {
    return detail::Make<C, bool>(std::move(name), TPropKind::Boolean, std::move(get),
                                 [set](C& c, const bool& v) { set(c, v); }, std::move(stored));
}

// Setting assigns the given list's entries (a null list changes nothing).
template <class C>
TPropInfo List(std::string name, std::function<TStrings&(C&)> get, std::function<bool(C&)> stored = {}) {
    return detail::Make<C, TStrings*>(
        std::move(name), TPropKind::StringList, [get](C& c) { return &get(c); },
        [get](C& c, TStrings* const& source) {
            TStrings& target = get(c);
            if (source && source != &target) target.Assign(*source);
        },
        std::move(stored));
}

// A component reference of type T. No value clears it; a component of another class raises
// EConvertError, as every helper does for a value that does not fit.
template <class C, class T>
TPropInfo Ref(std::string name, std::function<T*(C&)> get, std::function<void(C&, T*)> set,
              std::function<bool(C&)> stored = {}) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Component;
    p.Get = [get](TObject& o) { return TPropValue(static_cast<TComponent*>(get(static_cast<C&>(o)))); };
    p.Set = [set, n = p.Name](TObject& o, const TPropValue& v) {
        TComponent* c = std::holds_alternative<std::monostate>(v) ? nullptr
                                                                   : props::detail::As<TComponent*>(v, n);
        T* t = dynamic_cast<T*>(c);
        if (c && !t) props::detail::WrongKind(n);
        set(static_cast<C&>(o), t);
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}

}  // namespace ui::prop
