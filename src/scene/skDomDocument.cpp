// The document: node creation, its arena, names and live lists.
#include "scene/skDom.h"

#include "scene/skDomParts.h"

#include <algorithm>
#include <new>
#include <sys/mman.h>

namespace kelvane {

using namespace dom;

TDomDocument::TDomDocument() : TDomNode(nullptr, FixedName(DOCUMENT_NODE))
{
    flags_ = kContainer;
}

TDomDocument::~TDomDocument()
{
    lists_.clear();
    for (TDomNode* node : nodes_)
        node->~TDomNode();
    nodes_.clear();
    for (TDomElement* element : heapElements_)
        element->~TDomElement();
    heapElements_.clear();
}

namespace {
constexpr size_t kFirstBlock = 16 * 1024;
constexpr size_t kLargeBlock = size_t(2) << 20;  // one 2 MiB page where the system allows it
constexpr size_t kGrain = 8;  // every node type needs no more than pointer alignment

size_t Rounded(size_t size)
{
    return (size + kGrain - 1) / kGrain * kGrain;
}
} // namespace

TDomDocument::TArena::~TArena()
{
    for (const TBlock& block : blocks_)
        ::operator delete(block.place, std::align_val_t(block.size));
}

void* TDomDocument::TArena::Allocate(size_t size)
{
    if (size > kLargePiece)
        return ::operator new(size);
    size = Rounded(size);
    const size_t cls = size / kGrain;
    if (cls < free_.size() && !free_[cls].empty()) {
        void* place = free_[cls].back();
        free_[cls].pop_back();
        return place;
    }
    if (left_ < size) {
        // Blocks double up to 2 MiB, so small documents stay small; large ones are faulted in a
        // huge page at a time (first touches of fresh memory dominate building a big tree).
        const size_t blockSize = blocks_.empty() ? kFirstBlock : std::min(blocks_.back().size * 2, kLargeBlock);
        blocks_.reserve(blocks_.size() + 1);
        next_ = static_cast<char*>(::operator new(blockSize, std::align_val_t(blockSize)));
        if (blockSize == kLargeBlock)
            ::madvise(next_, blockSize, MADV_HUGEPAGE);
        blocks_.push_back({next_, blockSize});
        left_ = blockSize;
    }
    void* place = next_;
    next_ += size;
    left_ -= size;
    return place;
}

void TDomDocument::TArena::Release(void* place, size_t size)
{
    if (size > kLargePiece) {
        ::operator delete(place);
        return;
    }
    const size_t cls = Rounded(size) / kGrain;
    if (free_.size() <= cls)
        free_.resize(cls + 1);
    free_[cls].push_back(place);
}

void TDomDocument::Free(TDomNode* node)
{
    const uint32_t at = node->arenaIndex_;
    nodes_[at] = nodes_.back();
    nodes_[at]->arenaIndex_ = at;
    nodes_.pop_back();
    DropExtras(node);
    const size_t size = node->allocSize_;
    node->~TDomNode();
    arena_.Release(node, size);
}

void TDomDocument::FreeAttribute(TDomAttr* attr)
{
    while (TDomNode* piece = attr->firstChild_) {
        attr->Unlink(piece);
        Free(piece);
    }
    Free(attr);
}

TDomName* TDomDocument::Intern(WideView name)
{
    auto it = names_.find(name);
    if (it == names_.end()) {
        // Room first, so that the list always holds every name; it grows by doubling.
        if (nameList_.size() == nameList_.capacity())
            nameList_.reserve(std::max<size_t>(16, nameList_.size() * 2));
        it = names_.emplace(WideString(name), TDomNameData{0, Narrow(name), static_cast<uint32_t>(nameList_.size())}).first;
        nameList_.push_back(&*it);
    }
    return &*it;
}

const TDomName* TDomDocument::FindName(WideView name) const
{
    const auto it = names_.find(name);
    return it == names_.end() ? nullptr : &*it;
}

TDomName* TDomDocument::InternXmlName(std::string_view name)
{
    // A scene uses a few dozen names over and over: most are found in the small table first.
    const size_t slot = name.empty() ? 0
        : (name.size() * 131 + static_cast<unsigned char>(name.front()) * 31 + static_cast<unsigned char>(name.back())) %
              recentNames_.size();
    if (TDomName* recent = recentNames_[slot]; recent && recent->second.text == name)
        return recent;
    const auto it = xmlNames_.find(name);
    TDomName* entry;
    if (it != xmlNames_.end()) {
        entry = it->second;
    } else {
        const WideString wide = Widen(name);
        if (!IsXmlName(wide))
            throw EDomException(5);
        entry = Intern(wide);
        xmlNames_.emplace(std::string(name), entry);
    }
    recentNames_[slot] = entry;
    return entry;
}

void TDomDocument::KeepText(std::shared_ptr<const std::string> text)
{
    if (std::find(texts_.begin(), texts_.end(), text) == texts_.end())
        texts_.push_back(std::move(text));
}

bool TDomDocument::SharesTextsWith(const TDomDocument* document) const
{
    if (document == this)
        return true;
    for (const auto& text : texts_)
        if (std::find(document->texts_.begin(), document->texts_.end(), text) == document->texts_.end())
            return false;
    return true;
}

void TDomDocument::SubtreeChanged(const TDomNode* node)
{
    if (lists_.empty() || node->NodeType() != ELEMENT_NODE)
        return;
    ForEachInSubtree(node, [](const TDomNode* n) {
        if (n->NodeType() == ELEMENT_NODE)
            ++n->name_->second.generation;
    });
    ++anyGeneration_;
}

TDomNodeList* TDomDocument::ChildList(const TDomNode* node)
{
    std::unique_ptr<TDomNodeList>& list = childLists_[node];
    if (!list) {
        list.reset(new TDomNodeList(const_cast<TDomNode*>(node)));
        node->flags_ |= kListMade;
    }
    return list.get();
}

void TDomDocument::DropExtras(const TDomNode* node)
{
    if (node->flags_ & kListMade)
        childLists_.erase(node);
    if (node->flags_ & (kMapMade | kIndexed)) {
        attrMaps_.erase(static_cast<const TDomElement*>(node));
        attrIndexes_.erase(static_cast<const TDomElement*>(node));
    }
    node->flags_ &= static_cast<uint8_t>(~(kListMade | kMapMade | kIndexed));
}

TDomNodeList* TDomDocument::MakeElementList(TDomNode* root, WideView name)
{
    // Two live lists of the same root and name always agree, so one object serves both.
    TDomName* entry = name == u"*" ? nullptr : Intern(name);
    TDomNodeList*& shared = listIndex_[{root, entry}];
    if (shared)
        return shared;
    auto list = std::unique_ptr<TDomNodeList>(new TDomNodeList(root));
    list->live_ = std::make_unique<TDomNodeList::TLive>();
    list->live_->name = entry;
    list->live_->generation = entry ? &entry->second.generation : &anyGeneration_;
    lists_.push_back(std::move(list));
    shared = lists_.back().get();
    return shared;
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
    copy->texts_ = texts_;  // copied values go on viewing the same texts
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
    return Make<TDomElement>(Intern(tagName));
}

TDomText* TDomDocument::CreateTextNode(WideView data)
{
    if (CheckTextData(data) != 0)
        throw EDomException(5);
    return Make<TDomText>(FixedName(TEXT_NODE), WideString(data));
}

TDomComment* TDomDocument::CreateComment(WideView data)
{
    if (Find(data, u"--") != 0)
        throw EDomException(5);
    return Make<TDomComment>(WideString(data));
}

TDomCDATASection* TDomDocument::CreateCDATASection(WideView data)
{
    if (Find(data, u"]]>") != 0)
        throw EDomException(5);
    return Make<TDomCDATASection>(WideString(data));
}

TDomEntityReference* TDomDocument::CreateEntityReference(WideView name)
{
    if (!IsXmlName(name) && !IsCharacterReference(name))
        throw EDomException(5);
    return Make<TDomEntityReference>(Intern(name));
}

TDomAttr* TDomDocument::CreateAttribute(WideView name)
{
    if (!IsXmlName(name))
        throw EDomException(5);
    return Make<TDomAttr>(Intern(name));
}

TDomDocumentType* TDomDocument::CreateDocumentType(WideView name)
{
    if (!IsXmlName(name))
        throw EDomException(5);
    return Make<TDomDocumentType>(Intern(name));
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
