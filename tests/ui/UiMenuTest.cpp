// Popup menus, radio groups, automatic accelerators, action links, and published
// properties read and written by name.
#include <gtest/gtest.h>

#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Dialogs.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/UiTestDriver.h"

using namespace uitest;

namespace {

// The bar's menu: Show, Hide, -, Faster, Slower, -, Language (sub-menu), Setup, -, Quit.
class TMenuForm : public TForm {
public:
    explicit TMenuForm(TComponent* owner) : TForm(owner) {
        BeginReading();
        SetName("MainForm");
        Menu = new TPopupMenu(this);
        Menu->SetName("PopupMenu");
        Actions = new TActionList(this);
        Actions->SetName("ActionList");
        for (const char* n : {"Show", "Hide", "Faster", "Slower", "Setup", "Quit"}) {
            auto* a = new TAction(this);
            a->SetName(std::string(n) + "Action");
            a->SetCaption(std::string(n) == "Setup" ? "Setup ..." : n);
            a->SetActionList(Actions);
            a->OnExecute = [this, n](TObject*) { Ran.push_back(n); };
            ActionsByName.push_back(a);
        }
        Item("Show", ActionsByName[0]);
        Item("Hide", ActionsByName[1]);
        Item("N1", nullptr, "-");
        Item("Faster", ActionsByName[2]);
        Item("Slower", ActionsByName[3]);
        Item("N2", nullptr, "-");
        Language = Item("Language", nullptr, "Sprache wählen / Select language");
        Item("Setup", ActionsByName[4]);
        Item("N3", nullptr, "-");
        Item("Quit", ActionsByName[5]);
        EndDesign();
    }
    TMenuItem* Item(const std::string& name, TAction* action, const std::string& caption = "") {
        auto* it = new TMenuItem(this);
        it->SetName(name);
        if (action) it->SetAction(action);
        if (!caption.empty()) it->SetCaption(caption);
        Menu->Items()->Add(it);
        return it;
    }
    TMenuItem* AddLanguage(const std::string& caption) {
        auto* it = new TMenuItem(this);
        it->SetCaption(caption);
        it->SetGroupIndex(1);
        it->SetRadioItem(true);
        it->OnClick = [this, it](TObject*) {
            it->SetChecked(true);
            Ran.push_back("language " + StripAccelChars(it->Caption()));
        };
        Language->Add(it);
        return it;
    }
    std::vector<std::string> Captions(TMenuItem* level) const {
        std::vector<std::string> out;
        for (int i = 0; i < level->Count(); ++i) out.push_back(level->Items(i)->Caption());
        return out;
    }
    TPopupMenu* Menu;
    TActionList* Actions;
    std::vector<TAction*> ActionsByName;
    TMenuItem* Language;
    std::vector<std::string> Ran;
};

class MenuTest : public HeadlessTest {
protected:
    void SetUp() override { Form = new TMenuForm(nullptr); }
    void TearDown() override { delete Form; }
    TMenuForm* Form = nullptr;
};

}  // namespace

TEST_F(MenuTest, LinkedItemsShowTheActionsCaptionWhichIsThenNotStored) {
    TMenuItem* faster = Form->Menu->Items()->Items(3);
    EXPECT_EQ(faster->Caption(), "Faster");
    const TPropInfo* caption = GetPropInfo(*faster, "Caption");
    ASSERT_NE(caption, nullptr);
    EXPECT_FALSE(caption->IsStored(*faster));
    EXPECT_EQ(std::get<TComponent*>(GetPropValue(*faster, "Action")), Form->ActionsByName[2]);
    // The action's caption reaches the item; the separator and the sub-menu keep their own.
    Form->ActionsByName[2]->SetCaption("Schneller");
    EXPECT_EQ(faster->Caption(), "Schneller");
    EXPECT_FALSE(caption->IsStored(*faster));
    TMenuItem* line = Form->Menu->Items()->Items(2);
    EXPECT_TRUE(caption->IsStored(*line));
    EXPECT_TRUE(caption->IsStored(*Form->Language));
    // Given its own caption, the item stores it.
    faster->SetCaption("Quicker");
    EXPECT_TRUE(caption->IsStored(*faster));
    // Clicking a linked item runs the action; a disabled action runs nothing.
    faster->Click();
    Form->ActionsByName[2]->SetEnabled(false);
    EXPECT_FALSE(faster->Enabled());
    faster->Click();
    EXPECT_EQ(Form->Ran, (std::vector<std::string>{"Faster"}));
    // A freed action leaves its items unlinked.
    delete Form->ActionsByName[5];
    EXPECT_EQ(Form->Menu->Items()->Items(9)->Action(), nullptr);
    EXPECT_EQ(Form->Actions->ActionCount(), 5);
}

