#pragma once
// Ordered list of name=value entries (the presence table, the thumbnail index), in UTF-8.
//
// Names are compared exactly (case-sensitive). Lookups by name go through a hash index of the
// first entry of each name, so filling and querying a list of many thousands of names is linear.
// The index holds entry positions only: each name is kept once, in its entry.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/PositionHash.h"

namespace kelvane {

class TNameValueList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i; raises EListError outside 0 .. Count()-1.
    std::string_view Name(int i) const;
    std::string_view ValueAt(int i) const;
    // "name=value" of entry i.
    std::string Line(int i) const;

    // Index of the first entry with this name, or -1.
    int IndexOfName(std::string_view name) const;
    bool Contains(std::string_view name) const { return IndexOfName(name) >= 0; }
    // Value of the first entry with this name; empty when there is none.
    std::string Values(std::string_view name) const;

    // Replaces the value of the first entry with this name, or appends a new entry. An empty value
    // is stored as such (the entry stays).
    void SetValue(std::string_view name, std::string_view value);
    // Appends an entry even when the name is already present (lookups find the first one).
    void Add(std::string_view name, std::string_view value);
    // Puts an entry at position i (0 .. Count()), the later entries moving up.
    void Insert(int i, std::string_view name, std::string_view value);
    // Removes the first entry with this name; nothing when there is none.
    void Remove(std::string_view name);
    void Delete(int i);
    void Clear();
    // Room for count entries.
    void Reserve(int count);

private:
    // Name and value in one block of exactly their length.
    class TEntry {
    public:
        TEntry(std::string_view name, std::string_view value);
        TEntry(const TEntry& other) : TEntry(other.Name(), other.Value()) {}
        TEntry(TEntry&&) noexcept = default;
        TEntry& operator=(const TEntry& other);
        TEntry& operator=(TEntry&&) noexcept = default;
        std::string_view Name() const { return {text_.get(), nameSize_}; }
        std::string_view Value() const { return {text_.get() + nameSize_, valueSize_}; }
        void SetValue(std::string_view value);

    private:
        std::unique_ptr<char[]> text_;
        uint32_t nameSize_ = 0, valueSize_ = 0;
    };
    // The first entry of name, whose hash is given, or -1.
    int FindFirst(std::string_view name, uint32_t hash) const;
    void Reindex();
    std::vector<TEntry> entries_;
    TPositionHash first_;  // the first entry of each name
};

} // namespace kelvane
