#include "core/IniFile.h"

#include "core/IniQuoting.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "core/Exception.h"
#include "core/Text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxValueChars = 2047;

fs::path ToPath(const std::string& utf8) {
#ifdef _WIN32
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
    // Paths inside the program use "\" as separator, as on Windows.
    std::u8string s(utf8.begin(), utf8.end());
    for (char8_t& c : s)
        if (c == u8'\\') c = u8'/';
    return fs::path(s);
#endif
}

// Blanks the profile reader drops around names and values.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view StripBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string_view StripQuotes(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

enum class Kind { Other, Section, Key };

struct Line {
    std::string text;  // without its line break
    std::string eol;   // "\r\n", "\n", "\r" or "" for the last line
    Kind kind = Kind::Other;
    std::string name;   // section or key name
    std::string value;  // raw value, blanks stripped
};

// As the profile reader sees a line: "[name]" (up to the last "]") opens a section, a line
// with "=" is a key, anything else is kept but ignored.
void Classify(Line& l) {
    std::string_view t = StripBlanks(l.text);
    if (!t.empty() && t.front() == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            l.kind = Kind::Section;
            l.name = std::string(StripBlanks(t.substr(1, close - 1)));
            return;
        }
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        l.kind = Kind::Other;
        return;
    }
    l.kind = Kind::Key;
    l.name = std::string(StripBlanks(t.substr(0, eq)));
    l.value = std::string(StripBlanks(t.substr(eq + 1)));
}

struct Document {
    std::vector<Line> lines;
    bool exists = false;
    std::string bytes;  // the file as read, to skip writes that change nothing
};

// Reads the file afresh: nothing is kept between calls.
Document Load(const std::string& fileName) {
    Document d;
    std::error_code ec;
    const fs::path path = ToPath(fileName);
    if (!fs::is_regular_file(path, ec)) return d;
    std::ifstream in(path, std::ios::binary);
    if (!in) return d;
    d.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        d.bytes.clear();
        return d;
    }
    d.exists = true;
    const std::string content = text::FileBytesToUtf8(d.bytes);
    std::size_t start = 0;
    const std::size_t n = content.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && content[end] != '\r' && content[end] != '\n') ++end;
        Line l;
        l.text = content.substr(start, end - start);
        if (end < n) {
            if (content[end] == '\r' && end + 1 < n && content[end + 1] == '\n') {
                l.eol = "\r\n";
                end += 2;
            } else {
                l.eol = std::string(1, content[end]);
                ++end;
            }
        }
        d.lines.push_back(std::move(l));
        start = end;
    }
    for (Line& l : d.lines) Classify(l);
    return d;
}

bool SameName(std::string_view stored, const std::string& wanted) {
    return text::SameText(stored, StripBlanks(wanted));
}

// The lines of a section: its "[name]" line (-1 for the lines before the first section,
// which the empty name reaches) and its body [begin, end).
struct Range {
    bool found = false;
    int header = -1;
    std::size_t begin = 0, end = 0;
};

std::size_t BodyEnd(const Document& d, std::size_t from) {
    std::size_t i = from;
    while (i < d.lines.size() && d.lines[i].kind != Kind::Section) ++i;
    return i;
}

// The first section of that name: later ones of the same name are not seen.
Range FindSection(const Document& d, const std::string& section) {
    Range r;
    if (StripBlanks(section).empty()) {
        r.found = true;
        r.end = BodyEnd(d, 0);
        return r;
    }
    for (std::size_t i = 0; i < d.lines.size(); ++i)
        if (d.lines[i].kind == Kind::Section && SameName(d.lines[i].name, section)) {
            r.found = true;
            r.header = static_cast<int>(i);
            r.begin = i + 1;
            r.end = BodyEnd(d, i + 1);
            return r;
        }
    return r;
}

int FindKey(const Document& d, const Range& r, const std::string& key) {
    if (!r.found) return -1;
    for (std::size_t i = r.begin; i < r.end; ++i)
        if (d.lines[i].kind == Kind::Key && SameName(d.lines[i].name, key))
            return static_cast<int>(i);
    return -1;
}

