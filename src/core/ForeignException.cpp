#include "core/ForeignException.h"

#include <cstdlib>
#include <memory>

#if defined(__GNUC__) || defined(__clang__)
#include <cxxabi.h>
#define SKIMBAR_HAVE_CXXABI 1
#endif

EForeignException::EForeignException(std::string className, std::string message)
    : Exception(std::move(message)), FClassName(std::move(className)) {
    SetRaiseAddress(0);
}

std::string ReadableTypeName(const std::type_info& type) {
#ifdef SKIMBAR_HAVE_CXXABI
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                std::free);
    if (status == 0 && name) return name.get();
#endif
    return type.name();
}

namespace {

// The name of the current exception's type, inside a catch block.
std::string CurrentTypeName() {
#ifdef SKIMBAR_HAVE_CXXABI
    if (const std::type_info* t = abi::__cxa_current_exception_type()) return ReadableTypeName(*t);
#endif
    return "unknown";
}

}  // namespace

std::exception_ptr AsProgramException(std::exception_ptr thrown) {
    if (!thrown) return thrown;
    try {
        std::rethrow_exception(thrown);
    } catch (const Exception&) {
        return thrown;
    } catch (const std::exception& e) {
        return std::make_exception_ptr(EForeignException(ReadableTypeName(typeid(e)), e.what()));
    } catch (const std::string& s) {
        return std::make_exception_ptr(EForeignException("std::string", s));
    } catch (const char* s) {
        return std::make_exception_ptr(EForeignException("char const*", s ? s : ""));
    } catch (...) {
        return std::make_exception_ptr(EForeignException(CurrentTypeName(), ""));
    }
}
