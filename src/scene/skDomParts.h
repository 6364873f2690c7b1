#pragma once
// Helpers shared by the units of the document tree (skDom.cpp, skDomDocument.cpp,
// skDomWriter.cpp); not for use elsewhere.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "scene/skDom.h"

namespace kelvane {

// What a live list made by GetElementsByTagName holds: its filter, the counter whose changes
// make it stale, and the nodes as last built.
struct TDomNodeList::TLive {
    const TDomName* name = nullptr;          // nullptr: every element
    const uint64_t* generation = nullptr;   // counter of the name, or of all elements
    uint64_t builtAt = ~uint64_t(0);
    std::vector<TDomNode*> nodes;
};

namespace dom {

// Names shared by every document; no element carries them, so their counters never move.
TDomName* FixedName(int nodeType);

// Whether an attribute value may be stored: no '<', not both kinds of quote, and every '&'
// starts a reference closed by ';' (before another '&') naming an XML name or a character.
bool IsValidAttributeValue(WideView value);

// Appends the value of attr as read back: text unchanged, references as '&' name ';'.
void AppendValue(WideString& out, const TDomAttr* attr);

// Calls f on every node of root's subtree (root included) in document order, without recursion.
template <class F>
void ForEachInSubtree(const TDomNode* root, F&& f)
{
    for (const TDomNode* n = root; n; n = NextInSubtree(n, root))
        f(n);
}

// 1-based position of the first occurrence of what, or 0.
inline size_t Find(WideView text, WideView what)
{
    const size_t at = text.find(what);
    return at == WideView::npos ? 0 : at + 1;
}

inline size_t CheckTextData(WideView text)
{
    const size_t special = text.find_first_of(u"<&");
    const size_t cdataEnd = text.find(u"]]>");
    const size_t first = std::min(special, cdataEnd);
    return first == WideView::npos ? 0 : first + 1;
}

} // namespace dom
} // namespace kelvane