// Key names as the section listing gives them: comment lines (";...") are left out.
std::vector<std::string> KeyNames(const Document& d, const Range& r) {
    std::vector<std::string> names;
    if (!r.found) return names;
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const Line& l = d.lines[i];
        if (l.kind == Kind::Key && !(l.name.size() > 0 && l.name[0] == ';')) names.push_back(l.name);
    }
    return names;
}

std::string ValueOf(const Line& l) {
    std::string_view v = StripQuotes(l.value);
    if (v.size() > kMaxValueChars) return text::CharLeft(v, kMaxValueChars);
    return std::string(v);
}

std::string LineBreakOf(const Document& d) {
    for (const Line& l : d.lines)
        if (!l.eol.empty()) return l.eol;
    return "\r\n";
}

// A line break inside a name or value would split the line and change the file's meaning.
std::string OneLine(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string TempSuffix() {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return ".~" + std::to_string(pid) + "_" + std::to_string(counter++) + ".tmp";
}

// Writes the lines to a temporary file beside the target, then renames it over the target,
// so that the file is always either the old or the new one.
void Save(const std::string& fileName, const Document& d, TIniFile::FileWriter writer) {
    std::string out;
    for (const Line& l : d.lines) {
        out += l.text;
        out += l.eol;
    }
    if (d.exists && out == d.bytes) return;

    auto fail = [&]() { throw EInOutError(rtl::Format(rtl::SCannotWrite, {fileName})); };
    if (writer) {
        if (!writer(fileName, out)) fail();
        return;
    }
    const fs::path target = ToPath(fileName);
    fs::path temp = target;
    temp += ToPath(TempSuffix());
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!f) fail();
        f.write(out.data(), static_cast<std::streamsize>(out.size()));
        f.flush();
        if (!f) {
            f.close();
            std::error_code ec;
            fs::remove(temp, ec);
            fail();
        }
    }
#ifdef _WIN32
    // A reader elsewhere (a scanner, an editor) may hold the file for a moment: try again.
    bool moved = false;
    for (int attempt = 0; attempt < 20 && !moved; ++attempt) {
        moved = MoveFileExW(temp.c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (moved) break;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
            error != ERROR_LOCK_VIOLATION)
            break;
        Sleep(10);
    }
#else
    std::error_code rec;
    fs::rename(temp, target, rec);
    const bool moved = !rec;
#endif
    if (!moved) {
        std::error_code ec;
        fs::remove(temp, ec);
        fail();
    }
}

Line MakeLine(std::string text, const std::string& eol) {
    Line l;
    l.text = std::move(text);
    l.eol = eol;
    return l;
}

}  // namespace

