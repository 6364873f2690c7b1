// Text forms of the document tree: GetXML of every node kind.
#include "scene/skDom.h"

#include <algorithm>
#include <vector>

#include "scene/skDomParts.h"

namespace kelvane {

using namespace dom;

void dom::AppendValue(WideString& out, const TDomAttr* attr)
{
    for (const TDomNode* c = attr->FirstChild(); c; c = c->NextSibling()) {
        if (c->NodeType() == ENTITY_REFERENCE_NODE) {
            out += u'&';
            out += c->NodeName();
            out += u';';
        } else {
            out += static_cast<const TDomText*>(c)->Data();
        }
    }
}

namespace {

const char16_t kCrLf[] = u"\r\n";

// Appends ' ' name '=' and the quoted value. A value holding a double quote (it cannot hold both
// kinds) goes between apostrophes so that it reads back.
void AppendAttribute(WideString& out, const TDomAttr* attr)
{
    char16_t quote = u'"';
    for (const TDomNode* c = attr->FirstChild(); c; c = c->NextSibling())
        if (c->NodeType() != ENTITY_REFERENCE_NODE && static_cast<const TDomText*>(c)->Data().find(u'"') != WideString::npos)
            quote = u'\'';
    out += u' ';
    out += attr->NodeName();
    out += u'=';
    out += quote;
    AppendValue(out, attr);
    out += quote;
}

void AppendAttributes(WideString& out, const TDomNamedNodeMap& map)
{
    for (int i = 0; i < map.Length(); ++i)
        AppendAttribute(out, map.Item(i));
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
        if (type == TEXT_NODE) {
            out_ += static_cast<const TDomText*>(node)->Data();
            return false;
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
        // Empty elements keep an end tag, which the renderer requires of most of them (and the
        // regrouping of the scene's children relies on), except `null`, which it accepts only
        // in the empty form. With attributes, one tag does below `scene`.
        const TDomNode* parent = element->GetParentNode();
        const bool underScene = parent && parent->NodeName() == u"scene";
        if ((element->HasAttributes() && !underScene) || (!element->HasAttributes() && element->NodeName() == u"null")) {
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
// GetXML by node kind

WideString TDomDocumentType::GetXML(int level, int) const
{
    WideString out(static_cast<size_t>(std::max(level, 0)), u' ');
    out += u"<!DOCTYPE ";
    out += NodeName();
    out += u'>';
    return out;
}

WideString TDomEntityReference::GetXML(int, int) const
{
    WideString out;
    out.reserve(NodeName().size() + 2);
    out += u'&';
    out += NodeName();
    out += u';';
    return out;
}

WideString TDomText::GetXML(int, int) const
{
    return data_;
}

WideString TDomComment::GetXML(int level, int) const
{
    WideString out(static_cast<size_t>(std::max(level, 0)), u' ');
    out += u"<!--";
    out += data_;
    out += u"-->";
    return out;
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

WideString TDomAttr::GetXML(int, int) const
{
    WideString out;
    AppendAttribute(out, this);
    return out;
}

WideString TDomElement::GetXML(int level, int indent) const
{
    WideString out;
    TXmlWriter(out).Write(this, level, indent);
    return out;
}

WideString TDomDocument::GetXML(int level, int indent) const
{
    WideString out;
    TXmlWriter(out).Write(this, level, indent);
    return out;
}

} // namespace kelvane
