#pragma once
// Document tree: a small DOM Level 1 style object model with wide strings for names and values.
//
// The document owns every node it creates, attached or not, and every node list it hands out;
// freeing the document frees them all. Links between nodes are plain pointers. Refused
// operations raise EDomException and leave the tree as it was.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "scene/Errors.h"
#include "scene/TextCodec.h"
#include "scene/XmlChars.h"

namespace kelvane {

class TDomNode;
class TDomDocument;
class TXMLParser;
class TDomElement;
class TDomAttr;
class TDomNodeList;
class TDomNamedNodeMap;

// What the document keeps with each distinct name: the change counter that live element lists of
// that name compare against, and the name as 8-bit text.
struct TDomNameData {
    uint64_t generation = 0;
    std::string text;
    uint32_t index = 0;  // place in the document's name list (names of attributes go by it)
};
// A node name as the document keeps it, once per distinct name.
using TDomName = std::pair<const WideString, TDomNameData>;

// Values of NodeType().
enum TDomNodeType : int {
    ELEMENT_NODE = 1,
    ATTRIBUTE_NODE = 2,
    TEXT_NODE = 3,
    CDATA_SECTION_NODE = 4,
    ENTITY_REFERENCE_NODE = 5,
    COMMENT_NODE = 8,
    DOCUMENT_NODE = 9,
    DOCUMENT_TYPE_NODE = 10,
};

// A refused tree operation; what() is the fixed English message of the code.
class EDomException : public EKelvaneError {
public:
    explicit EDomException(int code);
    int Code() const { return code_; }
    static std::string MessageOf(int code);

private:
    int code_;
};

// Ordered list of nodes: the child list of a node, or a live list made by GetElementsByTagName
// that always reflects the current tree (it is brought up to date on access). A child list
// remembers the last position asked for, so walking it by Item(0), Item(1), ... is linear.
// Child lists are made the first time a caller asks for one and live as long as their node.
class TDomNodeList {
public:
    TDomNodeList(const TDomNodeList&) = delete;
    TDomNodeList& operator=(const TDomNodeList&) = delete;
    ~TDomNodeList();

    int Length() const;
    // Raises EListError when index is outside 0 .. Length()-1.
    TDomNode* Item(int index) const;
    TDomNode* OwnerNode() const { return owner_; }

private:
    friend class TDomNode;
    friend class TDomDocument;
    friend class TDomElement;
    friend class TDomAttr;
    struct TLive;
    explicit TDomNodeList(TDomNode* owner);
    void Refresh() const;

    TDomNode* owner_;
    // Child lists: the last position visited.
    mutable int cursorIndex_ = 0;
    mutable TDomNode* cursor_ = nullptr;
    std::unique_ptr<TLive> live_;
};

// The attributes of one element, in the order they were added. Asking for an attribute here
// makes its node (the element keeps values as text until then). Made the first time a caller
// asks for it; lives as long as its element.
class TDomNamedNodeMap {
public:
    TDomNamedNodeMap(const TDomNamedNodeMap&) = delete;
    TDomNamedNodeMap& operator=(const TDomNamedNodeMap&) = delete;

    int Length() const;
    // Raises EListError when index is outside 0 .. Length()-1.
    TDomAttr* Item(int index) const;
    // The attribute with exactly this name (case-sensitive), or nullptr.
    TDomAttr* GetNamedItem(WideView name) const;
    // Detaches and returns the attribute with this name; none: code 8.
    TDomAttr* RemoveNamedItem(WideView name);
    TDomElement* OwnerElement() const { return element_; }
    TDomDocument* OwnerDocument() const;

private:
    friend class TDomElement;
    friend class TDomDocument;
    explicit TDomNamedNodeMap(TDomElement* element) : element_(element) {}

    TDomElement* element_;
};

// One attribute as its element keeps it: the value as written (references as '&' name ';'), as
// 8-bit text, until a caller asks for the attribute's node, which from then on holds the value.
struct TDomAttrEntry {
    union {
        const char* data;  // while hasNode is 0
        TDomAttr* node;    // while hasNode is 1
    };
    uint32_t size;
    uint32_t name : 30;    // place of the name in the document's name list
    uint32_t owned : 1;    // data was taken from the document's node memory
    uint32_t hasNode : 1;

