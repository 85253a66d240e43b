// Thrown values that are not the program's exceptions, turned into ones that the exception
// event and the log can name.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "core/ForeignException.h"

namespace {

// Rethrows the converted value and returns it as the exception event would see it.
template <class F>
std::pair<std::string, std::string> Converted(F raise) {
    std::exception_ptr thrown;
    try {
        raise();
    } catch (...) {
        thrown = std::current_exception();
    }
    try {
        std::rethrow_exception(AsProgramException(thrown));
    } catch (const Exception& e) {
        return {e.ClassName(), e.Message()};
    } catch (...) {
        return {"not converted", ""};
    }
}

struct TPlain {};

TEST(ForeignExceptionTest, EveryThrownValueGetsAReadableNameAndItsMessage) {
    EXPECT_EQ(Converted([] { std::vector<int>().at(1); }).first, "std::out_of_range");
    EXPECT_NE(Converted([] { std::vector<int>().at(1); }).second.find("vector"), std::string::npos);
    EXPECT_EQ(Converted([] {
                  std::variant<int, std::string> v = 1;
                  (void)std::get<std::string>(v);
              }).first,
              "std::bad_variant_access");
    EXPECT_EQ(Converted([] { throw std::bad_alloc(); }), std::make_pair(std::string("std::bad_alloc"),
                                                                       std::string("std::bad_alloc")));
    EXPECT_EQ(Converted([] { throw std::runtime_error("not ours"); }),
              std::make_pair(std::string("std::runtime_error"), std::string("not ours")));
    EXPECT_EQ(Converted([] { throw std::string("text"); }), std::make_pair(std::string("std::string"), std::string("text")));
    EXPECT_EQ(Converted([] { throw "literal"; }), std::make_pair(std::string("char const*"), std::string("literal")));
    EXPECT_EQ(Converted([] { throw 42; }), std::make_pair(std::string("int"), std::string()));
    EXPECT_EQ(Converted([] { throw TPlain(); }).first, "(anonymous namespace)::TPlain");
}

TEST(ForeignExceptionTest, ProgramExceptionsPassUnchanged) {
    std::exception_ptr thrown;
    try {
        throw EConvertError("'x' ist kein gültiger Integerwert");
    } catch (...) {
        thrown = std::current_exception();
    }
    EXPECT_EQ(AsProgramException(thrown), thrown);
    EXPECT_EQ(AsProgramException(nullptr), nullptr);
    EXPECT_EQ(EForeignException("std::out_of_range", "m").RaiseAddress(), 0u);
}

}  // namespace
