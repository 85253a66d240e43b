// Which module holds a code address, and where in it.
#include <gtest/gtest.h>

#include "platform/CodeLocation.h"
#include "platform/Paths.h"

namespace {

[[gnu::noinline]] int Probe(int x) { return x * 3 + 1; }

TEST(CodeLocationTest, CodeOfThisProgramLiesInItsExecutable) {
    platform::SetExePathForTests("");
    const auto address = reinterpret_cast<std::uintptr_t>(&Probe);
    const auto where = platform::LocateCode(address);
    ASSERT_TRUE(where.has_value());
    EXPECT_EQ(where->ModuleFileName, platform::ExtractFileName(platform::ExePath()));
    EXPECT_LE(where->Offset, address);
    // Modules load at page boundaries.
    EXPECT_EQ((address - where->Offset) % 4096, 0u);
    EXPECT_LT(where->Offset, std::uintptr_t(1) << 28);
    // Two addresses of one module keep their distance.
    const auto other = platform::LocateCode(address + 16);
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(other->Offset, where->Offset + 16);
    EXPECT_EQ(other->ModuleFileName, where->ModuleFileName);
}

TEST(CodeLocationTest, NoModuleForNullOrUnmappedAddresses) {
    EXPECT_FALSE(platform::LocateCode(0).has_value());
    EXPECT_FALSE(platform::LocateCode(16).has_value());
}

}  // namespace
