#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "platform/FileTail.h"
#include "platform/Files.h"
#include "platform/PlatformTestSupport.h"

namespace {

using platformtest::TempDirTest;

class FoldersTest : public TempDirTest {};

TEST_F(FoldersTest, CreatesOneLevelOnly) {
    const std::string cfg = Path("Cfg");
    EXPECT_FALSE(platform::DirectoryExists(cfg));
    EXPECT_TRUE(platform::CreateDir(cfg));
    EXPECT_TRUE(platform::DirectoryExists(cfg));
    EXPECT_FALSE(platform::FileExists(cfg));
    // An existing folder, a missing parent and an empty name all fail.
    EXPECT_FALSE(platform::CreateDir(cfg));
    EXPECT_FALSE(platform::CreateDir(Path("missing") + "\\Language"));
    EXPECT_FALSE(platform::DirectoryExists(Path("missing")));
    EXPECT_FALSE(platform::CreateDir(""));
}

TEST_F(FoldersTest, TrailingSeparatorStillNamesTheFolder) {
    ASSERT_TRUE(platform::CreateDir(Path("Language")));
    EXPECT_TRUE(platform::DirectoryExists(Path("Language") + "\\"));
}

class WholeFileTest : public TempDirTest {};

TEST_F(WholeFileTest, RoundTripsEveryByte) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "\r\nGr\xC3\xBC\xC3\x9F" "e\n";
    const std::string file = Path("all.bin");
    ASSERT_TRUE(platform::WriteFileBytes(file, bytes));
    EXPECT_TRUE(platform::FileExists(file));
    EXPECT_FALSE(platform::DirectoryExists(file));
    EXPECT_EQ(platform::ReadFileBytes(file), bytes);
}

TEST_F(WholeFileTest, EmptyAndLargeFiles) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("empty"), ""));
    EXPECT_EQ(platform::ReadFileBytes(Path("empty")), std::string());
    std::string large(3 * 1024 * 1024 + 17, 'x');
    large[12345] = '\0';
    ASSERT_TRUE(platform::WriteFileBytes(Path("large"), large));
    EXPECT_EQ(platform::ReadFileBytes(Path("large")), large);
}

TEST_F(WholeFileTest, ReplacesAndLeavesNoTemporaryFile) {
    const std::string file = Path("Skimbar.ini");
    ASSERT_TRUE(platform::WriteFileBytes(file, "a long first version of the file\n"));
    ASSERT_TRUE(platform::WriteFileBytes(file, "short\n"));
    EXPECT_EQ(platform::ReadFileBytes(file), std::string("short\n"));
    std::vector<std::string> names;
    for (const auto& e : platform::ListDirectory(Path("*")))
        if (e.Name != "." && e.Name != "..") names.push_back(e.Name);
    EXPECT_EQ(names, std::vector<std::string>{"Skimbar.ini"});
}

TEST_F(WholeFileTest, FailuresAreReported) {
    EXPECT_EQ(platform::ReadFileBytes(Path("missing.txt")), std::nullopt);
    EXPECT_FALSE(platform::WriteFileBytes(Path("no-folder") + "\\x.txt", "x"));
    ASSERT_TRUE(platform::CreateDir(Path("folder")));
    EXPECT_EQ(platform::ReadFileBytes(Path("folder")), std::nullopt);
    EXPECT_FALSE(platform::WriteFileBytes(Path("folder"), "x"));
    EXPECT_TRUE(platform::DirectoryExists(Path("folder")));
    EXPECT_FALSE(platform::DeleteFile(Path("folder")));
    EXPECT_FALSE(platform::DeleteFile(Path("missing.txt")));
}

