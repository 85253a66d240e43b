#include <gtest/gtest.h>

#include <cstdint>

#include "core/Exception.h"

SKIMBAR_EXCEPTION(ETestDerived, EConvertError);

namespace {

// Address just after the call to the thrower, for comparing with the raise address.
__attribute__((noinline)) void RaiseConvert(std::uintptr_t& here) {
    here = reinterpret_cast<std::uintptr_t>(&&raise);
raise:
    throw ETestDerived("x");
}

TEST(ExceptionTest, CarriesMessageAndClassName) {
    try {
        throw EConvertError("bad");
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "bad");
        EXPECT_STREQ(e.what(), "bad");
        EXPECT_STREQ(e.ClassName(), "EConvertError");
    }
    ETestDerived d(std::string("m"));
    EXPECT_STREQ(d.ClassName(), "ETestDerived");
    const Exception& base = d;
    EXPECT_STREQ(base.ClassName(), "ETestDerived");
    d.SetMessage("n");
    EXPECT_EQ(d.Message(), "n");
}

TEST(ExceptionTest, RaiseAddressLiesInTheRaisingFunction) {
    std::uintptr_t label = 0, addr = 0;
    try {
        RaiseConvert(label);
    } catch (const Exception& e) {
        addr = e.RaiseAddress();
    }
    ASSERT_NE(addr, 0u);
    // The constructor call follows the label within the same small function.
    EXPECT_GE(addr, label);
    EXPECT_LT(addr, label + 512);
}

TEST(ExceptionTest, CopyKeepsAddressAndClass) {
    ETestDerived a("x");
    a.SetRaiseAddress(0x1234);
    ETestDerived b(a);
    EXPECT_EQ(b.RaiseAddress(), 0x1234u);
    EXPECT_EQ(b.Message(), "x");
}

TEST(ExceptionTest, FormatReplacesInTurn) {
    EXPECT_EQ(rtl::Format(rtl::SInvalidInteger, {"abc"}), "'abc' ist kein gültiger Integerwert");
    EXPECT_EQ(rtl::Format(rtl::SExceptionInModule, {"EConvertError", "Skimbar.exe", "0001A2B3", "m", "."}),
              "Exception EConvertError in Modul Skimbar.exe bei 0001A2B3.\nm.");
    EXPECT_EQ(rtl::Format("100%% %d of %s", {"5"}), "100% 5 of ");
    EXPECT_EQ(rtl::Format("%q%", {"x"}), "%q%");
}

}  // namespace