    TDomAttr* Node() const { return hasNode ? node : nullptr; }
    std::string_view Text() const { return hasNode ? std::string_view() : std::string_view(data, size); }
};

class TDomNode {
public:
    virtual ~TDomNode();
    TDomNode(const TDomNode&) = delete;
    TDomNode& operator=(const TDomNode&) = delete;

    const WideString& NodeName() const { return name_->first; }
    // The name as 8-bit text.
    const std::string& NodeNameText() const { return name_->second.text; }
    virtual WideString GetNodeValue() const;
    // Sets the value of attributes and character data; no effect on other kinds.
    virtual void SetNodeValue(WideView value);
    // The parent in the tree; nullptr for detached nodes, documents and attributes.
    virtual TDomNode* GetParentNode() const { return parent_; }
    virtual int NodeType() const = 0;
    // The child list; nullptr for character data, entity references and document types.
    virtual TDomNodeList* GetChildNodes() const;
    // The attribute map of an element; nullptr for every other kind.
    virtual TDomNamedNodeMap* GetAttributes() const { return nullptr; }
    // Text form of the node: level blanks before its own tags, indent more per nesting level
    // (0: no line breaks inside). Lines more than 448 blanks in are not indented at all.
    virtual WideString GetXML(int level, int indent) const = 0;

    // Places newChild before refChild (at the end when refChild is nullptr), moving it away
    // from its old parent first. Returns newChild.
    virtual TDomNode* InsertBefore(TDomNode* newChild, TDomNode* refChild);
    TDomNode* AppendChild(TDomNode* newChild) { return InsertBefore(newChild, nullptr); }
    // Detaches oldChild and returns it; nothing is freed.
    virtual TDomNode* RemoveChild(TDomNode* oldChild);
    // Puts newChild where oldChild was; returns oldChild, detached.
    TDomNode* ReplaceChild(TDomNode* newChild, TDomNode* oldChild);
    // A copy owned by the same document (for a document: a new document the caller owns).
    virtual TDomNode* CloneNode(bool deep);
    // A copy of this node created in, and owned by, document.
    virtual TDomNode* CopyNode(bool deep, TDomDocument* document) const;

