// Keyed strings, the language list, language selection at start-up and later, export mode
// and the registries that a language switch drives.
#include <algorithm>
#include <iterator>
#include <utility>
#include <functional>
#include <vector>

#include "SupportTestEnv.h"
#include "core/IniFile.h"
#include "core/Text.h"
#include "ui/Dialogs.h"
#include "ui/headless/Headless.h"

namespace {

using supporttest::AppFolderTest;

class LanguageTest : public AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        WriteLanguage("english.ini", "GREETING=Hello\r\nFAREWELL=Bye\r\n");
        WriteLanguage("german.ini", "GREETING=Hallo\r\nFAREWELL=Tschüss\r\n");
    }
    int IndexOf(const std::string& fileName) const { return GetLanguageList().IndexOf(fileName); }
    std::vector<std::string> Listed() const {
        const TStrings& list = GetLanguageList();
        return std::vector<std::string>(list.begin(), list.end());
    }
};

TEST_F(LanguageTest, StoredNameSelectsItsFile) {
    StoreActiveLanguage("GERMAN");
    platform::SetLocaleForTests(9, "hh:nn");  // the stored name wins over the locale
    InitializeQxGeneral();
    ASSERT_GE(IndexOf("german.ini"), 0);
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("german.ini"));
}

TEST_F(LanguageTest, LocaleChoosesTheDefaultWhenNothingIsStored) {
    struct Case {
        int primaryLanguage;
        const char* expectedFile;
    } cases[] = {{7, "german.ini"}, {9, "english.ini"}, {12, "english.ini"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.primaryLanguage);
        platform::SetLocaleForTests(c.primaryLanguage, "hh:nn");
        InitializeQxGeneral();
        EXPECT_EQ(ActiveLanguageIndex(), IndexOf(c.expectedFile));
        EXPECT_GE(ActiveLanguageIndex(), 0);
        FinalizeQxGeneral();
    }
    // An empty stored value counts as none.
    StoreActiveLanguage("");
    platform::SetLocaleForTests(7, "hh:nn");
    InitializeQxGeneral();
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("german.ini"));
}

TEST_F(LanguageTest, MissingDefaultFileLeavesNoLanguageActive) {
    std::filesystem::remove(At("Language/english.ini"));
    InitializeQxGeneral();
    EXPECT_EQ(ActiveLanguageIndex(), -1);
}

TEST_F(LanguageTest, UnknownStoredNameIsSwallowedAtStartAndRaisedLater) {
    StoreActiveLanguage("Klingon");
    platform::SetLocaleForTests(7, "hh:nn");
    EXPECT_NO_THROW(InitializeQxGeneral());
    EXPECT_EQ(ActiveLanguageIndex(), -1);  // the default language is not tried

    const int hello = RegisterLangString("GREETING", "Built-in");
    try {
        SetLanguage("Klingon");
        FAIL() << "no exception";
    } catch (const LanguageException& e) {
        EXPECT_EQ(e.Message(), "Unknown Language: Klingon");
        EXPECT_STREQ(e.ClassName(), "LanguageException");
    }
    EXPECT_EQ(ActiveLanguageIndex(), -1);
    EXPECT_EQ(LangString(hello), "Built-in");
}

