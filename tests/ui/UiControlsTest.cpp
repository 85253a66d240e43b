// Controls as the program's Parts use them: edit and combo box change events, check box
// clicks, the up-down's position and arrows, labels that size themselves and focus their
// control, alignment, windowless painting, and exceptions from a click.
#include <gtest/gtest.h>

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

namespace {

class ControlsTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 400, 300);
        Form->Show();
    }
    void TearDown() override {
        delete Form;
        UiTest::TearDown();
    }
    template <class T>
    T* Add(int l, int t, int w, int h, TWinControl* parent = nullptr) {
        T* c = new T(Form);
        c->SetBounds(l, t, w, h);
        c->SetParent(parent ? parent : Form);
        return c;
    }
    TForm* Form = nullptr;
};

}  // namespace

TEST_P(ControlsTest, EditChangeFiresForUserAndProgramButNotForTheSameText) {
    auto* e = Add<TEdit>(10, 10, 100, 21);
    std::vector<std::string> changes;
    e->OnChange = [&](TObject* s) {
        EXPECT_EQ(s, e);
        changes.push_back(e->Text());
    };
    e->SetText("abc");
    e->SetText("abc");
    D().TypeText(*e, "typed");
    D().Wait(10);
    EXPECT_EQ(changes, (std::vector<std::string>{"abc", "typed"}));
    EXPECT_EQ(e->Text(), "typed");
}

TEST_P(ControlsTest, ComboBoxTextSelectionAndChange) {
    auto* c = Add<TComboBox>(10, 10, 120, 21);
    c->Items().Add("pop.example.org");
    c->Items().Add("Mail.Example.org");
    int changes = 0;
    c->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(c->ItemIndex(), -1);
    c->SetItemIndex(1);
    EXPECT_EQ(c->Text(), "Mail.Example.org");
    EXPECT_EQ(changes, 1);
    c->SetItemIndex(1);
    EXPECT_EQ(changes, 1);
    c->SetText("pop.example.org");  // names entry 0 exactly
    EXPECT_EQ(c->ItemIndex(), 0);
    EXPECT_EQ(changes, 2);
    c->SetText("other");
    EXPECT_EQ(c->ItemIndex(), -1);
    // Items added later reach the native list before the user picks one.
    c->Items().Add("third");
    D().SelectItem(*c, 2);
    D().Wait(10);
    EXPECT_EQ(c->ItemIndex(), 2);
    EXPECT_EQ(c->Text(), "third");
    EXPECT_EQ(changes, 4);
    D().TypeText(*c, "hand typed");  // one change per keystroke on Win32, one in all headless
    D().Wait(10);
    EXPECT_EQ(c->Text(), "hand typed");
    EXPECT_EQ(c->ItemIndex(), -1);
    EXPECT_GE(changes, 5);
    c->Items().Clear();
    EXPECT_EQ(c->ItemIndex(), -1);  // an index past the list names no entry
}

TEST_P(ControlsTest, CheckBoxClickRunsOnEveryChangeOfChecked) {
    auto* c = Add<TCheckBox>(10, 10, 120, 17);
    c->SetCaption("S&tay on top");
    std::vector<bool> clicks;
    c->OnClick = [&](TObject*) { clicks.push_back(c->Checked()); };
    c->SetChecked(true);
    c->SetChecked(true);
    D().Click(*c);
    D().Wait(10);
    c->Toggle();
    EXPECT_EQ(clicks, (std::vector<bool>{true, false, true}));
}

TEST_P(ControlsTest, UpDownKeepsItsRangeShowsThePositionAndClicksOnlyFromArrows) {
    auto* e = Add<TEdit>(10, 10, 40, 21);
    auto* u = Add<TUpDown>(50, 10, 17, 21);
    u->SetMin(2);
    u->SetMax(1000);
    std::vector<std::string> editChanges;
    e->OnChange = [&](TObject*) { editChanges.push_back(e->Text()); };
    u->SetAssociate(e);
    EXPECT_EQ(e->Text(), "0");
    u->SetPosition(2);
    EXPECT_EQ(e->Text(), "2");
    u->SetPosition(5000);
    EXPECT_EQ(u->Position(), 1000);
    u->SetPosition(-7);
    EXPECT_EQ(u->Position(), 2);
    EXPECT_EQ(e->Text(), "2");
    std::vector<TUDBtnType> clicks;
    u->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b); };
    D().TypeText(*e, "17");  // typing is no click, but the position takes it up
    D().Wait(10);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(u->Position(), 17);
    D().TypeText(*e, "1");  // below Min: not taken
    D().Wait(10);
    EXPECT_EQ(u->Position(), 17);
    D().TypeText(*e, "abc");
    D().Wait(10);
    EXPECT_EQ(u->Position(), 17);
    D().PressArrow(*u, true);
    D().Wait(10);
    EXPECT_EQ(u->Position(), 18);
    EXPECT_EQ(e->Text(), "18");
    D().PressArrow(*u, false);
    D().Wait(10);
    EXPECT_EQ(u->Position(), 17);
    EXPECT_EQ(clicks, (std::vector<TUDBtnType>{btNext, btPrev}));
    u->SetPosition(1000);
    D().PressArrow(*u, true);  // no wrap-around
    D().Wait(10);
    EXPECT_EQ(u->Position(), 1000);
    EXPECT_EQ(u->Left(), e->Left() + e->Width());
}

