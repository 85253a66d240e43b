#pragma once
// INI files as the Windows private-profile functions read and write them: names without
// regard to case (national letters too), nothing cached, every write reaches the file at
// once. A write replaces the file atomically (temporary file beside it, then renamed over
// it) and changes only the line of that key, or adds one to its section, or appends a new
// section; other lines, comments and order stay. Files are read as UTF-8 when they decode
// as UTF-8 (BOM allowed), else as Windows-1252; written as UTF-8 without BOM.
// Reading follows the system's reader: "[name]" runs to the last "]", the first of repeated
// sections and keys counts, lines before any section belong to the empty section name,
// lines without "=" are no keys.
#include <string>

#include "core/Strings.h"

class TIniFile {
public:
    // Writes a whole file in place of the old one; false when it cannot.
    using FileWriter = bool (*)(const std::string& fileName, const std::string& bytes);
    // writer: how the file is replaced. The program passes the platform's whole-file write,
    // which keeps a read-only file, the file's permissions and a link; without one, a
    // temporary file beside it is renamed over it.
    explicit TIniFile(std::string fileName, FileWriter writer = nullptr);
    const std::string& FileName() const { return FFileName; }

    // Blanks around the value and one pair of enclosing quotes (" or ') are dropped; at
    // most 2047 characters; the default, exactly as given, when file, section or key is
    // missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal for a text longer than 2 characters starting "0x"/"0X";
    // default when not a whole number.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Raise EInOutError "nach %s kann nicht geschrieben werden" (with the file name) when the
    // file cannot be written. A line break inside a name or value is written as a blank,
    // so that the entry stays on its line.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // Remove every line of the key in its section / every section of that name, so that no
    // later duplicate shows through. A missing file stays missing.
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    // As the runtime tells it: a section exists when it lists at least one key.
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of a section in file order (duplicates kept, comment lines ";..." left out).
    void ReadSection(const std::string& section, TStrings& keys) const;
    // "key=value" entries of a section in file order (values as ReadString gives them).
    void ReadSectionValues(const std::string& section, TStrings& values) const;
    void ReadSections(TStrings& sections) const;

private:
    std::string FFileName;
    FileWriter FWriter;
};