TEST_F(LanguageTest, ListHoldsLowerCaseFileNamesOnly) {
    std::filesystem::remove(At("Language/english.ini"));
    WriteLanguage("English.ini", "GREETING=Hi\r\n");
    WriteLanguage("german", "GREETING=Servus\r\n");
    std::filesystem::rename(At("Language/german.ini"), At("Language/Austrian.INI"));
    WriteFile("Language/ReadMe.txt", "not a language");
    WriteFile("Language/hidden.ini", "[General]\r\n");
    WriteFile("Language/system.ini", "[General]\r\n");
    ASSERT_TRUE(platform::SetFileAttributesForTests(AtUtf8("Language/hidden.ini"), true, false));
    ASSERT_TRUE(platform::SetFileAttributesForTests(AtUtf8("Language/system.ini"), false, true));
    std::filesystem::create_directories(At("Language/sub.ini"));
    InitializeQxGeneral();

    std::vector<std::string> listed = Listed();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"austrian.ini", "english.ini", "german", "readme.txt"}));

    const int hello = RegisterLangString("GREETING", "Built-in");
    SetLanguage("ENGLISH");  // found by the second lookup, english.ini
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("english.ini"));
    EXPECT_EQ(LangString(hello), "Hi");
    SetLanguage("GERMAN");  // a file without extension
    EXPECT_EQ(LangString(hello), "Servus");
    SetLanguage("austrian.ini");  // found by the first lookup
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("austrian.ini"));
    EXPECT_THROW(SetLanguage("README"), LanguageException);
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("austrian.ini"));

    // Built once per run: a file added now is not listed.
    WriteLanguage("french.ini", "GREETING=Salut\r\n");
    EXPECT_EQ(IndexOf("french.ini"), -1);
    EXPECT_THROW(SetLanguage("French"), LanguageException);
}

TEST_F(LanguageTest, EmptyFolderGivesAnEmptyListAndIsCreatedWhenMissing) {
    std::filesystem::remove_all(At("Language"));
    InitializeQxGeneral();
    EXPECT_TRUE(std::filesystem::is_directory(At("Language")));
    EXPECT_EQ(GetLanguageList().Count(), 0);
    EXPECT_EQ(ActiveLanguageIndex(), -1);
}

TEST_F(LanguageTest, SwitchReadsEveryKeyAndKeepsTextsOfMissingKeys) {
    WriteLanguage("partial.ini", "greeting=Hej\r\n");  // keys match without regard to case
    WriteLanguage("blank.ini", "GREETING=\r\n");
    InitializeQxGeneral();
    const int hello = RegisterLangString("GREETING", "Built-in hello");
    const int bye = RegisterLangString("FAREWELL", "Built-in bye");
    const int other = RegisterLangString("NOT_IN_ANY_FILE", "Only built-in");
    // Start-up ran before any string existed: they still carry their defaults.
    EXPECT_EQ(LangString(hello), "Built-in hello");

    SetLanguage("GERMAN");
    EXPECT_EQ(LangString(hello), "Hallo");
    EXPECT_EQ(LangString(bye), "Tschüss");
    EXPECT_EQ(LangString(other), "Only built-in");

    SetLanguage("partial");
    EXPECT_EQ(LangString(hello), "Hej");
    EXPECT_EQ(LangString(bye), "Tschüss");  // missing here: the German text stays

    SetLanguage("blank");
    EXPECT_EQ(LangString(hello), "");  // present but empty
    EXPECT_EQ(LangString(bye), "Tschüss");

    EXPECT_THROW(LangString(99), Exception);
}

TEST_F(LanguageTest, SameKeyTwiceGivesTwoIdentifiersWithTheFilesText) {
    InitializeQxGeneral();
    const int first = RegisterLangString("GREETING", "one");
    const int second = RegisterLangString("GREETING", "two");
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(LangString(first), "one");
    EXPECT_EQ(LangString(second), "two");
    SetLanguage("english");
    EXPECT_EQ(LangString(first), "Hello");
    EXPECT_EQ(LangString(second), "Hello");
    EXPECT_EQ(LangStringCount(), 2);
    EXPECT_EQ(LangStringKey(1), "GREETING");
}

TEST_F(LanguageTest, DeletedFileReadsAsEmptyAndStillActivates) {
    InitializeQxGeneral();
    const int hello = RegisterLangString("GREETING", "Built-in");
    SetLanguage("german");
    std::filesystem::remove(At("Language/english.ini"));
    SetLanguage("english");
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("english.ini"));
    EXPECT_EQ(LangString(hello), "Hallo");
    EXPECT_THROW(SetLanguageByIndex(GetLanguageList().Count()), Exception);
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("english.ini"));
}

// Stand-ins for the form translator and the accelerator generator.
std::vector<std::string>* gCalls = nullptr;

