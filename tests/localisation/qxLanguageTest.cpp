// Form text export and import: which components and properties take part, the file layout,
// list sections, exclusions, actions, the Loaded hook, registration and the events.
#include <algorithm>

#include "LocalisationTestForms.h"

using namespace l10ntest;

namespace {

using TLines = std::vector<std::pair<std::string, std::string>>;

// A form with one of every case of the walks.
struct TTranslatedForm {
    TTestForm* Form;
    TActionList* Actions;
    TAction* ShowAction;
    TAction* PanelAction;
    TButton* OkButton;
    TLabel* NameLabel;
    TPanel* EmptyPanel;
    TPanel* HostPanel;
    TPanel* LinkedPanel;
    TPanel* LinkedHostPanel;
    TCheckBox* StayCheck;
    TPageControl* Pages;
    TTabSheet* Sheet;
    TComboBox* ServerCombo;
    TComboBox* UserCombo;
    TRadioGroup* Choice;
    TPopupMenu* Popup;
    TMenuItem* ShowItem;
    TMenuItem* SepItem;
    TMenuItem* QuitItem;
    TButton* Nameless;
    TButton* Inner;
    TqxTreeView* Tree;
    TqxLanguage* Language;

    explicit TTranslatedForm(bool reading = false) {
        Form = new TTestForm(nullptr);
        if (reading) Form->BeginReading();
        Form->SetName("TestForm");
        Form->SetCaption("Test form");
        Form->SetHint("Form hint");
        Actions = Form->Make<TActionList>("ActionList1");
        ShowAction = Form->Make<TAction>("ShowAction");
        ShowAction->SetCaption("Show");
        ShowAction->SetHint("Shows the bar");
        PanelAction = Form->Make<TAction>("PanelAction");
        PanelAction->SetCaption("From action");
        OkButton = Form->Make<TButton>("OkButton");
        OkButton->SetCaption("O&K");
        NameLabel = Form->Make<TLabel>("NameLabel");
        NameLabel->SetCaption("&Name");
        EmptyPanel = Form->Make<TPanel>("EmptyPanel");
        EmptyPanel->SetCaption("Panel");
        HostPanel = Form->Make<TPanel>("HostPanel");
        HostPanel->SetCaption("");
        LinkedPanel = Form->Make<TPanel>("LinkedPanel");
        LinkedPanel->SetAction(PanelAction);
        LinkedHostPanel = Form->Make<TPanel>("LinkedHostPanel");
        LinkedHostPanel->SetAction(PanelAction);
        StayCheck = Form->Make<TCheckBox>("StayCheck", HostPanel);
        StayCheck->SetCaption("Stay on top");
        StayCheck->SetHint("Keeps the bar above");
        Form->Make<TLabel>("LinkedChild", LinkedHostPanel)->SetCaption("child");
        Pages = Form->Make<TPageControl>("Pages");
        Sheet = Form->Make<TTabSheet>("Sheet");
        Sheet->SetPageControl(Pages);
        Sheet->SetCaption("&Setup");
        ServerCombo = Form->Make<TComboBox>("ServerCombo", Sheet);
        ServerCombo->Items().Add("pop.a");
        ServerCombo->Items().Add("pop.b");
        UserCombo = Form->Make<TComboBox>("UserCombo", Sheet);
        UserCombo->Items().Add("me@example.org");
        ExcludeFromTranslation(UserCombo);
        Choice = Form->Make<TRadioGroup>("Choice");
        Choice->SetCaption("Choice");
        Choice->Items().Add("One");
        Choice->Items().Add("Two");
        Popup = Form->Make<TPopupMenu>("Popup");
        ShowItem = Form->Make<TMenuItem>("ShowItem");
        ShowItem->SetAction(ShowAction);
        SepItem = Form->Make<TMenuItem>("SepItem");
        SepItem->SetCaption("-");
        QuitItem = Form->Make<TMenuItem>("QuitItem");
        QuitItem->SetCaption("Quit");
        QuitItem->SetHint("Ends it");
        for (TMenuItem* m : {ShowItem, SepItem, QuitItem}) Popup->Items()->Add(m);
        Nameless = Form->Make<TButton>("");
        Nameless->SetCaption("Nameless");
        Inner = Form->Make<TButton>("Inner", Form, Nameless);
        Inner->SetCaption("Inner");
        Tree = Form->Make<TqxTreeView>("Tree");
        TTreeNode* root = Tree->Items().Add("Root");
        Tree->Items().AddChild(root, "Child");
        Tree->Items().Add("Second");
        Language = Form->Make<TqxLanguage>("qxLanguage1");
        if (reading) Form->EndDesign();
    }
    ~TTranslatedForm() { delete Form; }
    TTranslatedForm(const TTranslatedForm&) = delete;
    TTranslatedForm& operator=(const TTranslatedForm&) = delete;
};

class LanguageWalkTest : public L10nTest {
protected:
    void SetUp() override {
        L10nTest::SetUp();
        // The list is built once per run: the files are there before it.
        WriteGerman("[General]\r\n");
        WriteFile("Language/english.ini", "[General]\r\n");
        InitializeQxGeneral();
    }
    // A language file of the given text, found in the language list as german.ini.
    void WriteGerman(const std::string& text) { WriteFile("Language/german.ini", text); }
};

}  // namespace

