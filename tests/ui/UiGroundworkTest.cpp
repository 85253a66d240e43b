// The accelerator parser and Alt+key on forms, the plain containers, tab and tree classes,
// class information, the property helpers' one behaviour, and Loaded below sub-components.
#include <gtest/gtest.h>

#include "localisation/qxTreeView.h"
#include "support/qxTreePanel.h"
#include "ui/Accel.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Containers.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/PropHelpers.h"
#include "ui/StdCtrls.h"
#include "ui/Tabs.h"
#include "ui/TreeView.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

TEST(AccelParser, CaptionsTakenApart) {
    struct Case {
        const char* caption;
        std::size_t markPos;
        char32_t key;
        const char* shown;
        char32_t firstMarked;
    } cases[] = {
        {"&Open", 0, U'O', "Open", U'O'},
        {"O&k", 1, U'K', "Ok", U'K'},
        {"Save && Exit", ui::accel::npos, 0, "Save & Exit", 0},
        {"A && &b", 5, U'B', "A & b", U'B'},
        {"Quit&", ui::accel::npos, 0, "Quit", 0},
        {"&", ui::accel::npos, 0, "", 0},
        {"", ui::accel::npos, 0, "", 0},
        {"&Über", 0, U'Ü', "Über", U'Ü'},
        {"&über", 0, U'Ü', "über", U'ü'},   // the key folds case; the file rule only ASCII
        {"&файл", 0, U'Ф', "файл", U'ф'},
        {"x&\xFFy", 1, 0xFFFD, "x\xFFy", 0xFFFD},  // a broken byte is one replacement character
        {"&a&b", 0, U'A', "ab", U'A'},      // the first marker counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        const ui::accel::TParsed p = ui::accel::Parse(c.caption);
        EXPECT_EQ(p.MarkPos, c.markPos);
        EXPECT_EQ(ui::accel::KeyOfCaption(c.caption), c.key);
        EXPECT_EQ(p.Shown, c.shown);
        EXPECT_EQ(StripAccelChars(c.caption), c.shown);
        EXPECT_EQ(ui::accel::FirstMarked(c.caption), c.firstMarked);
    }
    EXPECT_TRUE(ui::accel::Matches("&Über", U'ü'));
    EXPECT_TRUE(ui::accel::Matches("&über", U'Ü'));
    EXPECT_TRUE(ui::accel::Matches("O&k", U'k'));
    EXPECT_FALSE(ui::accel::Matches("Save && Exit", U'&'));
    EXPECT_FALSE(ui::accel::Matches("Quit", 0));
    EXPECT_EQ(ui::accel::WithoutMarkers("&Save && E&xit&"), "Save && Exit");
}

namespace {

class GroundworkTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 500, 400);
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

TEST_P(GroundworkTest, AltKeyActsOnceEvenWhenANestedControlMatches) {
    auto* panel = Add<TPanel>(0, 0, 200, 100);
    auto* inner = Add<TCheckBox>(10, 10, 150, 20, panel);
    inner->SetCaption("&Apply");
    auto* outer = Add<TButton>(10, 150, 100, 25);
    outer->SetCaption("&Again");
    int clicks = 0;
    outer->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_TRUE(Form->DialogChar(U'a'));
    D().Wait(10);
    EXPECT_TRUE(inner->Checked());
    EXPECT_EQ(clicks, 0);
}

TEST_P(GroundworkTest, NonAsciiAcceleratorsFire) {
    auto* check = Add<TCheckBox>(10, 10, 150, 20);
    check->SetCaption("&Überwachen");
    auto* edit = Add<TEdit>(10, 40, 100, 21);
    auto* label = Add<TLabel>(10, 70, 10, 10);
    label->SetCaption("&Файл");
    label->SetFocusControl(edit);
    EXPECT_TRUE(Form->DialogChar(U'ü'));
    EXPECT_TRUE(check->Checked());
    EXPECT_TRUE(Form->DialogChar(U'Ü'));
    EXPECT_FALSE(check->Checked());
    EXPECT_TRUE(Form->DialogChar(U'ф'));
    D().Wait(10);
    EXPECT_TRUE(edit->Focused());
    EXPECT_FALSE(Form->DialogChar(U'u'));
}

