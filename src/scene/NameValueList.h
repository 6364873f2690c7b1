#pragma once
// Ordered list of name=value entries (the presence table, the thumbnail index).
//
// Names are compared exactly (case-sensitive). Lookups by name go through a hash index of the
// first entry of each name, so filling and querying a list of many thousands of names is linear.
// The index holds entry positions only: each name is kept once, in its entry.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/PositionHash.h"
#include "scene/TextCodec.h"

namespace kelvane {

class TNameValueList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i; raises EListError outside 0 .. Count()-1.
    WideView Name(int i) const;
    WideView ValueAt(int i) const;
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
    // Puts an entry at position i (0 .. Count()), the later entries moving up.
    void Insert(int i, WideView name, WideView value);
    // Removes the first entry with this name; nothing when there is none.
    void Remove(WideView name);
    void Delete(int i);
    void Clear();
    // Room for count entries.
    void Reserve(int count);

private:
    // Name and value in one block of exactly their length.
    class TEntry {
    public:
        TEntry(WideView name, WideView value);
        TEntry(const TEntry& other) : TEntry(other.Name(), other.Value()) {}
        TEntry(TEntry&&) noexcept = default;
        TEntry& operator=(const TEntry& other);
        TEntry& operator=(TEntry&&) noexcept = default;
        WideView Name() const { return {text_.get(), nameSize_}; }
        WideView Value() const { return {text_.get() + nameSize_, valueSize_}; }
        void SetValue(WideView value);

    private:
        std::unique_ptr<char16_t[]> text_;
        uint32_t nameSize_ = 0, valueSize_ = 0;
    };
    // The first entry of name, whose hash is given, or -1.
    int FindFirst(WideView name, uint32_t hash) const;
    void Reindex();
    std::vector<TEntry> entries_;
    TPositionHash first_;  // the first entry of each name
};

} // namespace kelvane