struct FakeTranslator : IqxLanguageComponent {
    std::string Name;
    std::function<void()> OnImport;
    void ImportTexts(int index) override {
        gCalls->push_back(Name + ":" + std::to_string(index));
        if (OnImport) OnImport();
    }
};
struct FakeGenerator : IqxHotkeyComponent {
    std::string Name;
    void Generate() override { gCalls->push_back(Name); }
};

TEST_F(LanguageTest, SwitchImportsFormsThenRegeneratesAccelerators) {
    std::vector<std::string> calls;
    gCalls = &calls;
    InitializeQxGeneral();
    FakeTranslator a, b, gone;
    a.Name = "A";
    b.Name = "B";
    gone.Name = "gone";
    FakeGenerator h;
    h.Name = "H";
    AddHotkeyComponent(&h);
    AddLanguageComponent(&a);
    AddLanguageComponent(&gone);
    AddLanguageComponent(&b);
    AddLanguageComponent(&a);  // listed once
    RemoveLanguageComponent(&gone);
    EXPECT_EQ(LanguageComponents().size(), 2u);

    SetLanguage("german");
    const std::string g = std::to_string(IndexOf("german.ini"));
    EXPECT_EQ(calls, (std::vector<std::string>{"A:" + g, "B:" + g, "H"}));

    // A failing import: keyed strings are already switched, the active index is not.
    const int hello = RegisterLangString("GREETING", "Built-in");
    calls.clear();
    b.OnImport = [] { throw Exception("import failed"); };
    EXPECT_THROW(SetLanguage("english"), Exception);
    EXPECT_EQ(LangString(hello), "Hello");
    EXPECT_EQ(ActiveLanguageIndex(), IndexOf("german.ini"));
    EXPECT_EQ(calls.size(), 2u);  // the generator did not run

    // A translator that removes another during the switch: the removed one is not called.
    b.OnImport = nullptr;
    a.OnImport = [&b] { RemoveLanguageComponent(&b); };
    calls.clear();
    SetLanguage("english");
    EXPECT_EQ(calls, (std::vector<std::string>{"A:" + std::to_string(IndexOf("english.ini")), "H"}));
    RemoveLanguageComponent(&a);
    RemoveHotkeyComponent(&h);
    gCalls = nullptr;
}