TEST_F(MenuTest, AcceleratorsAreInsertedWhenTheMenuIsShownDistinctPerLevel) {
    Form->AddLanguage("ENGLISH");
    Form->AddLanguage("GERMAN");
    Form->AddLanguage("EESTI");
    H().AnswerPopup("");
    Form->Menu->Popup(10, 10);
    EXPECT_EQ(Form->Captions(Form->Menu->Items()),
              (std::vector<std::string>{"&Show", "&Hide", "-", "&Faster", "S&lower", "-",
                                        "S&prache wählen / Select language", "S&etup ...", "-", "&Quit"}));
    EXPECT_EQ(Form->Captions(Form->Language), (std::vector<std::string>{"&ENGLISH", "&GERMAN", "EE&STI"}));
    ASSERT_EQ(H().Popups().size(), 1u);
    EXPECT_EQ(H().Popups()[0].Captions[0], "&Show");
    EXPECT_EQ(H().Popups()[0].At, (TPoint{10, 10}));
    // The actions keep their captions; the items still count as showing them.
    EXPECT_EQ(Form->ActionsByName[3]->Caption(), "Slower");
    EXPECT_FALSE(GetPropInfo(*Form->Menu->Items()->Items(4), "Caption")->IsStored(*Form->Menu->Items()->Items(4)));
    // Showing it again changes nothing; a duplicate given by hand is resolved.
    Form->Menu->Items()->Items(1)->SetCaption("&Show hidden");
    H().AnswerPopup("");
    Form->Menu->Popup(10, 10);
    EXPECT_EQ(Form->Menu->Items()->Items(0)->Caption(), "&Show");
    EXPECT_EQ(Form->Menu->Items()->Items(1)->Caption(), "S&how hidden");
}

TEST_F(MenuTest, AcceleratorEdgeCases) {
    auto* root = Form->Language;
    for (const char* c : {"&&Co", "open", "Über", "123", "-", "&x"}) {
        auto* it = new TMenuItem(Form);
        it->SetCaption(c);
        root->Add(it);
    }
    root->RethinkHotkeys();
    EXPECT_EQ(Form->Captions(root), (std::vector<std::string>{"&&&Co", "&open", "Ü&ber", "&123", "-", "&x"}));
    Form->Menu->SetAutoHotkeys(maManual);
    TMenuItem* fresh = new TMenuItem(Form);
    fresh->SetCaption("Fresh");
    Form->Menu->Items()->Add(fresh);
    H().AnswerPopup("");
    Form->Menu->Popup(0, 0);
    EXPECT_EQ(fresh->Caption(), "Fresh");
}

TEST_F(MenuTest, RadioItemsOfAGroupCheckOneAtATime) {
    TMenuItem* en = Form->AddLanguage("ENGLISH");
    TMenuItem* de = Form->AddLanguage("GERMAN");
    auto* other = new TMenuItem(Form);  // another group in the same sub-menu
    other->SetRadioItem(true);
    other->SetGroupIndex(2);
    other->SetChecked(true);
    Form->Language->Add(other);
    auto* plain = new TMenuItem(Form);  // not a radio item
    plain->SetChecked(true);
    Form->Language->Add(plain);
    en->SetChecked(true);
    EXPECT_TRUE(en->Checked());
    de->SetChecked(true);
    EXPECT_FALSE(en->Checked());
    EXPECT_TRUE(de->Checked());
    EXPECT_TRUE(other->Checked());
    EXPECT_TRUE(plain->Checked());
    // Choosing from the menu: Popup returns after the item's command has run.
    H().AnswerPopup("Language/ENGLISH");  // by name, then by caption
    Form->Menu->Popup(5, 5);
    EXPECT_EQ(Form->Ran, (std::vector<std::string>{"language ENGLISH"}));
    EXPECT_TRUE(en->Checked());
    EXPECT_FALSE(de->Checked());
}