    TDomNode* FirstChild() const { return firstChild_; }
    TDomNode* LastChild() const { return firstChild_ ? firstChild_->prev_ : nullptr; }
    TDomNode* NextSibling() const { return next_; }
    TDomNode* PreviousSibling() const { return prev_ && prev_->next_ ? prev_ : nullptr; }
    int ChildCount() const { return static_cast<int>(childCount_); }
    bool HasChildNodes() const { return firstChild_ != nullptr; }
    bool HasAttributes() const;
    // The document that created the node; nullptr for a document.
    TDomDocument* OwnerDocument() const { return ownerDocument_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // This node as an element, or nullptr when it is of another kind.
    TDomElement* AsElement();
    const TDomElement* AsElement() const;

protected:
    TDomNode(TDomDocument* owner, TDomName* name);
    // Copy of this node alone (attributes and attribute values included) in document.
    virtual TDomNode* CopySelf(TDomDocument* document) const = 0;
    // Kind rules: whether child may be placed here; replacing is the node it will replace.
    virtual bool AcceptsChild(const TDomNode* child, const TDomNode* replacing) const;
    void CheckWritable() const;
    // The document itself for a document, else the owner document.
    TDomDocument* Document() const;
    // Link child in without checks or notification (tree building and copying).
    void LinkLast(TDomNode* child);
    void LinkBefore(TDomNode* child, TDomNode* ref);
    void Unlink(TDomNode* child);
    void CheckInsert(TDomNode* newChild, TDomNode* refChild, const TDomNode* replacing) const;
    TDomNode* DoInsert(TDomNode* newChild, TDomNode* refChild);
    // The child list if a caller has asked for it, else nullptr.
    TDomNodeList* MadeChildList() const;

    enum : uint8_t {
        kContainer = 1,   // may hold children
        kListMade = 2,    // the document holds a child list for the node
        kMapMade = 4,     // the document holds an attribute map for the element
        kIndexed = 8,     // the document holds an attribute name index for the element
        kHeapPieces = 16,  // some attribute memory of the element came from the heap
        kSpareRoom = 32    // the element's attribute memory has unused entries
    };

    TDomDocument* ownerDocument_;
    TDomNode* parent_ = nullptr;
    TDomNode* firstChild_ = nullptr;
    TDomNode* prev_ = nullptr;  // the first child's points at the last child
    TDomNode* next_ = nullptr;
    TDomName* name_;
    uint32_t arenaIndex_ = 0;  // place in the document's node list
    uint32_t childCount_ = 0;
    uint16_t allocSize_ = 0;   // bytes taken from the document's node memory
    uint8_t readOnly_ = 0;
    mutable uint8_t flags_ = 0;

private:
    friend class TDomDocument;
    friend class TDomNodeList;
    friend class TDomNamedNodeMap;
    friend class TDomElement;
    friend class TDomAttr;
    friend class TXMLParser;
};

class TDomDocumentType : public TDomNode {
public:
    int NodeType() const override { return DOCUMENT_TYPE_NODE; }
    WideString GetXML(int level, int indent) const override;

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    bool AcceptsChild(const TDomNode*, const TDomNode*) const override { return false; }

private:
    friend class TDomDocument;
    TDomDocumentType(TDomDocument* owner, TDomName* name) : TDomNode(owner, name) {}
};

class TDomEntityReference : public TDomNode {
public:
    int NodeType() const override { return ENTITY_REFERENCE_NODE; }
    WideString GetXML(int level, int indent) const override;

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    bool AcceptsChild(const TDomNode*, const TDomNode*) const override { return false; }

private:
    friend class TDomDocument;
    friend class TDomAttr;
    TDomEntityReference(TDomDocument* owner, TDomName* name) : TDomNode(owner, name) {}
};

class TDomCharacterData : public TDomNode {
public:
    WideString GetNodeValue() const override { return data_; }
    // Raises code 5 when CheckData refuses the value, code 7 when read-only.
    void SetNodeValue(WideView value) override;
    const WideString& Data() const { return data_; }
    // 0, or the 1-based position of the first character this kind does not allow.
    virtual size_t CheckData(WideView text) const = 0;

protected:
    TDomCharacterData(TDomDocument* owner, TDomName* name, WideString data);
    bool AcceptsChild(const TDomNode*, const TDomNode*) const override { return false; }
    WideString data_;
};

class TDomText : public TDomCharacterData {
public:
    int NodeType() const override { return TEXT_NODE; }
    WideString GetXML(int level, int indent) const override;
    // Refuses '<', '&' and "]]>".
    size_t CheckData(WideView text) const override;

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    TDomText(TDomDocument* owner, TDomName* name, WideString data)
        : TDomCharacterData(owner, name, std::move(data)) {}

private:
    friend class TDomDocument;
    friend class TDomAttr;
};

class TDomComment : public TDomCharacterData {
public:
    int NodeType() const override { return COMMENT_NODE; }
    WideString GetXML(int level, int indent) const override;
    // Refuses "--".
    size_t CheckData(WideView text) const override;

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;

private:
    friend class TDomDocument;
    TDomComment(TDomDocument* owner, WideString data);
};

class TDomCDATASection : public TDomText {
public:
    int NodeType() const override { return CDATA_SECTION_NODE; }
    WideString GetXML(int level, int indent) const override;
    // Refuses "]]>".
    size_t CheckData(WideView text) const override;

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;

private:
    friend class TDomDocument;
    TDomCDATASection(TDomDocument* owner, WideString data);
};

// An attribute; its value is held as children (text and entity-reference nodes).
class TDomAttr : public TDomNode {
public:
    int NodeType() const override { return ATTRIBUTE_NODE; }
    TDomNode* GetParentNode() const override { return nullptr; }
    // The value as written: text unchanged, each entity reference as '&' name ';'.
    WideString GetNodeValue() const override;
    // Splits the value into text and entity references; a value with '<', with both kinds of
    // quote, or with a malformed reference raises code 5 and keeps the old value.
    void SetNodeValue(WideView value) override;
    WideString GetXML(int level, int indent) const override;

