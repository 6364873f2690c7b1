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

constexpr std::string_view kCrLf = "\r\n";
// Deeper than this many blanks, lines are not indented at all (an indent of kFlat): indentation
// that grew with the depth would make the text of deep nesting grow with its square. The lines
// stay, since the restore steps take the line end after a placeholder.
constexpr int kDeepestIndent = 7 * 64;
constexpr int kFlat = -1;

// Output of the wide text form.
class TWideSink {
public:
    explicit TWideSink(WideString& out) : out_(out) {}
    void Put(WideView text) { out_ += text; }
    void Put(char16_t c) { out_ += c; }
    void PutText(std::string_view text) { out_ += Widen(text); }
    void PutName(const WideString& name, const std::string&) { out_ += name; }
    void Ascii(std::string_view text) { out_.append(text.begin(), text.end()); }
    void Ascii(char c) { out_ += static_cast<char16_t>(c); }
    void Blanks(int n) { out_.append(static_cast<size_t>(std::max(n, 0)), u' '); }

private:
    WideString& out_;
};

// Output of the text form as 8-bit text, the same bytes as Narrow of the wide form: a high
// surrogate at the end of one piece waits for the start of the next.
class TUtf8Sink {
public:
    explicit TUtf8Sink(std::string& out) : out_(out) {}
    ~TUtf8Sink() { Finish(); }
    void Put(WideView text)
    {
        size_t i = 0;
        if (pending_ && !text.empty())
            i = Join(text[0]);
        const size_t n = text.size();
        while (i < n) {
            // Runs of ASCII, the bulk of a scene, are copied without the checks below.
            size_t j = i;
            while (j < n && text[j] < 0x80)
                ++j;
            if (j > i) {
                const size_t at = out_.size();
                out_.resize(at + (j - i));
                char* d = out_.data() + at;
                for (size_t k = i; k < j; ++k)
                    *d++ = static_cast<char>(text[k]);
                i = j;
                continue;
            }
            const char16_t u = text[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 == n) {
                pending_ = u;
                return;
            }
            i += u >= 0xD800 && u <= 0xDBFF ? Pair(u, text[i + 1]) : (Single(u), 1);
        }
    }
    void Put(char16_t c) { Put(WideView(&c, 1)); }
    // 8-bit text as the tree keeps it: the bytes of its wide form's 8-bit form.
    void PutText(std::string_view text)
    {
        Finish();
        out_.append(text);
    }
    void PutName(const WideString&, const std::string& text) { PutText(text); }
    void Ascii(std::string_view text) { PutText(text); }
    void Ascii(char c)
    {
        Finish();
        out_ += c;
    }
    void Blanks(int n) { Finish(); out_.append(static_cast<size_t>(std::max(n, 0)), ' '); }
    void Finish()
    {
        if (pending_)
            Single(pending_);
        pending_ = 0;
    }

private:
    // The waiting high surrogate with the first unit of the next piece; units used.
    size_t Join(char16_t next)
    {
        const char16_t high = pending_;
        pending_ = 0;
        if (next >= 0xDC00 && next <= 0xDFFF) {
            AppendUtf8(out_, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(next) - 0xDC00));
            return 1;
        }
        Single(high);
        return 0;
    }
    size_t Pair(char16_t high, char16_t low)
    {
        if (low >= 0xDC00 && low <= 0xDFFF) {
            AppendUtf8(out_, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
            return 2;
        }
        Single(high);
        return 1;
    }
    void Single(char16_t u)
    {
        if (u >= 0xDC80 && u <= 0xDCFF)
            out_ += static_cast<char>(u - 0xDC00);
        else
            AppendUtf8(out_, u);
    }

    std::string& out_;
    char16_t pending_ = 0;
};

// Appends ' ' name '=' and the quoted value. A value holding a double quote (it cannot hold both
// kinds) goes between apostrophes so that it reads back.
template <class Sink>
void AppendAttribute(Sink& out, const TDomAttr* attr)
{
    char quote = '"';
    for (const TDomNode* c = attr->FirstChild(); c; c = c->NextSibling())
        if (c->NodeType() != ENTITY_REFERENCE_NODE && static_cast<const TDomText*>(c)->Data().find(u'"') != WideString::npos)
            quote = '\'';
    out.Ascii(' ');
    out.PutName(attr->NodeName(), attr->NodeNameText());
    out.Ascii('=');
    out.Ascii(quote);
    for (const TDomNode* c = attr->FirstChild(); c; c = c->NextSibling()) {
        if (c->NodeType() == ENTITY_REFERENCE_NODE) {
            out.Ascii('&');
            out.PutName(c->NodeName(), c->NodeNameText());
            out.Ascii(';');
        } else {
            out.Put(static_cast<const TDomText*>(c)->Data());
        }
    }
    out.Ascii(quote);
}

