#include "app/KnownIds.h"

#include <algorithm>

#include "core/Text.h"

using text::FoldCase;

bool TKnownIds::Contains(std::string_view id) const { return FIndex.count(FoldCase(id)) != 0; }

void TKnownIds::Add(const std::string& id) {
    FIndex[FoldCase(id)].push_back(FEntries.size());
    FEntries.push_back({id, false});
    ++FLive;
}

bool TKnownIds::Remove(std::string_view id) {
    auto it = FIndex.find(FoldCase(id));
    if (it == FIndex.end()) return false;
    FEntries[it->second.front()].Removed = true;
    it->second.erase(it->second.begin());
    if (it->second.empty()) FIndex.erase(it);
    --FLive;
    if (FEntries.size() > 64 && FLive * 2 < FEntries.size()) Compact();
    return true;
}

std::vector<std::string> TKnownIds::Entries() const {
    std::vector<std::string> out;
    out.reserve(FLive);
    for (const TEntry& e : FEntries)
        if (!e.Removed) out.push_back(e.Id);
    return out;
}

void TKnownIds::Clear() {
    FEntries.clear();
    FIndex.clear();
    FLive = 0;
}

void TKnownIds::Compact() {
    std::vector<TEntry> kept;
    kept.reserve(FLive);
    for (TEntry& e : FEntries)
        if (!e.Removed) kept.push_back(std::move(e));
    FEntries = std::move(kept);
    FIndex.clear();
    for (std::size_t i = 0; i < FEntries.size(); ++i) FIndex[FoldCase(FEntries[i].Id)].push_back(i);
}