    const WideString& Name() const { return name_->first; }
    WideString Value() const { return GetNodeValue(); }
    void SetValue(WideView value) { SetNodeValue(value); }
    bool Specified() const { return specified_ != 0; }
    TDomElement* OwnerElement() const { return ownerElement_; }

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    bool AcceptsChild(const TDomNode* child, const TDomNode* replacing) const override;

private:
    friend class TDomDocument;
    friend class TDomElement;
    friend class TDomNamedNodeMap;
    TDomAttr(TDomDocument* owner, TDomName* name);
    uint8_t specified_ = 0;  // first: fits beside the node's own fields
    TDomElement* ownerElement_ = nullptr;
};

class TDomElement : public TDomNode {
public:
    ~TDomElement() override;
    int NodeType() const override { return ELEMENT_NODE; }
    TDomNamedNodeMap* GetAttributes() const override;
    WideString GetXML(int level, int indent) const override;

    const WideString& TagName() const { return name_->first; }
    // Replaces the value of the attribute with this name in place, or appends a new attribute.
    void SetAttribute(WideView name, WideView value);
    // The same from 8-bit scene text: an XML name and a value as written, else code 5. With
    // keepView the value is not copied: its text lives as long as the document (the reader hands
    // the document its text).
    void SetAttributeText(std::string_view name, std::string_view value, bool keepView = false);
    // The value exactly as given, without the checks on '&' and '<': for a value whose reader
    // takes it raw (the renderer's file paths). The writer puts it out as it is.
    void SetAttributeRaw(std::string_view name, std::string_view value);
    // The value of the attribute with this name, or empty when there is none.
    WideString GetAttribute(WideView name) const;
    bool HasAttribute(WideView name) const { return FindAttribute(name) >= 0; }
    // The value of the attribute with this name into value; false (value emptied) when none.
    bool TryGetAttribute(WideView name, WideString& value) const;
    // Room for count attributes in all, so that adding them allocates once.
    void ReserveAttributes(int count);
    // Attributes by position, without making their nodes.
    int AttributeCount() const { return static_cast<int>(attrCount_); }
    const WideString& AttributeName(int index) const { return AttributeKey(index).first; }
    // The name of attribute index as the document keeps it.
    const TDomName& AttributeKey(int index) const;
    WideString AttributeValue(int index) const;
    // The attributes as kept, AttributeCount() of them (for the writer).
    const TDomAttrEntry* AttributeEntries() const { return attrs_; }
    // Adds attr, replacing (and freeing) an attribute of the same name in its place.
    void SetAttributeNode(TDomAttr* attr);
    // Detaches and returns the attribute of this element with attr's name; none: code 8.
    TDomAttr* RemoveAttributeNode(TDomAttr* attr);
    // Live list of the elements named name ("*": all) in this element's subtree, this
    // element first when it matches, in document order. Owned by the document; asking again
    // with the same name gives the same list.
    TDomNodeList* GetElementsByTagName(WideView name);

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    bool AcceptsChild(const TDomNode* child, const TDomNode* replacing) const override;

private:
    friend class TDomDocument;
    friend class TDomNamedNodeMap;
    friend class TXMLParser;
    TDomElement(TDomDocument* owner, TDomName* name);
    // Position of the attribute with this name, or -1.
    int FindAttribute(WideView name) const;
    int FindAttribute(const TDomName* name) const;
    // The node of attribute index, made from its value the first time.
    TDomAttr* AttributeNode(int index) const;
    void AppendEntry(const TDomAttrEntry& entry);
    void Regrow(uint32_t capacity);
    // Records that some attribute memory comes from the heap, before it is taken.
    void MarkHeapPieces();
    // Entries the attribute memory has room for; kept in the first unused one, if any.
    uint32_t AttributeCapacity() const;
    void KeepCapacity(uint32_t capacity);
    void EraseEntry(int index);
    void ReleaseValue(TDomAttrEntry& entry);
    // Gives attribute at (-1: a new one named key, appended) this valid value, viewed or copied.
    void PutValue(int at, TDomName* key, std::string_view value, bool keepView);
    TDomName* KeyOf(const TDomAttrEntry& entry) const;
    // A detached attribute node of this document holding value.
    TDomAttr* MakeAttributeNode(TDomName* name, WideView value) const;
    void StoreValue(TDomAttrEntry& entry, std::string_view value);
    void RebuildAttributeIndex();
    // The name index, built once the element holds many attributes; else nullptr.
    std::unordered_map<const TDomName*, uint32_t>* AttributeIndex() const;