TEST_P(ControlsTest, UpDownPositionIsSixteenBitSigned) {
    auto* u = Add<TUpDown>(50, 10, 17, 21);
    u->SetMin(-40000);
    u->SetMax(40000);
    EXPECT_EQ(u->Min(), -32768);
    EXPECT_EQ(u->Max(), 32767);
    u->SetPosition(32767);
    EXPECT_EQ(u->Position(), 32767);
}

TEST_P(ControlsTest, LabelSizesItselfAndItsAcceleratorFocusesItsControl) {
    auto* l = Add<TLabel>(10, 10, 10, 10);
    auto* e = Add<TEdit>(100, 10, 100, 21);
    auto* other = Add<TEdit>(100, 40, 100, 21);
    l->SetCaption("P&assword :");
    TSize s = ui::Backend().TextExtent(l->Font(), "P&assword :", true);
    EXPECT_EQ(l->Width(), s.cx);
    EXPECT_EQ(l->Height(), s.cy);
    EXPECT_GT(l->Width(), 0);
    l->SetFocusControl(e);
    D().Focus(*other);
    EXPECT_TRUE(Form->DialogChar(U'a'));
    D().Wait(10);
    EXPECT_TRUE(e->Focused());
    EXPECT_FALSE(Form->DialogChar(U'q'));
    delete e;  // the label lets go of a freed control
    EXPECT_EQ(l->FocusControl(), nullptr);
}

TEST_P(ControlsTest, LeftAlignedImageFillsThePanelInsideItsBevel) {
    auto* p = Add<TPanel>(0, 0, 200, 37);
    auto* img = new TImage(p);
    TIcon icon;
    TImageData d;
    d.Width = d.Height = 16;
    d.Pixels.assign(256, 0xFFFF0000u);
    icon.SetImage(d);
    img->SetAutoSize(true);
    img->SetPicture(&icon);
    EXPECT_EQ(img->Width(), 16);
    img->SetBounds(1, 8, img->Width(), 34);
    img->SetCenter(true);
    img->SetParent(p);
    img->SetAlign(alLeft);
    EXPECT_EQ(img->BoundsRect(), (TRect{1, 1, 17, 36}));
    p->SetHeight(41);
    EXPECT_EQ(img->Height(), 39);
}

TEST_P(ControlsTest, PanelsLabelsAndImagesHaveNoWindowOfTheirOwn) {
    auto* p = Add<TPanel>(0, 0, 200, 37);
    auto* l = new TLabel(p);
    l->SetParent(p);
    l->SetCaption("From: x");
    Form->HandleNeeded();
    EXPECT_FALSE(p->IsNative());
    EXPECT_EQ(p->Handle(), Form->Handle());  // a windowless control answers with its host's
    EXPECT_EQ(l->NativeHost(), Form);
    if (Headless()) {
        int before = ui::headless::Headless().WindowCount();
        for (int i = 0; i < 500; ++i) {
            auto* q = Add<TPanel>(i * 10, 50, 190, 37);
            (new TLabel(q))->SetParent(q);
        }
        EXPECT_EQ(ui::headless::Headless().WindowCount(), before);
    }
}

TEST_P(ControlsTest, ClickOnAWindowlessItemReachesItsHandlerAndExceptionsAreRouted) {
    auto* p = Add<TPanel>(20, 20, 100, 37);
    auto* l = new TLabel(p);
    l->SetParent(p);
    l->SetCaption("From: someone");
    int panelClicks = 0;
    std::vector<std::string> errors;
    TObject* sender = nullptr;
    Application->OnException = [&](TObject* s, Exception& e) {
        sender = s;
        errors.push_back(e.Message());
    };
    p->OnClick = [&](TObject*) { ++panelClicks; };
    l->OnClick = [&](TObject*) { throw Exception("Can´t find your standard mail program"); };
    D().Click(*p);
    D().Click(*l);
    D().Wait(10);
    EXPECT_EQ(panelClicks, 1);
    EXPECT_EQ(errors, (std::vector<std::string>{"Can´t find your standard mail program"}));
    EXPECT_NE(sender, nullptr);
    auto* b = Add<TButton>(200, 200, 75, 25);
    b->OnClick = [&](TObject*) { throw EConvertError("'x' ist kein gültiger Integerwert"); };
    D().Click(*b);
    D().Wait(10);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "'x' ist kein gültiger Integerwert");
}

