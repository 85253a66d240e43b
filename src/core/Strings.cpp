#include "core/Strings.h"

#include "core/Exception.h"
#include "core/Text.h"

namespace {
[[noreturn]] void ListIndexError(int index) {
    throw EStringListError(rtl::Format(rtl::SListIndexError, {std::to_string(index)}));
}
}  // namespace

const std::string& TStrings::operator[](int index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return FItems[static_cast<std::size_t>(index)];
}

void TStrings::SetString(int index, std::string value) {
    if (index < 0 || index >= Count()) ListIndexError(index);
    FItems[static_cast<std::size_t>(index)] = std::move(value);
}

void* TStrings::Objects(int index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return FObjects[static_cast<std::size_t>(index)];
}

void TStrings::SetObject(int index, void* object) {
    if (index < 0 || index >= Count()) ListIndexError(index);
    FObjects[static_cast<std::size_t>(index)] = object;
}

int TStrings::Add(std::string value) { return AddObject(std::move(value), nullptr); }

int TStrings::AddObject(std::string value, void* object) {
    FItems.push_back(std::move(value));
    FObjects.push_back(object);
    return Count() - 1;
}

void TStrings::Insert(int index, std::string value) {
    if (index < 0 || index > Count()) ListIndexError(index);
    FItems.insert(FItems.begin() + index, std::move(value));
    FObjects.insert(FObjects.begin() + index, nullptr);
}

void TStrings::Delete(int index) {
    if (index < 0 || index >= Count()) ListIndexError(index);
    FItems.erase(FItems.begin() + index);
    FObjects.erase(FObjects.begin() + index);
}

void TStrings::Clear() {
    FItems.clear();
    FObjects.clear();
}

void TStrings::Assign(const TStrings& other) {
    if (&other == this) return;
    FItems = other.FItems;
    FObjects = other.FObjects;
}

void TStrings::AddStrings(const TStrings& other) {
    // Copy first: other may be this list.
    std::vector<std::string> items = other.FItems;
    std::vector<void*> objects = other.FObjects;
    for (std::size_t i = 0; i < items.size(); ++i) AddObject(std::move(items[i]), objects[i]);
}

bool TStrings::SameEntry(const std::string& a, const std::string& b) const {
    return FCaseSensitive ? a == b : text::SameText(a, b);
}

int TStrings::IndexOf(const std::string& value) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (SameEntry(FItems[i], value)) return static_cast<int>(i);
    return -1;
}

int TStrings::IndexOfObject(const void* object) const {
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        if (FObjects[i] == object) return static_cast<int>(i);
    return -1;
}

std::string TStrings::Text() const {
    std::size_t size = 0;
    for (const std::string& s : FItems) size += s.size() + 2;
    std::string out;
    out.reserve(size);
    for (const std::string& s : FItems) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const std::string& text) {
    Clear();
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
        Add(text.substr(start, end - start));
        if (end < n && text[end] == '\r') {
            ++end;
            if (end < n && text[end] == '\n') ++end;
        } else if (end < n) {
            ++end;
        }
        start = end;
    }
}

std::string TStrings::Names(int index) const {
    const std::string& s = (*this)[index];
    const std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStrings::ValueFromIndex(int index) const {
    const std::string& s = (*this)[index];
    const std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStrings::IndexOfName(const std::string& name) const {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const std::string& s = FItems[i];
        const std::size_t eq = s.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view key = std::string_view(s).substr(0, eq);
        if (FCaseSensitive ? key == name : text::SameText(key, name)) return static_cast<int>(i);
    }
    return -1;
}

std::string TStrings::Values(const std::string& name) const {
    const int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

std::vector<std::string>::const_iterator TStrings::begin() const { return FItems.begin(); }
std::vector<std::string>::const_iterator TStrings::end() const { return FItems.end(); }
