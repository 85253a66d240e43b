// Automatic accelerators: the worked example, existing and double accelerators, the caption
// rules, the role of each kind of control, menus, the switches, the events and the cursor.
#include "LocalisationTestForms.h"

using namespace l10ntest;

namespace {

class HotkeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TTestForm(nullptr);
        Form->SetName("TestForm");
        Form->SetCaption("Form");
        Hotkey = Form->Make<TqxHotkey>("qxHotkey");
    }
    void TearDown() override { delete Form; }

    template <class T>
    T* Add(const std::string& name, const std::string& caption, TWinControl* parent = nullptr) {
        T* c = Form->Make<T>(name, parent);
        c->SetCaption(caption);
        return c;
    }
    TDiagnostics Run(bool previewOnly = false) {
        TCaptionTree tree;
        TDiagnostics diagnostics;
        Hotkey->BuildAndAssign(tree, diagnostics, previewOnly);
        LastTree = tree;
        return diagnostics;
    }
    static std::vector<std::string> Texts(const TDiagnostics& d) {
        std::vector<std::string> out;
        for (const TDiagnostic& x : d) out.push_back(x.Text);
        return out;
    }

    ui::headless::TSession Session;
    TTestForm* Form = nullptr;
    TqxHotkey* Hotkey = nullptr;
    TCaptionTree LastTree;
};

}  // namespace

TEST_F(HotkeyTest, WorkedExampleOfAPageWithButtonsAndCheckBoxes) {
    auto* pages = Form->Make<TPageControl>("PageControl1");
    auto* sheet = Add<TTabSheet>("TabSheet1", "Options", pages);
    sheet->SetPageControl(pages);
    auto* ok = Add<TButton>("OkButton", "OK", sheet);
    auto* cancel = Add<TButton>("CancelButton", "Cancel", sheet);
    auto* stay = Add<TCheckBox>("StayCheck", "Stay on top", sheet);
    auto* show = Add<TCheckBox>("ShowCheck", "Show on new mail", sheet);
    Hotkey->Generate();
    EXPECT_EQ(sheet->Caption(), "&Options");
    EXPECT_EQ(ok->Caption(), "O&K");
    EXPECT_EQ(cancel->Caption(), "&Cancel");
    EXPECT_EQ(stay->Caption(), "&Stay on top");
    EXPECT_EQ(show->Caption(), "S&how on new mail");
    EXPECT_EQ(Form->Caption(), "Form");
    // A second run keeps what the first gave.
    Hotkey->Generate();
    EXPECT_EQ(ok->Caption(), "O&K");
    EXPECT_EQ(show->Caption(), "S&how on new mail");
}

TEST_F(HotkeyTest, ExistingAndDoubleAccelerators) {
    auto* name = Add<TButton>("NameButton", "&Name");
    auto* number = Add<TButton>("NumberButton", "&Number");
    auto* nothing = Add<TButton>("NothingButton", "Nothing");
    auto* amp = Add<TButton>("AmpButton", "Save && Exit");
    auto* trailing = Add<TButton>("TrailingButton", "Quit&");
    const TDiagnostics d = Run();
    EXPECT_EQ(Texts(d), (std::vector<std::string>{"Double Use of 'N' in NumberButton"}));
    EXPECT_EQ(d[0].Object, number);
    EXPECT_EQ(name->Caption(), "&Name");
    EXPECT_EQ(number->Caption(), "&Number");
    EXPECT_EQ(nothing->Caption(), "N&othing");
    EXPECT_EQ(amp->Caption(), "&Save && Exit");  // "&&" is a literal, no accelerator
    EXPECT_EQ(trailing->Caption(), "&Quit&");   // a last "&" marks nothing
    EXPECT_EQ(TqxHotkey::ExistingHotkey("Save && Exit"), 0u);
    EXPECT_EQ(TqxHotkey::ExistingHotkey("Save && E&xit"), U'X');
    EXPECT_EQ(TqxHotkey::ExistingHotkey("Quit&"), 0u);
    EXPECT_EQ(TqxHotkey::ExistingHotkey("a&b"), U'B');
    EXPECT_EQ(TqxHotkey::ExistingHotkey("&über"), U'ü');
}

