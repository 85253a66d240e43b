#include <gtest/gtest.h>

#include "core/Exception.h"
#include "core/IniFile.h"
#include "core/IniQuoting.h"
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

TEST_F(IniFileTest, IntegerTexts) {
    struct C { const char* text; int value; };
    const C cases[] = {
        {"12", 12},  {" 12 ", 12},  {"-5", -5},       {"0x1F", 31},  {"0X1f", 31},
        {"$1F", 31}, {"0x", -1},    {"abc", -1},      {"", -1},      {"2147483648", -1},
        {"0xFFFFFFFF", -1}, {"0x7FFFFFFF", 2147483647}, {"1e3", -1}, {"\"7\"", 7},
    };
    for (const C& c : cases) {
        WriteBytes(file, std::string("[Integer]\r\nk=") + c.text + "\r\n");
        EXPECT_EQ(TIniFile(file).ReadInteger("Integer", "k", -1), c.value) << c.text;
    }
    TIniFile ini(file);
    ini.WriteInteger("Integer", "n", -2147483647 - 1);
    EXPECT_EQ(ini.ReadString("Integer", "n", ""), "-2147483648");
    EXPECT_EQ(ini.ReadInteger("Integer", "n", 0), -2147483647 - 1);
    ini.WriteBool("Boolean", "t", true);
    ini.WriteBool("Boolean", "f", false);
    EXPECT_EQ(ini.ReadString("Boolean", "t", ""), "1");
    EXPECT_EQ(ini.ReadString("Boolean", "f", ""), "0");
}

TEST_F(IniFileTest, NothingIsCached) {
    TIniFile a(file), b(file);
    a.WriteString("S", "k", "1");
    EXPECT_EQ(b.ReadString("S", "k", ""), "1");
    b.WriteString("S", "k", "2");
    EXPECT_EQ(a.ReadString("S", "k", ""), "2");
    WriteBytes(file, "[S]\r\nk=3\r\n");
    EXPECT_EQ(a.ReadString("S", "k", ""), "3");
    std::filesystem::remove(coretest::U8Path(file));
    EXPECT_EQ(a.ReadString("S", "k", "gone"), "gone");
}

