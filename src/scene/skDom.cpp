#include "scene/skDom.h"

namespace kelvane {

namespace {
[[noreturn]] void Pending() { throw EDomException(9); }
} // namespace

EDomException::EDomException(int code) : EKelvaneError(MessageOf(code)), code_(code) {}
std::string EDomException::MessageOf(int code) { return "DOM error " + std::to_string(code); }

TDomNodeList::TDomNodeList(TDomNode* owner, WideString filter) : owner_(owner), filter_(std::move(filter)), live_(true) {}
int TDomNodeList::Length() const { return static_cast<int>(nodes_.size()); }
TDomNode* TDomNodeList::Item(int index) const { if (index < 0 || index >= Length()) throw EListError(index); return nodes_[index]; }
void TDomNodeList::Refresh() const {}

TDomAttr* TDomNamedNodeMap::Item(int index) const { if (index < 0 || index >= Length()) throw EListError(index); return attrs_[index]; }
TDomAttr* TDomNamedNodeMap::GetNamedItem(WideView) const { return nullptr; }
TDomAttr* TDomNamedNodeMap::RemoveNamedItem(WideView) { Pending(); }

TDomNode::TDomNode(TDomDocument* owner, WideString name) : ownerDocument_(owner), name_(std::move(name)) {}
TDomNode::~TDomNode() = default;
WideString TDomNode::GetNodeValue() const { return {}; }
void TDomNode::SetNodeValue(WideView) {}
TDomNode* TDomNode::InsertBefore(TDomNode*, TDomNode*) { Pending(); }
TDomNode* TDomNode::RemoveChild(TDomNode*) { Pending(); }
TDomNode* TDomNode::ReplaceChild(TDomNode*, TDomNode*) { Pending(); }
TDomNode* TDomNode::CloneNode(bool) { Pending(); }
TDomNode* TDomNode::CopyNode(bool, TDomDocument*) const { Pending(); }
bool TDomNode::HasAttributes() const { return false; }
TDomElement* TDomNode::AsElement() { return NodeType() == ELEMENT_NODE ? static_cast<TDomElement*>(this) : nullptr; }
const TDomElement* TDomNode::AsElement() const { return NodeType() == ELEMENT_NODE ? static_cast<const TDomElement*>(this) : nullptr; }
bool TDomNode::AcceptsChild(const TDomNode*) const { return false; }

WideString TDomDocumentType::GetXML(int, int) const { return {}; }
TDomNode* TDomDocumentType::CopySelf(TDomDocument*) const { Pending(); }
WideString TDomEntityReference::GetXML(int, int) const { return {}; }
TDomNode* TDomEntityReference::CopySelf(TDomDocument*) const { Pending(); }
TDomCharacterData::TDomCharacterData(TDomDocument* owner, WideString name, WideString data) : TDomNode(owner, std::move(name)), data_(std::move(data)) {}
void TDomCharacterData::SetNodeValue(WideView) { Pending(); }
WideString TDomText::GetXML(int, int) const { return data_; }
size_t TDomText::CheckData(WideView) const { return 0; }
TDomNode* TDomText::CopySelf(TDomDocument*) const { Pending(); }
WideString TDomComment::GetXML(int, int) const { return {}; }
size_t TDomComment::CheckData(WideView) const { return 0; }
TDomNode* TDomComment::CopySelf(TDomDocument*) const { Pending(); }
WideString TDomCDATASection::GetXML(int, int) const { return {}; }
size_t TDomCDATASection::CheckData(WideView) const { return 0; }
TDomNode* TDomCDATASection::CopySelf(TDomDocument*) const { Pending(); }

TDomAttr::TDomAttr(TDomDocument* owner, WideString name) : TDomNode(owner, std::move(name)) { children_ = &ownList_; }
WideString TDomAttr::GetNodeValue() const { return {}; }
void TDomAttr::SetNodeValue(WideView) { Pending(); }
WideString TDomAttr::GetXML(int, int) const { return {}; }
TDomNode* TDomAttr::CopySelf(TDomDocument*) const { Pending(); }
bool TDomAttr::AcceptsChild(const TDomNode*) const { return false; }

TDomElement::TDomElement(TDomDocument* owner, WideString name) : TDomNode(owner, std::move(name)), attributes_(owner, this) { children_ = &ownList_; }
WideString TDomElement::GetXML(int, int) const { return {}; }
void TDomElement::SetAttribute(WideView, WideView) { Pending(); }
WideString TDomElement::GetAttribute(WideView) const { return {}; }
void TDomElement::SetAttributeNode(TDomAttr*) { Pending(); }
TDomAttr* TDomElement::RemoveAttributeNode(TDomAttr*) { Pending(); }
TDomNodeList* TDomElement::GetElementsByTagName(WideView) { Pending(); }
TDomNode* TDomElement::CopySelf(TDomDocument*) const { Pending(); }
bool TDomElement::AcceptsChild(const TDomNode*) const { return false; }

TDomDocument::TDomDocument() : TDomNode(nullptr, u"#document") { children_ = &ownList_; }
TDomDocument::~TDomDocument() = default;
WideString TDomDocument::GetXML(int, int) const { return {}; }
TDomNode* TDomDocument::CloneNode(bool) { Pending(); }
std::unique_ptr<TDomDocument> TDomDocument::CloneDocument(bool) const { Pending(); }
TDomElement* TDomDocument::CreateElement(WideView) { Pending(); }
TDomText* TDomDocument::CreateTextNode(WideView) { Pending(); }
TDomComment* TDomDocument::CreateComment(WideView) { Pending(); }
TDomCDATASection* TDomDocument::CreateCDATASection(WideView) { Pending(); }
TDomEntityReference* TDomDocument::CreateEntityReference(WideView) { Pending(); }
TDomAttr* TDomDocument::CreateAttribute(WideView) { Pending(); }
TDomDocumentType* TDomDocument::CreateDocumentType(WideView) { Pending(); }
TDomElement* TDomDocument::DocumentElement() const { return nullptr; }
TDomNodeList* TDomDocument::GetElementsByTagName(WideView) { Pending(); }
TDomNode* TDomDocument::CopySelf(TDomDocument*) const { Pending(); }
bool TDomDocument::AcceptsChild(const TDomNode*) const { return false; }

} // namespace kelvane
