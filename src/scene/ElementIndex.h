#pragma once
// Index of a document's elements by tag name, in document order, with the first element of each
// `name` attribute value. It lets the working element find "element i of tag K" and "the first K
// named N" without walking the tree on every selection and commit. Only the tags asked for are
// indexed: a tag's first query walks the tree for it, later rebuilds take all of them in one walk.
//
// The index follows the changes its users report (Replaced, InsertedAt, Removed). Any other
// change of the tree's structure, or of a `name` attribute of an element in the tree, must be
// followed by Invalidate(); the next query then rebuilds the index with one walk.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "scene/PositionHash.h"
#include "scene/skDom.h"

namespace kelvane {

class TElementIndex {
public:
    void Reset(TDomDocument* document);
    TDomDocument* Document() const { return document_; }
    void Invalidate();

    int Count(WideView tag);
    // Element i of that tag, or nullptr outside 0 .. Count()-1.
    TDomElement* Item(WideView tag, int i);
    // Index of the first element of tag whose `name` attribute equals name exactly (an element
    // without the attribute has no name), or -1.
    int FirstNamed(WideView tag, WideView name);
    // Indexes of every element of tag with that name, ascending.
    std::vector<int> AllNamed(WideView tag, WideView name);
    // Index of element among the elements of its tag, or -1 when it is not in the document.
    int IndexOf(const TDomElement* element);
    bool Contains(const TDomElement* element) { return IndexOf(element) >= 0; }

    // now has taken the place of old in the tree.
    void Replaced(TDomElement* old, TDomElement* now);
    // element was put into the tree as element index of its tag.
    void InsertedAt(TDomElement* element, int index);
    // element (with its subtree) was taken out of the tree.
    void Removed(TDomElement* element);
    // element's `name` attribute, formerly oldName (hadName false: none), was changed.
    void Renamed(const TDomElement* element, WideView oldName, bool hadName = true);

private:
    // Wide keys looked up by view, without a copy.
    struct THash {
        using is_transparent = void;
        size_t operator()(WideView v) const { return std::hash<WideView>()(v); }
    };
    template <class T>
    using TWideMap = std::unordered_map<WideString, T, THash, std::equal_to<>>;
    // The items of one name form a ring in ascending order (next, prev); the name table holds
    // the first of each ring. Unnamed items have -1 in both.
    struct TTagList {
        std::vector<TDomElement*> items;
        bool valid = true;         // items follow the tree
        bool derivedValid = false; // position, name table and rings follow items
        TPositionHash position;    // items by address
        TPositionHash byName;      // first item of each name
        std::vector<int32_t> next, prev;
        int Position(const TDomElement* element) const;
        int First(uint32_t hash, WideView name) const;
        // Puts item i (in no ring) into the ring of its name.
        void Link(int i, uint32_t hash, WideView name);
        // Takes item i out of its ring, whose name hashes to hash; false when the table does not
        // agree.
        bool Unlink(int i, uint32_t hash);
    };
    TTagList* Valid(WideView tag);
    TTagList* Derived(WideView tag);
    void Build();
    template <class F>
    void EachElement(F&& f) const;
    void InvalidateDescendants(const TDomElement* root);

    TDomDocument* document_ = nullptr;
    bool built_ = false;
    TWideMap<TTagList> tags_;
};

// The `name` attribute's value; false when the element has none.
bool ElementName(const TDomElement* element, WideString& name);

} // namespace kelvane