TEST_F(HotkeyTest, CaptionRules) {
    // In order: each caption takes its letter before the next is looked at.
    struct Case {
        const char* caption;
        const char* expected;
    } cases[] = {
        {"open", "&open"},                   // looked up as O
        {"Über", "Ü&ber"},                   // Ü is not in Used
        {"--- ...", "--- ..."},              // nothing usable
        {"", ""},
        {"Ünö", "Ü&nö"},                     // n is free
        {"Save && E&xit", "Save && E&xit"},  // "&&" is a literal: X is its key, and taken
        {"Xylophone", "X&ylophone"},
        {"Fish && Chips", "&Fish && Chips"},  // no key of its own yet
        {"&& more", "&& &more"},             // never a marker inside "&&"
    };
    std::vector<TButton*> buttons;
    int i = 0;
    for (const Case& c : cases) buttons.push_back(Add<TButton>("B" + std::to_string(i++), c.caption));
    Run();
    for (std::size_t k = 0; k < buttons.size(); ++k) EXPECT_EQ(buttons[k]->Caption(), cases[k].expected) << k;
}

TEST_F(HotkeyTest, InsertHotkeyWorksOnCharactersOfAnyScript) {
    TKeyTable table = Hotkey->BaseTable();
    EXPECT_EQ(TqxHotkey::InsertHotkey(table, "Ab"), "&Ab");
    EXPECT_EQ(TqxHotkey::InsertHotkey(table, "ab"), "a&b");
    EXPECT_EQ(TqxHotkey::InsertHotkey(table, "ab"), "ab");  // both taken now
    EXPECT_EQ(TqxHotkey::InsertHotkey(table, "ÄÖÜ"), "ÄÖÜ");
    EXPECT_EQ(TqxHotkey::InsertHotkey(table, "Файл 2"), "Файл &2");  // "&" between characters
    // Used entries of another script make their characters free, exactly as written.
    Hotkey->KeysToUse().Used().Clear();
    for (const char* c : {"Ф", "а", "Й"}) Hotkey->KeysToUse().Used().Add(c);
    Hotkey->KeysToUse().Used().Add("");
    TKeyTable cyrillic = Hotkey->BaseTable();
    EXPECT_EQ(cyrillic.FreeChars().size(), 3u);
    EXPECT_EQ(TqxHotkey::InsertHotkey(cyrillic, "Файл"), "&Файл");
    EXPECT_EQ(TqxHotkey::InsertHotkey(cyrillic, "Файл"), "Ф&айл");
    EXPECT_EQ(TqxHotkey::InsertHotkey(cyrillic, "Файл"), "Файл");  // й is not Й
}

TEST_F(HotkeyTest, LongCaptionsCountCharactersNotBytes) {
    const std::string at253 = std::string(252, '-') + "x";
    const std::string at254 = std::string(253, '-') + "x";
    std::string wide253;
    for (int i = 0; i < 252; ++i) wide253 += "é";  // 504 bytes, 252 characters
    wide253 += "y";
    auto* a = Add<TButton>("A", at253);
    auto* b = Add<TButton>("B", at254);
    auto* c = Add<TButton>("C", wide253);
    Run();
    EXPECT_EQ(a->Caption(), std::string(252, '-') + "&x");
    EXPECT_EQ(b->Caption(), at254);
    EXPECT_EQ(c->Caption().substr(c->Caption().size() - 2), "&y");
}

