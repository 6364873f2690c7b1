#pragma once
// Words of the scene format that name a value: looked up in tables of (word, value) pairs.
#include <cstddef>
#include <string_view>
#include <utility>

namespace kelvane::rt {

// The value a word names in the table, or nullptr for any other word.
template <class T, size_t N>
const T* FindNamed(std::string_view word, const std::pair<const char*, T> (&table)[N])
{
    for (const auto& [name, value] : table)
        if (word == name)
            return &value;
    return nullptr;
}

// The value a word names in the table; `fallback` for any other word.
template <class T, size_t N>
T Named(std::string_view word, const std::pair<const char*, T> (&table)[N], T fallback)
{
    const T* value = FindNamed(word, table);
    return value ? *value : fallback;
}

} // namespace kelvane::rt
