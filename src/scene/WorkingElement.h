#pragma once
// The working element: detached copies of the scene elements that one element-list row stands
// for. Editors change only the copies; CommitEdit puts them back into the document.
//
// Each child n of the working element carries the mark attribute "Child" + n: the decimal index
// of its source among the document's elements of its tag (at the time of the copy), "new" or
// "deleted". Besides the marks, the working element remembers the source element of every copy
// it made, so that CommitEdit replaces or removes the very element a copy came from even when
// an earlier step of the same commit inserted or removed elements of that tag before it.
#include <vector>

#include "scene/ElementIndex.h"
#include "scene/NameValueList.h"
#include "scene/skDom.h"

namespace kelvane {

// One change a commit made to the document's tree; the nodes stay owned by the document, so a
// change can be taken back and made again.
struct TTreeChange {
    enum TKind { Replace, Insert, Remove } kind;
    TDomNode* parent;
    TDomNode* node;   // the node put in (Replace, Insert) or taken out (Remove)
    TDomNode* other;  // Replace: the node taken out; Insert, Remove: the next sibling
};
void UndoTreeChange(const TTreeChange& change);
void RedoTreeChange(const TTreeChange& change);

// What the working element holds besides its node: the sources of its copies and the revivals.
struct TWorkingState {
    std::vector<TDomElement*> sources;
    std::vector<int> partner;
};

class TWorkingElement {
public:
    // presence: the presence table consulted by BeginEdit (light parts, shader textures).
    explicit TWorkingElement(const TNameValueList& presence) : presence_(&presence) {}
    TWorkingElement(const TWorkingElement&) = delete;
    TWorkingElement& operator=(const TWorkingElement&) = delete;

    // Works on document from now on; the working element becomes empty (nothing to commit).
    void SetDocument(TDomDocument* document);
    TDomDocument* Document() const { return document_; }
    TElementIndex& Index() { return index_; }
    void SetPresence(const TNameValueList& presence) { presence_ = &presence; }

    // The working element: the document itself after BeginEdit("scene", ...), else a detached
    // element named after the kind; nullptr when there is none.
    TDomNode* Node() const { return node_; }
    TDomElement* Element() const { return node_ ? node_->AsElement() : nullptr; }
    bool IsDocument() const { return node_ && node_ == document_; }
    int ChildCount() const { return node_ ? node_->ChildCount() : 0; }

    // Replaces the working element (the previous one is dropped, not committed).
    //   "scene": the document itself;
    //   "render": a copy of the document's first render element (marked "0"), then the camera
    //             named name;
    //   "filter": the filter named name, then the filters "an" and "dof";
    //   any other kind: by the presence value of name: light parts name.light, name.diffuse,
    //             name.caustic for a three-character value other than "000"; the element and its
    //             textures name0 .. name9 for a ten-character value; else the one element.
    void BeginEdit(WideView kind, WideView name);
    // The document elements BeginEdit(kind, name) would copy, in that order (kind "scene": none).
    std::vector<TDomElement*> Sources(WideView kind, WideView name);
    // Writes the copies back: a numbered copy replaces its source, a "new" one is inserted before
    // the first element of its tag (or before the first render element), a "deleted" one's source
    // is removed (an object's emptied transform placeholder with it); a "new" copy beside a
// "deleted" one of the same tag and name revives it in its place. The working element is
    // left as it is; committing it again leaves the document as the first commit left it.
    // Raises EConvertError for a mark that is none of these, EListError for an index beyond the
    // document's elements of that tag; copies handled before the error stay in the document.
    void CommitEdit() { CommitEdit(true); }
    // keepCopies false: the held elements themselves go into the document (no copies are made)
    // and the working element becomes the document, as after BeginEdit("scene", ...).
    void CommitEdit(bool keepCopies);

    // Appends a copy of the first element of tag kind named name, marked with its index;
    // nothing when there is none.
    void AddCopy(WideView kind, WideView name);
    // AddCopy("texture", name + d) for d = 0 .. 9.
    void AddTextureCopies(WideView name);

    // Appends element (created by the document, detached) as a child marked "new".
    void AppendNew(TDomElement* element);
    // The mark of child n ("Child" + n), empty when absent; SetMark writes it.
    WideString Mark(int n) const;
    void SetMark(int n, WideView value);
    // Marks "deleted" every child (render excepted) whose key attribute equals name.
    void MarkDeleted(WideView key, WideView name);

    // The first child matching name the way key paths address elements: a render child when
    // kind is "render", else a child whose key attribute equals name exactly; from child index
    // from on. Returns the child and its position through at, or nullptr.
    TDomElement* FindHeld(WideView kind, WideView key, WideView name, int from = 0, int* at = nullptr) const;

    // For the modulator view: the element saved while the working element shows modulators.
    TDomElement* Saved() const { return saved_; }
    void SetSaved(TDomElement* saved) { saved_ = saved; }
    // Number of open modulator views (nested calls).
    int ViewDepth() const { return viewDepth_; }
    void SetViewDepth(int depth) { viewDepth_ = depth; }
    // Makes element the working element, keeping the record of sources (same children order).
    void ReplaceNode(TDomElement* element) { node_ = element; }

    // Changes commits make to the tree are appended to log while it is set (nullptr: none).
    void SetChangeLog(std::vector<TTreeChange>* log) { log_ = log; }
    TWorkingState State() const { return {sources_, partner_}; }
    // Puts back a working element taken earlier: node (the document itself, a detached element
    // or nullptr) with its state. The tree may have changed meanwhile: the index is rebuilt.
    void Restore(TDomNode* node, const TWorkingState& state);

private:
    void AppendCopy(TDomElement* source, int index);
    // Calls take(source, index) for each element the row of kind and name stands for.
    template <class F> void Select(WideView kind, WideView name, F&& take);
    // The element that a commit of child n acts on: its recorded source if still in the tree.
    TDomElement* LiveSource(int n);
    void RemoveFromTree(TDomElement* element);
    void PairRevivals(const std::vector<TDomElement*>& children, const std::vector<WideString>& marks);
    TDomElement* Placed(TDomElement* child, bool keepCopies);
    static void MergeMissing(TDomElement* copy, const TDomElement* other);

    void Log(TTreeChange::TKind kind, TDomNode* parent, TDomNode* node, TDomNode* other);

    const TNameValueList* presence_;
    std::vector<TTreeChange>* log_ = nullptr;
    TDomDocument* document_ = nullptr;
    TDomNode* node_ = nullptr;
    TDomElement* saved_ = nullptr;
    int viewDepth_ = 0;
    TElementIndex index_;
    // Per child position: the document element the copy stands for (nullptr: none).
    std::vector<TDomElement*> sources_;
    // Per child position: the deleted child a "new" child of the same tag and name revives.
    std::vector<int> partner_;
};

WideString ChildMarkName(int n);

} // namespace kelvane
