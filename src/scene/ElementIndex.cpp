#include "scene/ElementIndex.h"

namespace kelvane {

bool ElementName(const TDomElement* element, WideString& name)
{
    return element->TryGetAttribute(u"name", name);
}

void TElementIndex::Reset(TDomDocument* document)
{
    document_ = document;
    Invalidate();
}

void TElementIndex::Invalidate()
{
    built_ = false;
    tags_.clear();
}

void TElementIndex::Build()
{
    tags_.clear();
    built_ = true;
    if (!document_)
        return;
    // Pre-order walk without recursion.
    const TDomNode* node = document_->FirstChild();
    while (node) {
        if (node->NodeType() == ELEMENT_NODE) {
            auto* element = const_cast<TDomElement*>(node->AsElement());
            tags_[element->TagName()].items.push_back(element);
        }
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

TElementIndex::TTagList* TElementIndex::Valid(WideView tag)
{
    if (!built_)
        Build();
    auto it = tags_.find(tag);
    if (it == tags_.end())
        return nullptr;
    if (!it->second.valid) {
        Build();
        it = tags_.find(tag);
        if (it == tags_.end())
            return nullptr;
    }
    return &it->second;
}

TElementIndex::TTagList* TElementIndex::Derived(WideView tag)
{
    TTagList* list = Valid(tag);
    if (!list || list->derivedValid)
        return list;
    list->position.clear();
    list->byName.clear();
    WideString name;
    for (int i = 0; i < static_cast<int>(list->items.size()); ++i) {
        list->position.emplace(list->items[i], i);
        if (ElementName(list->items[i], name))
            list->byName[name].insert(i);
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
    auto it = list->byName.find(name);
    return it == list->byName.end() || it->second.empty() ? -1 : *it->second.begin();
}

std::vector<int> TElementIndex::AllNamed(WideView tag, WideView name)
{
    TTagList* list = Derived(tag);
    if (!list)
        return {};
    auto it = list->byName.find(name);
    if (it == list->byName.end())
        return {};
    return std::vector<int>(it->second.begin(), it->second.end());
}

int TElementIndex::IndexOf(const TDomElement* element)
{
    if (!element)
        return -1;
    TTagList* list = Derived(element->TagName());
    if (!list)
        return -1;
    auto it = list->position.find(element);
    return it == list->position.end() ? -1 : it->second;
}

void TElementIndex::InvalidateDescendants(const TDomElement* root)
{
    if (!built_)
        return;
    const TDomNode* node = root->FirstChild();
    while (node) {
        if (node->NodeType() == ELEMENT_NODE)
            tags_[node->NodeName()].valid = false;
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
    auto pos = list->position.find(old);
    if (pos == list->position.end()) {
        Invalidate();
        return;
    }
    const int i = pos->second;
    list->position.erase(pos);
    list->position.emplace(now, i);
    list->items[i] = now;
    WideString name;
    if (ElementName(old, name)) {
        auto named = list->byName.find(name);
        if (named != list->byName.end())
            named->second.erase(i);
    }
    if (ElementName(now, name))
        list->byName[name].insert(i);
}

void TElementIndex::InsertedAt(TDomElement* element, int index)
{
    InvalidateDescendants(element);
    if (!built_)
        return;
    TTagList& list = tags_[element->TagName()];
    if (!list.valid)
        return;
    if (index < 0 || index > static_cast<int>(list.items.size())) {
        list.valid = false;
        return;
    }
    if (list.derivedValid && index == static_cast<int>(list.items.size())) {
        // Appended last: no position moves.
        list.position.emplace(element, index);
        WideString name;
        if (ElementName(element, name))
            list.byName[name].insert(index);
    } else {
        list.derivedValid = false;
    }
    list.items.insert(list.items.begin() + index, element);
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
    auto pos = list->position.find(element);
    if (pos == list->position.end())
        return;
    list->items.erase(list->items.begin() + pos->second);
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
    auto pos = list.position.find(element);
    if (pos == list.position.end())
        return;
    if (hadName) {
        auto named = list.byName.find(oldName);
        if (named != list.byName.end())
            named->second.erase(pos->second);
    }
    WideString name;
    if (ElementName(element, name))
        list.byName[name].insert(pos->second);
}

} // namespace kelvane
