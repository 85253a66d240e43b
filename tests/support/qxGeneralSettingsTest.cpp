// Settings file, folders beside the executable and the typed remembering access.
#include <memory>

#include "SupportTestEnv.h"
#include "core/Component.h"
#include "core/Exception.h"

namespace {

using supporttest::AppFolderTest;

std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

class SettingsTest : public AppFolderTest {};

TEST_F(SettingsTest, FoldersFollowTheExecutable) {
    const std::string appDir = GetAppDir();
    ASSERT_FALSE(appDir.empty());
    EXPECT_EQ(appDir.back(), '\\');

    EXPECT_FALSE(Exists("Cfg"));
    UseExecutable("Other.exe");
    const std::string cfg = GetCfgIniFileName();
    EXPECT_EQ(cfg, GetAppDir() + "Cfg\\Other.ini");
    EXPECT_TRUE(std::filesystem::is_directory(At("Cfg")));  // computing the name creates it

    const std::string lang = ForceAppSubDir("Language");
    EXPECT_EQ(lang, GetAppDir() + "Language");
    EXPECT_TRUE(std::filesystem::is_directory(At("Language")));
    EXPECT_EQ(ForceAppSubDir("Language"), lang);  // existing folder: same answer
}

TEST_F(SettingsTest, AddBackslashAppendsOnlyWhenMissing) {
    EXPECT_EQ(AddBackslash("C:\\Tools"), "C:\\Tools\\");
    EXPECT_EQ(AddBackslash("C:\\Tools\\"), "C:\\Tools\\");
    EXPECT_EQ(AddBackslash(""), "\\");
}

TEST_F(SettingsTest, FolderThatCannotBeCreatedStopsStartUp) {
    WriteFile("Cfg", "a file where the folder should be");
    const std::string expected = "Error creating Directory " + GetAppDir() + "Cfg";
    EXPECT_EQ(MessageOf([] { ForceAppSubDir("Cfg"); }), expected);
    EXPECT_EQ(MessageOf([] { InitializeQxGeneral(); }), expected);
    EXPECT_EQ(CfgIniFile, nullptr);
}

TEST_F(SettingsTest, TypedAccessNeedsTheSettingsObject) {
    TComponent c(nullptr);
    c.SetName("X");
    const std::string nil = "qxGeneral.CfgIniFile=nil";
    EXPECT_EQ(MessageOf([&] { WriteRemanentBool(&c, true); }), nil);
    EXPECT_EQ(MessageOf([&] { ReadRemanentBool(&c, true); }), nil);
    EXPECT_EQ(MessageOf([&] { WriteRemanentInteger(&c, 1); }), nil);
    EXPECT_EQ(MessageOf([&] { ReadRemanentInteger(&c, 1); }), nil);
    EXPECT_EQ(MessageOf([&] { WriteRemanentString(&c, "a"); }), nil);
    EXPECT_EQ(MessageOf([&] { ReadRemanentString(&c, "a"); }), nil);
}

TEST_F(SettingsTest, FirstStartCreatesTheFolderButNoFile) {
    InitializeQxGeneral();
    ASSERT_NE(CfgIniFile, nullptr);
    EXPECT_EQ(CfgIniFile->FileName(), GetAppDir() + "Cfg\\Skimbar.ini");
    EXPECT_TRUE(std::filesystem::is_directory(At("Cfg")));
    EXPECT_FALSE(Exists("Cfg/Skimbar.ini"));
    FinalizeQxGeneral();
    EXPECT_EQ(CfgIniFile, nullptr);
}

TEST_F(SettingsTest, ValueEncodingsReadBack) {
    WriteFile("Cfg/Skimbar.ini",
              "[Integer]\r\nF.hex=0x1F\r\nF.HEXUPPER=0X10\r\nF.letters=abc\r\nF.neg=-12\r\n"
              "[boolean]\r\nf.two=2\r\nF.letters=xyz\r\nF.zero=0\r\n"
              "[String]\r\nF.quoted=  \"hello world\"  \r\nF.empty=\r\n");
    InitializeQxGeneral();
    TComponent form(nullptr);
    form.SetName("F");
    auto child = [&form](const char* name) {
        auto* c = new TComponent(&form);
        c->SetName(name);
        return c;
    };

    EXPECT_EQ(ReadRemanentInteger(child("hex"), 5), 31);
    EXPECT_EQ(ReadRemanentInteger(child("hexupper"), 5), 16);
    EXPECT_EQ(ReadRemanentInteger(child("letters"), 5), 5);
    EXPECT_EQ(ReadRemanentInteger(child("neg"), 5), -12);
    EXPECT_EQ(ReadRemanentInteger(child("missingInt"), 7), 7);

    EXPECT_TRUE(ReadRemanentBool(child("two"), false));
    TComponent* letters = form.FindComponent("letters");
    EXPECT_TRUE(ReadRemanentBool(letters, true));
    EXPECT_FALSE(ReadRemanentBool(letters, false));
    EXPECT_FALSE(ReadRemanentBool(child("zero"), true));
    EXPECT_TRUE(ReadRemanentBool(child("missingBool"), true));

    EXPECT_EQ(ReadRemanentString(child("quoted"), "d"), "hello world");
    EXPECT_EQ(ReadRemanentString(child("empty"), "d"), "");
    EXPECT_EQ(ReadRemanentString(child("missingText"), "d"), "d");
}

TEST_F(SettingsTest, WritesReachTheFileAtOnce) {
    InitializeQxGeneral();
    TComponent form(nullptr);
    form.SetName("SetupForm");
    auto* box = new TComponent(&form);
    box->SetName("StayOnTopqxCheckBox");
    auto* spin = new TComponent(&form);
    spin->SetName("qxUpDown1");
    auto* edit = new TComponent(&form);
    edit->SetName("PasswordqxEdit");

    WriteRemanentBool(box, false);
    WriteRemanentInteger(spin, -32768);
    WriteRemanentString(edit, "p ä=ss");
    const std::string file = ReadFile("Cfg/Skimbar.ini");
    EXPECT_NE(file.find("[Boolean]"), std::string::npos);
    EXPECT_NE(file.find("SetupForm.StayOnTopqxCheckBox=0"), std::string::npos);
    EXPECT_NE(file.find("[Integer]"), std::string::npos);
    EXPECT_NE(file.find("SetupForm.qxUpDown1=-32768"), std::string::npos);
    EXPECT_NE(file.find("[String]"), std::string::npos);
    EXPECT_NE(file.find("SetupForm.PasswordqxEdit=p ä=ss"), std::string::npos);

    EXPECT_FALSE(ReadRemanentBool(box, true));
    WriteRemanentBool(box, true);
    EXPECT_TRUE(ReadRemanentBool(box, false));
    EXPECT_EQ(ReadRemanentInteger(spin, 0), -32768);
    EXPECT_EQ(ReadRemanentString(edit, ""), "p ä=ss");
    // Blanks at the ends and enclosing quotes are part of a password.
    for (const char* typed : {" secret ", "\"secret\"", "'s'"}) {
        WriteRemanentString(edit, typed);
        EXPECT_EQ(ReadRemanentString(edit, ""), typed);
    }
}

TEST_F(SettingsTest, UnwritableFileRaisesWithItsPath) {
    InitializeQxGeneral();
    std::filesystem::create_directories(At("Cfg/Skimbar.ini"));  // a folder in the file's place
    TComponent c(nullptr);
    c.SetName("X");
    EXPECT_EQ(MessageOf([&] { WriteRemanentString(&c, "v"); }),
              "nach " + CfgIniFile->FileName() + " kann nicht geschrieben werden");
}

TEST_F(SettingsTest, RemanentKeyFollowsTheOwnerChain) {
    TComponent form(nullptr);
    form.SetName("SetupForm");
    auto* named = new TComponent(&form);
    named->SetName("PasswordqxEdit");
    auto* unnamed = new TComponent(&form);
    auto* belowUnnamed = new TComponent(unnamed);
    belowUnnamed->SetName("Inner");
    auto* deep = new TComponent(named);
    deep->SetName("Deep");
    TComponent alone(nullptr);
    alone.SetName("Alone");
    TComponent nameless(nullptr);
    TComponent unnamedRoot(nullptr);
    auto* underUnnamedRoot = new TComponent(&unnamedRoot);
    underUnnamedRoot->SetName("Child");

    EXPECT_EQ(GetRemanentKey(named), "SetupForm.PasswordqxEdit");
    EXPECT_EQ(GetRemanentKey(deep), "SetupForm.PasswordqxEdit.Deep");
    EXPECT_EQ(GetRemanentKey(unnamed), "SetupForm");  // empty name: the owner's path
    EXPECT_EQ(GetRemanentKey(belowUnnamed), "SetupForm.Inner");
    EXPECT_EQ(GetRemanentKey(&alone), "Alone");
    EXPECT_EQ(GetRemanentKey(underUnnamedRoot), "Child");  // no named owner: its name alone
    EXPECT_EQ(GetRemanentKey(&nameless), "");
    EXPECT_EQ(GetRemanentKey(nullptr), "");
}

}  // namespace
