#include "scene/skDom.h"

#include <algorithm>

namespace kelvane {

namespace {

const char16_t kCrLf[] = u"\r\n";

// Calls f on every node of root's subtree (root included) in document order, without recursion.
template <class Node, class F>
void ForEachInSubtree(Node* root, F&& f)
{
    Node* n = root;
    while (n) {
        f(n);
        if (n->FirstChild()) {
            n = n->FirstChild();
            continue;
        }
        while (n != root && !n->NextSibling())
            n = n->GetParentNode();
        if (n == root)
            break;
        n = n->NextSibling();
    }
}

size_t Find(WideView text, WideView what)
{
    const size_t at = text.find(what);
    return at == WideView::npos ? 0 : at + 1;
}

size_t CheckTextData(WideView text)
{
    const size_t special = text.find_first_of(u"<&");
    const size_t cdataEnd = text.find(u"]]>");
    const size_t first = std::min(special, cdataEnd);
    return first == WideView::npos ? 0 : first + 1;
}

// One piece of an attribute value: plain text, or an entity reference (the name, without & and ;).
struct TValuePiece {
    WideView text;
    bool reference;
};

// Splits an attribute value into pieces; false when the value is refused.
bool SplitAttributeValue(WideView value, std::vector<TValuePiece>& pieces)
{
    if (value.find(u'<') != WideView::npos)
        return false;
    if (value.find(u'"') != WideView::npos && value.find(u'\'') != WideView::npos)
        return false;
    size_t start = 0;
    size_t i = 0;
    while (i < value.size()) {
        if (value[i] != u'&') {
            ++i;
            continue;
        }
        const size_t end = value.find_first_of(u";&", i + 1);
        if (end == WideView::npos || value[end] != u';')
            return false;
        const WideView name = value.substr(i + 1, end - i - 1);
        if (!IsXmlName(name) && !IsCharacterReference(name))
            return false;
        if (i > start)
            pieces.push_back({value.substr(start, i - start), false});
        pieces.push_back({name, true});
        i = start = end + 1;
    }
    if (start < value.size())
        pieces.push_back({value.substr(start), false});
    return true;
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

TDomNodeList::TDomNodeList(TDomNode* owner, WideString filter)
    : owner_(owner), filter_(std::move(filter)), live_(true)
{
}

int TDomNodeList::Length() const
{
    Refresh();
    return static_cast<int>(nodes_.size());
}

TDomNode* TDomNodeList::Item(int index) const
{
    Refresh();
    if (index < 0 || static_cast<size_t>(index) >= nodes_.size())
        throw EListError(index);
    return nodes_[static_cast<size_t>(index)];
}

void TDomNodeList::Refresh() const
{
    if (!live_ || *generation_ == builtAt_)
        return;
    nodes_.clear();
    const bool all = filter_ == u"*";
    ForEachInSubtree(static_cast<const TDomNode*>(owner_), [&](const TDomNode* n) {
        if (n->NodeType() == ELEMENT_NODE && (all || n->name_ == filter_))
            nodes_.push_back(const_cast<TDomNode*>(n));
    });
    builtAt_ = *generation_;
}

// ---------------------------------------------------------------------------------------------
// TDomNamedNodeMap

namespace {
constexpr size_t kIndexedFrom = 12;  // attribute count from which lookups go through the index
}

TDomAttr* TDomNamedNodeMap::Item(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= attrs_.size())
        throw EListError(index);
    return attrs_[static_cast<size_t>(index)];
}

int TDomNamedNodeMap::IndexOf(WideView name) const
{
    if (!index_.empty()) {
        const auto it = index_.find(name);
        if (it == index_.end())
            return -1;
        return static_cast<int>(std::find(attrs_.begin(), attrs_.end(), it->second) - attrs_.begin());
    }
    for (size_t i = 0; i < attrs_.size(); ++i)
        if (attrs_[i]->name_ == name)
            return static_cast<int>(i);
    return -1;
}

TDomAttr* TDomNamedNodeMap::GetNamedItem(WideView name) const
{
    if (!index_.empty()) {
        const auto it = index_.find(name);
        return it == index_.end() ? nullptr : it->second;
    }
    for (TDomAttr* a : attrs_)
        if (a->name_ == name)
            return a;
    return nullptr;
}

TDomAttr* TDomNamedNodeMap::RemoveNamedItem(WideView name)
{
    TDomAttr* attr = GetNamedItem(name);
    if (!attr)
        throw EDomException(8);
    return element_->RemoveAttributeNode(attr);
}

void TDomNamedNodeMap::Append(TDomAttr* attr)
{
    attrs_.push_back(attr);
    if (!index_.empty()) {
        index_.emplace(WideView(attr->name_), attr);
    } else if (attrs_.size() >= kIndexedFrom) {
        for (TDomAttr* a : attrs_)
            index_.emplace(WideView(a->name_), a);
    }
}

void TDomNamedNodeMap::EraseAt(int index)
{
    TDomAttr* attr = attrs_[static_cast<size_t>(index)];
    if (!index_.empty())
        index_.erase(WideView(attr->name_));
    attrs_.erase(attrs_.begin() + index);
}

void TDomNamedNodeMap::ReplaceAt(int index, TDomAttr* attr)
{
    TDomAttr*& slot = attrs_[static_cast<size_t>(index)];
    if (!index_.empty()) {
        index_.erase(WideView(slot->name_));
        index_.emplace(WideView(attr->name_), attr);
    }
    slot = attr;
}

// ---------------------------------------------------------------------------------------------
// TDomNode

TDomNode::TDomNode(TDomDocument* owner, WideString name) : ownerDocument_(owner), name_(std::move(name)) {}

TDomNode::~TDomNode() = default;

WideString TDomNode::GetNodeValue() const
{
    return {};
}

void TDomNode::SetNodeValue(WideView)
{
}

bool TDomNode::HasAttributes() const
{
    const TDomNamedNodeMap* map = GetAttributes();
    return map && map->Length() > 0;
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

const uint64_t* TDomNode::NameGeneration() const
{
    if (!generation_)
        generation_ = ownerDocument_->GenerationOf(name_);
    return generation_;
}

void TDomNode::LinkLast(TDomNode* child)
{
    child->parent_ = this;
    child->prev_ = lastChild_;
    child->next_ = nullptr;
    if (lastChild_)
        lastChild_->next_ = child;
    else
        firstChild_ = child;
    lastChild_ = child;
    children_->nodes_.push_back(child);
}

void TDomNode::LinkBefore(TDomNode* child, TDomNode* ref)
{
    if (!ref) {
        LinkLast(child);
        return;
    }
    child->parent_ = this;
    child->next_ = ref;
    child->prev_ = ref->prev_;
    if (ref->prev_)
        ref->prev_->next_ = child;
    else
        firstChild_ = child;
    ref->prev_ = child;
    auto& v = children_->nodes_;
    v.insert(std::find(v.begin(), v.end(), ref), child);
}

void TDomNode::Unlink(TDomNode* child)
{
    auto& v = children_->nodes_;
    if (child == lastChild_)
        v.pop_back();
    else if (child == firstChild_)
        v.erase(v.begin());
    else
        v.erase(std::find(v.begin(), v.end(), child));
    if (child->prev_)
        child->prev_->next_ = child->next_;
    else
        firstChild_ = child->next_;
    if (child->next_)
        child->next_->prev_ = child->prev_;
    else
        lastChild_ = child->prev_;
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
    if ((refChild && refChild->parent_ != this) || !children_)
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
// Text forms

namespace {

void AppendAttributes(WideString& out, const TDomNamedNodeMap& map)
{
    for (int i = 0; i < map.Length(); ++i)
        out += map.Item(i)->GetXML(0, 0);
}

bool AllChildrenAreElements(const TDomNode* node)
{
    for (const TDomNode* c = node->FirstChild(); c; c = c->NextSibling())
        if (c->NodeType() != ELEMENT_NODE)
            return false;
    return true;
}

// Writes the text form of root without recursion.
class TXmlWriter {
public:
    explicit TXmlWriter(WideString& out) : out_(out) {}

    void Write(const TDomNode* root, int level, int indent)
    {
        Open(root, level, indent);
        while (!stack_.empty()) {
            TFrame& f = stack_.back();
            if (const TDomNode* child = f.next) {
                f.next = child->NextSibling();
                int childLevel = 0, childIndent = 0;
                if (f.document) {
                    childIndent = f.indent;
                } else if (f.pretty) {
                    out_ += kCrLf;
                    childLevel = f.level + f.indent;
                    childIndent = f.indent;
                }
                const bool underDocument = f.document;
                if (!Open(child, childLevel, childIndent) && underDocument)
                    out_ += kCrLf;
                continue;
            }
            const TFrame done = f;
            stack_.pop_back();
            if (done.document)
                continue;
            if (done.pretty) {
                out_ += kCrLf;
                out_.append(static_cast<size_t>(done.level), u' ');
            }
            out_ += u"</";
            out_ += done.node->NodeName();
            out_ += u'>';
            if (!stack_.empty() && stack_.back().document)
                out_ += kCrLf;
        }
    }

private:
    struct TFrame {
        const TDomNode* node;
        const TDomNode* next;
        int level;
        int indent;
        bool pretty;
        bool document;
    };

    // Writes the node's opening part; true when a frame was pushed for its children.
    bool Open(const TDomNode* node, int level, int indent)
    {
        const int type = node->NodeType();
        if (type == DOCUMENT_NODE) {
            stack_.push_back({node, node->FirstChild(), level, indent, false, true});
            return true;
        }
        if (type != ELEMENT_NODE) {
            out_ += node->GetXML(level, indent);
            return false;
        }
        const auto* element = static_cast<const TDomElement*>(node);
        out_.append(static_cast<size_t>(std::max(level, 0)), u' ');
        out_ += u'<';
        out_ += element->NodeName();
        AppendAttributes(out_, *element->GetAttributes());
        if (element->HasChildNodes()) {
            out_ += u'>';
            const bool pretty = indent != 0 && AllChildrenAreElements(element);
            stack_.push_back({node, node->FirstChild(), std::max(level, 0), indent, pretty, false});
            return true;
        }
        const TDomNode* parent = element->GetParentNode();
        if (element->HasAttributes() && !(parent && parent->NodeName() == u"scene")) {
            out_ += u"/>";
        } else {
            out_ += u'>';
            out_ += kCrLf;
            out_.append(static_cast<size_t>(std::max(level, 0)), u' ');
            out_ += u"</";
            out_ += element->NodeName();
            out_ += u'>';
        }
        return false;
    }

    WideString& out_;
    std::vector<TFrame> stack_;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Leaf kinds

WideString TDomDocumentType::GetXML(int level, int) const
{
    WideString out(static_cast<size_t>(std::max(level, 0)), u' ');
    out += u"<!DOCTYPE ";
    out += name_;
    out += u'>';
    return out;
}

TDomNode* TDomDocumentType::CopySelf(TDomDocument* document) const
{
    return document->Adopt(new TDomDocumentType(document, name_));
}

WideString TDomEntityReference::GetXML(int, int) const
{
    WideString out;
    out.reserve(name_.size() + 2);
    out += u'&';
    out += name_;
    out += u';';
    return out;
}

TDomNode* TDomEntityReference::CopySelf(TDomDocument* document) const
{
    return document->Adopt(new TDomEntityReference(document, name_));
}

TDomCharacterData::TDomCharacterData(TDomDocument* owner, WideString name, WideString data)
    : TDomNode(owner, std::move(name)), data_(std::move(data))
{
}

void TDomCharacterData::SetNodeValue(WideView value)
{
    CheckWritable();
    if (CheckData(value) != 0)
        throw EDomException(5);
    data_.assign(value);
}

WideString TDomText::GetXML(int, int) const
{
    return data_;
}

size_t TDomText::CheckData(WideView text) const
{
    return CheckTextData(text);
}

TDomNode* TDomText::CopySelf(TDomDocument* document) const
{
    return document->Adopt(new TDomText(document, u"#text", data_));
}

WideString TDomComment::GetXML(int level, int) const
{
    WideString out(static_cast<size_t>(std::max(level, 0)), u' ');
    out += u"<!--";
    out += data_;
    out += u"-->";
    return out;
}

size_t TDomComment::CheckData(WideView text) const
{
    return Find(text, u"--");
}

TDomNode* TDomComment::CopySelf(TDomDocument* document) const
{
    return document->Adopt(new TDomComment(document, data_));
}

WideString TDomCDATASection::GetXML(int, int) const
{
    WideString out;
    out.reserve(data_.size() + 12);
    out += u"<![CDATA[";
    out += data_;
    out += u"]]>";
    return out;
}

size_t TDomCDATASection::CheckData(WideView text) const
{
    return Find(text, u"]]>");
}

TDomNode* TDomCDATASection::CopySelf(TDomDocument* document) const
{
    return document->Adopt(new TDomCDATASection(document, data_));
}

// ---------------------------------------------------------------------------------------------
// TDomAttr

TDomAttr::TDomAttr(TDomDocument* owner, WideString name) : TDomNode(owner, std::move(name))
{
    children_ = &ownList_;
}

WideString TDomAttr::GetNodeValue() const
{
    if (firstChild_ && firstChild_ == lastChild_ && firstChild_->NodeType() == TEXT_NODE)
        return static_cast<const TDomText*>(firstChild_)->Data();
    WideString out;
    for (const TDomNode* c = firstChild_; c; c = c->next_)
        out += c->GetXML(0, 0);
    return out;
}

void TDomAttr::SetNodeValue(WideView value)
{
    CheckWritable();
    if (GetNodeValue() == value)
        return;
    std::vector<TValuePiece> pieces;
    if (!SplitAttributeValue(value, pieces))
        throw EDomException(5);
    while (TDomNode* old = firstChild_) {
        Unlink(old);
        ownerDocument_->Free(old);
    }
    for (const TValuePiece& p : pieces) {
        TDomNode* piece = p.reference
            ? static_cast<TDomNode*>(ownerDocument_->Adopt(new TDomEntityReference(ownerDocument_, WideString(p.text))))
            : ownerDocument_->Adopt(new TDomText(ownerDocument_, u"#text", WideString(p.text)));
        LinkLast(piece);
    }
    specified_ = 1;
}

WideString TDomAttr::GetXML(int, int) const
{
    const WideString value = GetNodeValue();
    WideString out;
    out.reserve(name_.size() + value.size() + 4);
    // A value holding a double quote (it cannot hold both kinds) is written between apostrophes
    // so that it reads back.
    const char16_t quote = value.find(u'"') == WideString::npos ? u'"' : u'\'';
    out += u' ';
    out += name_;
    out += u'=';
    out += quote;
    out += value;
    out += quote;
    return out;
}

TDomNode* TDomAttr::CopySelf(TDomDocument* document) const
{
    TDomAttr* copy = document->Adopt(new TDomAttr(document, name_));
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

// ---------------------------------------------------------------------------------------------
// TDomElement

TDomElement::TDomElement(TDomDocument* owner, WideString name)
    : TDomNode(owner, std::move(name)), attributes_(owner, this)
{
    children_ = &ownList_;
}

WideString TDomElement::GetXML(int level, int indent) const
{
    WideString out;
    TXmlWriter(out).Write(this, level, indent);
    return out;
}

void TDomElement::SetAttribute(WideView name, WideView value)
{
    CheckWritable();
    if (TDomAttr* existing = attributes_.GetNamedItem(name)) {
        existing->SetNodeValue(value);
        return;
    }
    TDomAttr* attr = ownerDocument_->CreateAttribute(name);
    try {
        attr->SetNodeValue(value);
    } catch (...) {
        ownerDocument_->FreeAttribute(attr);
        throw;
    }
    attr->ownerElement_ = this;
    attributes_.Append(attr);
}

WideString TDomElement::GetAttribute(WideView name) const
{
    const TDomAttr* attr = attributes_.GetNamedItem(name);
    return attr ? attr->GetNodeValue() : WideString();
}

void TDomElement::SetAttributeNode(TDomAttr* attr)
{
    CheckWritable();
    if (!attr)
        throw EDomException(8);
    if (attr->ownerDocument_ != ownerDocument_)
        throw EDomException(4);
    if (attr->ownerElement_)
        throw EDomException(10);
    const int at = attributes_.IndexOf(attr->name_);
    attr->ownerElement_ = this;
    if (at < 0) {
        attributes_.Append(attr);
        return;
    }
    TDomAttr* old = attributes_.attrs_[static_cast<size_t>(at)];
    attributes_.ReplaceAt(at, attr);
    old->ownerElement_ = nullptr;
    ownerDocument_->FreeAttribute(old);
}

TDomAttr* TDomElement::RemoveAttributeNode(TDomAttr* attr)
{
    CheckWritable();
    const int at = attr ? attributes_.IndexOf(attr->name_) : -1;
    if (at < 0)
        throw EDomException(8);
    TDomAttr* removed = attributes_.attrs_[static_cast<size_t>(at)];
    attributes_.EraseAt(at);
    removed->ownerElement_ = nullptr;
    return removed;
}

TDomNodeList* TDomElement::GetElementsByTagName(WideView name)
{
    return ownerDocument_->MakeElementList(this, name);
}

TDomNode* TDomElement::CopySelf(TDomDocument* document) const
{
    TDomElement* copy = document->Adopt(new TDomElement(document, name_));
    for (const TDomAttr* a : attributes_.attrs_) {
        auto* attr = static_cast<TDomAttr*>(a->CopySelf(document));
        attr->ownerElement_ = copy;
        copy->attributes_.Append(attr);
    }
    return copy;
}

bool TDomElement::AcceptsChild(const TDomNode* child, const TDomNode*) const
{
    switch (child->NodeType()) {
    case ELEMENT_NODE:
    case TEXT_NODE:
    case CDATA_SECTION_NODE:
    case ENTITY_REFERENCE_NODE:
    case COMMENT_NODE:
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// TDomDocument

TDomDocument::TDomDocument() : TDomNode(nullptr, u"#document")
{
    children_ = &ownList_;
}

TDomDocument::~TDomDocument()
{
    lists_.clear();
    nodes_.clear();
}

void TDomDocument::Free(TDomNode* node)
{
    const size_t at = node->arenaIndex_;
    if (at != nodes_.size() - 1) {
        nodes_[at].swap(nodes_.back());
        nodes_[at]->arenaIndex_ = at;
    }
    nodes_.pop_back();
}

void TDomDocument::FreeAttribute(TDomAttr* attr)
{
    while (TDomNode* piece = attr->firstChild_) {
        attr->Unlink(piece);
        Free(piece);
    }
    Free(attr);
}

uint64_t* TDomDocument::GenerationOf(const WideString& name)
{
    return &generations_[name];
}

void TDomDocument::SubtreeChanged(const TDomNode* node)
{
    if (lists_.empty() || node->NodeType() != ELEMENT_NODE)
        return;
    ForEachInSubtree(node, [](const TDomNode* n) {
        if (n->NodeType() == ELEMENT_NODE)
            ++*const_cast<uint64_t*>(n->NameGeneration());
    });
    ++anyGeneration_;
}

TDomNodeList* TDomDocument::MakeElementList(TDomNode* root, WideView name)
{
    auto list = std::unique_ptr<TDomNodeList>(new TDomNodeList(root, WideString(name)));
    list->generation_ = name == u"*" ? &anyGeneration_ : GenerationOf(list->filter_);
    lists_.push_back(std::move(list));
    return lists_.back().get();
}

WideString TDomDocument::GetXML(int level, int indent) const
{
    WideString out;
    TXmlWriter(out).Write(this, level, indent);
    return out;
}

TDomNode* TDomDocument::CloneNode(bool deep)
{
    return CloneDocument(deep).release();
}

TDomNode* TDomDocument::CopyNode(bool deep, TDomDocument*) const
{
    return CloneDocument(deep).release();
}

std::unique_ptr<TDomDocument> TDomDocument::CloneDocument(bool deep) const
{
    auto copy = std::make_unique<TDomDocument>();
    if (deep)
        for (const TDomNode* c = firstChild_; c; c = c->next_)
            copy->LinkLast(c->CopyNode(true, copy.get()));
    return copy;
}

TDomNode* TDomDocument::CopySelf(TDomDocument*) const
{
    return new TDomDocument();
}

TDomElement* TDomDocument::CreateElement(WideView tagName)
{
    if (!IsXmlName(tagName))
        throw EDomException(5);
    return Adopt(new TDomElement(this, WideString(tagName)));
}

TDomText* TDomDocument::CreateTextNode(WideView data)
{
    if (CheckTextData(data) != 0)
        throw EDomException(5);
    return Adopt(new TDomText(this, u"#text", WideString(data)));
}

TDomComment* TDomDocument::CreateComment(WideView data)
{
    if (Find(data, u"--") != 0)
        throw EDomException(5);
    return Adopt(new TDomComment(this, WideString(data)));
}

TDomCDATASection* TDomDocument::CreateCDATASection(WideView data)
{
    if (Find(data, u"]]>") != 0)
        throw EDomException(5);
    return Adopt(new TDomCDATASection(this, WideString(data)));
}

TDomEntityReference* TDomDocument::CreateEntityReference(WideView name)
{
    if (!IsXmlName(name) && !IsCharacterReference(name))
        throw EDomException(5);
    return Adopt(new TDomEntityReference(this, WideString(name)));
}

TDomAttr* TDomDocument::CreateAttribute(WideView name)
{
    if (!IsXmlName(name))
        throw EDomException(5);
    return Adopt(new TDomAttr(this, WideString(name)));
}

TDomDocumentType* TDomDocument::CreateDocumentType(WideView name)
{
    if (!IsXmlName(name))
        throw EDomException(5);
    return Adopt(new TDomDocumentType(this, WideString(name)));
}

TDomElement* TDomDocument::DocumentElement() const
{
    for (TDomNode* c = firstChild_; c; c = c->next_)
        if (c->NodeType() == ELEMENT_NODE)
            return static_cast<TDomElement*>(c);
    return nullptr;
}

TDomNodeList* TDomDocument::GetElementsByTagName(WideView name)
{
    return MakeElementList(this, name);
}

bool TDomDocument::AcceptsChild(const TDomNode* child, const TDomNode* replacing) const
{
    const int type = child->NodeType();
    if (type == COMMENT_NODE)
        return true;
    if (type != ELEMENT_NODE && type != DOCUMENT_TYPE_NODE)
        return false;
    // At most one of each; the child itself (when it moves) and the node being replaced do not count.
    for (const TDomNode* c = firstChild_; c; c = c->next_)
        if (c->NodeType() == type && c != child && c != replacing)
            return false;
    return true;
}

} // namespace kelvane
