// Shifting a bar's pixels instead of painting it again: after panels move one pixel and the
// bar scrolls, what is on screen must equal a full repaint of the bar, also when a part of it
// was waiting to be painted when the scroll came.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Backend.h"

namespace {

class ScrollWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        ui::StartUp(ui::win32::CreateBackend());
        Bar = new TForm(nullptr);
        Bar->SetBorderStyle(bsNone);
        Bar->SetColor(clBlack);
        Bar->SetBounds(0, 0, 640, 38);
        const TColor colors[] = {clNavy, clMaroon, clGreen, clPurple, clTeal, clOlive};
        for (int i = 0; i < 12; ++i) {
            auto* p = new TPanel(nullptr);
            p->SetBounds(i * 97 - 40, 0, 90, 37);
            p->SetColor(colors[i % 6]);
            p->SetParent(Bar);
            auto* l = new TLabel(p);
            l->Font().SetName("Courier New");
            l->Font().SetSize(7);
            l->Font().SetColor(clLime);
            l->SetCaption("Subj: item " + std::to_string(i));
            l->SetLeft(5);
            l->SetTop(10);
            l->SetParent(p);
            Panels.push_back(p);
        }
        Bar->Show();
        Pump();
    }
    void TearDown() override {
        for (TPanel* p : Panels) delete p;
        delete Bar;
        ui::ShutDown();
    }

    HWND Window() { return reinterpret_cast<HWND>(Bar->Handle()); }
    void Pump() {
        Application->ProcessMessages();
        RedrawWindow(Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Application->ProcessMessages();
    }

    // The bar's pixels as the window shows them now.
    std::vector<std::uint32_t> Pixels() {
        const int w = Bar->Width(), h = Bar->Height();
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(Window());
        HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC mem = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        std::vector<std::uint32_t> out(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::uint32_t& px : out) px &= 0xFFFFFFu;
        SelectObject(mem, old);
        DeleteDC(mem);
        DeleteObject(dib);
        ReleaseDC(Window(), screen);
        return out;
    }

    std::vector<std::uint32_t> Repainted() {
        InvalidateRect(Window(), nullptr, FALSE);
        Pump();
        return Pixels();
    }

    void ScrollOne() {
        for (TPanel* p : Panels) p->SetLeftUnseen(p->Left() - 1);
        Bar->ScrollArea(Bar->ClientRect(), -1);
    }

    // Index of the first differing pixel as "x,y", or "" when equal.
    std::string FirstDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
        if (a.size() != b.size()) return "size";
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i])
                return std::to_string(i % static_cast<std::size_t>(Bar->Width())) + "," +
                       std::to_string(i / static_cast<std::size_t>(Bar->Width()));
        return "";
    }

    TForm* Bar = nullptr;
    std::vector<TPanel*> Panels;
};

}  // namespace

TEST_F(ScrollWin32Test, ScrolledBarEqualsAFullRepaint) {
    const std::vector<std::uint32_t> before = Pixels();
    for (int t = 0; t < 60; ++t) {
        ScrollOne();
        Pump();
    }
    const std::vector<std::uint32_t> scrolled = Pixels();
    EXPECT_NE(FirstDifference(before, scrolled), "") << "nothing moved";
    EXPECT_EQ(FirstDifference(scrolled, Repainted()), "");
}

TEST_F(ScrollWin32Test, APartWaitingToBePaintedIsShiftedWithTheRest) {
    for (int t = 0; t < 10; ++t) {
        // A panel changes colour (painted later), then the bar scrolls before any paint.
        Panels[static_cast<std::size_t>(t % 12)]->SetColor(t % 2 ? clYellow : clFuchsia);
        ScrollOne();
        Pump();
    }
    const std::vector<std::uint32_t> scrolled = Pixels();
    EXPECT_EQ(FirstDifference(scrolled, Repainted()), "");
}
