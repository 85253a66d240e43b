#pragma once
// The ids of the ticker items shown this run: kept in the order they were added, looked up
// without regard to letter case (as SameText compares), and found in constant time, so that a
// mailbox of thousands of mails does not cost a quadratic number of compares per poll.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TKnownIds {
public:
    bool Contains(std::string_view id) const;
    // Appends the id, also when an equal one is listed already.
    void Add(const std::string& id);
    // Removes the first entry equal to the id; false when there is none.
    bool Remove(std::string_view id);
    int Count() const { return static_cast<int>(FLive); }
    // Entries in the order they were added.
    std::vector<std::string> Entries() const;
    void Clear();

private:
    struct TEntry {
        std::string Id;
        bool Removed = false;
    };
    // Entries in order; removed ones are dropped when they make up half of the list.
    std::vector<TEntry> FEntries;
    // Folded id -> positions in FEntries of live entries, oldest first.
    std::unordered_map<std::string, std::vector<std::size_t>> FIndex;
    std::size_t FLive = 0;
    void Compact();
};
