#include "editing/TreeSnapshot.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kelvane {

namespace {

void PutCount(std::string& out, uint32_t n)
{
    char bytes[4];
    std::memcpy(bytes, &n, 4);
    out.append(bytes, 4);
}

void PutText(std::string& out, WideView text)
{
    PutCount(out, static_cast<uint32_t>(text.size()));
    out.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

class TReader {
public:
    explicit TReader(std::string_view bytes) : bytes_(bytes) {}
    bool AtEnd() const { return at_ >= bytes_.size(); }
    char Kind() { return Take(1)[0]; }
    uint32_t Count()
    {
        uint32_t n;
        std::memcpy(&n, Take(4).data(), 4);
        return n;
    }
    WideString Text()
    {
        const uint32_t n = Count();
        const std::string_view raw = Take(size_t(n) * sizeof(char16_t));
        WideString text(n, u'\0');
        std::memcpy(text.data(), raw.data(), raw.size());
        return text;
    }

private:
    std::string_view Take(size_t n)
    {
        if (n > bytes_.size() - at_)
            throw EKelvaneError("damaged tree snapshot");
        const std::string_view piece = bytes_.substr(at_, n);
        at_ += n;
        return piece;
    }
    std::string_view bytes_;
    size_t at_ = 0;
};

void Write(std::string& out, const TDomNode& node)
{
    switch (node.NodeType()) {
    case ELEMENT_NODE: {
        const auto& element = *node.AsElement();
        out += 'E';
        PutText(out, element.TagName());
        PutCount(out, static_cast<uint32_t>(element.AttributeCount()));
        for (int i = 0; i < element.AttributeCount(); ++i) {
            PutText(out, element.AttributeName(i));
            PutText(out, element.AttributeValue(i));
        }
        PutCount(out, static_cast<uint32_t>(element.ChildCount()));
        for (const TDomNode* child = element.FirstChild(); child; child = child->NextSibling())
            Write(out, *child);
        return;
    }
    case TEXT_NODE: out += 'T'; break;
    case COMMENT_NODE: out += 'C'; break;
    case CDATA_SECTION_NODE: out += 'D'; break;
    case ENTITY_REFERENCE_NODE:
        out += 'R';
        PutText(out, node.NodeName());
        return;
    default:
        return;  // nothing else lives inside a scene element
    }
    PutText(out, node.GetNodeValue());
}

TDomNode* Read(TDomDocument& document, TReader& in)
{
    const char kind = in.Kind();
    switch (kind) {
    case 'E': {
        TDomElement* element = document.CreateElement(in.Text());
        const uint32_t attributes = in.Count();
        element->ReserveAttributes(static_cast<int>(attributes));
        for (uint32_t i = 0; i < attributes; ++i) {
            const WideString name = in.Text();
            element->SetAttribute(name, in.Text());
        }
        const uint32_t children = in.Count();
        for (uint32_t i = 0; i < children; ++i)
            if (TDomNode* child = Read(document, in))
                element->AppendChild(child);
        return element;
    }
    case 'T': return document.CreateTextNode(in.Text());
    case 'C': return document.CreateComment(in.Text());
    case 'D': return document.CreateCDATASection(in.Text());
    case 'R': return document.CreateEntityReference(in.Text());
    default: throw EKelvaneError("damaged tree snapshot");
    }
}

} // namespace

std::string TreeSnapshot(const TDomNode& node)
{
    std::string out;
    Write(out, node);
    return out;
}

TDomNode* RebuildTree(TDomDocument& document, std::string_view snapshot)
{
    if (snapshot.empty())
        return nullptr;
    TReader in(snapshot);
    return Read(document, in);
}

} // namespace kelvane