TEST_F(HotkeyTest, LabelsPanelsAndMembership) {
    auto* edit = Form->Make<TEdit>("NameEdit");
    auto* focusLabel = Add<TLabel>("FocusLabel", "Name");
    focusLabel->SetFocusControl(edit);
    auto* plainLabel = Add<TLabel>("PlainLabel", "Plain");
    auto* markedLabel = Add<TLabel>("MarkedLabel", "&Plain marked");  // collected: P taken
    auto* panel = Add<TPanel>("Panel", "Panel");
    auto* inPanel = Add<TButton>("InPanel", "Panel button", panel);
    Run();
    EXPECT_EQ(focusLabel->Caption(), "&Name");
    EXPECT_EQ(plainLabel->Caption(), "Plain");
    EXPECT_EQ(markedLabel->Caption(), "&Plain marked");
    EXPECT_EQ(panel->Caption(), "Panel");
    EXPECT_EQ(inPanel->Caption(), "P&anel button");  // same scope as the form: P is taken
    EXPECT_TRUE(Hotkey->IsTreeMember(panel));
    EXPECT_FALSE(Hotkey->IsTreeMember(edit));
    auto* box = Form->Make<TScrollBox>("Box");
    EXPECT_TRUE(Hotkey->IsTreeMember(box));
    Form->Make<TEdit>("Child", edit == nullptr ? Form : static_cast<TWinControl*>(box));
    EXPECT_TRUE(Hotkey->IsTreeMember(box));
    // The tree: the form, then its members by child order (labels before windowed controls).
    ASSERT_GE(LastTree.Nodes.size(), 2u);
    EXPECT_EQ(LastTree.Nodes[0].Object, Form);
    EXPECT_EQ(LastTree.Nodes[0].Text, "Form");
    EXPECT_EQ(LastTree.Nodes[1].Text, "FocusLabel: Name");
}

TEST_F(HotkeyTest, PagesReuseLettersButNeverTakeTheEnclosingScopes) {
    auto* done = Add<TButton>("DoneButton", "Done");
    auto* pages = Form->Make<TPageControl>("Pages");
    auto* first = Add<TTabSheet>("First", "First", pages);
    first->SetPageControl(pages);
    auto* second = Add<TTabSheet>("Second", "Second", pages);
    second->SetPageControl(pages);
    auto* apply1 = Add<TButton>("Apply1", "Apply", first);
    auto* delete1 = Add<TButton>("Delete1", "&Delete", first);
    auto* apply2 = Add<TButton>("Apply2", "Apply", second);
    auto* fine2 = Add<TButton>("Fine2", "Fine", second);
    Run();
    // D is used on a page: the form's Done does not get it.
    EXPECT_EQ(done->Caption(), "D&one");
    EXPECT_EQ(first->Caption(), "&First");
    EXPECT_EQ(second->Caption(), "&Second");
    EXPECT_EQ(apply1->Caption(), "&Apply");
    EXPECT_EQ(apply2->Caption(), "&Apply");
    EXPECT_EQ(delete1->Caption(), "&Delete");
    EXPECT_EQ(fine2->Caption(), "F&ine");  // F belongs to the enclosing scope's First
}

TEST_F(HotkeyTest, TabSetsAndTabbedNotebooksFollowTheirSwitches) {
    auto* tabs = Form->Make<TTabSet>("Tabs");
    tabs->Tabs().Add("Mail");
    tabs->Tabs().Add("&Extra");
    auto* book = Form->Make<TTabbedNotebook>("Book");
    TTabPage* general = book->AddPage(Form, "General");
    general->SetName("GeneralPage");
    auto* notebook = Form->Make<TNotebook>("Notebook");
    TPage* page = notebook->AddPage(Form, "Page");
    page->SetName("NotebookPage");
    auto* onPage = Add<TButton>("OnPage", "Mail", page);
    auto* exit = Add<TButton>("ExitButton", "Exit");

    Hotkey->SetActiveTabbedNoteBook(false);
    Run();
    EXPECT_EQ(tabs->Tabs()[0], "Mail");
    EXPECT_EQ(tabs->Tabs()[1], "&Extra");
    EXPECT_EQ(book->Pages()[0], "General");
    EXPECT_EQ(page->Caption(), "Page");
    EXPECT_EQ(exit->Caption(), "E&xit");  // the tab set's E is collected
    EXPECT_EQ(onPage->Caption(), "&Mail");

    Hotkey->SetActiveTabset(true);
    Hotkey->SetActiveTabbedNoteBook(true);
    Run();
    // M is used on a notebook page (collected there): the enclosing scope cannot have it.
    EXPECT_EQ(tabs->Tabs()[0], "M&ail");
    EXPECT_EQ(book->Pages()[0], "&General");
    EXPECT_EQ(general->Caption(), "&General");  // the page follows its list entry
    EXPECT_EQ(page->Caption(), "Page");         // notebook pages never
    EXPECT_EQ(Hotkey->GetCaption(tabs, 1), "&Extra");
    EXPECT_EQ(Hotkey->GetCaption(tabs, 5), "");
}

