#include "scene/ElementIndex.h"

namespace kelvane {

namespace {

uint32_t AddressHash(const TDomElement* element)
{
    return TPositionHash::Mix(reinterpret_cast<uintptr_t>(element));
}

} // namespace

int TElementIndex::TTagList::Position(const TDomElement* element) const
{
    return position.Find(AddressHash(element), [&](int at) { return items[at] == element; });
}

int TElementIndex::TTagList::First(uint32_t hash, WideView name) const
{
    WideString own;
    return byName.Find(hash, [&](int at) { return ElementName(items[at], own) && own == name; });
}

void TElementIndex::TTagList::Link(int i, uint32_t hash, WideView name)
{
    const int head = First(hash, name);
    if (head < 0) {
        byName.Insert(hash, i);
        next[i] = prev[i] = i;
        return;
    }
    // After the item that comes before i in the ring (the last one when i is first or last).
    int after = prev[head];
    if (i > head && i < after)
        for (after = head; next[after] < i; after = next[after]) {
        }
    next[i] = next[after];
    prev[i] = after;
    prev[next[after]] = i;
    next[after] = i;
    if (i < head)
        byName.Replace(hash, [&](int at) { return at == head; }, i);
}

bool TElementIndex::TTagList::Unlink(int i, uint32_t hash)
{
    if (next[i] < 0)
        return true;
    const int following = next[i];
    const bool first = prev[i] >= i;
    bool agreed = true;
    if (first)
        agreed = following == i ? byName.Erase(hash, i) : byName.Replace(hash, [&](int at) { return at == i; }, following);
    next[prev[i]] = following;
    prev[following] = prev[i];
    next[i] = prev[i] = -1;
    return agreed;
}

bool ElementName(const TDomElement* element, WideString& name)
{
    return element->TryGetAttribute(u"name", name);
}

void TElementIndex::Reset(TDomDocument* document)
{
    document_ = document;
    built_ = false;
    tags_.clear();
}

void TElementIndex::Invalidate()
{
    built_ = false;
}

template <class F>
void TElementIndex::EachElement(F&& f) const
{
    if (!document_)
        return;
    // Pre-order walk without recursion.
    const TDomNode* node = document_->FirstChild();
    while (node) {
        if (node->NodeType() == ELEMENT_NODE)
            f(const_cast<TDomElement*>(node->AsElement()));
        if (node->FirstChild()) {
            node = node->FirstChild();
            continue;
        }
        while (node && !node->NextSibling())
            node = node->GetParentNode();
        if (node)
            node = node->NextSibling();
    }
}

void TElementIndex::Build()
{
    built_ = true;
    for (auto& [tag, list] : tags_)
        list = TTagList();
    if (tags_.empty())
        return;
    EachElement([this](TDomElement* element) {
        if (auto it = tags_.find(element->TagName()); it != tags_.end())
            it->second.items.push_back(element);
    });
    for (auto& [tag, list] : tags_)
        list.items.shrink_to_fit();
}

TElementIndex::TTagList* TElementIndex::Valid(WideView tag)
{
    if (!built_)
        Build();
    auto it = tags_.find(tag);
    if (it == tags_.end()) {
        // A tag asked for the first time: its elements are collected now and at each rebuild.
        TTagList& list = tags_[WideString(tag)];
        EachElement([&](TDomElement* element) {
            if (element->TagName() == tag)
                list.items.push_back(element);
        });
        list.items.shrink_to_fit();
        return &list;
    }
    if (!it->second.valid) {
        Build();
        it = tags_.find(tag);
    }
    return &it->second;
}

TElementIndex::TTagList* TElementIndex::Derived(WideView tag)
{
    TTagList* list = Valid(tag);
    if (!list || list->derivedValid)
        return list;
    const int n = static_cast<int>(list->items.size());
    list->position.Clear();
    list->position.Reserve(n);
    list->byName.Clear();
    list->next.assign(n, -1);
    list->prev.assign(n, -1);
    WideString name;
    // Backwards, so each item goes first in its ring.
    for (int i = n - 1; i >= 0; --i) {
        list->position.Insert(AddressHash(list->items[i]), i);
        if (ElementName(list->items[i], name))
            list->Link(i, TPositionHash::OfText(name), name);
    }
    list->derivedValid = true;
    return list;
}

int TElementIndex::Count(WideView tag)
{
    TTagList* list = Valid(tag);
    return list ? static_cast<int>(list->items.size()) : 0;
}

TDomElement* TElementIndex::Item(WideView tag, int i)
{
    TTagList* list = Valid(tag);
    if (!list || i < 0 || i >= static_cast<int>(list->items.size()))
        return nullptr;
    return list->items[i];
}

int TElementIndex::FirstNamed(WideView tag, WideView name)
{
    TTagList* list = Derived(tag);
    if (!list)
        return -1;
    return list->First(TPositionHash::OfText(name), name);
}

std::vector<int> TElementIndex::AllNamed(WideView tag, WideView name)
{
    TTagList* list = Derived(tag);
    if (!list)
        return {};
    std::vector<int> all;
    const int head = list->First(TPositionHash::OfText(name), name);
    if (head >= 0) {
        int i = head;
        do {
            all.push_back(i);
            i = list->next[i];
        } while (i != head);
    }
    return all;
}

int TElementIndex::IndexOf(const TDomElement* element)
{
    if (!element)
        return -1;
    TTagList* list = Derived(element->TagName());
    if (!list)
        return -1;
    return list->Position(element);
}

void TElementIndex::InvalidateDescendants(const TDomElement* root)
{
    if (!built_)
        return;
    const TDomNode* node = root->FirstChild();
    while (node) {
        if (node->NodeType() == ELEMENT_NODE) {
            if (auto it = tags_.find(node->NodeName()); it != tags_.end())
                it->second.valid = false;
        }
        node = NextInSubtree(node, root);
    }
}

void TElementIndex::Replaced(TDomElement* old, TDomElement* now)
{
    InvalidateDescendants(old);
    InvalidateDescendants(now);
    if (!built_)
        return;
    if (old->TagName() != now->TagName()) {
        Invalidate();
        return;
    }
    auto it = tags_.find(old->TagName());
    if (it == tags_.end() || !it->second.valid)
        return;
    TTagList* list = Derived(old->TagName());
    const int i = list->Position(old);
    if (i < 0) {
        Invalidate();
        return;
    }
    list->position.Erase(AddressHash(old), i);
    list->items[i] = now;
    list->position.Insert(AddressHash(now), i);
    WideString oldName, name;
    const bool hadName = ElementName(old, oldName);
    const bool hasName = ElementName(now, name);
    if (hadName == hasName && oldName == name)
        return;  // same place in the same ring
    if (hadName && !list->Unlink(i, TPositionHash::OfText(oldName))) {
        list->derivedValid = false;
        return;
    }
    if (hasName)
        list->Link(i, TPositionHash::OfText(name), name);
}

void TElementIndex::InsertedAt(TDomElement* element, int index)
{
    InvalidateDescendants(element);
    if (!built_)
        return;
    auto it = tags_.find(element->TagName());
    if (it == tags_.end() || !it->second.valid)
        return;
    TTagList& list = it->second;
    if (index < 0 || index > static_cast<int>(list.items.size())) {
        list.valid = false;
        return;
    }
    list.items.insert(list.items.begin() + index, element);
    if (list.derivedValid && index + 1 == static_cast<int>(list.items.size())) {
        // Appended last: no position moves.
        list.position.Insert(AddressHash(element), index);
        list.next.push_back(-1);
        list.prev.push_back(-1);
        WideString name;
        if (ElementName(element, name))
            list.Link(index, TPositionHash::OfText(name), name);
    } else {
        list.derivedValid = false;
    }
}

void TElementIndex::Removed(TDomElement* element)
{
    InvalidateDescendants(element);
    if (!built_)
        return;
    auto it = tags_.find(element->TagName());
    if (it == tags_.end() || !it->second.valid)
        return;
    TTagList* list = Derived(element->TagName());
    const int i = list->Position(element);
    if (i < 0)
        return;
    list->items.erase(list->items.begin() + i);
    list->derivedValid = false;
}

void TElementIndex::Renamed(const TDomElement* element, WideView oldName, bool hadName)
{
    if (!built_)
        return;
    auto it = tags_.find(element->TagName());
    if (it == tags_.end() || !it->second.valid || !it->second.derivedValid)
        return;
    TTagList& list = it->second;
    const int i = list.Position(element);
    if (i < 0)
        return;
    if (hadName && !list.Unlink(i, TPositionHash::OfText(oldName))) {
        list.derivedValid = false;
        return;
    }
    WideString name;
    if (ElementName(element, name))
        list.Link(i, TPositionHash::OfText(name), name);
}

} // namespace kelvane
