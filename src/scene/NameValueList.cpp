#include "scene/NameValueList.h"

#include <algorithm>

#include "scene/Errors.h"

namespace kelvane {

TNameValueList::TEntry::TEntry(std::string_view name, std::string_view value)
    : text_(name.empty() && value.empty() ? nullptr : new char[name.size() + value.size()]), nameSize_(static_cast<uint32_t>(name.size())),
      valueSize_(static_cast<uint32_t>(value.size()))
{
    std::copy(name.begin(), name.end(), text_.get());
    std::copy(value.begin(), value.end(), text_.get() + nameSize_);
}

TNameValueList::TEntry& TNameValueList::TEntry::operator=(const TEntry& other)
{
    if (this != &other)
        *this = TEntry(other);
    return *this;
}

void TNameValueList::TEntry::SetValue(std::string_view value)
{
    if (value.size() != valueSize_) {
        // value may lie in this entry's own block.
        TEntry changed(Name(), value);
        *this = std::move(changed);
        return;
    }
    std::copy(value.begin(), value.end(), text_.get() + nameSize_);
}

std::string_view TNameValueList::Name(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(i);
    return entries_[i].Name();
}

std::string_view TNameValueList::ValueAt(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(i);
    return entries_[i].Value();
}

std::string TNameValueList::Line(int i) const
{
    std::string line(Name(i));
    line += '=';
    line += ValueAt(i);
    return line;
}

int TNameValueList::FindFirst(std::string_view name, uint32_t hash) const
{
    return first_.Find(hash, [&](int i) { return entries_[i].Name() == name; });
}

int TNameValueList::IndexOfName(std::string_view name) const
{
    return FindFirst(name, TPositionHash::OfText(name));
}

std::string TNameValueList::Values(std::string_view name) const
{
    int i = IndexOfName(name);
    return i < 0 ? std::string() : std::string(entries_[i].Value());
}

void TNameValueList::SetValue(std::string_view name, std::string_view value)
{
    int i = IndexOfName(name);
    if (i >= 0)
        entries_[i].SetValue(value);
    else
        Add(name, value);
}

void TNameValueList::Add(std::string_view name, std::string_view value)
{
    const uint32_t hash = TPositionHash::OfText(name);
    const bool known = FindFirst(name, hash) >= 0;
    entries_.emplace_back(name, value);
    if (!known)
        first_.Insert(hash, Count() - 1);
}

void TNameValueList::Insert(int i, std::string_view name, std::string_view value)
{
    if (i < 0 || i > Count())
        throw EListError(i);
    if (i == Count()) {
        Add(name, value);
        return;
    }
    entries_.emplace(entries_.begin() + i, name, value);
    Reindex();
}

void TNameValueList::Remove(std::string_view name)
{
    int i = IndexOfName(name);
    if (i >= 0)
        Delete(i);
}

void TNameValueList::Delete(int i)
{
    if (i < 0 || i >= Count())
        throw EListError(i);
    entries_.erase(entries_.begin() + i);
    Reindex();
}

void TNameValueList::Clear()
{
    entries_.clear();
    first_.Clear();
}

void TNameValueList::Reserve(int count)
{
    entries_.reserve(count);
    first_.Reserve(count);
}

void TNameValueList::Reindex()
{
    first_.Clear();
    first_.Reserve(entries_.size());
    for (int i = 0; i < Count(); ++i) {
        const std::string_view name = entries_[i].Name();
        const uint32_t hash = TPositionHash::OfText(name);
        if (FindFirst(name, hash) < 0)
            first_.Insert(hash, i);
    }
}

} // namespace kelvane
