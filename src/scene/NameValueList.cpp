#include "scene/NameValueList.h"

#include "scene/Errors.h"

namespace kelvane {

const WideString& TNameValueList::Name(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(i);
    return entries_[i].name;
}

const WideString& TNameValueList::ValueAt(int i) const
{
    if (i < 0 || i >= Count())
        throw EListError(i);
    return entries_[i].value;
}

WideString TNameValueList::Line(int i) const
{
    return Name(i) + u"=" + ValueAt(i);
}

int TNameValueList::IndexOfName(WideView name) const
{
    auto it = first_.find(name);
    return it == first_.end() ? -1 : it->second;
}

WideString TNameValueList::Values(WideView name) const
{
    int i = IndexOfName(name);
    return i < 0 ? WideString() : entries_[i].value;
}

void TNameValueList::SetValue(WideView name, WideView value)
{
    int i = IndexOfName(name);
    if (i >= 0)
        entries_[i].value = WideString(value);
    else
        Add(name, value);
}

void TNameValueList::Add(WideView name, WideView value)
{
    entries_.push_back({WideString(name), WideString(value)});
    first_.try_emplace(entries_.back().name, Count() - 1);
}

void TNameValueList::Remove(WideView name)
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
    first_.clear();
}

void TNameValueList::Reindex()
{
    first_.clear();
    for (int i = 0; i < Count(); ++i)
        first_.try_emplace(entries_[i].name, i);
}

} // namespace kelvane
