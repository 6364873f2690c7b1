#pragma once
// Helpers for the working element, key path, writer and catalogue tests: a document and a
// working element made from inline scene text.
#include <memory>
#include <string>
#include <string_view>

#include "scene/NameValueList.h"
#include "scene/WorkingElement.h"
#include "scene/skDom.h"
#include "scene/skParser.h"

namespace kelvane::test {

inline std::unique_ptr<TDomDocument> ParseSceneText(std::string_view text)
{
    TXMLParser parser;
    parser.TrimText = true;
    parser.ReadTokens(NormaliseLineEnds(std::string(text)));
    return parser.CreateDocument();
}

// Text form without line breaks.
inline std::string Flat(const TDomNode* node)
{
    return node ? Narrow(node->GetXML(0, 0)) : std::string();
}

// Outline of the element children of node: "tag=name" (or "tag"), nested ones in brackets,
// separated by blanks: "shader=Wood[attributes[color]] light=Lamp".
inline std::string Outline(const TDomNode* node)
{
    std::string out;
    if (!node)
        return out;
    for (const TDomNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const TDomElement* element = child->AsElement();
        if (!element)
            continue;
        if (!out.empty())
            out += ' ';
        out += Narrow(element->TagName());
        if (element->GetAttributes()->GetNamedItem(u"name"))
            out += "=" + Narrow(element->GetAttribute(u"name"));
        const std::string inner = Outline(element);
        if (!inner.empty())
            out += "[" + inner + "]";
    }
    return out;
}

// A document, its presence table and a working element on them.
struct TWorkingFixture {
    explicit TWorkingFixture(std::string_view sceneText) : document(ParseSceneText(sceneText)), working(presence)
    {
        working.SetDocument(document.get());
    }
    std::string Scene() const { return Flat(document->DocumentElement()); }
    std::string Held() const { return Outline(working.Node()); }
    std::string Top() const { return Outline(document->DocumentElement()); }
    std::string Mark(int n) const { return Narrow(working.Mark(n)); }

    std::unique_ptr<TDomDocument> document;
    TNameValueList presence;
    TWorkingElement working;
};

inline WideString U(std::string_view text)
{
    return Widen(text);
}

} // namespace kelvane::test