TEST_F(LanguageWalkTest, ExportWritesTheTextsInOwnershipOrder) {
    TTranslatedForm f;
    f.Language->ExportTexts();
    const TLines expected{
        {"TTestForm.Caption", "Test form"},
        {"TTestForm.Hint", "Form hint"},
        {"TTestForm.ShowAction.Caption", "Show"},
        {"TTestForm.ShowAction.Hint", "Shows the bar"},
        {"TTestForm.PanelAction.Caption", "From action"},
        {"TTestForm.OkButton.Caption", "O&K"},
        {"TTestForm.NameLabel.Caption", "&Name"},
        {"TTestForm.EmptyPanel.Caption", "Panel"},
        // LinkedPanel: childless, its caption comes from the action and is not stored.
        {"TTestForm.LinkedHostPanel.Caption", "From action"},  // has a child: a container
        {"TTestForm.StayCheck.Caption", "Stay on top"},
        {"TTestForm.StayCheck.Hint", "Keeps the bar above"},
        {"TTestForm.LinkedChild.Caption", "child"},
        {"TTestForm.Sheet.Caption", "&Setup"},
        {"TTestForm.Choice.Caption", "Choice"},
        // ShowItem is linked to ShowAction: nothing of its own.
        {"TTestForm.SepItem.Caption", "-"},
        {"TTestForm.QuitItem.Caption", "Quit"},
        {"TTestForm.QuitItem.Hint", "Ends it"},
    };
    EXPECT_EQ(Section(TemplatePath(), "TTestForm"), expected);
    EXPECT_EQ(Section(TemplatePath(), "TTestForm.ServerCombo.Items"),
              (TLines{{"0", "pop.a"}, {"1", "pop.b"}}));
    EXPECT_EQ(Section(TemplatePath(), "TTestForm.Choice.Items"), (TLines{{"0", "One"}, {"1", "Two"}}));
    EXPECT_EQ(Section(TemplatePath(), "TTestForm.Tree.Tree"),
              (TLines{{"0", "Root"}, {"1", "Child"}, {"2", "Second"}}));
    // Excluded, and unnamed with what it owns.
    const std::string all = ReadFile("Language/language.ini");
    EXPECT_EQ(all.find("UserCombo"), std::string::npos);
    EXPECT_EQ(all.find("Nameless"), std::string::npos);
    EXPECT_EQ(all.find("Inner"), std::string::npos);
    EXPECT_EQ(all.find("me@example.org"), std::string::npos);
}

