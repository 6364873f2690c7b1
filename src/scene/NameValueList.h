#pragma once
// Ordered list of name=value entries (the presence table, the thumbnail index).
//
// Names are compared exactly (case-sensitive). Lookups by name go through a hash index of the
// first entry of each name, so filling and querying a list of many thousands of names is linear.
#include <string>
#include <unordered_map>
#include <vector>

#include "scene/TextCodec.h"

namespace kelvane {

class TNameValueList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i; raises EListError outside 0 .. Count()-1.
    const WideString& Name(int i) const;
    const WideString& ValueAt(int i) const;
    // "name=value" of entry i.
    WideString Line(int i) const;

    // Index of the first entry with this name, or -1.
    int IndexOfName(WideView name) const;
    bool Contains(WideView name) const { return IndexOfName(name) >= 0; }
    // Value of the first entry with this name; empty when there is none.
    WideString Values(WideView name) const;

    // Replaces the value of the first entry with this name, or appends a new entry. An empty value
    // is stored as such (the entry stays).
    void SetValue(WideView name, WideView value);
    // Appends an entry even when the name is already present (lookups find the first one).
    void Add(WideView name, WideView value);
    // Removes the first entry with this name; nothing when there is none.
    void Remove(WideView name);
    void Delete(int i);
    void Clear();

private:
    struct TEntry {
        WideString name;
        WideString value;
    };
    struct THash {
        using is_transparent = void;
        size_t operator()(WideView v) const { return std::hash<WideView>()(v); }
    };
    void Reindex();
    std::vector<TEntry> entries_;
    std::unordered_map<WideString, int, THash, std::equal_to<>> first_;  // looked up without a copy
};

} // namespace kelvane
