// Themed buttons (common controls 6) notify their parent while they paint. Painting must
// never pass for a click, and the paint must end: a check box that toggled on every paint
// repainted for ever.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Backend.h"

namespace {

class ButtonPaintWin32 : public ::testing::Test {
protected:
    void SetUp() override { ui::StartUp(ui::win32::CreateBackend()); }
    void TearDown() override { ui::ShutDown(); }
};

bool PaintPending() {
    MSG m;
    return PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE) != 0;
}

}  // namespace

TEST_F(ButtonPaintWin32, PaintingIsNoClickAndEnds) {
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 300, 160);
    int boxClicks = 0;
    auto* box = new TCheckBox(form);
    box->SetCaption("Stay on top");
    box->SetBounds(10, 50, 200, 20);
    box->SetChecked(true);
    box->SetParent(form);
    box->OnClick = [&](TObject*) { ++boxClicks; };
    form->Show();

    // Bounded: a paint that re-invalidates itself keeps WM_PAINT pending past this.
    RedrawWindow(reinterpret_cast<HWND>(form->Handle()), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    for (int i = 0; i < 200 && PaintPending(); ++i) Application->ProcessMessages();
    EXPECT_FALSE(PaintPending());
    EXPECT_EQ(boxClicks, 0);
    EXPECT_TRUE(box->Checked());

    // A real click still arrives.
    SendMessageW(reinterpret_cast<HWND>(box->Handle()), BM_CLICK, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(boxClicks, 1);
    EXPECT_FALSE(box->Checked());
    delete form;
}
