#pragma once
// Values thrown that are not the program's exceptions (a standard-library exception from
// .at(), a bad variant access, bad_alloc, or any other thrown value) travel to the
// application's exception event as one of ours, with a readable class name and the
// message the value carries.
#include <exception>
#include <string>
#include <typeinfo>

#include "core/Exception.h"

class EForeignException : public Exception {
public:
    // No raise address: where the value was thrown is not known.
    EForeignException(std::string className, std::string message);
    const char* ClassName() const override { return FClassName.c_str(); }

private:
    std::string FClassName;
};

// The type's name as written in source ("std::out_of_range"); the mangled name when it
// cannot be demangled.
std::string ReadableTypeName(const std::type_info& type);

// A thrown value as an exception of the program's own: the object itself for one of ours,
// else an EForeignException (what() of a std::exception, the text of a thrown string or
// C string, empty otherwise). Null in, null out.
std::exception_ptr AsProgramException(std::exception_ptr thrown);