TEST_F(WholeFileTest, TailHoldsTheLastLines) {
    struct Case {
        const char* bytes;
        std::size_t lines;
        const char* tail;
    } cases[] = {
        {"a\r\nb\r\nc\r\n", 2, "b\r\nc\r\n"},
        {"a\r\nb\r\nc", 2, "b\r\nc"},
        {"a\nb\rc\r\nd\n", 3, "b\rc\r\nd\n"},
        {"a\r\n\r\nb\r\n", 2, "\r\nb\r\n"},  // an empty line counts
        {"a\r\nb\r\n", 5, "a\r\nb\r\n"},
        {"a\r\nb\r\n", 0, ""},
        {"", 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ASSERT_TRUE(platform::WriteFileBytes(Path("log"), c.bytes));
        EXPECT_EQ(platform::ReadFileTail(Path("log"), c.lines), std::optional<std::string>(c.tail));
    }
    // Lines across the reader's chunks, a CR LF split between two of them.
    std::string big(65535, 'x');
    big += "\r\nlast\r\n";
    ASSERT_TRUE(platform::WriteFileBytes(Path("log"), std::string(100000, 'y') + "\n" + big));
    EXPECT_EQ(platform::ReadFileTail(Path("log"), 2), big);
    EXPECT_EQ(platform::ReadFileTail(Path("missing"), 2), std::nullopt);
}

TEST_F(WholeFileTest, RenameNeverReplaces) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("a"), "A"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("b"), "B"));
    EXPECT_FALSE(platform::RenameFileNoReplace(Path("a"), Path("b")));
    EXPECT_EQ(platform::ReadFileBytes(Path("b")), std::optional<std::string>("B"));
    EXPECT_TRUE(platform::RenameFileNoReplace(Path("a"), Path("c")));
    EXPECT_FALSE(platform::FileExists(Path("a")));
    EXPECT_EQ(platform::ReadFileBytes(Path("c")), std::optional<std::string>("A"));
}

TEST_F(WholeFileTest, DeleteRemovesTheFile) {
    const std::string file = Path("Skimbar.ERR");
    ASSERT_TRUE(platform::WriteFileBytes(file, "row\r\n"));
    EXPECT_TRUE(platform::DeleteFile(file));
    EXPECT_FALSE(platform::FileExists(file));
}

TEST_F(WholeFileTest, ReadersNeverSeeAHalfWrittenFile) {
    // A reader running beside the writer only ever finds one whole version or the other.
    const std::string file = Path("settings.ini");
    const std::string a(256 * 1024, 'a'), b(64 * 1024, 'b');
    ASSERT_TRUE(platform::WriteFileBytes(file, a));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            const auto got = platform::ReadFileBytes(file);
            ++reads;
            if (!got || (*got != a && *got != b)) ++torn;
            // Give the writer a moment with the file closed: Windows replaces a file that is
            // open only after its readers let go. A loaded machine slows the reader, so leave
            // the writer more than a tick between reads.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    int failedWrites = 0;
    for (int i = 0; i < 60; ++i) failedWrites += !platform::WriteFileBytes(file, i % 2 ? a : b);
    done = true;
    reader.join();
    EXPECT_EQ(failedWrites, 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(torn.load(), 0);
}

class ListingTest : public TempDirTest {
protected:
    std::map<std::string, platform::DirEntry> List(const std::string& mask) {
        std::map<std::string, platform::DirEntry> out;
        for (auto& e : platform::ListDirectory(Path(mask))) out[e.Name] = e;
        return out;
    }
};

TEST_F(ListingTest, GivesNamesWithTheirAttributes) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("english.ini"), "[General]\n"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("German.INI"), "[General]\n"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("readme.txt"), "x"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("deutsch"), "x"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("secret.ini"), "x"));
    ASSERT_TRUE(platform::WriteFileBytes(Path("system.ini"), "x"));
    ASSERT_TRUE(platform::CreateDir(Path("old")));
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("secret.ini"), true, false));
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("system.ini"), false, true));

    auto all = List("*.*");
    for (const char* name : {"english.ini", "German.INI", "readme.txt", "deutsch", "secret.ini", "system.ini", "old"})
        EXPECT_EQ(all.count(name), 1u) << name;
    EXPECT_TRUE(all["old"].Directory);
    EXPECT_FALSE(all["english.ini"].Directory);
    EXPECT_FALSE(all["english.ini"].Hidden);
    EXPECT_FALSE(all["english.ini"].System);
    EXPECT_TRUE(all["secret.ini"].Hidden);
    EXPECT_FALSE(all["secret.ini"].System);
    EXPECT_TRUE(all["system.ini"].System);
    EXPECT_FALSE(all["system.ini"].Hidden);
    // The enumeration gives "." and "..", which callers skip; nothing else is there.
    for (const auto& [name, e] : all) {
        if (name == "." || name == "..") {
            EXPECT_TRUE(e.Directory) << name;
        }
    }
    std::size_t real = 0;
    for (const auto& [name, e] : all) real += name != "." && name != "..";
    EXPECT_EQ(real, 7u);

    // Marks can be taken back, and they survive a rewrite of the file.
    ASSERT_TRUE(platform::WriteFileBytes(Path("secret.ini"), "rewritten"));
    EXPECT_TRUE(List("secret.ini")["secret.ini"].Hidden);
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("secret.ini"), false, false));
    EXPECT_FALSE(List("secret.ini")["secret.ini"].Hidden);
    EXPECT_FALSE(platform::SetFileAttributesForTests(Path("missing.ini"), true, true));
}