TEST_F(LanguageWalkTest, ExportEmptyStringsWritesEmptyCaptionsAndHints) {
    TTranslatedForm f;
    f.Language->SetExportEmptyStrings(true);
    f.Language->ExportTexts();
    TIniFile ini(TemplatePath());
    TStringList keys;
    ini.ReadSection("TTestForm", keys);
    // The page control has no caption of its own: an empty key.
    EXPECT_GE(keys.IndexOf("TTestForm.Pages.Caption"), 0);
    EXPECT_EQ(ini.ReadString("TTestForm", "TTestForm.Pages.Caption", "missing"), "");
    EXPECT_GE(keys.IndexOf("TTestForm.HostPanel.Caption"), 0);
    EXPECT_GE(keys.IndexOf("TTestForm.OkButton.Hint"), 0);
    // Still nothing of a control linked to an action.
    EXPECT_LT(keys.IndexOf("TTestForm.ShowItem.Caption"), 0);
    // Import ignores the page control's key, and fills empty hints.
    WriteGerman("[TTestForm]\r\nTTestForm.Pages.Caption=Seiten\r\nTTestForm.OkButton.Hint=Bestätigen\r\n"
                "TTestForm.HostPanel.Caption=Gastgeber\r\n");
    f.Language->ImportTexts(GetLanguageList().IndexOf("german.ini"));
    EXPECT_EQ(f.OkButton->Hint(), "Bestätigen");
    EXPECT_EQ(f.HostPanel->Caption(), "Gastgeber");
    EXPECT_EQ(f.Pages->Caption(), "");
}

TEST_F(LanguageWalkTest, SecondExportLeavesNoStaleLines) {
    TTranslatedForm f;
    f.Language->ExportTexts();
    f.ServerCombo->Items().Clear();
    f.ServerCombo->Items().Add("only");
    f.Tree->Items().Clear();
    f.Tree->Items().Add("Alone");
    f.OkButton->SetCaption("&Fine");
    f.Language->ExportTexts();
    EXPECT_EQ(Section(TemplatePath(), "TTestForm.ServerCombo.Items"), (TLines{{"0", "only"}}));
    EXPECT_EQ(Section(TemplatePath(), "TTestForm.Tree.Tree"), (TLines{{"0", "Alone"}}));
    TIniFile ini(TemplatePath());
    EXPECT_EQ(ini.ReadString("TTestForm", "TTestForm.OkButton.Caption", ""), "&Fine");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections.Count(), 4);  // the form and three lists, once each
}

TEST_F(LanguageWalkTest, ImportTranslatesKeepsMissingTextsAndRebuildsLists) {
    TTranslatedForm f;
    WriteGerman(
        "[General]\r\n"
        "[TTestForm]\r\n"
        "TTestForm.Caption=Testformular\r\n"
        "TTestForm.ShowAction.Caption=Zeigen\r\n"
        "TTestForm.OkButton.Caption=&Gut\r\n"
        "TTestForm.OkButton.Hint=never used: the hint is empty\r\n"
        "TTestForm.SepItem.Caption=--\r\n"
        "TTestForm.ShowItem.Caption=ignored: linked to an action\r\n"
        "TTestForm.UserCombo.Hint=excluded\r\n"
        "[TTestForm.Choice.Items]\r\n0=Eins\r\n1=\r\n2=Drei\r\n0=Doppelt\r\n"
        "[TTestForm.UserCombo.Items]\r\n0=overwritten?\r\n"
        "[TTestForm.Tree.Tree]\r\n1=Kind\r\n");
    const int german = GetLanguageList().IndexOf("german.ini");
    ASSERT_GE(german, 0);
    f.Language->ImportTexts(german);
    EXPECT_EQ(f.Form->Caption(), "Testformular");
    EXPECT_EQ(f.Form->Hint(), "Form hint");  // missing key: kept
    EXPECT_EQ(f.ShowAction->Caption(), "Zeigen");
    EXPECT_EQ(f.ShowItem->Caption(), "Zeigen");  // through the action
    EXPECT_EQ(f.OkButton->Caption(), "&Gut");
    EXPECT_EQ(f.OkButton->Hint(), "");  // an empty hint is left alone
    EXPECT_EQ(f.SepItem->Caption(), "--");
    EXPECT_EQ(f.Choice->Items().Text(), "Eins\r\nDrei\r\n");  // empty and repeated keys dropped
    EXPECT_EQ(f.ServerCombo->Items().Count(), 0);              // no section: emptied
    EXPECT_EQ(f.UserCombo->Items().Text(), "me@example.org\r\n");  // excluded
    EXPECT_EQ(f.UserCombo->Hint(), "");
    EXPECT_EQ(f.Tree->Items().Item(0)->Text(), "Root");
    EXPECT_EQ(f.Tree->Items().Item(1)->Text(), "Kind");
    EXPECT_EQ(f.Nameless->Caption(), "Nameless");
}

