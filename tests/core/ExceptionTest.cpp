#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "core/Exception.h"

SKIMBAR_EXCEPTION(ETestDerived, EConvertError);

namespace {

__attribute__((noinline)) void RaiseDerived() { throw ETestDerived("a"); }
__attribute__((noinline)) void RaiseConvert() { throw EConvertError("b"); }

std::uintptr_t RaisedAt(void (*raise)()) {
    try {
        raise();
    } catch (const Exception& e) {
        return e.RaiseAddress();
    }
    return 0;
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

TEST(ExceptionTest, RaiseAddressIsTheThrowSite) {
    const std::uintptr_t a1 = RaisedAt(RaiseDerived), a2 = RaisedAt(RaiseDerived);
    const std::uintptr_t b = RaisedAt(RaiseConvert);
    ASSERT_NE(a1, 0u);
    EXPECT_EQ(a1, a2);  // the same site each time
    EXPECT_NE(a1, b);   // each site its own address
#if defined(__i386__) || defined(__x86_64__)
    // Each address follows a direct call of the one root constructor, made from the
    // raising code itself (subclass constructors are inlined there).
    auto callee = [](std::uintptr_t ret) {
        const auto* p = reinterpret_cast<const unsigned char*>(ret);
        EXPECT_EQ(p[-5], 0xE8);
        std::int32_t rel;
        std::memcpy(&rel, p - 4, sizeof rel);
        return ret + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(rel));
    };
    EXPECT_EQ(callee(a1), callee(b));
#endif
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
