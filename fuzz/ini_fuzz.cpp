// INI text from the fuzzer: every reader must cope, and a write must read back.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/IniFile.h"
#include "core/Strings.h"
#include "core/Text.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

const std::string& TempFile() {
    static const std::string path = [] {
        const std::u8string s = (std::filesystem::temp_directory_path() /
                                 ("skimbar_ini_fuzz_" + std::to_string(getpid()) + ".ini"))
                                    .u8string();
        return std::string(s.begin(), s.end());
    }();
    return path;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& file = TempFile();
    {
        std::ofstream f(std::filesystem::path(std::u8string(file.begin(), file.end())),
                        std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TIniFile ini(file);
    TStringList sections, keys, values;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count() && i < 8; ++i) {
        ini.ReadSection(sections[i], keys);
        ini.ReadSectionValues(sections[i], values);
        Check(keys.Count() == values.Count());
        Check(ini.SectionExists(sections[i]) == (keys.Count() > 0));
        for (int k = 0; k < keys.Count() && k < 8; ++k) {
            // A listed key is found: the default never shows through.
            const std::string v = ini.ReadString(sections[i], keys[k], "\x01");
            Check(v == ini.ReadString(sections[i], keys[k], "\x02"));
            Check(text::IsValidUtf8(v));
            Check(text::CharCount(v) <= 2047);
            Check(ini.ValueExists(sections[i], keys[k]));
            (void)ini.ReadInteger(sections[i], keys[k], 0);
            (void)ini.ReadBool(sections[i], keys[k], true);
        }
    }
    Check(ini.ReadString("\x01no such section", "k", "dflt") == "dflt");
    // A write into the first listed section reads back, and leaves the other sections alone.
    if (sections.Count() > 0) {
        const std::string section = sections[0];
        const std::string key = keys.Count() > 0 && sections.Count() == 1 ? keys[0] : "FuzzKey";
        TStringList before, after;
        ini.ReadSections(before);
        ini.WriteString(section, key, " written value ");
        Check(ini.ReadString(section, key, "") == "written value");
        ini.ReadSections(after);
        Check(after.Count() == before.Count());
        ini.DeleteKey(section, key);
        Check(ini.ReadString(section, key, "gone") == "gone");
    }
    return 0;
}
