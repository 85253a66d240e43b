#pragma once
// Template bodies of the property helpers that need TStrings and TComponent complete.
#include "core/Strings.h"

namespace props {
template <class C, class G>
TPropInfo StringList(std::string name, G get, std::function<bool(C&)> stored) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::StringList;
    p.Get = [get](TObject& o) {
        auto&& list = (static_cast<C&>(o).*get)();
        if constexpr (std::is_pointer_v<std::remove_reference_t<decltype(list)>>)
            return TPropValue(static_cast<TStrings*>(list));
        else
            return TPropValue(static_cast<TStrings*>(&list));
    };
    p.Set = [get, n = p.Name](TObject& o, const TPropValue& v) {
        TStrings* source = detail::As<TStrings*>(v, n);
        auto&& list = (static_cast<C&>(o).*get)();
        TStrings* target;
        if constexpr (std::is_pointer_v<std::remove_reference_t<decltype(list)>>)
            target = list;
        else
            target = &list;
        if (source && target && source != target) target->Assign(*source);
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}
template <class C, class G, class S>
TPropInfo Component(std::string name, G get, S set, std::function<bool(C&)> stored) {
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = TPropKind::Component;
    p.Get = [get](TObject& o) {
        return TPropValue(static_cast<TComponent*>((static_cast<C&>(o).*get)()));
    };
    p.Set = [get, set, n = p.Name](TObject& o, const TPropValue& v) {
        using Arg = decltype((static_cast<C&>(o).*get)());
        // No value clears the reference; a component of another class raises.
        TComponent* c = std::holds_alternative<std::monostate>(v) ? nullptr
                                                                   : detail::As<TComponent*>(v, n);
        Arg target = dynamic_cast<Arg>(c);
        if (c && !target) detail::WrongKind(n);
        (static_cast<C&>(o).*set)(target);
    };
    if (stored) p.Stored = [stored](TObject& o) { return stored(static_cast<C&>(o)); };
    return p;
}
}  // namespace props
