// The shipped language files against the dialog: every key the export writes is in each file
// and no other, a switch between the languages changes every caption both ways, and the
// accelerators of each language neither collide nor miss their controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "SetupTestEnv.h"
#include "core/IniFile.h"
#include "core/Text.h"
#include "localisation/qxHotkey.h"
#include "localisation/qxLanguage.h"
#include "platform/Process.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxLabel.h"
#include "support/qxPanel.h"
#include "support/qxUpDown.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"

namespace {

using setuptest::LayoutFaults;
using setuptest::Lines;
using setuptest::SetupFormTest;

using supporttest::KeysBySection;
using supporttest::ShippedLanguageFolder;

// The accelerator of a caption, upper case; 0 when it has none.
char32_t Accelerator(const std::string& caption) { return TqxHotkey::ExistingHotkey(caption); }

class SetupLanguageTest : public SetupFormTest {
protected:
    // The shipped files in this program's Language folder, then the unit started again so
    // that it lists them.
    void InstallShippedLanguages() {
        std::filesystem::create_directories(At("Language"));
        for (const char* name : {"english.ini", "german.ini"})
            std::filesystem::copy_file(ShippedLanguageFolder() / name, At(std::string("Language/") + name),
                                       std::filesystem::copy_options::overwrite_existing);
        FinalizeQxGeneral();
        InitializeQxGeneral();
    }
    std::string Shipped(const std::string& file, const std::string& key) {
        return TIniFile(supporttest::Utf8(ShippedLanguageFolder() / file)).ReadString("TSetupForm", key, "<missing>");
    }
    // Captions of one scope: the sheet's controls that can carry an accelerator.
    static std::vector<TControl*> SheetScope(TSetupForm& f) {
        return {f.qxLabel1, f.qxLabel2, f.qxLabel3, f.qxLabel4, f.AutoStartqxCheckBox, f.StayOnTopqxCheckBox,
                f.AutoShowqxCheckBox, f.BitBtn1, f.BitBtn2};
    }
    // Every caption of the scope has an accelerator, none twice, none the tab's.
    std::vector<std::string> AcceleratorFaults(TSetupForm& f) {
        std::vector<std::string> faults;
        std::set<char32_t> seen = {Accelerator(f.TabSheet1->Caption())};
        if (*seen.begin() == 0) faults.push_back("the tab has no accelerator");
        for (TControl* c : SheetScope(f)) {
            const char32_t key = Accelerator(c->Caption());
            if (key == 0)
                faults.push_back(c->Name() + " has no accelerator: " + c->Caption());
            else if (!seen.insert(key).second)
                faults.push_back(c->Name() + " repeats an accelerator: " + c->Caption());
        }
        return faults;
    }
    // Alt + each label's key focuses the label's control.
    void ExpectLabelsFocusTheirControls(TSetupForm& f) {
        for (TqxLabel* label : {f.qxLabel1, f.qxLabel2, f.qxLabel3, f.qxLabel4}) {
            const char32_t key = Accelerator(label->Caption());
            ASSERT_NE(key, 0u) << label->Caption();
            UI().Focus(*f.BitBtn1);
            UI().PressAccelerator(f, key);
            EXPECT_EQ(UI().FocusedControl(), label->FocusControl()) << label->Caption();
        }
    }
    // The form shows the shipped file's texts (accelerators as the file gives them).
    void ExpectTexts(TSetupForm& f, const std::string& file) {
        TIniFile ini(supporttest::Utf8(ShippedLanguageFolder() / file));
        TStringList values;
        ini.ReadSectionValues("TSetupForm", values);
        ASSERT_GT(values.Count(), 10);
        for (const std::string& line : Lines(values)) {
            const auto eq = line.find('=');
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            const std::string path = key.substr(0, key.rfind('.'));
            const std::string property = key.substr(key.rfind('.') + 1);
            TComponent* c = path == "TSetupForm" ? static_cast<TComponent*>(&f)
                                                 : f.FindComponent(path.substr(std::string("TSetupForm.").size()));
            ASSERT_NE(c, nullptr) << key;
            auto* control = dynamic_cast<TControl*>(c);
            ASSERT_NE(control, nullptr) << key;
            EXPECT_EQ(property == "Hint" ? control->Hint() : control->Caption(), value) << file << ": " << key;
        }
    }
};

TEST_F(SetupLanguageTest, ExportedKeysAreExactlyThoseOfEachShippedFile) {
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    FinalizeQxGeneral();
    InitializeQxGeneral();
    ASSERT_NE(LanguageExportFile(), nullptr);
    new TSetupForm(nullptr, Timers.get());
    const auto exported = KeysBySection(AtUtf8("Language/language.ini"));
    ASSERT_EQ(exported.count("TSetupForm"), 1u);
    EXPECT_EQ(exported.at("TSetupForm").count("TSetupForm.qxLabel1.Caption"), 1u);
    for (const char* file : {"english.ini", "german.ini"}) {
        const auto shipped = KeysBySection(supporttest::Utf8(ShippedLanguageFolder() / file));
        for (const auto& [section, keys] : exported) {
            if (section == "General" || section == "TMainForm") continue;  // MainLanguageTest
            ASSERT_EQ(shipped.count(section), 1u) << file << " lacks [" << section << "]";
            for (const std::string& key : keys) EXPECT_EQ(shipped.at(section).count(key), 1u) << file << " lacks " << key;
            for (const std::string& key : shipped.at(section))
                EXPECT_EQ(keys.count(key), 1u) << file << " has the stale key " << key;
        }
        // The account lists are never part of a language file.
        for (const auto& [section, keys] : shipped) EXPECT_EQ(section.find("qxComboBox"), std::string::npos) << section;
    }
}

TEST_F(SetupLanguageTest, PasswordAndAccountsNeverReachTheTemplate) {
    AddAccount(1, "alice@example.org", "pop.private.example", "alice.private");
    WriteFile("Cfg/Skimbar.ini", "[String]\r\nSetupForm.PasswordqxEdit=very-secret-1\r\n");
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    FinalizeQxGeneral();
    InitializeQxGeneral();
    TSetupForm* form = Start();
    ASSERT_EQ(form->PasswordqxEdit->Text(), "very-secret-1");
    form->qxLanguage1->ExportTexts();
    const std::string file = ReadFile("Language/language.ini");
    EXPECT_NE(file.find("[TSetupForm]"), std::string::npos);
    for (const char* secret : {"very-secret", "alice.private", "pop.private"})
        EXPECT_EQ(file.find(secret), std::string::npos) << secret;
}

TEST_F(SetupLanguageTest, SwitchingBetweenTheLanguagesChangesEveryTextBothWays) {
    AddAccount(1, "alice@example.org", "pop.example.org", "alice");
    InstallShippedLanguages();
    TSetupForm* form = Start();
    form->Show();
    for (const char* language : {"german", "english", "german", "english"}) {
        SCOPED_TRACE(language);
        SetLanguage(language);
        ExpectTexts(*form, std::string(language) + ".ini");
        EXPECT_EQ(AcceleratorFaults(*form), std::vector<std::string>{});
        ExpectLabelsFocusTheirControls(*form);
        EXPECT_EQ(LayoutFaults(*form), std::vector<std::string>{});
        // The account lists are left alone.
        EXPECT_EQ(Lines(form->POP3qxComboBox->Items()), (std::vector<std::string>{"pop.example.org"}));
        EXPECT_EQ(Lines(form->eMailqxComboBox->Items()), (std::vector<std::string>{"alice"}));
    }
    EXPECT_EQ(form->BitBtn2->Caption(), "Ca&ncel");
    EXPECT_EQ(form->qxLabel4->Caption(), "&Check every :");
}

TEST_F(SetupLanguageTest, AcceleratorsAreGivenWhereATranslationHasNone) {
    // A translation without a single "&": the dialog's qxHotkey supplies them.
    InstallShippedLanguages();
    std::string plain = ReadFile("Language/german.ini");
    plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
    WriteFile("Language/plain.ini", plain);
    FinalizeQxGeneral();
    InitializeQxGeneral();
    TSetupForm* form = Start();
    form->Show();
    SetLanguage("plain");
    EXPECT_EQ(StripAccelChars(form->qxLabel1->Caption()), "POP3-Benutzername");
    EXPECT_EQ(form->qxLabel1->Caption(), "&POP3-Benutzername");
    EXPECT_EQ(form->qxLabel3->Caption(), "P&OP3-Server :");
    // The rest get distinct ones; "OK" comes after "Kennwort" and the server's "O" and keeps
    // none, as the rule for a caption without a free character says.
    EXPECT_EQ(AcceleratorFaults(*form), std::vector<std::string>{"BitBtn1 has no accelerator: OK"});
    ExpectLabelsFocusTheirControls(*form);
    // Labels without a control to focus and the swatches get none.
    for (TControl* c : std::vector<TControl*>{form->qxLabel5, form->qxLabel6, form->qxLabel7, form->qxLabel8})
        EXPECT_EQ(Accelerator(c->Caption()), 0u) << c->Caption();
    EXPECT_EQ(LayoutFaults(*form), std::vector<std::string>{});
}

TEST_F(SetupLanguageTest, ShippedGermanIsATranslation) {
    // Every caption differs from the English one except names and the program's own words.
    TIniFile en(supporttest::Utf8(ShippedLanguageFolder() / "english.ini"));
    TIniFile de(supporttest::Utf8(ShippedLanguageFolder() / "german.ini"));
    TStringList keys;
    en.ReadSection("TSetupForm", keys);
    int same = 0;
    for (const std::string& key : Lines(keys))
        if (en.ReadString("TSetupForm", key, "") == de.ReadString("TSetupForm", key, "")) ++same;
    EXPECT_LE(same, 1);  // "POP3-Server" style words may stay
}

}  // namespace
