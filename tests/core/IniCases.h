#pragma once
// Read-back cases of the INI engine with the values the Windows private-profile functions
// give. The native build checks TIniFile against `expected`; the Windows build also runs
// every case through GetPrivateProfileStringA / WritePrivateProfileStringA.
//
// Texts are UTF-8 on our side. The private-profile functions get the file, names and
// values in Windows-1252, so conformance cases keep to what that code page holds.
#include <optional>
#include <string>
#include <vector>

namespace inicases {

// Where the reference deliberately differs from our engine, the value it gives, and why.
struct Difference {
    std::string value;
    const char* why = "";
    bool wineOnly = false;  // a fault of Wine's implementation, not of the Windows one
};

enum class ReadKind { Value, Keys, Sections };

struct Read {
    ReadKind kind = ReadKind::Value;
    std::string section, key, def;
    std::string expected;  // Keys/Sections: names joined by "|"
    std::optional<Difference> reference;
};

inline Read Value(std::string section, std::string key, std::string def, std::string expected,
                  std::optional<Difference> reference = std::nullopt) {
    return Read{ReadKind::Value, std::move(section), std::move(key), std::move(def),
                std::move(expected), std::move(reference)};
}
inline Read Keys(std::string section, std::string expected) {
    return Read{ReadKind::Keys, std::move(section), "", "", std::move(expected), std::nullopt};
}
inline Read Sections(std::string expected) {
    return Read{ReadKind::Sections, "", "", "", std::move(expected), std::nullopt};
}

enum class OpKind { Write, DeleteKey, EraseSection };

struct Op {
    OpKind kind = OpKind::Write;
    std::string section, key, value;
};

struct Case {
    const char* name;
    std::optional<std::string> file;  // bytes of the file before the operations; none: no file
    std::vector<Op> ops;
    std::vector<Read> reads;
    // Whether the file is in Windows-1252 (or ASCII) for the private-profile functions too.
    bool ansi = true;
};

inline std::string Long(std::size_t n, char c = 'v') { return std::string(n, c); }

inline std::vector<Case> ReadCases() {
    const std::string base = "[S]\r\na=1\r\n";
    return {
        {"plain", base, {}, {Value("S", "a", "d", "1")}},
        {"section and key ignore case", "[Sec]\r\nKey=v\r\n", {}, {Value("sEC", "kEY", "d", "v")}},
        {"blanks around names in the file", "[ S ]\r\n  a  =  1  \r\n", {},
         {Value("S", "a", "d", "1")}},
        {"blanks around the names asked for", base, {}, {Value("  S ", "\ta\t", "d", "1")}},
        {"blanks and tabs around the value", "[S]\r\na=\t x \x0b\r\n", {},
         {Value("S", "a", "d", "x")}},
        {"double quotes dropped", "[S]\r\na=\"abc\"\r\n", {}, {Value("S", "a", "d", "abc")}},
        {"single quotes dropped", "[S]\r\na='abc'\r\n", {}, {Value("S", "a", "d", "abc")}},
        {"unlike quotes kept", "[S]\r\na=\"abc'\r\n", {}, {Value("S", "a", "d", "\"abc'")}},
        {"a lone quote kept", "[S]\r\na=\"\r\n", {}, {Value("S", "a", "d", "\"")}},
        {"empty quotes give empty text", "[S]\r\na=\"\"\r\n", {}, {Value("S", "a", "d", "")}},
        {"quotes keep inner blanks", "[S]\r\na= \" abc \" \r\n", {},
         {Value("S", "a", "d", " abc ")}},
        {"one pair of quotes only", "[S]\r\na=\"\"x\"\"\r\n", {}, {Value("S", "a", "d", "\"x\"")}},
        {"opening quote only kept", "[S]\r\na=\" x\r\n", {}, {Value("S", "a", "d", "\" x")}},
        {"empty value is not the default", "[S]\r\na=\r\n", {}, {Value("S", "a", "d", "")}},
        {"value may hold =", "[S]\r\na=b=c\r\n", {}, {Value("S", "a", "d", "b=c")}},
        {"empty key name", "[S]\r\n=v\r\n", {}, {Value("S", "", "d", "v")}},
        {"key with an inner blank", "[S]\r\na b=1\r\n", {}, {Value("S", "a b", "d", "1")}},
        {"control characters kept", "[S]\r\na=\x01x\x01\r\n", {},
         {Value("S", "a", "d", "\x01x\x01")}},
        {"missing file", std::nullopt, {}, {Value("S", "a", "def", "def"), Keys("S", ""), Sections("")}},
        {"missing section", base, {}, {Value("T", "a", "def", "def")}},
        {"missing key", base, {}, {Value("S", "b", "def", "def")}},
        {"empty default", base, {}, {Value("S", "b", "", "")}},
        {"key of another section", "[S]\r\n[T]\r\na=1\r\n", {}, {Value("S", "a", "d", "d")}},
        {"line without = is no key", "[S]\r\nfoo\r\n", {}, {Value("S", "foo", "d", "d")}},
        {"first of a repeated key", "[S]\r\na=1\r\na=2\r\n", {}, {Value("S", "a", "d", "1")}},
        {"first of a repeated section", "[S]\r\na=1\r\n[S]\r\nb=2\r\n", {},
         {Value("S", "a", "d", "1"), Value("S", "b", "d", "d"), Keys("S", "a"),
          Sections("S|S")}},
        {"[ without ] opens no section", "[T]\r\n[S\r\na=1\r\n", {},
         {Value("T", "a", "d", "1"), Value("S", "a", "d", "d")}},
        {"name runs to the last ]", "[a]b]\r\nk=1\r\n", {},
         {Value("a]b", "k", "d", "1"), Value("a", "k", "d", "d")}},
        {"text after ] ignored", "[S]junk\r\na=1\r\n", {}, {Value("S", "a", "d", "1")}},
        {"blanks before [", "  [S]\r\na=1\r\n", {}, {Value("S", "a", "d", "1")}},
        {"lines before any section", "x=0\r\n[S]\r\na=1\r\n", {}, {Value("", "x", "d", "0")}},
        {"CR line breaks", "[S]\ra=1\rb=2\r", {}, {Value("S", "b", "d", "2")}},
        {"LF line breaks, none at the end", "[S]\na=1\nb=2", {}, {Value("S", "b", "d", "2")}},
        {"byte order mark", "\xEF\xBB\xBF[S]\r\na=1\r\n", {}, {Value("S", "a", "d", "1")}, false},
        {"Windows-1252 value", "[S]\r\na=\xE4\xF6\xFC \x80\r\n", {},
         {Value("S", "a", "d", "äöü €")}},
        {"national letters ignore case", "[\xC4]\r\n\xE4\xF6=1\r\n", {},
         {Value("ä", "ÄÖ", "d", "1",
                Difference{"d", "Wine 8 folds only ASCII letters in profile names", true})}},
        {"UTF-8 file", "[Ä]\r\nkey=grün\r\n", {}, {Value("ä", "KEY", "d", "grün")}, false},
        {"value cut at 2047 characters", "[S]\r\na=" + Long(3000) + "\r\n", {},
         {Value("S", "a", "d", Long(2047))}},
        {"value of 2047 characters", "[S]\r\na=" + Long(2047) + "\r\n", {},
         {Value("S", "a", "d", Long(2047))}},
        {"quoted value of 2046 characters", "[S]\r\na=\"" + Long(2046) + "\"\r\n", {},
         {Value("S", "a", "d", Long(2046))}},
        {"quoted value cut at 2047", "[S]\r\na=\"" + Long(3000) + "\"\r\n", {},
         {Value("S", "a", "d", Long(2047))}},
        {"quoted value of 2047 characters", "[S]\r\na=\"" + Long(2047) + "\"\r\n", {},
         {Value("S", "a", "d", Long(2047),
                Difference{Long(2046), "Wine drops the last character with the closing quote",
                           true})}},
        {"UTF-8 value cut by characters", "[S]\r\na=" + [] {
             std::string s;
             for (int i = 0; i < 2100; ++i) s += "ä";
             return s;
         }() + "\r\n", {},
         {Value("S", "a", "d", [] {
              std::string s;
              for (int i = 0; i < 2047; ++i) s += "ä";
              return s;
          }())},
         false},
        {"default kept as given", base, {},
         {Value("S", "x", "def  ", "def  ",
                Difference{"def", "the system drops trailing blanks of the default"}),
          Value("S", "x", "\"def\"", "\"def\"",
                Difference{"def", "the system drops quotes around the default", true})}},
        {"keys in file order without comments", "[S]\r\na=1\r\nfoo\r\n;c=2\r\n b=3\r\n#d=4\r\n", {},
         {Keys("S", "a|b|#d"), Keys("s", "a|b|#d"), Keys("T", "")}},
        {"comment lines are still found by name", "[S]\r\n;c=1\r\n", {},
         {Value("S", ";c", "d", "1")}},
        {"section names in file order", "[S]\r\n[T]\r\nx=1\r\n[ U ]\r\n[S]\r\n", {},
         {Sections("S|T|U|S")}},
    };
}

inline std::vector<Case> WriteCases() {
    const std::string base = "[S]\r\na=1\r\n";
    const std::string two = "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n";
    return {
        {"first write creates the file", std::nullopt, {{OpKind::Write, "S", "a", "1"}},
         {Value("S", "a", "d", "1"), Keys("S", "a"), Sections("S")}},
        {"write into an empty file", "", {{OpKind::Write, "S", "a", "1"}},
         {Value("S", "a", "d", "1")}},
        {"replace ignoring case", "[S]\r\nA=1\r\n", {{OpKind::Write, "s", "a", "2"}},
         {Value("S", "A", "d", "2"), Keys("S", "A")}},
        {"new key joins its section", two, {{OpKind::Write, "s", "c", "3"}},
         {Value("S", "c", "d", "3"), Value("T", "b", "d", "2"), Keys("S", "a|c"), Keys("T", "b")}},
        {"new section at the end", two, {{OpKind::Write, "U", "k", "v"}},
         {Value("U", "k", "d", "v"), Sections("S|T|U")}},
        {"value with blanks reads back trimmed", "", {{OpKind::Write, "S", "a", "  sp  "}},
         {Value("S", "a", "d", "sp")}},
        {"quoted value reads back unquoted", "", {{OpKind::Write, "S", "a", "\"q\""}},
         {Value("S", "a", "d", "q")}},
        {"names with blanks", base, {{OpKind::Write, "  S  ", "  k  ", "v"}},
         {Value("S", "k", "d", "v"), Keys("S", "a|k")}},
        {"LF file", "[S]\na=1\n", {{OpKind::Write, "S", "b", "2"}, {OpKind::Write, "T", "c", "3"}},
         {Value("S", "a", "d", "1"), Value("S", "b", "d", "2"), Value("T", "c", "d", "3")}},
        {"file without a final line break", "[S]\r\na=1", {{OpKind::Write, "S", "b", "2"}},
         {Value("S", "a", "d", "1"), Value("S", "b", "d", "2")}},
        {"new section after a last line without break", "[S]\r\na=1",
         {{OpKind::Write, "T", "b", "2"}},
         {Value("S", "a", "d", "1"), Value("T", "b", "d", "2")}},
        {"comments stay", "; head\r\n[S]\r\n; c\r\na=1\r\n\r\n; tail\r\n[T]\r\n",
         {{OpKind::Write, "S", "n", "v"}, {OpKind::Write, "T", "m", "w"}},
         {Value("S", "n", "d", "v"), Value("T", "m", "d", "w"), Keys("S", "a|n")}},
        {"many writes in turn", std::nullopt,
         {{OpKind::Write, "Boolean", "SetupForm.StayOnTopqxCheckBox", "1"},
          {OpKind::Write, "Integer", "SetupForm.qxUpDown1", "5"},
          {OpKind::Write, "String", "SetupForm.PasswordqxEdit", "p=w;d#"},
          {OpKind::Write, "boolean", "SetupForm.AutoShowqxCheckBox", "0"},
          {OpKind::Write, "Integer", "SetupForm.qxUpDown1", "7"}},
         {Value("BOOLEAN", "setupform.stayontopqxcheckbox", "d", "1"),
          Value("Boolean", "SetupForm.AutoShowqxCheckBox", "d", "0"),
          Value("Integer", "SetupForm.qxUpDown1", "d", "7"),
          Value("String", "SetupForm.PasswordqxEdit", "d", "p=w;d#"),
          Sections("Boolean|Integer|String"),
          Keys("Boolean", "SetupForm.StayOnTopqxCheckBox|SetupForm.AutoShowqxCheckBox")}},
        {"long value written and read", "", {{OpKind::Write, "S", "a", Long(2500, 'x')}},
         {Value("S", "a", "d", Long(2047, 'x'))}},
        {"Windows-1252 file keeps its values", "[S]\r\nx=\xE4\r\n", {{OpKind::Write, "S", "y", "ö"}},
         {Value("S", "x", "d", "ä"), Value("S", "y", "d", "ö")}},
        {"line break in a value stays on one line", base,
         {{OpKind::Write, "S", "k", "l1\r\nl2"}},
         {Value("S", "k", "d", "l1  l2",
                Difference{"l1", "the system writes the break and splits the value"}),
          Value("S", "a", "d", "1")}},
        {"delete a key", "[S]\r\na=1\r\nb=2\r\n", {{OpKind::DeleteKey, "s", "A", ""}},
         {Value("S", "a", "d", "d"), Value("S", "b", "d", "2"), Keys("S", "b")}},
        {"delete a missing key", base, {{OpKind::DeleteKey, "S", "x", ""}},
         {Value("S", "a", "d", "1")}},
        {"delete a repeated key", "[S]\r\na=1\r\na=2\r\n", {{OpKind::DeleteKey, "S", "a", ""}},
         {Value("S", "a", "d", "d",
                Difference{"2", "the system deletes the first line only, the next one shows"})}},
        {"erase a section", "; c\r\n[S]\r\na=1\r\n[T]\r\nb=1\r\n",
         {{OpKind::EraseSection, "s", "", ""}},
         {Value("S", "a", "d", "d"), Value("T", "b", "d", "1"), Sections("T")}},
        {"erase a repeated section", "[S]\r\na=1\r\n[T]\r\nb=1\r\n[S]\r\nc=1\r\n",
         {{OpKind::EraseSection, "S", "", ""}},
         {Value("S", "c", "d", "d",
                Difference{"1", "the system erases the first one only, the next one shows"}),
          Value("T", "b", "d", "1")}},
        {"write after erase", two, {{OpKind::EraseSection, "S", "", ""}, {OpKind::Write, "S", "z", "9"}},
         {Value("S", "a", "d", "d"), Value("S", "z", "d", "9"), Sections("T|S")}},
    };
}

}  // namespace inicases
