// The settings file is replaced with the platform's whole-file write: what the user set on
// the file (no writing, its permissions, a link to it) survives a write of the program.
#include <filesystem>

#include "SupportTestEnv.h"
#include "core/Exception.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using supporttest::AppFolderTest;
namespace fs = std::filesystem;

class SettingsReplaceTest : public AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        WriteFile("Cfg/Skimbar.ini", "[General]\r\nPassword=secret\r\n");
    }
};

TEST_F(SettingsReplaceTest, ReadOnlyFileIsNotReplaced) {
    fs::permissions(At("Cfg/Skimbar.ini"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    InitializeQxGeneral();
    ASSERT_NE(CfgIniFile, nullptr);
    EXPECT_THROW(CfgIniFile->WriteString("General", "Password", "other"), EInOutError);
    EXPECT_EQ(ReadFile("Cfg/Skimbar.ini"), "[General]\r\nPassword=secret\r\n");
    fs::permissions(At("Cfg/Skimbar.ini"), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(SettingsReplaceTest, WritesLeaveNoTemporaryFilesAndNoExtraLanguages) {
    WriteLanguage("English.ini", "Name=English\r\n");
    InitializeQxGeneral();
    ASSERT_NE(CfgIniFile, nullptr);
    for (int i = 0; i < 20; ++i) CfgIniFile->WriteInteger("General", "Count", i);
    EXPECT_EQ(CfgIniFile->ReadInteger("General", "Count", -1), 19);
    int files = 0;
    for (const auto& e : fs::directory_iterator(At("Cfg"))) {
        ++files;
        EXPECT_EQ(e.path().filename(), "Skimbar.ini");
    }
    EXPECT_EQ(files, 1);
    const TStrings& languages = GetLanguageList();
    ASSERT_EQ(languages.Count(), 1);
    EXPECT_EQ(languages[0], "english.ini");
}

#ifndef _WIN32
TEST_F(SettingsReplaceTest, PermissionsStay) {
    fs::permissions(At("Cfg/Skimbar.ini"), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    InitializeQxGeneral();
    CfgIniFile->WriteString("General", "Password", "other");
    struct stat st{};
    ASSERT_EQ(::stat(AtUtf8("Cfg/Skimbar.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(CfgIniFile->ReadString("General", "Password", ""), "other");
}

TEST_F(SettingsReplaceTest, LinkStaysALink) {
    fs::rename(At("Cfg/Skimbar.ini"), At("real.ini"));
    fs::create_symlink(At("real.ini"), At("Cfg/Skimbar.ini"));
    InitializeQxGeneral();
    CfgIniFile->WriteString("General", "Password", "other");
    EXPECT_TRUE(fs::is_symlink(At("Cfg/Skimbar.ini")));
    EXPECT_EQ(ReadFile("real.ini"), "[General]\r\nPassword=other\r\n");
}
#endif

}  // namespace