TEST_F(ListingTest, MasksMatchWithoutRegardToCase) {
    for (const char* name : {"english.ini", "German.INI", "readme.txt", "deutsch", "a.ini.bak"})
        ASSERT_TRUE(platform::WriteFileBytes(Path(name), "x"));
    auto ini = List("*.ini");
    EXPECT_EQ(ini.size(), 2u);
    EXPECT_EQ(ini.count("english.ini"), 1u);
    EXPECT_EQ(ini.count("German.INI"), 1u);
    EXPECT_EQ(List("G?RMAN.ini").size(), 1u);
    EXPECT_EQ(List("deutsch").size(), 1u);
    EXPECT_EQ(List("nothing*").size(), 0u);
}

TEST_F(ListingTest, MissingFolderListsNothing) {
    EXPECT_TRUE(platform::ListDirectory(Path("missing") + "\\*.*").empty());
}

TEST_F(ListingTest, DeletedFileLeavesTheListing) {
    ASSERT_TRUE(platform::WriteFileBytes(Path("gone.ini"), "x"));
    ASSERT_TRUE(platform::SetFileAttributesForTests(Path("gone.ini"), true, true));
    ASSERT_TRUE(platform::DeleteFile(Path("gone.ini")));
    ASSERT_TRUE(platform::WriteFileBytes(Path("gone.ini"), "new"));
    auto e = List("*.*")["gone.ini"];
    EXPECT_FALSE(e.Hidden);
    EXPECT_FALSE(e.System);
}

struct MaskCase {
    const char* Name;
    const char* Mask;
    bool Match;
};

const MaskCase kMaskCases[] = {
    {"english.ini", "*.*", true},     {"deutsch", "*.*", true},          {".", "*.*", true},
    {"english.ini", "*", true},       {"english.ini", "*.INI", true},    {"ENGLISH.INI", "*.ini", true},
    {"english.ini", "*.in", false},   {"english.ini.bak", "*.ini", false}, {"a.ini", "?.ini", true},
    {"ab.ini", "?.ini", false},       {"readme", "readme.*", true},      {"readme.txt", "readme.*", true},
    {"readme.txt", "r*m?.t*", true},  {"x", "", false},                  {"", "", true},
    {"\xC3\xBC" "ber.ini", "?ber.ini", true},  // one character, two bytes
    {"\xC3\x9C" "BER.INI", "\xC3\xBC" "ber.ini", true},
    {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*c", false},
};

class FileMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMaskTest, MatchesAsTheEnumerationDoes) {
    const MaskCase& c = GetParam();
    EXPECT_EQ(platform::MatchesFileMask(c.Name, c.Mask), c.Match) << c.Name << " / " << c.Mask;
}

INSTANTIATE_TEST_SUITE_P(Files, FileMaskTest, ::testing::ValuesIn(kMaskCases));

}  // namespace
