#pragma once
// A program folder of its own per test: the executable path points into a fresh temporary
// folder, the command line and locale are set by the test, and the support unit is shut down
// and the folder removed afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "core/IniFile.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "support/qxGeneral.h"

namespace supporttest {

inline std::string Utf8(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// The Language folder the build puts beside the test program (copies of lang/).
inline std::filesystem::path ShippedLanguageFolder() {
    static const std::filesystem::path folder = [] {
        const std::string saved = platform::ExePath();
        platform::SetExePathForTests("");
        std::string dir = platform::ExeDir();
        platform::SetExePathForTests(saved);
        std::replace(dir.begin(), dir.end(), '\\', '/');
        return std::filesystem::u8path(dir) / "Language";
    }();
    return folder;
}

// The key names of every section of an INI file.
inline std::map<std::string, std::set<std::string>> KeysBySection(const std::string& file) {
    TIniFile ini(file);
    TStringList sections;
    ini.ReadSections(sections);
    std::map<std::string, std::set<std::string>> out;
    for (const std::string& section : sections) {
        TStringList keys;
        ini.ReadSection(section, keys);
        out[section].insert(keys.begin(), keys.end());
    }
    return out;
}

class AppFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FRoot = std::filesystem::temp_directory_path() /
                ("skimbar-support-" + std::string(info->name()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(FRoot);
        std::filesystem::create_directories(FRoot);
        UseExecutable("Skimbar.exe");
        platform::SetCommandLineForTests("Skimbar.exe");
        platform::SetLocaleForTests(9, "hh:nn");
        FinalizeQxGeneral();
    }
    void TearDown() override {
        FinalizeQxGeneral();
        platform::SetExePathForTests("");
        platform::SetCommandLineForTests("");
        platform::SetLocaleForTests(-1, "");
        std::error_code ec;
        std::filesystem::remove_all(FRoot, ec);
    }

    void UseExecutable(const std::string& name) {
        platform::SetExePathForTests(Utf8(FRoot / name));
    }
    // A path below the program folder, with "/" between the parts ("Cfg/Skimbar.ini").
    std::filesystem::path At(const std::string& relative) const { return FRoot / relative; }
    std::string AtUtf8(const std::string& relative) const { return Utf8(At(relative)); }

    void WriteFile(const std::string& relative, const std::string& bytes) const {
        std::filesystem::create_directories(At(relative).parent_path());
        std::ofstream out(At(relative), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(At(relative), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(At(relative)); }

    // Language files with a [General] section of the given lines.
    void WriteLanguage(const std::string& fileName, const std::string& generalLines) const {
        WriteFile("Language/" + fileName, "[General]\r\n" + generalLines);
    }
    void StoreActiveLanguage(const std::string& name) const {
        WriteFile("Cfg/Skimbar.ini", "[General]\r\nActiveLanguage=" + name + "\r\n");
    }

    std::filesystem::path FRoot;
};

}  // namespace supporttest
