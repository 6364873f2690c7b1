#include "scene/skDom.h"

#include "scene/skDomParts.h"

#include <algorithm>
#include <cstdlib>

namespace kelvane {

TDomName* dom::FixedName(int nodeType)
{
    static TDomName document{u"#document", {0, "#document"}};
    static TDomName text{u"#text", {0, "#text"}};
    static TDomName comment{u"#comment", {0, "#comment"}};
    static TDomName cdata{u"#cdata-section", {0, "#cdata-section"}};
    switch (nodeType) {
    case DOCUMENT_NODE: return &document;
    case COMMENT_NODE: return &comment;
    case CDATA_SECTION_NODE: return &cdata;
    default: return &text;
    }
}

using namespace dom;

bool dom::IsValidAttributeValue(WideView value)
{
    if (value.find(u'<') != WideView::npos)
        return false;
    if (value.find(u'"') != WideView::npos && value.find(u'\'') != WideView::npos)
        return false;
    for (size_t i = value.find(u'&'); i != WideView::npos; i = value.find(u'&', i)) {
        const size_t end = value.find_first_of(u";&", i + 1);
        if (end == WideView::npos || value[end] != u';')
            return false;
        const WideView name = value.substr(i + 1, end - i - 1);
        if (!IsXmlName(name) && !IsCharacterReference(name))
            return false;
        i = end + 1;
    }
    return true;
}

namespace {

// Calls f(text, isReference) for each run of plain text and each reference (its name) of a
// valid value, in order.
template <class F>
void ForEachValuePiece(WideView value, F&& f)
{
    size_t start = 0;
    for (size_t i = value.find(u'&'); i != WideView::npos; i = value.find(u'&', start)) {
        const size_t end = value.find(u';', i + 1);
        if (i > start)
            f(value.substr(start, i - start), false);
        f(value.substr(i + 1, end - i - 1), true);
        start = end + 1;
    }
    if (start < value.size())
        f(value.substr(start), false);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// EDomException

EDomException::EDomException(int code) : EKelvaneError(MessageOf(code)), code_(code) {}

std::string EDomException::MessageOf(int code)
{
    switch (code) {
    case 1: return "A minus quantiry or out of permissible range.";
    case 2: return "The text was out of 1 DOMString.";
    case 3: return "The node was inserted to the part which it did not belong to.";
    case 4: return "The node was used in another document that it was created.";
    case 5: return "An unsuitable character was inputted.";
    case 6: return "A Deta was inputted where deta_node was not supported.";
    case 7: return "The object which was not allowed to be modified was tried to be.";
    case 8: return "The node was tried to be refered where it did not exist.";
    case 9: return "This parser did not support the requested object.";
    case 10: return "The Attribute which was used in another part was tried to be added.";
    case 11: return "If an attempt is made to use an object that is not, or is no longer, usable. ";
    case 12: return "If an invalid or illegal string is specified.";
    case 13: return "If an attempt is made to modify the type of the underlying object.";
    case 14: return "An invalid namespace was used.";
    case 15: return "The argument or operation is not supported by the object.";
    default: return "Document tree error " + std::to_string(code) + ".";
    }
}

// ---------------------------------------------------------------------------------------------
// TDomNodeList

TDomNodeList::TDomNodeList(TDomNode* owner) : owner_(owner) {}

TDomNodeList::~TDomNodeList() = default;

int TDomNodeList::Length() const
{
    if (!live_)
        return static_cast<int>(owner_->childCount_);
    Refresh();
    return static_cast<int>(live_->nodes.size());
}

TDomNode* TDomNodeList::Item(int index) const
{
    if (live_) {
        Refresh();
        if (index < 0 || static_cast<size_t>(index) >= live_->nodes.size())
            throw EListError(index);
        return live_->nodes[static_cast<size_t>(index)];
    }
    const int count = static_cast<int>(owner_->childCount_);
    if (index < 0 || index >= count)
        throw EListError(index);
    // Walk from the nearest of the first child, the last child and the last position visited.
    TDomNode* n = owner_->firstChild_;
    int at = 0;
    int best = index;
    if (count - 1 - index < best) {
        n = owner_->LastChild();
        at = count - 1;
        best = count - 1 - index;
    }
    if (cursor_ && std::abs(index - cursorIndex_) < best) {
        n = cursor_;
        at = cursorIndex_;
    }
    for (; at < index; ++at)
        n = n->next_;
    for (; at > index; --at)
        n = n->prev_;
    cursor_ = n;
    cursorIndex_ = index;
    return n;
}

void TDomNodeList::Refresh() const
{
    TLive& live = *live_;
    if (*live.generation == live.builtAt)
        return;
    live.nodes.clear();
    ForEachInSubtree(owner_, [&](const TDomNode* n) {
        if (n->NodeType() == ELEMENT_NODE && (!live.name || n->name_ == live.name))
            live.nodes.push_back(const_cast<TDomNode*>(n));
    });
    live.builtAt = *live.generation;
}

// ---------------------------------------------------------------------------------------------
// TDomNamedNodeMap

int TDomNamedNodeMap::Length() const
{
    return element_->AttributeCount();
}

TDomDocument* TDomNamedNodeMap::OwnerDocument() const
{
    return element_->OwnerDocument();
}

TDomAttr* TDomNamedNodeMap::Item(int index) const
{
    if (index < 0 || index >= element_->AttributeCount())
        throw EListError(index);
    return element_->AttributeNode(index);
}

TDomAttr* TDomNamedNodeMap::GetNamedItem(WideView name) const
{
    const int at = element_->FindAttribute(name);
    return at < 0 ? nullptr : element_->AttributeNode(at);
}

TDomAttr* TDomNamedNodeMap::RemoveNamedItem(WideView name)
{
    TDomAttr* attr = GetNamedItem(name);
    if (!attr)
        throw EDomException(8);
    return element_->RemoveAttributeNode(attr);
}

// ---------------------------------------------------------------------------------------------
// TDomNode

TDomNode::TDomNode(TDomDocument* owner, TDomName* name) : ownerDocument_(owner), name_(name) {}

TDomNode::~TDomNode() = default;

TDomNodeList* TDomNode::GetChildNodes() const
{
    return (flags_ & kContainer) ? Document()->ChildList(this) : nullptr;
}

TDomNodeList* TDomNode::MadeChildList() const
{
    return (flags_ & kListMade) ? Document()->ChildList(this) : nullptr;
}

WideString TDomNode::GetNodeValue() const
{
    return {};
}

void TDomNode::SetNodeValue(WideView)
{
}

bool TDomNode::HasAttributes() const
{
    // Without asking for the map, which would be made for the question.
    const TDomElement* element = AsElement();
    return element && element->AttributeCount() > 0;
}

TDomElement* TDomNode::AsElement()
{
    return NodeType() == ELEMENT_NODE ? static_cast<TDomElement*>(this) : nullptr;
}

const TDomElement* TDomNode::AsElement() const
{
    return NodeType() == ELEMENT_NODE ? static_cast<const TDomElement*>(this) : nullptr;
}

bool TDomNode::AcceptsChild(const TDomNode*, const TDomNode*) const
{
    return false;
}

void TDomNode::CheckWritable() const
{
    if (readOnly_)
        throw EDomException(7);
}

TDomDocument* TDomNode::Document() const
{
    return NodeType() == DOCUMENT_NODE ? static_cast<TDomDocument*>(const_cast<TDomNode*>(this)) : ownerDocument_;
}

void TDomNode::LinkLast(TDomNode* child)
{
    child->parent_ = this;
    child->next_ = nullptr;
    if (firstChild_) {
        TDomNode* last = firstChild_->prev_;
        last->next_ = child;
        child->prev_ = last;
    } else {
        firstChild_ = child;
    }
    firstChild_->prev_ = child;
    ++childCount_;
}

void TDomNode::LinkBefore(TDomNode* child, TDomNode* ref)
{
    if (!ref) {
        LinkLast(child);
        return;
    }
    if (TDomNodeList* list = MadeChildList()) {
        if (list->cursor_ && (ref == list->cursor_ || ref == firstChild_))
            ++list->cursorIndex_;
        else
            list->cursor_ = nullptr;  // position unknown
    }
    child->parent_ = this;
    child->next_ = ref;
    child->prev_ = ref->prev_;  // the last child when ref is the first
    if (ref == firstChild_)
        firstChild_ = child;
    else
        ref->prev_->next_ = child;
    ref->prev_ = child;
    ++childCount_;
}

void TDomNode::Unlink(TDomNode* child)
{
    TDomNodeList* list = MadeChildList();
    if (list && list->cursor_) {
        if (child == list->cursor_) {
            list->cursor_ = child->PreviousSibling();
            --list->cursorIndex_;
        } else if (child == firstChild_) {
            --list->cursorIndex_;
        } else if (child->next_) {
            list->cursor_ = nullptr;  // position unknown
        }
    }
    --childCount_;
    if (child == firstChild_)
        firstChild_ = child->next_;
    else
        child->prev_->next_ = child->next_;
    if (child->next_)
        child->next_->prev_ = child->prev_;
    else if (firstChild_)
        firstChild_->prev_ = child->prev_;  // the new last child
    child->parent_ = child->prev_ = child->next_ = nullptr;
}

void TDomNode::CheckInsert(TDomNode* newChild, TDomNode* refChild, const TDomNode* replacing) const
{
    if (!newChild)
        throw EDomException(8);
    if (!AcceptsChild(newChild, replacing))
        throw EDomException(3);
    CheckWritable();
    if (newChild->ownerDocument_ != Document())
        throw EDomException(4);
    if (newChild == this)
        throw EDomException(3);
    // Only a node with children can be an ancestor of this one.
    if (newChild->firstChild_)
        for (const TDomNode* a = parent_; a; a = a->parent_)
            if (a == newChild)
                throw EDomException(3);
    if ((refChild && refChild->parent_ != this) || !(flags_ & kContainer))
        throw EDomException(8);
}

TDomNode* TDomNode::DoInsert(TDomNode* newChild, TDomNode* refChild)
{
    if (newChild == refChild)
        return newChild;
    if (newChild->parent_)
        newChild->parent_->Unlink(newChild);
    LinkBefore(newChild, refChild);
    Document()->SubtreeChanged(newChild);
    return newChild;
}

TDomNode* TDomNode::InsertBefore(TDomNode* newChild, TDomNode* refChild)
{
    CheckInsert(newChild, refChild, nullptr);
    return DoInsert(newChild, refChild);
}

TDomNode* TDomNode::RemoveChild(TDomNode* oldChild)
{
    CheckWritable();
    if (!oldChild || oldChild->parent_ != this)
        throw EDomException(8);
    Unlink(oldChild);
    Document()->SubtreeChanged(oldChild);
    return oldChild;
}

TDomNode* TDomNode::ReplaceChild(TDomNode* newChild, TDomNode* oldChild)
{
    if (!oldChild)
        throw EDomException(8);
    // oldChild does not count against "at most one" while it is being replaced.
    CheckInsert(newChild, oldChild, oldChild);
    if (newChild == oldChild)
        return oldChild;
    DoInsert(newChild, oldChild);
    return RemoveChild(oldChild);
}

TDomNode* TDomNode::CloneNode(bool deep)
{
    return CopyNode(deep, ownerDocument_);
}

TDomNode* TDomNode::CopyNode(bool deep, TDomDocument* document) const
{
    TDomNode* top = CopySelf(document);
    if (!deep || NodeType() == ATTRIBUTE_NODE)
        return top;
    const TDomNode* src = this;
    TDomNode* dst = top;
    for (;;) {
        if (src->firstChild_) {
            src = src->firstChild_;
        } else {
            while (src != this && !src->next_) {
                src = src->parent_;
                dst = dst->parent_;
            }
            if (src == this)
                break;
            src = src->next_;
            dst = dst->parent_;
        }
        TDomNode* copy = src->CopySelf(document);
        dst->LinkLast(copy);
        dst = copy;
    }
    return top;
}

// ---------------------------------------------------------------------------------------------
// Leaf kinds

TDomNode* TDomDocumentType::CopySelf(TDomDocument* document) const
{
    return document->Make<TDomDocumentType>(document->Intern(NodeName()));
}

TDomNode* TDomEntityReference::CopySelf(TDomDocument* document) const
{
    return document->Make<TDomEntityReference>(document->Intern(NodeName()));
}

TDomCharacterData::TDomCharacterData(TDomDocument* owner, TDomName* name, WideString data)
    : TDomNode(owner, name), data_(std::move(data))
{
}

TDomComment::TDomComment(TDomDocument* owner, WideString data) : TDomCharacterData(owner, FixedName(COMMENT_NODE), std::move(data))
{
}

TDomCDATASection::TDomCDATASection(TDomDocument* owner, WideString data) : TDomText(owner, FixedName(CDATA_SECTION_NODE), std::move(data))
{
}

void TDomCharacterData::SetNodeValue(WideView value)
{
    CheckWritable();
    if (CheckData(value) != 0)
        throw EDomException(5);
    data_.assign(value);
}

size_t TDomText::CheckData(WideView text) const
{
    return CheckTextData(text);
}

TDomNode* TDomText::CopySelf(TDomDocument* document) const
{
    return document->Make<TDomText>(FixedName(TEXT_NODE), data_);
}

size_t TDomComment::CheckData(WideView text) const
{
    return Find(text, u"--");
}

TDomNode* TDomComment::CopySelf(TDomDocument* document) const
{
    return document->Make<TDomComment>(data_);
}

size_t TDomCDATASection::CheckData(WideView text) const
{
    return Find(text, u"]]>");
}

TDomNode* TDomCDATASection::CopySelf(TDomDocument* document) const
{
    return document->Make<TDomCDATASection>(data_);
}

// ---------------------------------------------------------------------------------------------
// TDomAttr

TDomAttr::TDomAttr(TDomDocument* owner, TDomName* name) : TDomNode(owner, name)
{
    flags_ = kContainer;
}

WideString TDomAttr::GetNodeValue() const
{
    if (firstChild_ && !firstChild_->next_ && firstChild_->NodeType() == TEXT_NODE)
        return static_cast<const TDomText*>(firstChild_)->Data();
    WideString out;
    AppendValue(out, this);
    return out;
}

void TDomAttr::SetNodeValue(WideView value)
{
    CheckWritable();
    const bool single = firstChild_ && !firstChild_->next_ && firstChild_->NodeType() == TEXT_NODE;
    if (single ? static_cast<const TDomText*>(firstChild_)->Data() == value : GetNodeValue() == value)
        return;
    if (!IsValidAttributeValue(value))
        throw EDomException(5);
    // The value may view the data of the pieces about to be freed.
    WideString kept;
    if (firstChild_) {
        kept.assign(value);
        value = kept;
    }
    while (TDomNode* old = firstChild_) {
        Unlink(old);
        ownerDocument_->Free(old);
    }
    ForEachValuePiece(value, [this](WideView text, bool reference) {
        TDomNode* piece = reference
            ? static_cast<TDomNode*>(ownerDocument_->Make<TDomEntityReference>(ownerDocument_->Intern(text)))
            : ownerDocument_->Make<TDomText>(FixedName(TEXT_NODE), WideString(text));
        LinkLast(piece);
    });
    specified_ = 1;
}

TDomNode* TDomAttr::CopySelf(TDomDocument* document) const
{
    TDomAttr* copy = document->Make<TDomAttr>(document->Intern(NodeName()));
    copy->specified_ = specified_;
    for (const TDomNode* c = firstChild_; c; c = c->next_)
        copy->LinkLast(c->CopySelf(document));
    return copy;
}

bool TDomAttr::AcceptsChild(const TDomNode* child, const TDomNode*) const
{
    const int type = child->NodeType();
    return type == TEXT_NODE || type == ENTITY_REFERENCE_NODE;
}

} // namespace kelvane
