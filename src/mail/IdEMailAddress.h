#pragma once
// A mail address with its display name, and lists of them.
#include <string>
#include <vector>

class TIdEMailAddressItem {
public:
    TIdEMailAddressItem() = default;
    explicit TIdEMailAddressItem(const std::string& text) { SetText(text); }

    const std::string& Address() const { return FAddress; }
    void SetAddress(std::string value) { FAddress = std::move(value); }
    const std::string& Name() const { return FName; }
    void SetName(std::string value) { FName = std::move(value); }
    // "Name <address>", or the bare address when there is no name (or it is the address).
    std::string Text() const;
    // Splits "Name <address>", "address (Name)" or a bare address.
    void SetText(const std::string& value);

private:
    std::string FAddress;
    std::string FName;
};

class TIdEMailAddressList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TIdEMailAddressItem& Items(int index) { return FItems.at(static_cast<std::size_t>(index)); }
    const TIdEMailAddressItem& Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    TIdEMailAddressItem& Add() { return FItems.emplace_back(); }
    void Clear() { FItems.clear(); }
    // Empties the list and adds one item per comma-separated piece of the text.
    void SetEMailAddresses(const std::string& value);
    // The items' texts joined with ", ".
    std::string EMailAddresses() const;

    std::vector<TIdEMailAddressItem>::iterator begin() { return FItems.begin(); }
    std::vector<TIdEMailAddressItem>::iterator end() { return FItems.end(); }

private:
    std::vector<TIdEMailAddressItem> FItems;
};

// Pieces of a list header: split at commas that are not inside a quoted name, each piece
// trimmed, empty pieces dropped.
std::vector<std::string> SplitHeaderList(const std::string& value);
