// A bar of 5,000 ticker panels moving one pixel per tick, panels coming and going: the
// process keeps a constant number of window (user) and GDI handles. GetGuiResources is
// printed too; under Wine it is not implemented (always 0), so the counts that decide are
// the windows of this thread and the live entries of the GDI handle table the system maps
// into the process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Backend.h"

namespace {

#pragma pack(push, 1)
struct TGdiEntry {
    std::uint64_t Object;
    std::uint16_t ProcessId, Lock, Unique;
    std::uint8_t Type, Flags;
    std::uint64_t User;
};
#pragma pack(pop)

int GdiObjects() {
    // The process environment block and its GDI handle table, at the offsets of each layout.
    char* peb = nullptr;
#ifdef _WIN64
    asm("movq %%gs:0x60, %0" : "=r"(peb));
    auto* table = *reinterpret_cast<TGdiEntry**>(peb + 0xF8);
#else
    asm("movl %%fs:0x30, %0" : "=r"(peb));
    auto* table = *reinterpret_cast<TGdiEntry**>(peb + 0x94);
#endif
    if (!table) return -1;
    int n = 0;
    for (int i = 0; i < 65536; ++i)
        if (table[i].Type) ++n;
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    return TRUE;
}
BOOL CALLBACK CountTop(HWND h, LPARAM p) {
    ++*reinterpret_cast<int*>(p);
    EnumChildWindows(h, CountChild, p);
    return TRUE;
}
int ThreadWindows() {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountTop, reinterpret_cast<LPARAM>(&n));
    return n;
}

struct TCounts {
    int Windows, Gdi;
    DWORD GuiUser, GuiGdi;
};
TCounts Measure() {
    return {ThreadWindows(), GdiObjects(), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
            GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)};
}
void Print(const char* what, const TCounts& c) {
    std::printf("[handles] %-28s windows %5d  gdi-table %5d  GetGuiResources user %lu gdi %lu\n", what, c.Windows,
                c.Gdi, c.GuiUser, c.GuiGdi);
}

TImageData Icon() {
    TImageData d;
    d.Width = d.Height = 16;
    d.Pixels.assign(256, 0xFF2080E0u);
    return d;
}

class HandleCountTest : public ::testing::Test {
protected:
    void SetUp() override { ui::StartUp(ui::win32::CreateBackend()); }
    void TearDown() override { ui::ShutDown(); }
};

}  // namespace

TEST_F(HandleCountTest, FiveThousandPanelsScrollWithConstantHandles) {
    auto* bar = new TForm(nullptr);
    bar->SetBorderStyle(bsNone);
    bar->SetColor(clBlack);
    bar->SetBounds(0, 0, Screen->Width(), 38);
    bar->Show();
    TIcon icon;
    icon.SetImage(Icon());
    std::vector<TPanel*> panels;
    int next = 0;
    auto add = [&](int left) {
        auto* p = new TPanel(nullptr);
        p->SetBounds(left, 0, 190, 37);
        p->SetColor(next % 2 ? clNavy : clBlack);
        p->SetParent(bar);
        for (int k = 0; k < 2; ++k) {
            auto* l = new TLabel(p);
            l->Font().SetName("Courier New");
            l->Font().SetSize(7);
            l->Font().SetColor(clLime);
            l->SetCaption((k ? "Subj: item " : "From: sender") + std::to_string(next));
            l->SetLeft(24);
            l->SetTop(1 + 19 * k);
            l->SetParent(p);
        }
        auto* img = new TImage(p);
        img->SetAutoSize(true);
        img->SetPicture(&icon);
        img->SetBounds(1, 8, 16, 34);
        img->SetCenter(true);
        img->SetParent(p);
        img->SetAlign(alLeft);
        ++next;
        panels.push_back(p);
    };
    auto pump = [&] {
        Application->ProcessMessages();
        RedrawWindow(reinterpret_cast<HWND>(bar->Handle()), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Application->ProcessMessages();
    };
    pump();
    TCounts empty = Measure();
    Print("empty bar", empty);

    for (int i = 0; i < 5000; ++i) add(i * 200);
    pump();
    TCounts full = Measure();
    Print("5000 panels", full);
    EXPECT_EQ(full.Windows, empty.Windows) << "a panel, label or image got a window of its own";

    auto tick = [&] {
        for (TPanel* p : panels) p->SetLeft(p->Left() - 1);
        pump();
    };
    for (int t = 0; t < 20; ++t) tick();  // fonts and brushes are made once, on first use
    TCounts warm = Measure();
    Print("after 20 ticks", warm);

    for (int round = 0; round < 10; ++round) {
        // 100 panels leave at the left, 100 new ones arrive behind the last.
        for (int k = 0; k < 100; ++k) {
            delete panels.front();
            panels.erase(panels.begin());
        }
        for (int k = 0; k < 100; ++k) add(panels.back()->Left() + 200);
        for (int t = 0; t < 10; ++t) tick();
    }
    TCounts end = Measure();
    Print("120 ticks, 1000 replaced", end);
    EXPECT_EQ(end.Windows, warm.Windows);
    EXPECT_GE(end.Gdi, 0);
    EXPECT_EQ(end.Gdi, warm.Gdi);
    EXPECT_EQ(end.GuiUser, warm.GuiUser);
    EXPECT_EQ(end.GuiGdi, warm.GuiGdi);
    EXPECT_EQ(static_cast<int>(panels.size()), 5000);

    for (TPanel* p : panels) delete p;
    panels.clear();
    pump();
    TCounts after = Measure();
    Print("panels freed", after);
    EXPECT_EQ(after.Windows, empty.Windows);
    delete bar;
}