TEST_P(GroundworkTest, ContainersTabsAndTreesOnAShownForm) {
    auto* box = Add<TScrollBox>(0, 0, 200, 60);
    auto* inBox = Add<TEdit>(5, 5, 100, 21, box);
    auto* frame = Add<TFrame>(0, 70, 200, 60);
    auto* inFrame = Add<TCheckBox>(5, 5, 100, 20, frame);
    inFrame->SetCaption("On frame");
    auto* group = Add<TRadioGroup>(210, 0, 150, 100);
    group->SetCaption("&Choice");
    group->Items().Add("One");
    group->Items().Add("Two");
    int groupClicks = 0;
    group->OnClick = [&](TObject*) { ++groupClicks; };
    group->SetItemIndex(1);
    group->SetItemIndex(5);
    EXPECT_EQ(group->ItemIndex(), -1);
    EXPECT_EQ(groupClicks, 2);
    auto* tabSet = Add<TTabSet>(0, 140, 200, 21);
    tabSet->Tabs().Add("First");
    tabSet->Tabs().Add("Second");
    tabSet->SetTabIndex(1);
    EXPECT_EQ(tabSet->TabIndex(), 1);
    auto* tabControl = Add<TTabControl>(210, 110, 150, 100);
    tabControl->Tabs().Add("Tab");
    auto* inTabs = Add<TButton>(0, 0, 60, 25, tabControl);
    EXPECT_GT(inTabs->Top() + tabControl->AdjustClientRect().Top, 0);

    auto* notebook = Add<TNotebook>(0, 170, 200, 100);
    TPage* p1 = notebook->AddPage(Form, "One");
    TPage* p2 = notebook->AddPage(Form, "Two");
    auto* onP2 = Add<TEdit>(5, 5, 100, 21, p2);
    EXPECT_EQ(notebook->PageCount(), 2);
    EXPECT_EQ(notebook->PageNames(), (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(p1->Visible());
    EXPECT_FALSE(p2->Visible());
    notebook->SetPageIndex(1);
    EXPECT_FALSE(p1->Visible());
    EXPECT_TRUE(onP2->Showing());
    EXPECT_EQ(p2->Notebook(), notebook);

    auto* book = Add<TTabbedNotebook>(210, 220, 200, 120);
    TTabPage* general = book->AddPage(Form, "General");
    TTabPage* extra = book->AddPage(Form, "Extra");
    book->SetPageText(0, "&General");
    EXPECT_EQ(general->Caption(), "&General");
    extra->SetCaption("E&xtra");
    EXPECT_EQ(book->Pages()[1], "E&xtra");
    EXPECT_EQ(book->Pages().Objects(1), extra);
    book->SetPageIndex(1);
    EXPECT_TRUE(extra->Visible());
    EXPECT_FALSE(general->Visible());
    // Alt+key switches to the page or tab whose text has it.
    EXPECT_TRUE(Form->DialogChar(U'g'));
    EXPECT_EQ(book->PageIndex(), 0);
    tabSet->Tabs().SetString(0, "&First");
    EXPECT_TRUE(Form->DialogChar(U'F'));
    EXPECT_EQ(tabSet->TabIndex(), 0);
    delete general;  // a freed page leaves the list
    EXPECT_EQ(book->Pages().Count(), 1);
    EXPECT_EQ(book->Page(0), extra);

    auto* tree = Add<TqxTreeView>(420, 0, 80, 100);
    TTreeNode* a = tree->Items().Add("a");
    TTreeNode* a1 = tree->Items().AddChild(a, "a1");
    tree->Items().AddChild(a1, "a11");
    TTreeNode* b = tree->Items().Add("b");
    std::vector<std::string> order;
    for (TTreeNode* n = tree->Items().GetFirstNode(); n; n = n->GetNext()) order.push_back(n->Text());
    EXPECT_EQ(order, (std::vector<std::string>{"a", "a1", "a11", "b"}));
    EXPECT_EQ(tree->Items().Count(), 4);
    EXPECT_EQ(tree->Items().Item(3), b);
    EXPECT_EQ(tree->Items().Item(4), nullptr);
    EXPECT_EQ(a1->Level(), 1);
    tree->SetSelected(a1);
    tree->Items().Delete(a);  // with its children, and the selection
    EXPECT_EQ(tree->Selected(), nullptr);
    EXPECT_EQ(tree->Items().Count(), 1);

    auto* treePanel = Add<TqxTreePanel>(420, 110, 80, 60);
    (void)treePanel;
    (void)inBox;
    // Painting all of it in the backend: nothing fails, the form still answers.
    Form->Invalidate();
    D().Wait(50);
    EXPECT_TRUE(Form->Showing());
}

INSTANTIATE_TEST_SUITE_P(Backends, GroundworkTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });

TEST(ClassInfo, EveryClassReportsItsOwnName) {
    ui::headless::TSession session;
    TForm form(nullptr);
    std::vector<std::pair<TComponent*, const char*>> cases{
        {new TScrollBox(&form), "TScrollBox"},       {new TRadioGroup(&form), "TRadioGroup"},
        {new TTabControl(&form), "TTabControl"},     {new TNotebook(&form), "TNotebook"},
        {new TPage(&form), "TPage"},                 {new TTabbedNotebook(&form), "TTabbedNotebook"},
        {new TTabPage(&form), "TTabPage"},           {new TTabSet(&form), "TTabSet"},
        {new TFrame(&form), "TFrame"},               {new TqxTreePanel(&form), "TqxTreePanel"},
        {new TTreeView(&form), "TTreeView"},         {new TqxTreeView(&form), "TqxTreeView"},
        {new TMainMenu(&form), "TMainMenu"},         {new TPopupMenu(&form), "TPopupMenu"},
        {new TTabSheet(&form), "TTabSheet"},         {new TPageControl(&form), "TPageControl"},
        {new TAction(&form), "TAction"},             {new TLabel(&form), "TLabel"},
    };
    for (auto& [c, name] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(c->ClassName(), name);
        EXPECT_TRUE(HasOwnClassInfo(*c));
        EXPECT_TRUE(c->InheritsFrom("TPersistent"));
    }
    EXPECT_TRUE(cases[1].first->InheritsFrom("TCustomRadioGroup"));
    EXPECT_TRUE(cases[8].first->InheritsFrom("TCustomFrame"));
    EXPECT_TRUE(cases[11].first->InheritsFrom("TCustomTreeView"));
    EXPECT_TRUE(cases[9].first->InheritsFrom("TCustomPanel"));
    // A class that declares nothing reports its parent's name, and is told apart.
    class TSilent : public TPanel {
    public:
        using TPanel::TPanel;
    };
    TSilent silent(nullptr);
    EXPECT_EQ(silent.ClassName(), "TPanel");
    EXPECT_FALSE(HasOwnClassInfo(silent));
    TPersistent plain;
    EXPECT_THROW(plain.Assign(form), EConvertError);
}

TEST(PropertyHelpers, AValueOfTheWrongKindRaisesTheSameErrorEverywhere) {
    ui::headless::TSession session;
    TForm form(nullptr);
    auto* menu = new TMainMenu(&form);
    auto* button = new TButton(&form);
    auto* combo = new TComboBox(&form);
    auto* label = new TLabel(&form);
    // Lambda helpers (ui::prop) and member helpers (props) alike.
    EXPECT_THROW(SetPropValue(form, "Caption", 5), EConvertError);
    EXPECT_THROW(SetPropValue(form, "ClientWidth", std::string("wide")), EConvertError);
    EXPECT_THROW(SetPropValue(*button, "TabStop", 1), EConvertError);
    EXPECT_THROW(SetPropValue(*combo, "Items", std::string("a")), EConvertError);
    EXPECT_THROW(SetPropValue(form, "Menu", static_cast<TComponent*>(button)), EConvertError);
    EXPECT_THROW(SetPropValue(*label, "FocusControl", std::string("x")), EConvertError);
    EXPECT_THROW(SetPropValue(*button, "Name", 3), EConvertError);
    SetPropValue(form, "Menu", static_cast<TComponent*>(menu));
    EXPECT_EQ(form.Menu(), menu);
    SetPropValue(form, "Menu", TPropValue{});
    EXPECT_EQ(form.Menu(), nullptr);
    SetPropValue(form, "Menu", static_cast<TComponent*>(menu));
    delete menu;
    EXPECT_EQ(form.Menu(), nullptr);
}

namespace {
class TLoadCounter : public TComponent {
public:
    using TComponent::TComponent;
    void Loaded() override {
        TComponent::Loaded();
        ++Count;
    }
    int Count = 0;
};
}  // namespace

TEST(ReadingTest, ComponentsOwnedBySubComponentsAreLoadedToo) {
    TComponent root(nullptr);
    root.BeginReading();
    auto* sub = new TLoadCounter(&root);
    auto* below = new TLoadCounter(sub);
    auto* deeper = new TLoadCounter(below);
    root.EndReading();
    EXPECT_EQ(sub->Count, 1);
    EXPECT_EQ(below->Count, 1);
    EXPECT_EQ(deeper->Count, 1);
    EXPECT_FALSE(deeper->Has(csLoading));
    EXPECT_FALSE(deeper->Has(csReading));
    // Owned afterwards (not while reading): no Loaded of its own at a later reading's end.
    auto* later = new TLoadCounter(sub);
    root.BeginReading();
    root.EndReading();
    EXPECT_EQ(later->Count, 0);
    EXPECT_EQ(sub->Count, 2);  // direct components are told at each reading's end
}
