#include <gtest/gtest.h>

#include "platform/PlatformTestSupport.h"
#include "platform/Process.h"

namespace {

using platformtest::GetEnv;
using platformtest::SetEnv;
using platformtest::UnsetEnv;

struct SplitCase {
    const char* Line;
    std::vector<std::string> Args;
};

const SplitCase kSplitCases[] = {
    {"prog.exe", {"prog.exe"}},
    {"  prog.exe   a  b ", {"prog.exe", "a", "b"}},
    {"\"C:\\Program Files\\x.exe\" /mailurl:%1", {"C:\\Program Files\\x.exe", "/mailurl:%1"}},
    {"p \"two words\" three", {"p", "two words", "three"}},
    {"p a\"b c\"d", {"p", "ab cd"}},
    {"p C:\\path\\ end\\", {"p", "C:\\path\\", "end\\"}},
    {"p a\\\\\"b c\"", {"p", "a\\b c"}},       // 2n backslashes: n, quote opens
    {"p a\\\"b", {"p", "a\"b"}},              // 2n+1: n and a literal quote
    {"p \"a \"\"quoted\"\" word\"", {"p", "a \"quoted\" word"}},
    {"p \"\"", {"p", ""}},
    {"\"C:\\dir\\prog\"arg", {"C:\\dir\\prog", "arg"}},
    {"C:\\dir\\prog\\ x", {"C:\\dir\\prog\\", "x"}},  // the program name has no escapes
    {"", {}},
    {"   ", {}},
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, FollowsTheWindowsRuntime) {
    EXPECT_EQ(platform::SplitCommandLine(GetParam().Line), GetParam().Args) << GetParam().Line;
}

INSTANTIATE_TEST_SUITE_P(Process, SplitCommandLineTest, ::testing::ValuesIn(kSplitCases));

TEST(SplitArgumentsTest, HasNoProgramName) {
    EXPECT_EQ(platform::SplitArguments("\"a b\" c"), (std::vector<std::string>{"a b", "c"}));
    EXPECT_TRUE(platform::SplitArguments(" ").empty());
}

TEST(ParamStrTest, AnswersFromTheCommandLine) {
    platform::SetCommandLineForTests("C:\\Tools\\Skimbar.exe /ExportLanguage \"two words\"");
    EXPECT_EQ(platform::ParamCount(), 2);
    EXPECT_EQ(platform::ParamStr(0), "C:\\Tools\\Skimbar.exe");
    EXPECT_EQ(platform::ParamStr(1), "/ExportLanguage");
    EXPECT_EQ(platform::ParamStr(2), "two words");
    EXPECT_EQ(platform::ParamStr(3), "");
    EXPECT_EQ(platform::ParamStr(-1), "");
    platform::SetCommandLineForTests("");
    // The real command line of this test run.
    EXPECT_EQ(platform::ParamStr(0), platform::ExePath());
    EXPECT_EQ(platform::ParamStr(platform::ParamCount() + 1), "");
}

// The same table runs against ExpandEnvironmentStringsW under Wine, which keeps the stand-in
// honest.
struct ExpandCase {
    const char* Text;
    const char* Expanded;
};

const ExpandCase kExpandCases[] = {
    {"%SKIMBAR_T_X%", "abc"},
    {"a%SKIMBAR_T_X%b", "aabcb"},
    {"%skimbar_t_x%", "abc"},
    {"%SKIMBAR_T_X%%SKIMBAR_T_Y%", "abcC:\\Y Dir"},
    {"\"%SKIMBAR_T_Y%\\prog.exe\" /mailurl:%1", "\"C:\\Y Dir\\prog.exe\" /mailurl:%1"},
    {"%SKIMBAR_T_UNKNOWN%", "%SKIMBAR_T_UNKNOWN%"},
    {"%SKIMBAR_T_UNKNOWN%SKIMBAR_T_X%", "%SKIMBAR_T_UNKNOWN%SKIMBAR_T_X%"},
    {"%SKIMBAR_T_UNKNOWN%%SKIMBAR_T_X%", "%SKIMBAR_T_UNKNOWN%abc"},
    {"100%", "100%"},
    {"%%", "%%"},
    {"%", "%"},
    {"no references", "no references"},
    {"", ""},
    {"%SKIMBAR_T_EMPTYISH%|", "|"},
};

class ExpandTest : public ::testing::TestWithParam<ExpandCase> {
protected:
    void SetUp() override {
        SetEnv("SKIMBAR_T_X", "abc");
        SetEnv("SKIMBAR_T_Y", "C:\\Y Dir");
        SetEnv("SKIMBAR_T_EMPTYISH", "");
        UnsetEnv("SKIMBAR_T_UNKNOWN");
    }
    void TearDown() override {
        UnsetEnv("SKIMBAR_T_X");
        UnsetEnv("SKIMBAR_T_Y");
        UnsetEnv("SKIMBAR_T_EMPTYISH");
    }
};

TEST_P(ExpandTest, ReplacesKnownReferences) {
    EXPECT_EQ(platform::ExpandEnvironmentStrings(GetParam().Text), GetParam().Expanded) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Process, ExpandTest, ::testing::ValuesIn(kExpandCases));

// WinExec starts this test binary again; the child test writes its arguments to a file.
class WinExecTest : public platformtest::TempDirTest {
protected:
    std::optional<std::string> RunChild(const std::string& commandLine) {
        const std::string marker = Path("marker.txt");
        SetEnv(platformtest::kChildMarker, marker);
        const unsigned rc = platform::WinExec(commandLine, 1);
        UnsetEnv(platformtest::kChildMarker);
        EXPECT_GE(rc, 32u) << commandLine;
        if (rc < 32) return std::nullopt;
        return platformtest::WaitForFile(marker, platformtest::kChildTimeout);
    }
};

TEST_F(WinExecTest, StartsAProgramWithItsArguments) {
    const auto got = RunChild(platformtest::ChildCommand("PlatformChild.DISABLED_WriteArguments") +
                              " \"two words\" plain");
    ASSERT_TRUE(got.has_value()) << "the child did not run";
    EXPECT_NE(got->find("|two words|"), std::string::npos) << *got;
    EXPECT_NE(got->find("|plain|"), std::string::npos) << *got;
}

TEST_F(WinExecTest, FindsAnUnquotedProgramPathWithBlanks) {
    // The command of a mail program has its quotes removed; the blanks must still resolve.
    const std::string folder = Path("mail program");
    ASSERT_TRUE(platform::CreateDir(folder));
    const std::string copy = platformtest::Join(folder, platform::ExtractFileName(platform::ExePath()));
    std::filesystem::copy_file(platformtest::FsPath(platform::ExePath()), platformtest::FsPath(copy));
    std::string command = copy + " --gtest_filter=PlatformChild.DISABLED_WriteArguments --gtest_also_run_disabled_tests ";
#ifndef _WIN32
    for (char& c : command)
        if (c == '/') c = '\\';  // as program code writes it
#endif
    const auto got = RunChild(command);
    ASSERT_TRUE(got.has_value()) << "the child did not run";
    EXPECT_NE(got->find("mail program"), std::string::npos) << *got;
}

TEST_F(WinExecTest, MissingProgramsFail) {
    EXPECT_EQ(platform::WinExec(Path("no-such-program.exe"), 1), 2u);
    EXPECT_LT(platform::WinExec(Path("no-such-folder") + "\\program.exe /x", 1), 32u);
    EXPECT_LT(platform::WinExec("", 1), 32u);
    EXPECT_LT(platform::WinExec("   ", 1), 32u);
    // A command cut before its "/" leaves a blank; an empty program still fails.
    EXPECT_LT(platform::WinExec("\"\" /mailurl:%1", 1), 32u);
}

TEST_F(WinExecTest, AFolderIsNoProgram) {
    ASSERT_TRUE(platform::CreateDir(Path("folder")));
    EXPECT_LT(platform::WinExec(Path("folder"), 1), 32u);
}

#ifndef _WIN32
TEST(WinExecPosixTest, SearchesThePath) {
    EXPECT_EQ(platform::WinExec("true", 1), 33u);
    EXPECT_EQ(platform::WinExec("/bin/true --ignored", 1), 33u);
    EXPECT_EQ(platform::WinExec("skimbar-no-such-program-anywhere", 1), 2u);
}
#endif

// Run only as a child of the tests above.
TEST(PlatformChild, DISABLED_WriteArguments) {
    const std::string marker = GetEnv(platformtest::kChildMarker);
    ASSERT_FALSE(marker.empty());
    std::string out = platform::ExePath() + "\n";
    for (int i = 1; i <= platform::ParamCount(); ++i) out += "|" + platform::ParamStr(i) + "|\n";
    ASSERT_TRUE(platform::WriteFileBytes(marker, out));
}

}  // namespace
