#pragma once
// Ordered list of texts with an optional object per entry, as the Parts use it
// (KnownIds, language lists, captured header lines).
#include <string>
#include <vector>

class TObject;

class TStrings {
public:
    virtual ~TStrings() = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EStringListError for an index outside 0..Count-1.
    const std::string& operator[](int index) const;
    const std::string& Strings(int index) const { return (*this)[index]; }
    void SetString(int index, std::string value);
    void* Objects(int index) const;
    void SetObject(int index, void* object);

    virtual int Add(std::string value);
    int AddObject(std::string value, void* object);
    void Insert(int index, std::string value);
    void Delete(int index);
    void Clear();
    void Assign(const TStrings& other);
    void AddStrings(const TStrings& other);

    // Exact by default; case-insensitive (ASCII and national letters alike) when
    // CaseSensitive is false.
    int IndexOf(const std::string& value) const;
    int IndexOfObject(const void* object) const;
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value) { FCaseSensitive = value; }

    // Entries joined with CR LF after each; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);

    // "name=value" helpers.
    std::string Names(int index) const;
    std::string Values(const std::string& name) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(const std::string& name) const;

    std::vector<std::string>::const_iterator begin() const;
    std::vector<std::string>::const_iterator end() const;

protected:
    bool SameEntry(const std::string& a, const std::string& b) const;
    std::vector<std::string> FItems;
    std::vector<void*> FObjects;
    bool FCaseSensitive = true;
};

class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(bool caseSensitive) { FCaseSensitive = caseSensitive; }
};
