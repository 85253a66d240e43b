// The main window's texts in the language files: the template that -ExportLanguage writes
// holds every key of the shipped files' [TMainForm] and no other, and a translation made
// from it translates the bar's hint.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/MainFormFixture.h"
#include "core/IniFile.h"
#include "platform/Process.h"

namespace {

using maintest::MainFormTest;

TEST_F(MainFormTest, ExportedMainFormKeysAreExactlyThoseOfEachShippedFile) {
    WriteSettings("127.0.0.1:1");
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    Start();
    const auto exported = supporttest::KeysBySection(AtUtf8("Language/language.ini"));
    ASSERT_EQ(exported.count("TMainForm"), 1u);
    const std::set<std::string>& keys = exported.at("TMainForm");
    EXPECT_EQ(keys.count("TMainForm.Hint"), 1u);
    for (const char* file : {"english.ini", "german.ini"}) {
        SCOPED_TRACE(file);
        const auto shipped =
            supporttest::KeysBySection(supporttest::Utf8(supporttest::ShippedLanguageFolder() / file));
        ASSERT_EQ(shipped.count("TMainForm"), 1u);
        EXPECT_EQ(shipped.at("TMainForm"), keys);
    }
}

TEST_F(MainFormTest, TranslationMadeFromTheTemplateTranslatesTheBarsHint) {
    WriteSettings("127.0.0.1:1", "secret", "ActiveLanguage=ENGLISH\r\n");
    std::filesystem::create_directories(At("Language"));
    std::filesystem::copy_file(supporttest::ShippedLanguageFolder() / "english.ini", At("Language/english.ini"));
    platform::SetCommandLineForTests("Skimbar.exe -ExportLanguage");
    Start();
    Stop();
    TqxApplicationEvents::ReleaseInstanceLocksForTests();  // the first run has ended
    // The translator's work: every text of the template in the new language.
    std::filesystem::rename(At("Language/language.ini"), At("Language/pirate.ini"));
    TIniFile pirate(AtUtf8("Language/pirate.ini"));
    ASSERT_EQ(pirate.ReadString("TMainForm", "TMainForm.Hint", ""), "Click to open your standard mail program");
    pirate.WriteString("TMainForm", "TMainForm.Hint", "Click, matey");
    pirate.WriteString("TMainForm", "TMainForm.QuitAction.Caption", "Abandon ship");

    platform::SetCommandLineForTests("Skimbar.exe");
    Session = std::make_unique<ui::headless::TSession>();
    Start();
    ASSERT_EQ(Form->ActiveLanguage, "ENGLISH");
    EXPECT_EQ(Form->Hint(), "Click to open your standard mail program");
    TMenuItem* choice = nullptr;
    for (int i = 0; i < Form->LanguageItem->Count(); ++i)
        if (Form->LanguageItem->Items(i)->Caption() == "PIRATE") choice = Form->LanguageItem->Items(i);
    ASSERT_NE(choice, nullptr);
    Form->LanguageItemClick(choice);
    EXPECT_EQ(Form->Hint(), "Click, matey");
    EXPECT_EQ(Form->QuitAction->Caption(), "Abandon ship");
}

}  // namespace