    uint32_t attrCount_ = 0;  // first: fits beside the node's own fields
    TDomAttrEntry* attrs_ = nullptr;  // in the document's node memory
};

class TDomDocument : public TDomNode {
public:
    TDomDocument();
    ~TDomDocument() override;

    int NodeType() const override { return DOCUMENT_NODE; }
    WideString GetXML(int level, int indent) const override;
    // A new document that the caller owns.
    TDomNode* CloneNode(bool deep) override;
    TDomNode* CopyNode(bool deep, TDomDocument* document) const override;
    std::unique_ptr<TDomDocument> CloneDocument(bool deep) const;

    // Factories: new detached nodes owned by this document. Names must be XML names and data
    // must suit the kind, else code 5.
    TDomElement* CreateElement(WideView tagName);
    TDomText* CreateTextNode(WideView data);
    TDomComment* CreateComment(WideView data);
    TDomCDATASection* CreateCDATASection(WideView data);
    // name: an XML name or a character reference ("#123", "#x1F").
    TDomEntityReference* CreateEntityReference(WideView name);
    TDomAttr* CreateAttribute(WideView name);
    TDomDocumentType* CreateDocumentType(WideView name);

    // The first child that is an element, or nullptr.
    TDomElement* DocumentElement() const;
    // Live list of the elements named name ("*": all) in the document, in document order.
    TDomNodeList* GetElementsByTagName(WideView name);

    const WideString& Version() const { return version_; }
    uint8_t EncodingCode() const { return encoding_; }
    void SetEncodingCode(uint8_t code) { encoding_ = code; }
    // Number of nodes the document currently owns.
    size_t OwnedNodeCount() const { return nodes_.size() + elementCount_; }

protected:
    TDomNode* CopySelf(TDomDocument* document) const override;
    bool AcceptsChild(const TDomNode* child, const TDomNode* replacing) const override;

private:
    friend class TDomNode;
    friend class TDomNodeList;
    friend class TDomAttr;
    friend class TDomElement;
    friend class TDomDocumentType;
    friend class TDomEntityReference;
    friend class TDomText;
    friend class TDomComment;
    friend class TDomCDATASection;
    friend class TDomNamedNodeMap;
    friend class TXMLParser;
    // Creates a node in the document's node memory and registers it.
    template <class T, class... Args>
    T* Make(Args&&... args)
    {
        static_assert(alignof(T) <= alignof(void*), "node memory is pointer-aligned");
        void* place = arena_.Allocate(sizeof(T));
        T* node;
        try {
            node = new (place) T(this, std::forward<Args>(args)...);
        } catch (...) {
            arena_.Release(place, sizeof(T));
            throw;
        }
        node->allocSize_ = static_cast<uint16_t>(sizeof(T));
        if constexpr (std::is_same_v<T, TDomElement>) {
            ++elementCount_;  // never freed alone; destroyed only when it holds heap pieces
        } else {
            node->arenaIndex_ = static_cast<uint32_t>(nodes_.size());
            nodes_.push_back(node);
        }
        return node;
    }
    // Destroys a node other than an element and gives its memory back.
    void Free(TDomNode* node);
    void FreeAttribute(TDomAttr* attr);
    TDomName* Intern(WideView name);
    // The entry of a name already used in the document, or nullptr.
    const TDomName* FindName(WideView name) const;
    // Intern of 8-bit text; a name that is not an XML name raises code 5.
    TDomName* InternXmlName(std::string_view name);
    // Keeps text alive as long as the document, for values that view it.
    void KeepText(std::shared_ptr<const std::string> text);
    // Whether values viewing this document's kept texts may be viewed by nodes of document.
    bool SharesTextsWith(const TDomDocument* document) const;
    TDomNodeList* MakeElementList(TDomNode* root, WideView name);
    TDomNodeList* ChildList(const TDomNode* node);
    // Drops what the document holds for node beside it (child list, attribute map and index).
    void DropExtras(const TDomNode* node);
    // Records that elements of the subtree at node were inserted or removed.
    void SubtreeChanged(const TDomNode* node);

