#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/PlatformTestSupport.h"

namespace {

struct PathCase {
    const char* Path;
    const char* Folder;
    const char* Name;
    const char* Ini;  // ChangeFileExt(path, ".ini")
    const char* Ext;
};

const PathCase kPathCases[] = {
    {"C:\\Tools\\Skimbar.exe", "C:\\Tools\\", "Skimbar.exe", "C:\\Tools\\Skimbar.ini", ".exe"},
    {"/opt/skimbar/Skimbar.exe", "/opt/skimbar/", "Skimbar.exe", "/opt/skimbar/Skimbar.ini", ".exe"},
    {"C:\\Tools/mixed\\Skim.bar.exe", "C:\\Tools/mixed\\", "Skim.bar.exe", "C:\\Tools/mixed\\Skim.bar.ini", ".exe"},
    {"C:\\a.b\\noext", "C:\\a.b\\", "noext", "C:\\a.b\\noext.ini", ""},
    {"C:Skimbar.exe", "C:", "Skimbar.exe", "C:Skimbar.ini", ".exe"},
    {"Skimbar", "", "Skimbar", "Skimbar.ini", ""},
    {"C:\\Tools\\", "C:\\Tools\\", "", "C:\\Tools\\.ini", ""},
    {"", "", "", ".ini", ""},
    {"C:\\Tools\\.hidden", "C:\\Tools\\", ".hidden", "C:\\Tools\\.ini", ".hidden"},
};

class PathSplitTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathSplitTest, SplitsAtBothSeparators) {
    const PathCase& c = GetParam();
    EXPECT_EQ(platform::ExtractFilePath(c.Path), c.Folder);
    EXPECT_EQ(platform::ExtractFileName(c.Path), c.Name);
    EXPECT_EQ(platform::ChangeFileExt(c.Path, ".ini"), c.Ini);
    EXPECT_EQ(platform::ExtractFileExt(c.Path), c.Ext);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathSplitTest, ::testing::ValuesIn(kPathCases));

TEST(ExePathTest, NamesTheRunningExecutable) {
    const std::string exe = platform::ExePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(platform::FileExists(exe)) << exe;
    EXPECT_EQ(platform::ExeDir(), platform::ExtractFilePath(exe));
    EXPECT_TRUE(platform::DirectoryExists(platform::ExeDir()));
    EXPECT_NE(platform::ExtractFileName(exe).find("skimbar"), std::string::npos);
}

TEST(ExePathTest, TestsCanPointItElsewhereAndBack) {
    const std::string real = platform::ExePath();
    platform::SetExePathForTests("C:\\Elsewhere\\Other.exe");
    EXPECT_EQ(platform::ExePath(), "C:\\Elsewhere\\Other.exe");
    EXPECT_EQ(platform::ExeDir(), "C:\\Elsewhere\\");
    platform::SetExePathForTests("");
    EXPECT_EQ(platform::ExePath(), real);
}

}  // namespace