TEST(ExportSwitchTest, RecognisesTheSwitchInAnySpelling) {
    struct Case {
        const char* commandLine;
        bool expected;
    } cases[] = {
        {"Skimbar.exe -ExportLanguage", true},  {"Skimbar.exe /exportlanguage", true},
        {"Skimbar.exe \\EXPORTLANGUAGE", true}, {"Skimbar.exe other -exportLanguage", true},
        {"Skimbar.exe ExportLanguage", false},  {"Skimbar.exe --ExportLanguage", false},
        {"Skimbar.exe -ExportLanguages", false}, {"Skimbar.exe -", false},
        {"Skimbar.exe", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        platform::SetCommandLineForTests(c.commandLine);
        EXPECT_EQ(HasExportLanguageSwitch(), c.expected);
    }
    platform::SetCommandLineForTests("");
}

TEST_F(LanguageTest, ExportModeWritesTheTemplateAfresh) {
    WriteLanguage("language.ini", "STALE=old line\r\n[TOldForm]\r\nTOldForm.Caption=x\r\n");
    StoreActiveLanguage("GERMAN");
    platform::SetCommandLineForTests("Skimbar.exe /ExportLanguage");
    ui::headless::TSession session;
    InitializeQxGeneral();

    ASSERT_EQ(session.Backend().MessageBoxes().size(), 1u);
    EXPECT_EQ(session.Backend().MessageBoxes()[0].Text, "Export Language");
    EXPECT_EQ(session.Backend().MessageBoxes()[0].Flags & 0x40u, 0x40u);  // information icon
    EXPECT_EQ(ActiveLanguageIndex(), -1);  // no language in export mode
    EXPECT_FALSE(Exists("Language/language.ini"));  // created by the first write
    ASSERT_NE(LanguageExportFile(), nullptr);

    RegisterLangString("TRAYICON_MSG_NOMAILS", "No new mails available!");
    RegisterLangString("SECRET", "not exported", true);
    RegisterLangString("MAILPANEL_MSG_MAILFROM", "From:");
    RegisterLangString("FMAIN_MSG_NOMAILPROG", "Can´t find your standard mail program");
    const std::string file = ReadFile("Language/language.ini");
    EXPECT_EQ(file.find("STALE"), std::string::npos);
    EXPECT_EQ(file.find("TOldForm"), std::string::npos);
    EXPECT_EQ(file.find("SECRET"), std::string::npos);
    const auto a = file.find("TRAYICON_MSG_NOMAILS=No new mails available!");
    const auto b = file.find("MAILPANEL_MSG_MAILFROM=From:");
    const auto c = file.find("FMAIN_MSG_NOMAILPROG=Can´t find your standard mail program");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    ASSERT_NE(c, std::string::npos);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_EQ(file.rfind("[General]", 0), 0u);

    // The template is listed like any language once the list is built.
    EXPECT_GE(IndexOf("language.ini"), 0);
}

TEST_F(LanguageTest, ExportModeFailsWhenTheLanguageFolderCannotBeMade) {
    std::filesystem::remove_all(At("Language"));
    WriteFile("Language", "a file in the folder's place");
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    ui::headless::TSession session;
    EXPECT_THROW(InitializeQxGeneral(), Exception);
    EXPECT_TRUE(session.Backend().MessageBoxes().empty());
    // Normal mode swallows the same failure with the language selection.
    platform::SetCommandLineForTests("Skimbar.exe");
    EXPECT_NO_THROW(InitializeQxGeneral());
    EXPECT_EQ(ActiveLanguageIndex(), -1);
}

// The program's keyed strings with their built-in texts, in registration order.
const std::pair<const char*, const char*> kProgramStrings[] = {
    {"TRAYICON_MSG_NOMAILS", "No new mails available!"},
    {"MAILPANEL_MSG_MAILPANELHINT", "Click to open your standard mail program"},
    {"MAILPANEL_MSG_MAILSUBJECT", "Subj:"},
    {"MAILPANEL_MSG_MAILFROM", "From:"},
    {"FMAIN_MSG_WELCOME", "Welcome to Skimbar ..."},
    {"FMAIN_MSG_NONEWMAILS", "No new mails available!"},
    {"FMAIN_MSG_MSG_TOOLTIPTEXT", "(right mouse button for options)"},
    {"FMAIN_MSG_MAINFORMHINT", "Click to open your standard mail program"},
    {"FMAIN_MSG_NOMAILPROG", "Can\u00b4t find your standard mail program"},
};

TEST(ShippedLanguageFilesTest, CarryEveryKeyOfTheProgram) {
    // The build copies the shipped files into Language beside the test program.
    platform::SetExePathForTests("");
    const std::string folder = platform::ExtractFilePath(platform::ExePath()) + "Language";
    const TIniFile english(folder + "\\english.ini");
    const TIniFile german(folder + "\\german.ini");
    ASSERT_TRUE(platform::FileExists(english.FileName())) << english.FileName();
    ASSERT_TRUE(platform::FileExists(german.FileName())) << german.FileName();
    TStringList englishKeys, germanKeys;
    english.ReadSection("General", englishKeys);
    german.ReadSection("General", germanKeys);
    EXPECT_EQ(englishKeys.Count(), static_cast<int>(std::size(kProgramStrings)));
    EXPECT_EQ(germanKeys.Count(), static_cast<int>(std::size(kProgramStrings)));
    for (const auto& [key, builtIn] : kProgramStrings) {
        SCOPED_TRACE(key);
        EXPECT_EQ(english.ReadString("General", key, "(missing)"), builtIn);
        const std::string translated = german.ReadString("General", key, "");
        EXPECT_FALSE(translated.empty());
        EXPECT_NE(translated, builtIn);
        EXPECT_TRUE(text::IsValidUtf8(translated));
    }
    EXPECT_EQ(german.ReadString("General", "FMAIN_MSG_MSG_TOOLTIPTEXT", ""),
              "(rechte Maustaste f\u00fcr Optionen)");
}

}  // namespace
