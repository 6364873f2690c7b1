// Elements and their attributes: values kept as 8-bit text, attribute nodes made when asked for.
#include "scene/skDom.h"

#include "scene/skDomParts.h"

#include <algorithm>

namespace kelvane {

using namespace dom;

namespace {

// IsValidAttributeValue for 8-bit text.
bool IsValidAttributeText(std::string_view value)
{
    if (value.find('<') != std::string_view::npos)
        return false;
    if (value.find('"') != std::string_view::npos && value.find('\'') != std::string_view::npos)
        return false;
    for (size_t i = value.find('&'); i != std::string_view::npos; i = value.find('&', i)) {
        const size_t end = value.find_first_of(";&", i + 1);
        if (end == std::string_view::npos || value[end] != ';')
            return false;
        const WideString name = Widen(value.substr(i + 1, end - i - 1));
        if (!IsXmlName(name) && !IsCharacterReference(name))
            return false;
        i = end + 1;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TDomElement

namespace {
constexpr uint32_t kIndexedFrom = 12;  // attribute count from which lookups go through the index
}

// A document holds one element and two or three entries for every tag of a scene.
static_assert(sizeof(void*) != 8 || (sizeof(TDomElement) <= 80 && sizeof(TDomAttrEntry) <= 16),
              "element fields no longer fit beside the node's own");

TDomElement::TDomElement(TDomDocument* owner, TDomName* name) : TDomNode(owner, name)
{
    flags_ = kContainer;
}

TDomElement::~TDomElement()
{
    // Node memory goes with the document; only pieces taken from the heap are given back.
    if (!(flags_ & kHeapPieces))
        return;
    for (uint32_t i = 0; i < attrCount_; ++i)
        if (attrs_[i].owned && attrs_[i].size > TDomDocument::TArena::kLargePiece)
            ::operator delete(const_cast<char*>(attrs_[i].data));
    if (AttributeCapacity() * sizeof(TDomAttrEntry) > TDomDocument::TArena::kLargePiece)
        ::operator delete(attrs_);
}

TDomNamedNodeMap* TDomElement::GetAttributes() const
{
    std::unique_ptr<TDomNamedNodeMap>& map = ownerDocument_->attrMaps_[this];
    if (!map) {
        map.reset(new TDomNamedNodeMap(const_cast<TDomElement*>(this)));
        flags_ |= kMapMade;
    }
    return map.get();
}

std::unordered_map<const TDomName*, uint32_t>* TDomElement::AttributeIndex() const
{
    return (flags_ & kIndexed) ? &ownerDocument_->attrIndexes_[this] : nullptr;
}

int TDomElement::FindAttribute(const TDomName* name) const
{
    if (const auto* index = AttributeIndex()) {
        const auto it = index->find(name);
        return it == index->end() ? -1 : static_cast<int>(it->second);
    }
    // A name of another document is no name of this one.
    const uint32_t key = name->second.index;
    const std::vector<TDomName*>& names = ownerDocument_->nameList_;
    if (key >= names.size() || names[key] != name)
        return -1;
    for (uint32_t i = 0; i < attrCount_; ++i)
        if (attrs_[i].name == key)
            return static_cast<int>(i);
    return -1;
}

int TDomElement::FindAttribute(WideView name) const
{
    // Every attribute name is one the document has interned: an unknown name is no attribute.
    const TDomName* entry = attrCount_ ? ownerDocument_->FindName(name) : nullptr;
    return entry ? FindAttribute(entry) : -1;
}

void TDomElement::RebuildAttributeIndex()
{
    if (attrCount_ < kIndexedFrom) {
        if (flags_ & kIndexed)
            ownerDocument_->attrIndexes_.erase(this);
        flags_ &= static_cast<uint8_t>(~kIndexed);
        return;
    }
    auto& index = ownerDocument_->attrIndexes_[this];
    flags_ |= kIndexed;
    index.clear();
    for (uint32_t i = 0; i < attrCount_; ++i)
        index.emplace(KeyOf(attrs_[i]), i);
}

uint32_t TDomElement::AttributeCapacity() const
{
    return (flags_ & kSpareRoom) ? attrs_[attrCount_].size : attrCount_;
}

void TDomElement::KeepCapacity(uint32_t capacity)
{
    if (capacity > attrCount_) {
        attrs_[attrCount_].size = capacity;  // the first unused entry holds it
        flags_ |= kSpareRoom;
    } else {
        flags_ &= static_cast<uint8_t>(~kSpareRoom);
    }
}

void TDomElement::MarkHeapPieces()
{
    if (flags_ & kHeapPieces)
        return;
    ownerDocument_->heapElements_.push_back(this);  // to be destroyed with the document
    flags_ |= kHeapPieces;
}

void TDomElement::Regrow(uint32_t capacity)
{
    if (capacity * sizeof(TDomAttrEntry) > TDomDocument::TArena::kLargePiece)
        MarkHeapPieces();
    auto* grown = static_cast<TDomAttrEntry*>(ownerDocument_->arena_.Allocate(capacity * sizeof(TDomAttrEntry)));
    if (attrCount_)
        std::copy(attrs_, attrs_ + attrCount_, grown);
    if (attrs_)
        ownerDocument_->arena_.Release(attrs_, AttributeCapacity() * sizeof(TDomAttrEntry));
    attrs_ = grown;
    KeepCapacity(capacity);
}

void TDomElement::ReserveAttributes(int count)
{
    if (count > 0 && static_cast<uint32_t>(count) > AttributeCapacity())
        Regrow(static_cast<uint32_t>(count));
}

void TDomElement::AppendEntry(const TDomAttrEntry& entry)
{
    uint32_t capacity = AttributeCapacity();
    if (attrCount_ == capacity) {
        capacity = capacity ? capacity * 2 : 2;
        Regrow(capacity);
    }
    attrs_[attrCount_] = entry;
    ++attrCount_;
    KeepCapacity(capacity);
    if (auto* index = AttributeIndex())
        index->emplace(KeyOf(entry), attrCount_ - 1);
    else if (attrCount_ >= kIndexedFrom)
        RebuildAttributeIndex();
}

void TDomElement::EraseEntry(int index)
{
    const uint32_t capacity = AttributeCapacity();
    std::copy(attrs_ + index + 1, attrs_ + attrCount_, attrs_ + index);
    --attrCount_;
    KeepCapacity(capacity);
    if (flags_ & kIndexed)
        RebuildAttributeIndex();
}

void TDomElement::ReleaseValue(TDomAttrEntry& entry)
{
    if (entry.owned)
        ownerDocument_->arena_.Release(const_cast<char*>(entry.data), entry.size);
    entry.data = nullptr;
    entry.size = 0;
    entry.owned = 0;
    entry.hasNode = 0;
}

void TDomElement::StoreValue(TDomAttrEntry& entry, std::string_view value)
{
    if (value.size() > TDomDocument::TArena::kLargePiece)
        MarkHeapPieces();
    char* place = value.empty() ? nullptr : static_cast<char*>(ownerDocument_->arena_.Allocate(value.size()));
    std::copy(value.begin(), value.end(), place);
    ReleaseValue(entry);
    entry.data = place;
    entry.size = static_cast<uint32_t>(value.size());
    entry.owned = place != nullptr;
}

TDomAttr* TDomElement::MakeAttributeNode(TDomName* name, WideView value) const
{
    TDomAttr* attr = ownerDocument_->Make<TDomAttr>(name);
    try {
        attr->SetNodeValue(value);
    } catch (...) {
        ownerDocument_->FreeAttribute(attr);
        throw;
    }
    return attr;
}

TDomAttr* TDomElement::AttributeNode(int index) const
{
    TDomAttrEntry& entry = attrs_[index];
    if (!entry.hasNode) {
        TDomAttr* attr = MakeAttributeNode(KeyOf(entry), Widen(entry.Text()));
        attr->ownerElement_ = const_cast<TDomElement*>(this);
        const_cast<TDomElement*>(this)->ReleaseValue(entry);
        entry.node = attr;
        entry.hasNode = 1;
    }
    return entry.node;
}

WideString TDomElement::AttributeValue(int index) const
{
    const TDomAttrEntry& entry = attrs_[index];
    return entry.hasNode ? entry.node->GetNodeValue() : Widen(entry.Text());
}

void TDomElement::SetAttribute(WideView name, WideView value)
{
    CheckWritable();
    const int at = FindAttribute(name);
    if (at >= 0 && attrs_[at].hasNode) {
        attrs_[at].node->SetNodeValue(value);
        return;
    }
    if (at >= 0 && AttributeValue(at) == value)
        return;
    if (at < 0 && !IsXmlName(name))
        throw EDomException(5);
    if (!IsValidAttributeValue(value))
        throw EDomException(5);
    TDomName* key = at >= 0 ? KeyOf(attrs_[at]) : ownerDocument_->Intern(name);
    const std::string bytes = Narrow(value);
    if (Widen(bytes) != value) {
        // Only a node keeps a value that 8-bit text cannot carry (a lone high surrogate).
        SetAttributeNode(MakeAttributeNode(key, value));
        return;
    }
    PutValue(at, key, bytes, false);
}

void TDomElement::PutValue(int at, TDomName* key, std::string_view value, bool keepView)
{
    TDomAttrEntry fresh{{nullptr}, 0, key->second.index, 0, 0};
    TDomAttrEntry& entry = at >= 0 ? attrs_[at] : fresh;
    if (keepView) {
        ReleaseValue(entry);
        entry.data = value.data();
        entry.size = static_cast<uint32_t>(value.size());
    } else {
        StoreValue(entry, value);
    }
    if (at >= 0)
        return;
    try {
        AppendEntry(entry);
    } catch (...) {
        ReleaseValue(entry);
        throw;
    }
}

void TDomElement::SetAttributeText(std::string_view name, std::string_view value, bool keepView)
{
    CheckWritable();
    TDomName* key = ownerDocument_->InternXmlName(name);
    const int at = FindAttribute(key);
    if (at >= 0 && attrs_[at].hasNode) {
        attrs_[at].node->SetNodeValue(Widen(value));
        return;
    }
    if (at >= 0 && attrs_[at].Text() == value)
        return;
    if (!IsValidAttributeText(value))
        throw EDomException(5);
    PutValue(at, key, value, keepView);
}

bool TDomElement::TryGetAttribute(WideView name, WideString& value) const
{
    const int at = FindAttribute(name);
    if (at < 0) {
        value.clear();
        return false;
    }
    value = AttributeValue(at);
    return true;
}

void TDomElement::SetAttributeRaw(std::string_view name, std::string_view value)
{
    CheckWritable();
    TDomName* key = ownerDocument_->InternXmlName(name);
    // An attribute kept as a node (a value with references) gives way to the plain text.
    if (const int at = FindAttribute(key); at >= 0 && attrs_[at].hasNode)
        RemoveAttributeNode(attrs_[at].node);
    PutValue(FindAttribute(key), key, value, false);
}

WideString TDomElement::GetAttribute(WideView name) const
{
    const int at = FindAttribute(name);
    return at < 0 ? WideString() : AttributeValue(at);
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
    const int at = FindAttribute(attr->name_);
    if (at < 0) {
        TDomAttrEntry entry{{nullptr}, 0, attr->name_->second.index, 0, 1};
        entry.node = attr;
        AppendEntry(entry);
        attr->ownerElement_ = this;
        return;
    }
    attr->ownerElement_ = this;
    TDomAttrEntry& entry = attrs_[at];
    TDomAttr* old = entry.Node();
    ReleaseValue(entry);
    entry.node = attr;
    entry.hasNode = 1;
    if (old) {
        old->ownerElement_ = nullptr;
        ownerDocument_->FreeAttribute(old);
    }
}

TDomAttr* TDomElement::RemoveAttributeNode(TDomAttr* attr)
{
    CheckWritable();
    const int at = attr ? FindAttribute(attr->name_) : -1;
    if (at < 0)
        throw EDomException(8);
    TDomAttr* removed = AttributeNode(at);
    EraseEntry(at);
    removed->ownerElement_ = nullptr;
    return removed;
}

TDomNodeList* TDomElement::GetElementsByTagName(WideView name)
{
    return ownerDocument_->MakeElementList(this, name);
}

TDomNode* TDomElement::CopySelf(TDomDocument* document) const
{
    TDomElement* copy = document->Make<TDomElement>(document == ownerDocument_ ? name_ : document->Intern(NodeName()));
    const bool share = ownerDocument_->SharesTextsWith(document);
    for (uint32_t i = 0; i < attrCount_; ++i) {
        const TDomAttrEntry& entry = attrs_[i];
        const TDomName* key = document == ownerDocument_ ? KeyOf(entry) : document->Intern(KeyOf(entry)->first);
        TDomAttrEntry made{{nullptr}, 0, key->second.index, 0, 0};
        if (entry.hasNode) {
            made.node = static_cast<TDomAttr*>(entry.node->CopySelf(document));
            made.hasNode = 1;
            made.node->ownerElement_ = copy;
        } else if (share && !entry.owned) {
            made.data = entry.data;
            made.size = entry.size;
        } else {
            copy->StoreValue(made, std::string_view(entry.data, entry.size));
        }
        copy->AppendEntry(made);
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

} // namespace kelvane
