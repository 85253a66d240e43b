// The pitch hint reaches the system's font mapper: a fixed-pitch request for a font that is
// not installed still gives a font whose characters are all equally wide.
#include <gtest/gtest.h>

#include <string>

#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/win32/Win32Backend.h"

namespace {

class FontPitchWin32Test : public ::testing::Test {
protected:
    void SetUp() override { ui::StartUp(ui::win32::CreateBackend()); }
    void TearDown() override { ui::ShutDown(); }
    static bool EquallyWide(const TFont& font) {
        int narrow = ui::Backend().TextExtent(font, "iiiiiiiiii", false).cx;
        int wide = ui::Backend().TextExtent(font, "WWWWWWWWWW", false).cx;
        return narrow > 0 && narrow == wide;
    }
};

}  // namespace

TEST_F(FontPitchWin32Test, FixedPitchFallbackForMissingAndItemFonts) {
    for (const char* name : {"No Such Font Skimbar", "Courier", "Courier New"}) {
        TFont font;
        font.SetName(name);
        font.SetSize(7);
        font.SetPitch(fpFixed);
        EXPECT_TRUE(EquallyWide(font)) << name;
        EXPECT_GT(ui::Backend().TextExtent(font, "x", false).cy, 0) << name;
    }
    // Without the hint a missing font falls back to the proportional default.
    TFont plain;
    plain.SetName("No Such Font Skimbar");
    plain.SetSize(7);
    TFont fixed = plain;
    fixed.SetPitch(fpFixed);
    EXPECT_FALSE(plain.SameAs(fixed));
    EXPECT_NE(ui::Backend().TextExtent(plain, "iiiiiiiiii", false).cx,
              ui::Backend().TextExtent(fixed, "iiiiiiiiii", false).cx);
}