TEST_F(MenuTest, ChosenCommandRunsAndItsExceptionIsRouted) {
    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, Exception& e) { errors.push_back(e.Message()); };
    Form->ActionsByName[4]->OnExecute = [](TObject*) { throw Exception("Unknown Language: KLINGON"); };
    H().AnswerPopup("Setup ...");
    Form->Menu->Popup(0, 0);
    EXPECT_EQ(errors, (std::vector<std::string>{"Unknown Language: KLINGON"}));
    H().AnswerPopup("Quit");
    Form->Menu->Popup(0, 0);
    EXPECT_EQ(Form->Ran, (std::vector<std::string>{"Quit"}));
    H().AnswerPopup("");  // dismissed: nothing runs
    Form->Menu->Popup(0, 0);
    EXPECT_EQ(Form->Ran.size(), 1u);
}

TEST_F(MenuTest, TimersGoOnWhileTheMenuIsOpen) {
    int ticks = 0;
    auto* t = new TTimer(Form);
    t->SetInterval(30);
    t->OnTimer = [&](TObject*) { ++ticks; };
    H().AnswerPopup("Show", 300);
    Form->Menu->Popup(0, 0);
    EXPECT_EQ(ticks, 10);
    EXPECT_EQ(Form->Ran, (std::vector<std::string>{"Show"}));
}

TEST_F(MenuTest, RightClickOnTheBarOpensItsMenu) {
    Form->SetPopupMenu(Form->Menu);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 600, 38);
    Form->Show();
    auto* item = new TPanel(nullptr);
    item->SetBounds(10, 0, 100, 37);
    item->SetParent(Form);
    H().AnswerPopup("Hide");
    H().RightClick(*item);
    EXPECT_EQ(Form->Ran, (std::vector<std::string>{"Hide"}));
    EXPECT_EQ(Form->Menu->PopupComponent(), Form);
    delete item;
}

TEST_F(MenuTest, ColorDialogOpensWithItsLastColour) {
    auto* d = new TColorDialog(Form);
    H().AnswerColorDialog(true, 0x00FF00);
    EXPECT_TRUE(d->Execute());
    EXPECT_EQ(d->Color(), 0x00FF00);
    H().AnswerColorDialog(false);
    EXPECT_FALSE(d->Execute());
    EXPECT_EQ(d->Color(), 0x00FF00);
    ASSERT_EQ(H().ColorDialogs().size(), 2u);
    EXPECT_EQ(H().ColorDialogs()[0].Initial, clBlack);
    EXPECT_EQ(H().ColorDialogs()[1].Initial, 0x00FF00);
}

TEST_F(MenuTest, ImageListHandsOutIconCopies) {
    auto* list = new TImageList(Form);
    TImageData a{16, 16, std::vector<std::uint32_t>(256, 0xFF0000FFu)};
    TImageData big{32, 32, std::vector<std::uint32_t>(1024, 0xFFFF0000u)};
    EXPECT_EQ(list->Add(a), 0);
    EXPECT_EQ(list->Add(big), 1);
    EXPECT_EQ(list->Image(1).Width, 16);
    TIcon icon, copy;
    list->GetIcon(0, icon);
    EXPECT_EQ(*icon.Image(), a);
    copy.Assign(&icon);
    EXPECT_EQ(copy.Image(), icon.Image());  // shared picture
    EXPECT_EQ(H().IconCount(), 0);
    EXPECT_NE(copy.Handle(), 0u);
    EXPECT_EQ(H().IconCount(), 1);
    EXPECT_THROW(list->GetIcon(4, icon), Exception);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(H().IconCount(), 0);
}

// ---- published properties by name (both backends) ---------------------------------------

class PropertyTest : public UiTest {};