    // Node memory: carved from large blocks, freed nodes reused by size.
    class TArena {
    public:
        // Pieces larger than this come from the heap, each on its own.
        static constexpr size_t kLargePiece = 64 * 1024;
        ~TArena();
        void* Allocate(size_t size);
        void Release(void* place, size_t size);

    private:
        struct TBlock {
            void* place;
            size_t size;
        };
        std::vector<TBlock> blocks_;
        char* next_ = nullptr;
        size_t left_ = 0;
        std::vector<std::vector<void*>> free_;
    };

    struct TNameHash {
        using is_transparent = void;
        size_t operator()(WideView v) const { return std::hash<WideView>()(v); }
    };

    TArena arena_;  // declared first: destroyed last
    WideString version_ = u"1.0";
    uint8_t encoding_ = 0;
    std::vector<TDomNode*> nodes_;  // every node but elements
    std::vector<TDomElement*> heapElements_;  // elements holding heap pieces
    size_t elementCount_ = 0;
    std::vector<std::unique_ptr<TDomNodeList>> lists_;
    std::map<std::pair<const TDomNode*, const TDomName*>, TDomNodeList*> listIndex_;
    // Made on first use, so that nodes stay small.
    std::unordered_map<const TDomNode*, std::unique_ptr<TDomNodeList>> childLists_;
    std::unordered_map<const TDomElement*, std::unique_ptr<TDomNamedNodeMap>> attrMaps_;
    std::unordered_map<const TDomElement*, std::unordered_map<const TDomName*, uint32_t>> attrIndexes_;
    std::unordered_map<WideString, TDomNameData, TNameHash, std::equal_to<>> names_;
    std::vector<TDomName*> nameList_;  // by TDomNameData::index
    struct TByteHash {
        using is_transparent = void;
        size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
    };
    std::unordered_map<std::string, TDomName*, TByteHash, std::equal_to<>> xmlNames_;
    std::array<TDomName*, 256> recentNames_{};  // by a cheap hash of the 8-bit name
    std::vector<std::shared_ptr<const std::string>> texts_;
    uint64_t anyGeneration_ = 0;
};

inline TDomName* TDomElement::KeyOf(const TDomAttrEntry& entry) const
{
    return ownerDocument_->nameList_[entry.name];
}

inline const TDomName& TDomElement::AttributeKey(int index) const
{
    return *KeyOf(attrs_[index]);
}

// Appends the text form of node, as GetXML(level, indent) gives it, as 8-bit text: the same
// bytes as Narrow(node.GetXML(level, indent)), without the wide text in between.
void AppendXmlUtf8(std::string& out, const TDomNode& node, int level, int indent);

// The node after `node` in document order within the subtree of `root`, or null past its end.
// Walking from root with it visits every descendant once, without recursion.
inline TDomNode* NextInSubtree(const TDomNode* node, const TDomNode* root)
{
    if (TDomNode* child = node->FirstChild())
        return child;
    while (node != root && !node->NextSibling())
        node = node->GetParentNode();
    return node == root ? nullptr : node->NextSibling();
}

} // namespace kelvane