TEST_F(LanguageWalkTest, ExcludedComboKeepsItsItemsAcrossLanguageSwitches) {
    WriteGerman("[General]\r\n[TTestForm.ServerCombo.Items]\r\n0=pop.de\r\n");
    TTranslatedForm f;
    SetLanguage("GERMAN");
    EXPECT_EQ(f.ServerCombo->Items().Text(), "pop.de\r\n");
    SetLanguage("ENGLISH");
    EXPECT_EQ(f.ServerCombo->Items().Count(), 0);
    EXPECT_EQ(f.UserCombo->Items().Text(), "me@example.org\r\n");
    IncludeInTranslation(f.UserCombo);
    SetLanguage("GERMAN");
    EXPECT_EQ(f.UserCombo->Items().Count(), 0);
}

TEST_F(LanguageWalkTest, LanguageFileIsOpenedByItsOwnSpelling) {
    std::filesystem::remove(At("Language/german.ini"));
    WriteFile("Language/German.INI", "[General]\r\n[TTestForm]\r\nTTestForm.Caption=Deutsch\r\n");
    FinalizeQxGeneral();
    InitializeQxGeneral();
    TTranslatedForm f;
    const int index = GetLanguageList().IndexOf("german.ini");
    ASSERT_GE(index, 0);
    const std::string path = LanguageFilePath(index);
    EXPECT_EQ(path.substr(path.size() - 11), "\\German.INI");
    f.Language->ImportTexts(index);
    EXPECT_EQ(f.Form->Caption(), "Deutsch");
    EXPECT_THROW(f.Language->ImportTexts(GetLanguageList().Count()), EStringListError);
}

TEST_F(LanguageWalkTest, PropertyRulesOneComponentAtATime) {
    TTranslatedForm f;
    // The container flag lets windowed controls with children take part.
    EXPECT_TRUE(TqxLanguage::HasTextProperty(*f.Pages, "Caption", true));
    EXPECT_FALSE(TqxLanguage::HasTextProperty(*f.Pages, "Caption", false));
    EXPECT_TRUE(TqxLanguage::HasTextProperty(*f.HostPanel, "Caption", true));
    EXPECT_FALSE(TqxLanguage::HasTextProperty(*f.LinkedPanel, "Caption", true));
    EXPECT_TRUE(TqxLanguage::HasTextProperty(*f.LinkedHostPanel, "Caption", true));
    EXPECT_FALSE(TqxLanguage::HasTextProperty(*f.OkButton, "caption", false));  // exact case
    EXPECT_TRUE(TqxLanguage::HasTextProperty(*f.OkButton, "Action", false));
    EXPECT_EQ(TqxLanguage::GetTextProperty(*f.OkButton, "Action"), "");
    EXPECT_EQ(TqxLanguage::GetTextProperty(*f.ShowItem, "Action"), "ShowAction");
    EXPECT_EQ(TqxLanguage::GetTextProperty(*f.Choice, "Items"), "One\r\nTwo\r\n");
    EXPECT_EQ(TqxLanguage::GetTextProperty(*f.Choice, "Missing"), "");
    TqxLanguage::SetTextProperty(*f.Choice, "Items", "a\r\nb\nc");
    EXPECT_EQ(f.Choice->Items().Count(), 3);
    TqxLanguage::SetTextProperty(*f.Choice, "ItemIndex", "1");  // not text: left alone
    EXPECT_EQ(f.Choice->ItemIndex(), -1);
    TqxLanguage::SetTextProperty(*f.NameLabel, "FocusControl", "OkButton");  // a reference: left alone
    EXPECT_EQ(f.NameLabel->FocusControl(), nullptr);
    TqxLanguage::SetTextProperty(*f.OkButton, "Caption", "New");
    EXPECT_EQ(f.OkButton->Caption(), "New");
}

TEST_F(LanguageWalkTest, StringPropertiesAreWrittenAndReadWithoutTheEmptyTest) {
    RegisterStringProperty("Text", "TCustomEdit");
    TTranslatedForm f;
    auto* edit = f.Form->Make<TEdit>("NameEdit");
    edit->SetText("typed");
    auto* empty = f.Form->Make<TEdit>("EmptyEdit");
    empty->SetText("");
    f.Language->ExportTexts();
    TIniFile ini(TemplatePath());
    EXPECT_EQ(ini.ReadString("TTestForm", "TTestForm.NameEdit.Text", ""), "typed");
    EXPECT_FALSE(ini.ValueExists("TTestForm", "TTestForm.EmptyEdit.Text"));
    WriteGerman("[TTestForm]\r\nTTestForm.EmptyEdit.Text=filled\r\n");
    f.Language->ImportTexts(GetLanguageList().IndexOf("german.ini"));
    EXPECT_EQ(empty->Text(), "filled");
    EXPECT_EQ(edit->Text(), "typed");
}