TEST_P(PropertyTest, CaptionHintItemsAndActionByName) {
    auto* f = new TMenuForm(nullptr);
    auto* label = new TLabel(f);
    label->SetName("qxLabel1");
    label->SetParent(f);
    auto* combo = new TComboBox(f);
    combo->SetParent(f);
    auto* edit = new TEdit(f);
    edit->SetParent(f);
    auto* panel = new TPanel(f);
    panel->SetParent(f);
    auto* timer = new TTimer(f);

    SetPropValue(*label, "Caption", std::string("&POP3-Username"));
    EXPECT_EQ(label->Caption(), "&POP3-Username");
    EXPECT_EQ(std::get<std::string>(GetPropValue(*label, "Caption")), "&POP3-Username");
    SetPropValue(*panel, "Hint", std::string("click to select"));
    EXPECT_EQ(panel->Hint(), "click to select");
    SetPropValue(*f, "Caption", std::string("Setup"));
    EXPECT_EQ(f->Caption(), "Setup");

    TStringList lines;
    lines.Add("pop.example.org");
    lines.Add("mail.example.org");
    SetPropValue(*combo, "Items", &lines);
    EXPECT_EQ(combo->Items().Count(), 2);
    TStrings* items = std::get<TStrings*>(GetPropValue(*combo, "Items"));
    EXPECT_EQ(items, &combo->Items());
    EXPECT_EQ(GetPropInfo(*combo, "Items")->Kind, TPropKind::StringList);

    // Which classes publish what, as form text export and accelerator assignment ask.
    EXPECT_TRUE(IsPublishedProp(*label, "Caption"));
    EXPECT_FALSE(IsPublishedProp(*edit, "Caption"));
    EXPECT_FALSE(IsPublishedProp(*combo, "Caption"));
    EXPECT_FALSE(IsPublishedProp(*timer, "Hint"));
    EXPECT_FALSE(IsPublishedProp(*timer, "Caption"));
    EXPECT_TRUE(IsPublishedProp(*timer, "Interval"));
    EXPECT_TRUE(IsPublishedProp(*f->ActionsByName[0], "Caption"));
    EXPECT_TRUE(IsPublishedProp(*f->ActionsByName[0], "Hint"));
    EXPECT_TRUE(IsPublishedProp(*f->Language, "Action"));
    EXPECT_FALSE(IsPublishedProp(*label, "caption"));  // exact names
    auto* pages = new TPageControl(f);
    EXPECT_FALSE(IsPublishedProp(*pages, "Caption"));
    EXPECT_TRUE(IsPublishedProp(*new TTabSheet(f), "Caption"));
    EXPECT_TRUE(IsPublishedProp(*new TCheckBox(f), "Caption"));
    EXPECT_TRUE(IsPublishedProp(*new TButton(f), "Caption"));

    // Setting an action by name links the item, which then shows and does not store.
    TMenuItem* lang = f->Language;
    SetPropValue(*lang, "Action", static_cast<TComponent*>(f->ActionsByName[1]));
    EXPECT_EQ(lang->Caption(), "Hide");
    EXPECT_FALSE(GetPropInfo(*lang, "Caption")->IsStored(*lang));
    EXPECT_THROW(SetPropValue(*lang, "Action", static_cast<TComponent*>(timer)), Exception);
    EXPECT_THROW(GetPropValue(*label, "NoSuchProperty"), Exception);

    // A linked button shows the action's caption and does not store it either.
    auto* button = new TButton(f);
    button->SetAction(f->ActionsByName[4]);
    EXPECT_EQ(button->Caption(), "Setup ...");
    EXPECT_FALSE(GetPropInfo(*button, "Caption")->IsStored(*button));
    EXPECT_TRUE(GetPropInfo(*label, "Caption")->IsStored(*label));

    // Class chains as the language sections and list registrations use them.
    EXPECT_TRUE(combo->InheritsFrom("TCustomComboBox"));
    EXPECT_TRUE(label->InheritsFrom("TCustomLabel"));
    EXPECT_TRUE(panel->InheritsFrom("TCustomPanel"));
    EXPECT_TRUE(panel->InheritsFrom("TWinControl"));
    EXPECT_TRUE(f->InheritsFrom("TForm"));
    EXPECT_EQ(f->ClassName(), "TForm");
    delete f;
}

TEST_P(PropertyTest, CaptionFollowsTheNameOnlyForControlsMadeAtRunTime) {
    auto* f = new TForm(nullptr);
    auto* made = new TPanel(f);
    made->SetName("Panel1");
    EXPECT_EQ(made->Caption(), "Panel1");
    auto* edit = new TEdit(f);
    edit->SetName("Edit1");
    EXPECT_EQ(edit->Text(), "Edit1");
    f->BeginReading();
    auto* read = new TPanel(f);
    read->SetName("Panel2");
    f->EndReading();
    EXPECT_EQ(read->Caption(), "");
    delete f;
}

INSTANTIATE_TEST_SUITE_P(Backends, PropertyTest, ::testing::ValuesIn(Backends()),
                         [](const auto& info) { return info.param; });
