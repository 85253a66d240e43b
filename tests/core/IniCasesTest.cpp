// The read-back table of the INI engine, run through TIniFile.
#include <gtest/gtest.h>

#include "core/IniFile.h"
#include "core/Strings.h"
#include "CoreTestUtil.h"
#include "core/IniCases.h"

namespace {

std::string Join(const TStrings& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list[i];
    return out;
}

std::string RunRead(const TIniFile& ini, const inicases::Read& r) {
    TStringList list;
    switch (r.kind) {
    case inicases::ReadKind::Value:
        return ini.ReadString(r.section, r.key, r.def);
    case inicases::ReadKind::Keys:
        ini.ReadSection(r.section, list);
        return Join(list);
    case inicases::ReadKind::Sections:
        ini.ReadSections(list);
        return Join(list);
    }
    return {};
}

void RunCase(const inicases::Case& c) {
    SCOPED_TRACE(c.name);
    coretest::TempDir dir;
    const std::string file = dir.File("case.ini");
    if (c.file) coretest::WriteBytes(file, *c.file);
    TIniFile ini(file);
    for (const inicases::Op& op : c.ops) {
        switch (op.kind) {
        case inicases::OpKind::Write: ini.WriteString(op.section, op.key, op.value); break;
        case inicases::OpKind::DeleteKey: ini.DeleteKey(op.section, op.key); break;
        case inicases::OpKind::EraseSection: ini.EraseSection(op.section); break;
        }
    }
    for (const inicases::Read& r : c.reads) {
        SCOPED_TRACE("section '" + r.section + "' key '" + r.key + "'");
        EXPECT_EQ(RunRead(ini, r), r.expected);
    }
}

TEST(IniCasesTest, ReadBackAsTheProfileFunctions) {
    for (const inicases::Case& c : inicases::ReadCases()) RunCase(c);
}

TEST(IniCasesTest, WritesThenReads) {
    for (const inicases::Case& c : inicases::WriteCases()) RunCase(c);
}

}  // namespace
