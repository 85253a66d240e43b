#include "mail/IdEMailAddress.h"

#include "core/Text.h"

std::string TIdEMailAddressItem::Text() const {
    if (FName.empty() || text::SameTextAscii(FName, FAddress)) return FAddress;
    return FName + " <" + FAddress + ">";
}

void TIdEMailAddressItem::SetText(const std::string& value) {
    FAddress.clear();
    FName.clear();
    if (!value.empty() && value.back() == '>') {
        const std::size_t p = value.find('<');
        if (p != std::string::npos) {
            FAddress = text::Trim(value.substr(p + 1, value.size() - p - 2));
            FName = text::Trim(value.substr(0, p));
        }
    } else if (!value.empty() && value.back() == ')') {
        const std::size_t p = value.find('(');
        if (p != std::string::npos) {
            FName = text::Trim(value.substr(p + 1, value.size() - p - 2));
            FAddress = text::Trim(value.substr(0, p));
        }
    } else {
        FAddress = value;
    }
    while (FName.size() > 1 && ((FName.front() == '"' && FName.back() == '"') ||
                                (FName.front() == '\'' && FName.back() == '\''))) {
        FName = FName.substr(1, FName.size() - 2);
    }
}

std::vector<std::string> SplitHeaderList(const std::string& value) {
    std::vector<std::string> pieces;
    std::string piece;
    int quotes = 0;
    auto flush = [&] {
        std::string t = text::Trim(piece);
        if (!t.empty()) pieces.push_back(std::move(t));
        piece.clear();
        quotes = 0;
    };
    for (char c : value) {
        if (c == '"') ++quotes;
        if (c == ',' && quotes != 1) {
            flush();
        } else {
            piece += c;
        }
    }
    flush();
    return pieces;
}

void TIdEMailAddressList::SetEMailAddresses(const std::string& value) {
    FItems.clear();
    for (const std::string& piece : SplitHeaderList(value)) Add().SetText(piece);
}

std::string TIdEMailAddressList::EMailAddresses() const {
    std::string out;
    for (const TIdEMailAddressItem& item : FItems) {
        if (!out.empty()) out += ", ";
        out += item.Text();
    }
    return out;
}