TEST_P(ControlsTest, PageControlShowsOneSheetAtATime) {
    auto* pc = Add<TPageControl>(0, 0, 300, 200);
    auto* a = new TTabSheet(Form);
    a->SetCaption("&Setup");
    a->SetPageControl(pc);
    auto* b = new TTabSheet(Form);
    b->SetCaption("&Other");
    b->SetPageControl(pc);
    EXPECT_EQ(pc->ActivePage(), a);
    EXPECT_TRUE(a->Visible());
    EXPECT_FALSE(b->Visible());
    TRect r = pc->DisplayRect();
    EXPECT_EQ(a->BoundsRect(), r);
    int changes = 0;
    pc->OnChange = [&](TObject*) { ++changes; };
    EXPECT_TRUE(Form->DialogChar(U'o'));
    EXPECT_EQ(pc->ActivePage(), b);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(a->Visible());
    delete b;
    EXPECT_EQ(pc->PageCount(), 1);
    EXPECT_EQ(pc->ActivePage(), a);
}

INSTANTIATE_TEST_SUITE_P(Backends, ControlsTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });

// ---- headless only: painting and hints -------------------------------------------------

class PaintTest : public HeadlessTest {};

TEST_F(PaintTest, HostPaintsWindowlessChildrenInOrderClippedToTheirParents) {
    auto* bar = new TForm(nullptr);
    bar->SetBorderStyle(bsNone);
    bar->SetBounds(0, 0, 300, 38);
    bar->SetColor(clBlack);
    bar->Show();
    auto* item = new TPanel(nullptr);
    item->SetBounds(250, 0, 100, 37);  // sticks out at the right
    item->SetColor(clNavy);
    item->SetParent(bar);
    auto* label = new TLabel(item);
    label->SetParent(item);
    label->Font().SetColor(clLime);
    label->SetCaption("From: a");
    label->SetLeft(24);
    auto ops = H().Paint(*bar);
    ASSERT_GE(ops.size(), 3u);
    EXPECT_EQ(ops[0].What, ui::headless::TPaintOp::Fill);
    EXPECT_EQ(ops[0].Rect, (TRect{0, 0, 300, 38}));
    EXPECT_EQ(ops[0].Color, clBlack);
    EXPECT_EQ(ops[1].Rect, (TRect{250, 0, 300, 37}));  // clipped at the bar's edge
    EXPECT_EQ(ops[1].Color, clNavy);
    auto text = std::find_if(ops.begin(), ops.end(), [](auto& o) { return o.What == ui::headless::TPaintOp::Text; });
    ASSERT_NE(text, ops.end());
    EXPECT_EQ(text->Shown, "From: a");
    EXPECT_EQ(text->Color, clLime);
    EXPECT_EQ(text->Rect.Left, 274);
    EXPECT_EQ(text->Rect.Right, 300);
    // The label paints on its parent's colour.
    EXPECT_EQ(label->Color(), clNavy);
    // Moving the item invalidates where it was and where it is, inside the bar only.
    H().Paint(*bar);
    item->SetLeft(249);
    EXPECT_EQ(H().InvalidArea(*bar), (TRect{249, 0, 300, 37}));
    item->SetLeft(5000);
    H().Paint(*bar);
    item->SetLeft(4999);
    EXPECT_TRUE(H().InvalidArea(*bar).Empty());
    delete item;
    delete bar;
}

TEST_F(PaintTest, HintOfTheControlUnderTheMouseAfterThePause) {
    auto* bar = new TForm(nullptr);
    bar->SetBounds(0, 0, 300, 38);
    bar->Show();
    bar->SetHint("Click to open your standard mail program");
    bar->SetShowHint(true);
    auto* item = new TPanel(nullptr);
    item->SetBounds(10, 0, 100, 37);
    item->SetParent(bar);
    item->SetHint("item hint");
    item->SetShowHint(true);
    auto* label = new TLabel(item);
    label->SetParent(item);
    label->SetCaption("x");
    H().MouseMove(*label);  // the label shows no hint itself: its panel's
    H().advance(499);
    EXPECT_EQ(H().HintWindowText(), "");
    H().advance(1);
    EXPECT_EQ(H().HintWindowText(), "item hint");
    H().advance(2500);
    EXPECT_EQ(H().HintWindowText(), "");
    H().MouseMove(*bar);
    H().advance(500);
    EXPECT_EQ(H().HintWindowText(), "Click to open your standard mail program");
    delete item;  // the hint of a freed control goes with it
    delete bar;
}

TEST_F(PaintTest, ScreenCursorIsSetAndRestored) {
    TCursor old = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(H().ScreenCursor(), crHourGlass);
    Screen->SetCursor(old);
    EXPECT_EQ(H().CursorHistory(), (std::vector<TCursor>{crHourGlass, crDefault}));
}