template <class Sink>
void AppendAttributes(Sink& out, const TDomElement& element)
{
    const TDomAttrEntry* entries = element.AttributeEntries();
    for (int i = 0; i < element.AttributeCount(); ++i) {
        const TDomAttrEntry& entry = entries[i];
        if (const TDomAttr* node = entry.Node()) {
            AppendAttribute(out, node);
            continue;
        }
        const std::string_view value = entry.Text();
        const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
        out.Ascii(' ');
        const TDomName& key = element.AttributeKey(i);
        out.PutName(key.first, key.second.text);
        out.Ascii('=');
        out.Ascii(quote);
        out.PutText(value);
        out.Ascii(quote);
    }
}

// Children that each take a line of their own: elements and comments.
bool AllChildrenTakeLines(const TDomNode* node)
{
    for (const TDomNode* c = node->FirstChild(); c; c = c->NextSibling())
        if (c->NodeType() != ELEMENT_NODE && c->NodeType() != COMMENT_NODE)
            return false;
    return true;
}

// Writes the text form of root without recursion.
template <class Sink>
class TXmlWriter {
public:
    explicit TXmlWriter(Sink& out) : out_(out) {}

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
                    out_.Ascii(kCrLf);
                    childIndent = f.indent;
                    childLevel = f.indent == kFlat ? 0 : f.level + f.indent;
                    if (childLevel > kDeepestIndent) {
                        childLevel = 0;
                        childIndent = kFlat;
                    }
                }
                const bool underDocument = f.document;
                if (!Open(child, childLevel, childIndent) && underDocument)
                    out_.Ascii(kCrLf);
                continue;
            }
            const TFrame done = f;
            stack_.pop_back();
            if (done.document)
                continue;
            if (done.pretty) {
                out_.Ascii(kCrLf);
                out_.Blanks(done.level);
            }
            out_.Ascii("</");
            out_.PutName(done.node->NodeName(), done.node->NodeNameText());
            out_.Ascii('>');
            if (!stack_.empty() && stack_.back().document)
                out_.Ascii(kCrLf);
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
            out_.Put(static_cast<const TDomText*>(node)->Data());
            return false;
        }
        if (type != ELEMENT_NODE) {
            out_.Put(node->GetXML(level, indent));
            return false;
        }
        const auto* element = static_cast<const TDomElement*>(node);
        out_.Blanks(level);
        out_.Ascii('<');
        out_.PutName(element->NodeName(), element->NodeNameText());
        AppendAttributes(out_, *element);
        if (element->HasChildNodes()) {
            out_.Ascii('>');
            const bool pretty = indent != 0 && AllChildrenTakeLines(element);
            stack_.push_back({node, node->FirstChild(), std::max(level, 0), indent, pretty, false});
            return true;
        }
        // Empty elements keep an end tag, which the renderer requires of most of them (and the
        // regrouping of the scene's children relies on), except `null`, which it accepts only
        // in the empty form. With attributes, one tag does below `scene`.
        const TDomNode* parent = element->GetParentNode();
        const bool underScene = parent && parent->NodeName() == u"scene";
        if ((element->HasAttributes() && !underScene) || (!element->HasAttributes() && element->NodeName() == u"null")) {
            out_.Ascii("/>");
        } else {
            out_.Ascii('>');
            out_.Ascii(kCrLf);
            out_.Blanks(level);
            out_.Ascii("</");
            out_.PutName(element->NodeName(), element->NodeNameText());
            out_.Ascii('>');
        }
        return false;
    }

    Sink& out_;
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
    TWideSink sink(out);
    AppendAttribute(sink, this);
    return out;
}

WideString TDomElement::GetXML(int level, int indent) const
{
    WideString out;
    TWideSink sink(out);
    TXmlWriter<TWideSink>(sink).Write(this, level, indent);
    return out;
}

WideString TDomDocument::GetXML(int level, int indent) const
{
    WideString out;
    TWideSink sink(out);
    TXmlWriter<TWideSink>(sink).Write(this, level, indent);
    return out;
}

void AppendXmlUtf8(std::string& out, const TDomNode& node, int level, int indent)
{
    TUtf8Sink sink(out);
    if (node.NodeType() == ELEMENT_NODE || node.NodeType() == DOCUMENT_NODE)
        TXmlWriter<TUtf8Sink>(sink).Write(&node, level, indent);
    else
        sink.Put(node.GetXML(level, indent));
}

} // namespace kelvane