TIniFile::TIniFile(std::string fileName, FileWriter writer) : FFileName(std::move(fileName)), FWriter(writer) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    const Document d = Load(FFileName);
    const int k = FindKey(d, FindSection(d, section), key);
    return k < 0 ? defaultValue : ValueOf(d.lines[static_cast<std::size_t>(k)]);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
    const std::string s = ReadString(section, key, "");
    if (s.empty()) return defaultValue;
    return text::StrToIntDef(s, defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    Document d = Load(FFileName);
    const std::string eol = LineBreakOf(d);
    const std::string entry = OneLine(std::string(StripBlanks(key))) + "=" + OneLine(value);
    const Range r = FindSection(d, section);
    if (!r.found) {
        // A last line without its line break gets one before the new section.
        if (!d.lines.empty() && d.lines.back().eol.empty()) d.lines.back().eol = eol;
        d.lines.push_back(MakeLine("[" + OneLine(std::string(StripBlanks(section))) + "]", eol));
        d.lines.push_back(MakeLine(entry, eol));
    } else if (const int k = FindKey(d, r, key); k >= 0) {
        // The key keeps its spelling in the file; only the value changes.
        Line& l = d.lines[static_cast<std::size_t>(k)];
        l.text = l.name + "=" + OneLine(value);
    } else {
        // After the section's last non-empty line, before the blank lines that part it from
        // the next section.
        std::size_t at = r.end;
        while (at > r.begin && StripBlanks(d.lines[at - 1].text).empty()) --at;
        if (at > 0 && d.lines[at - 1].eol.empty()) d.lines[at - 1].eol = eol;
        d.lines.insert(d.lines.begin() + static_cast<std::ptrdiff_t>(at), MakeLine(entry, eol));
    }
    Save(FFileName, d, FWriter);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Document d = Load(FFileName);
    const Range r = FindSection(d, section);
    bool changed = false;
    // Every line of that key goes, so that no later one shows through.
    for (std::size_t i = r.end; r.found && i > r.begin; --i) {
        const Line& l = d.lines[i - 1];
        if (l.kind == Kind::Key && SameName(l.name, key)) {
            d.lines.erase(d.lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
            changed = true;
        }
    }
    if (changed) Save(FFileName, d, FWriter);
}

void TIniFile::EraseSection(const std::string& section) {
    Document d = Load(FFileName);
    bool changed = false;
    // Every section of that name goes, so that none shows through afterwards.
    for (Range r = FindSection(d, section); r.found; r = FindSection(d, section)) {
        if (r.header < 0) {
            // The lines before the first section: drop their keys only.
            for (std::size_t i = r.end; i > 0; --i)
                if (d.lines[i - 1].kind == Kind::Key) {
                    d.lines.erase(d.lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
                    changed = true;
                }
            break;
        }
        d.lines.erase(d.lines.begin() + r.header, d.lines.begin() + static_cast<std::ptrdiff_t>(r.end));
        changed = true;
    }
    if (changed) Save(FFileName, d, FWriter);
}

bool TIniFile::SectionExists(const std::string& section) const {
    const Document d = Load(FFileName);
    return !KeyNames(d, FindSection(d, section)).empty();
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    const Document d = Load(FFileName);
    for (const std::string& name : KeyNames(d, FindSection(d, section)))
        if (SameName(name, key)) return true;
    return false;
}

void TIniFile::ReadSection(const std::string& section, TStrings& keys) const {
    keys.Clear();
    const Document d = Load(FFileName);
    for (std::string& name : KeyNames(d, FindSection(d, section))) keys.Add(std::move(name));
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings& values) const {
    values.Clear();
    const Document d = Load(FFileName);
    const Range r = FindSection(d, section);
    for (const std::string& name : KeyNames(d, r)) {
        // As a read of that key gives it: the first entry of a repeated key wins.
        const int k = FindKey(d, r, name);
        values.Add(name + "=" + ValueOf(d.lines[static_cast<std::size_t>(k)]));
    }
}

std::vector<TIniEntry> ReadSectionEntries(const TIniFile& file, const std::string& section) {
    std::vector<TIniEntry> entries;
    const Document d = Load(file.FileName());
    const Range r = FindSection(d, section);
    std::vector<std::string> seen;
    for (const std::string& name : KeyNames(d, r)) {
        const int k = FindKey(d, r, name);
        if (std::find(seen.begin(), seen.end(), text::FoldCase(name)) != seen.end()) continue;
        seen.push_back(text::FoldCase(name));
        const Line& l = d.lines[static_cast<std::size_t>(k)];
        entries.push_back({name, ValueOf(l), StripQuotes(l.value).size() != l.value.size()});
    }
    return entries;
}

std::string IniQuoted(std::string_view text, bool quoteEmpty) {
    const bool needed = text.empty() ? quoteEmpty
                                     : IsBlank(text.front()) || IsBlank(text.back()) ||
                                           StripQuotes(text).size() != text.size();
    return needed ? "\"" + std::string(text) + "\"" : std::string(text);
}

void TIniFile::ReadSections(TStrings& sections) const {
    sections.Clear();
    const Document d = Load(FFileName);
    for (const Line& l : d.lines)
        if (l.kind == Kind::Section) sections.Add(l.name);
}
