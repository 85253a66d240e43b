// The INI read-back table run through TIniFile and through the system's private-profile
// functions on the same file texts, and each one's files read by the other.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/Exception.h"
#include "core/IniFile.h"
#include "core/Strings.h"
#include "core/Text.h"
#include "core/CoreTestUtil.h"
#include "core/IniCases.h"

namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Ansi(const std::string& utf8) { return text::Utf8ToCp1252(utf8); }

std::string AnsiPath(const std::string& utf8Path) {
    // Temporary folders are plain ASCII here; the A functions take the path as it stands.
    return Ansi(utf8Path);
}

std::string Join(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) out += (i ? "|" : "") + names[i];
    return out;
}

// Names from a buffer of NUL-terminated names, ending with an empty one.
std::vector<std::string> SplitNames(const std::vector<char>& buf, DWORD n) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (buf[i] == '\0') {
            names.push_back(text::Cp1252ToUtf8(std::string(buf.data() + start, i - start)));
            start = i + 1;
        }
    if (start < n) names.push_back(text::Cp1252ToUtf8(std::string(buf.data() + start, n - start)));
    return names;
}

std::string SystemRead(const std::string& file, const inicases::Read& r) {
    const std::string path = AnsiPath(file);
    switch (r.kind) {
    case inicases::ReadKind::Value: {
        std::vector<char> buf(2048);
        const std::string s = Ansi(r.section), k = Ansi(r.key), d = Ansi(r.def);
        const DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buf.data(),
                                                 static_cast<DWORD>(buf.size()), path.c_str());
        return text::Cp1252ToUtf8(std::string(buf.data(), n));
    }
    case inicases::ReadKind::Keys: {
        std::vector<char> buf(65536);
        const std::string s = Ansi(r.section);
        const DWORD n = GetPrivateProfileStringA(s.c_str(), nullptr, "", buf.data(),
                                                 static_cast<DWORD>(buf.size()), path.c_str());
        return Join(SplitNames(buf, n));
    }
    case inicases::ReadKind::Sections: {
        std::vector<char> buf(65536);
        const DWORD n = GetPrivateProfileSectionNamesA(buf.data(), static_cast<DWORD>(buf.size()),
                                                       path.c_str());
        return Join(SplitNames(buf, n));
    }
    }
    return {};
}

std::string EngineRead(const std::string& file, const inicases::Read& r) {
    TIniFile ini(file);
    TStringList list;
    std::vector<std::string> names;
    switch (r.kind) {
    case inicases::ReadKind::Value:
        return ini.ReadString(r.section, r.key, r.def);
    case inicases::ReadKind::Keys:
        ini.ReadSection(r.section, list);
        break;
    case inicases::ReadKind::Sections:
        ini.ReadSections(list);
        break;
    }
    for (int i = 0; i < list.Count(); ++i) names.push_back(list[i]);
    return Join(names);
}

void SystemOps(const std::string& file, const std::vector<inicases::Op>& ops) {
    const std::string path = AnsiPath(file);
    for (const inicases::Op& op : ops) {
        const std::string s = Ansi(op.section), k = Ansi(op.key), v = Ansi(op.value);
        BOOL ok = FALSE;
        switch (op.kind) {
        case inicases::OpKind::Write:
            ok = WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), path.c_str());
            break;
        case inicases::OpKind::DeleteKey:
            ok = WritePrivateProfileStringA(s.c_str(), k.c_str(), nullptr, path.c_str());
            break;
        case inicases::OpKind::EraseSection:
            ok = WritePrivateProfileStringA(s.c_str(), nullptr, nullptr, path.c_str());
            break;
        }
        EXPECT_TRUE(ok) << "system write " << op.section << "/" << op.key;
    }
}

void EngineOps(const std::string& file, const std::vector<inicases::Op>& ops) {
    TIniFile ini(file);
    for (const inicases::Op& op : ops) {
        switch (op.kind) {
        case inicases::OpKind::Write: ini.WriteString(op.section, op.key, op.value); break;
        case inicases::OpKind::DeleteKey: ini.DeleteKey(op.section, op.key); break;
        case inicases::OpKind::EraseSection: ini.EraseSection(op.section); break;
        }
    }
}

bool IsAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

struct Tally {
    int compared = 0, differences = 0;
};

void Conform(const inicases::Case& c, bool wine, Tally& tally) {
    SCOPED_TRACE(c.name);
    coretest::TempDir dir;
    const std::string ours = dir.File("ours.ini");
    const std::string theirs = dir.File("theirs.ini");
    if (c.file) {
        coretest::WriteBytes(ours, *c.file);
        coretest::WriteBytes(theirs, *c.file);
    }
    EngineOps(ours, c.ops);
    if (c.ansi) SystemOps(theirs, c.ops);
    const bool oursReadable = c.ansi && IsAscii(coretest::ReadBytes(ours));
    for (const inicases::Read& r : c.reads) {
        SCOPED_TRACE("section '" + r.section + "' key '" + r.key + "'");
        EXPECT_EQ(EngineRead(ours, r), r.expected);
        if (!c.ansi) continue;
        const bool differs = r.reference && (!r.reference->wineOnly || wine);
        const std::string reference = differs ? r.reference->value : r.expected;
        EXPECT_EQ(SystemRead(theirs, r), reference) << (differs ? r.reference->why : "");
        ++tally.compared;
        if (differs) {
            ++tally.differences;
            continue;
        }
        // Each side reads the other's file the same way.
        EXPECT_EQ(EngineRead(theirs, r), r.expected) << "engine reading the system's file";
        if (oursReadable) {
            EXPECT_EQ(SystemRead(ours, r), r.expected) << "system reading the engine's file";
        }
    }
}

TEST(IniConformanceTest, ReadCasesAgreeWithPrivateProfileFunctions) {
    const bool wine = UnderWine();
    Tally tally;
    for (const inicases::Case& c : inicases::ReadCases()) Conform(c, wine, tally);
    EXPECT_GT(tally.compared, 50);
    std::printf("read cases: %d reads compared, %d known differences%s\n", tally.compared,
                tally.differences, wine ? " (under Wine)" : "");
}

TEST(IniConformanceTest, WriteCasesAgreeWithPrivateProfileFunctions) {
    const bool wine = UnderWine();
    Tally tally;
    for (const inicases::Case& c : inicases::WriteCases()) Conform(c, wine, tally);
    EXPECT_GT(tally.compared, 40);
    std::printf("write cases: %d reads compared, %d known differences%s\n", tally.compared,
                tally.differences, wine ? " (under Wine)" : "");
}

TEST(IniConformanceTest, UnwritableFileFailsOnBothSides) {
    coretest::TempDir dir;
    const std::string file = dir.File("missing\\x.ini");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "a", "1", AnsiPath(file).c_str()));
    TIniFile ini(file);
    try {
        ini.WriteString("S", "a", "1");
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), rtl::Format(rtl::SCannotWrite, {file}));
    }
}

}  // namespace