TEST_F(HotkeyTest, MenusOnlyWithActiveMenuEachSubMenuItsOwnScope) {
    auto* mainMenu = Form->Make<TMainMenu>("MainMenu1");
    Form->SetMenu(mainMenu);
    auto* file = Form->Make<TMenuItem>("FileItem");
    file->SetCaption("File");
    auto* find = Form->Make<TMenuItem>("FindItem");
    find->SetCaption("Find");
    auto* open = Form->Make<TMenuItem>("OpenItem");
    open->SetCaption("Open");
    auto* sep = Form->Make<TMenuItem>("SepItem");
    sep->SetCaption("-");
    auto* fetch = Form->Make<TMenuItem>("FetchItem");
    fetch->SetCaption("Fetch");
    mainMenu->Items()->Add(file);
    mainMenu->Items()->Add(find);
    file->Add(open);
    file->Add(sep);
    file->Add(fetch);
    auto* popup = Form->Make<TPopupMenu>("Popup");
    auto* quit = Form->Make<TMenuItem>("QuitItem");
    quit->SetCaption("Quit");
    popup->Items()->Add(quit);
    auto* button = Add<TButton>("FButton", "Fix");

    Run();
    EXPECT_EQ(file->Caption(), "File");
    EXPECT_EQ(quit->Caption(), "Quit");
    EXPECT_EQ(button->Caption(), "&Fix");

    button->SetCaption("Fix");
    Hotkey->SetActiveMenu(true);
    Run();
    EXPECT_EQ(file->Caption(), "&File");
    EXPECT_EQ(find->Caption(), "F&ind");
    // The sub-menu starts afresh: F is free again there.
    EXPECT_EQ(open->Caption(), "&Open");
    EXPECT_EQ(sep->Caption(), "-");
    EXPECT_EQ(fetch->Caption(), "&Fetch");
    // The popup's items hang below the node numbered last (FindItem, after File's
    // sub-tree), so they form a sub-scope of their own.
    EXPECT_EQ(quit->Caption(), "&Quit");
    EXPECT_EQ(button->Caption(), "Fi&x");
    bool quitBelowFind = false;
    for (const TCaptionNode& n : LastTree.Nodes)
        if (n.Object == quit) quitBelowFind = LastTree.Nodes[static_cast<std::size_t>(n.Parent)].Object == find;
    EXPECT_TRUE(quitBelowFind);
    delete mainMenu;
    EXPECT_EQ(Form->Menu(), nullptr);
}

TEST_F(HotkeyTest, ContainersScopesForTreePanelsAndFrames) {
    auto* tree = Form->Make<TqxTreePanel>("TreePanel");
    auto* inner = Form->Make<TPanel>("InnerPanel", tree);
    auto* a = Add<TButton>("A1", "Alpha", inner);
    auto* b = Add<TButton>("B1", "Alpha", tree);
    auto* frame = Form->Make<TFrame>("Frame1");
    auto* onFrame = Add<TButton>("OnFrame", "Beta", frame);
    auto* framePanel = Form->Make<TPanel>("FramePanel", frame);
    auto* inFramePanel = Add<TButton>("InFramePanel", "Beta", framePanel);
    Run();
    // The tree panel's contents are in the enclosing scope (step A descends into it, the
    // inner panel coming first), so the two captions differ.
    EXPECT_EQ(a->Caption(), "&Alpha");
    EXPECT_EQ(b->Caption(), "A&lpha");
    // A control directly on a frame gets none; one further down does.
    EXPECT_EQ(onFrame->Caption(), "Beta");
    EXPECT_EQ(inFramePanel->Caption(), "&Beta");
    EXPECT_EQ(framePanel->Caption(), "FramePanel");  // panels never
}

TEST_F(HotkeyTest, PreviewLeavesCaptionsAndReportsMissingShortcuts) {
    Hotkey->KeysToUse().Used().Clear();
    Hotkey->KeysToUse().Used().Add("A");
    auto* a = Add<TButton>("First", "Able");
    auto* b = Add<TButton>("Second", "Also");
    const TDiagnostics d = Run(true);
    EXPECT_EQ(a->Caption(), "Able");
    EXPECT_EQ(b->Caption(), "Also");
    EXPECT_EQ(Texts(d), (std::vector<std::string>{"No free Shortcut for Second: Also"}));
    std::vector<std::string> nodes;
    for (const TCaptionNode& n : LastTree.Nodes) nodes.push_back(n.Text);
    EXPECT_EQ(nodes, (std::vector<std::string>{"Form", "First: &Able", "Second: Also"}));
}

