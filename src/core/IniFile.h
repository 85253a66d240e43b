#pragma once
// INI files as the Windows private-profile functions read and write them: names without
// regard to case, nothing cached, every write reaches the file at once (atomically replaced).
// Files are read as UTF-8 when they decode as UTF-8, else as Windows-1252; written as UTF-8.
#include <string>

#include "core/Strings.h"

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    const std::string& FileName() const { return FFileName; }

    // Blanks around the value and one pair of enclosing quotes are dropped; at most 2047
    // characters; default when file, section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal for a text longer than 2 characters starting "0x"/"0X";
    // default when not a whole number.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Raise EInOutError "nach %s kann nicht geschrieben werden" when the file cannot be written.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of a section in file order.
    void ReadSection(const std::string& section, TStrings& keys) const;
    // "key=value" entries of a section in file order (values as ReadString gives them).
    void ReadSectionValues(const std::string& section, TStrings& values) const;
    void ReadSections(TStrings& sections) const;

private:
    std::string FFileName;
};
