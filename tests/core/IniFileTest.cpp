#include <gtest/gtest.h>

#include "core/Exception.h"
#include "core/IniFile.h"
#include "CoreTestUtil.h"

using coretest::ReadBytes;
using coretest::TempDir;
using coretest::WriteBytes;

namespace {

class IniFileTest : public testing::Test {
protected:
    TempDir dir;
    std::string file = dir.File("test.ini");
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "K", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "K", true));
    EXPECT_FALSE(std::filesystem::exists(coretest::U8Path(file)));
    ini.WriteString("General", "ActiveLanguage", "german");
    EXPECT_EQ(ReadBytes(file), "[General]\r\nActiveLanguage=german\r\n");
    EXPECT_EQ(ini.ReadString("general", "ACTIVELANGUAGE", ""), "german");
}

TEST_F(IniFileTest, WritesKeepOtherLinesAndOrder) {
    WriteBytes(file, "; comment\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    TIniFile ini(file);
    ini.WriteInteger("a", "X", 5);
    ini.WriteInteger("A", "z", 6);
    ini.WriteBool("C", "flag", true);
    EXPECT_EQ(ReadBytes(file), "; comment\r\n[A]\r\nx=5\r\nz=6\r\n\r\n[B]\r\ny=2\r\n[C]\r\nflag=1\r\n");
}

TEST_F(IniFileTest, IntegerAndBooleanEncodings) {
    WriteBytes(file, "[Integer]\nh=0x1F\nl=abc\ns=0x\nn=-12\n[Boolean]\nb=2\nz=0\nw=yes\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("Integer", "h", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Integer", "l", 9), 9);
    EXPECT_EQ(ini.ReadInteger("Integer", "s", 9), 9);
    EXPECT_EQ(ini.ReadInteger("Integer", "n", 0), -12);
    EXPECT_TRUE(ini.ReadBool("Boolean", "b", false));
    EXPECT_FALSE(ini.ReadBool("Boolean", "z", true));
    EXPECT_TRUE(ini.ReadBool("Boolean", "w", true));
    EXPECT_FALSE(ini.ReadBool("Boolean", "w", false));
}

TEST_F(IniFileTest, UnwritableFileRaisesWithPath) {
    TIniFile ini(dir.File("no_such_folder/x.ini"));
    try {
        ini.WriteString("S", "K", "v");
        FAIL() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "nach " + ini.FileName() + " kann nicht geschrieben werden");
    }
}

}  // namespace