TEST_F(LanguageWalkTest, EventsSurroundTheWalksAndAfterIsSkippedOnFailure) {
    TTranslatedForm f;
    std::vector<std::string> events;
    f.Language->BeforeExport = [&](TObject* s) { events.push_back(s == f.Language ? "before export" : "?"); };
    f.Language->AfterExport = [&](TObject*) { events.push_back("after export"); };
    f.Language->BeforeImport = [&](TObject*) { events.push_back("before import"); };
    f.Language->AfterImport = [&](TObject*) { events.push_back("after import"); };
    f.Language->ExportTexts();
    WriteGerman("[TTestForm]\r\n");
    f.Language->ImportTexts(GetLanguageList().IndexOf("german.ini"));
    EXPECT_EQ(events, (std::vector<std::string>{"before export", "after export", "before import", "after import"}));
    events.clear();
    // A file that cannot be written: the write raises, After does not fire.
    std::filesystem::remove(At("Language/language.ini"));
    std::filesystem::create_directories(At("Language/language.ini"));
    EXPECT_THROW(f.Language->ExportTexts(), Exception);
    EXPECT_EQ(events, (std::vector<std::string>{"before export"}));
}

TEST_F(LanguageWalkTest, RequiresAnOwnerWithClassInformationOfItsOwn) {
    TqxLanguage lonely(nullptr);
    EXPECT_THROW(lonely.ExportTexts(), Exception);
    EXPECT_THROW(lonely.ImportTexts(0), Exception);
    // A form class that did not declare its class information would write under [TForm].
    class TUndeclaredForm : public TForm {
    public:
        explicit TUndeclaredForm(TComponent* owner) : TForm(owner) {}
    };
    TUndeclaredForm form(nullptr);
    auto* language = new TqxLanguage(&form);
    EXPECT_EQ(form.ClassName(), "TForm");
    EXPECT_THROW(language->ExportTexts(), Exception);
    EXPECT_FALSE(Exists("Language/language.ini"));
}

TEST_F(LanguageWalkTest, RegistersWhenOwnedByAFormOrATopLevelComponent) {
    const std::size_t before = LanguageComponents().size();
    {
        TTranslatedForm f;
        EXPECT_EQ(LanguageComponents().size(), before + 1);
        auto* nested = new TqxLanguage(f.HostPanel);  // owned by a control of the form
        EXPECT_EQ(LanguageComponents().size(), before + 1);
        TComponent top(nullptr);
        auto* topLevel = new TqxLanguage(&top);  // its owner has no owner
        EXPECT_EQ(LanguageComponents().size(), before + 2);
        (void)nested;
        (void)topLevel;
    }
    EXPECT_EQ(LanguageComponents().size(), before);
}

// ---------------------------------------------------------------------------------------
// Loaded: export mode and the active language.

TEST_F(L10nTest, LoadedExportsInExportModeAndImportsTheActiveLanguage) {
    WriteFile("Language/german.ini", "[General]\r\n[TTestForm]\r\nTTestForm.QuitItem.Caption=Beenden\r\n");
    StoreActiveLanguage("GERMAN");
    InitializeQxGeneral();
    {
        TTranslatedForm f(true);
        EXPECT_EQ(f.QuitItem->Caption(), "Beenden");
        EXPECT_FALSE(Exists("Language/language.ini"));
    }
    FinalizeQxGeneral();
    platform::SetCommandLineForTests("Skimbar.exe /exportlanguage");
    InitializeQxGeneral();
    EXPECT_EQ(ActiveLanguageIndex(), -1);
    TTranslatedForm f(true);
    EXPECT_EQ(f.QuitItem->Caption(), "Quit");
    TIniFile ini(TemplatePath());
    EXPECT_EQ(ini.ReadString("TTestForm", "TTestForm.QuitItem.Caption", ""), "Quit");
}