TEST_F(IniFileTest, EncodingOfReadAndWrittenFiles) {
    // An old file in the Western code page: read as such, written back as UTF-8.
    WriteBytes(file, "[Sprache]\r\nName=Deutsch f\xFCr K\xF6ln\r\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("sprache", "name", ""), "Deutsch für Köln");
    ini.WriteString("Sprache", "Neu", "Größe €");
    EXPECT_EQ(ReadBytes(file), "[Sprache]\r\nName=Deutsch für Köln\r\nNeu=Größe €\r\n");
    // A byte order mark is read over and not written again.
    WriteBytes(file, "\xEF\xBB\xBF[S]\r\nk=grün\r\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "grün");
    ini.WriteString("S", "x", "1");
    EXPECT_EQ(ReadBytes(file), "[S]\r\nk=grün\r\nx=1\r\n");
}

TEST_F(IniFileTest, OneStrayWesternByteSpoilsNoOtherLine) {
    WriteBytes(file, "[TSetupForm]\r\nA=Schlie\xC3\x9F" "en\r\nB=M\xFC" "nchen\r\nC=Gr\xC3\xBC\xC3\x9F" "e\r\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("TSetupForm", "A", ""), "Schließen");
    EXPECT_EQ(ini.ReadString("TSetupForm", "B", ""), "München");
    EXPECT_EQ(ini.ReadString("TSetupForm", "C", ""), "Grüße");
}

TEST_F(IniFileTest, QuotedValuesReadBackExactly) {
    TIniFile ini(file);
    const char* texts[] = {"Background color ", " lead", "\"Quoted\"", "'single'", "\"", "a \"b\"", "\t", "plain"};
    int i = 0;
    for (const char* text : texts) ini.WriteString("S", std::to_string(i++), IniQuoted(text));
    ini.WriteString("S", "empty", IniQuoted("", true));
    ini.WriteString("S", "bare", IniQuoted(""));
    i = 0;
    for (const char* text : texts) EXPECT_EQ(ini.ReadString("S", std::to_string(i++), "?"), text);
    EXPECT_EQ(IniQuoted("plain"), "plain");  // nothing added where nothing is lost
    const std::vector<TIniEntry> entries = ReadSectionEntries(ini, "S");
    ASSERT_EQ(entries.size(), 10u);
    EXPECT_TRUE(entries[8].Quoted);
    EXPECT_EQ(entries[8].Value, "");
    EXPECT_FALSE(entries[9].Quoted);
    EXPECT_FALSE(entries[7].Quoted);
}

TEST_F(IniFileTest, UnicodePath) {
    const std::string folder = dir.File("Grüße Ω");
    std::filesystem::create_directory(coretest::U8Path(folder));
    const std::string path = folder + "/Einstellungen ä.ini";
    TIniFile ini(path);
    ini.WriteString("S", "k", "v");
    EXPECT_EQ(TIniFile(path).ReadString("S", "k", ""), "v");
    EXPECT_TRUE(std::filesystem::exists(coretest::U8Path(path)));
}

TEST_F(IniFileTest, ReplaceLeavesNoTemporaryFiles) {
    TIniFile ini(file);
    for (int i = 0; i < 20; ++i) ini.WriteInteger("S", "k" + std::to_string(i % 3), i);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(ini.ReadInteger("S", "k1", 0), 19);
}

TEST_F(IniFileTest, FailedReplaceKeepsNothingBehind) {
    // The target is a folder: the new file cannot take its place.
    std::filesystem::create_directory(coretest::U8Path(file));
    std::filesystem::create_directory(coretest::U8Path(file + "/inner"));
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "k", "d"), "d");
    EXPECT_THROW(ini.WriteString("S", "k", "v"), EInOutError);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // only the folder, no temporary file
}

TEST_F(IniFileTest, SectionListings) {
    WriteBytes(file,
               "top=0\r\n[Tree]\r\n0=Root\r\n; note\r\n1=\r\n0=Again\r\n2 = \"two\" \r\n"
               "junk\r\n[Empty]\r\n; only a comment\r\n[Other]\r\nx=1\r\n");
    TIniFile ini(file);
    TStringList list;
    ini.ReadSection("tree", list);
    EXPECT_EQ(list.Text(), "0\r\n1\r\n0\r\n2\r\n");
    ini.ReadSectionValues("TREE", list);
    EXPECT_EQ(list.Text(), "0=Root\r\n1=\r\n0=Root\r\n2=two\r\n");
    ini.ReadSections(list);
    EXPECT_EQ(list.Text(), "Tree\r\nEmpty\r\nOther\r\n");
    ini.ReadSection("Missing", list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(ini.SectionExists("tree"));
    EXPECT_FALSE(ini.SectionExists("Empty"));  // no keys: as the runtime tells it
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("Tree", "1"));
    EXPECT_TRUE(ini.ValueExists("OTHER", "X"));
    EXPECT_FALSE(ini.ValueExists("Tree", "junk"));
    EXPECT_FALSE(ini.ValueExists("Tree", "x"));
    EXPECT_EQ(ini.ReadString("", "top", ""), "0");
}

TEST_F(IniFileTest, DeletingTouchesOnlyExistingFiles) {
    TIniFile ini(file);
    ini.DeleteKey("S", "k");
    ini.EraseSection("S");
    EXPECT_FALSE(std::filesystem::exists(coretest::U8Path(file)));
    WriteBytes(file, "[A]\r\nk=1\r\n\r\n[S]\r\nk=1\r\nj=2\r\n\r\n[B]\r\nk=1\r\n");
    ini.DeleteKey("s", "K");
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n\r\n[S]\r\nj=2\r\n\r\n[B]\r\nk=1\r\n");
    ini.EraseSection("S");
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n\r\n[B]\r\nk=1\r\n");
    ini.EraseSection("A");
    ini.EraseSection("B");
    EXPECT_EQ(ReadBytes(file), "");
    ini.WriteString("C", "k", "v");
    EXPECT_EQ(ReadBytes(file), "[C]\r\nk=v\r\n");
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