TEST_F(HotkeyTest, BeforeGenerateCancelsAfterGenerateFollowsSuccess) {
    auto* b = Add<TButton>("Button", "Go");
    int after = 0;
    Hotkey->OnAfterGenerate = [&](TObject* s) { after += s == Hotkey; };
    Hotkey->OnBeforeGenerate = [&](TObject*, bool& allow) { allow = false; };
    Hotkey->Generate();
    EXPECT_EQ(b->Caption(), "Go");
    EXPECT_EQ(after, 0);
    Hotkey->OnBeforeGenerate = [&](TObject*, bool&) {};
    Hotkey->Generate();
    EXPECT_EQ(b->Caption(), "&Go");
    EXPECT_EQ(after, 1);
    // A form without members besides itself: nothing happens, the run still completes.
    delete b;
    Hotkey->Generate();
    EXPECT_EQ(after, 2);
    // Without a form: nothing to do, and a language switch does not fail over it.
    TqxHotkey lonely(nullptr);
    TCaptionTree tree;
    TDiagnostics diagnostics;
    EXPECT_NO_THROW(lonely.Generate());
    lonely.BuildAndAssign(tree, diagnostics, false);
    EXPECT_TRUE(tree.Nodes.empty());
}

namespace {
// Fails while setting one caption, and records the cursor meanwhile.
class TFailingHotkey : public TqxHotkey {
public:
    using TqxHotkey::TqxHotkey;
    void SetCaption(TComponent* object, int index, const std::string& text) override {
        CursorSeen = Screen->Cursor();
        if (object->Name() == "Bad") throw Exception("no caption for you");
        TqxHotkey::SetCaption(object, index, text);
    }
    TCursor CursorSeen = crDefault;
};
}  // namespace

TEST_F(HotkeyTest, HourGlassWhileRunningRestoredWhenARunFails) {
    auto* failing = Form->Make<TFailingHotkey>("Failing");
    Add<TButton>("Good", "Good");
    Add<TButton>("Bad", "Bad");
    int after = 0;
    failing->OnAfterGenerate = [&](TObject*) { ++after; };
    Screen->SetCursor(crHandPoint);
    EXPECT_THROW(failing->Generate(), Exception);
    EXPECT_EQ(failing->CursorSeen, crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHandPoint);
    EXPECT_EQ(after, 0);
    Screen->SetCursor(crDefault);
}

TEST_F(HotkeyTest, DefaultsAndRegistration) {
    EXPECT_TRUE(Hotkey->ActiveTabbedNoteBook());
    EXPECT_FALSE(Hotkey->ActiveTabset());
    EXPECT_FALSE(Hotkey->ActiveMenu());
    const TStrings& used = Hotkey->KeysToUse().Used();
    ASSERT_EQ(used.Count(), 36);
    EXPECT_EQ(used[0], "A");
    EXPECT_EQ(used[35], "9");
    const TStrings& notUsed = Hotkey->KeysToUse().NotUsed();
    ASSERT_EQ(notUsed.Count(), 36);
    EXPECT_EQ(notUsed[0], "Ä");
    EXPECT_EQ(notUsed[20], "\"");
    EXPECT_EQ(notUsed[35], "µ");
    TUseProp copy;
    copy.Used().Clear();
    copy.Assign(Hotkey->KeysToUse());
    EXPECT_EQ(copy.Used().Count(), 36);
    TComponent notAUseProp(nullptr);
    EXPECT_THROW(copy.Assign(notAUseProp), EConvertError);
    const auto& registered = HotkeyComponents();
    EXPECT_NE(std::find(registered.begin(), registered.end(), Hotkey), registered.end());
    delete Hotkey;
    Hotkey = nullptr;
    EXPECT_EQ(std::find(HotkeyComponents().begin(), HotkeyComponents().end(),
                        static_cast<IqxHotkeyComponent*>(nullptr)),
              HotkeyComponents().end());
    EXPECT_TRUE(HotkeyComponents().empty());
}
