#pragma once
// Small helpers for the document tree and XML reader tests.
#include <memory>
#include <string>
#include <string_view>

#include "scene/skDom.h"
#include "scene/skParser.h"

namespace kelvane::test {

// Parses inline XML text into a document (TrimText as given).
inline std::unique_ptr<TDomDocument> ParseText(std::string_view text, bool trim = true)
{
    TXMLParser parser;
    parser.TrimText = trim;
    parser.ReadTokens(std::string(text));
    return parser.CreateDocument();
}

// The message of the error that parsing text raises, or "" when it parses.
inline std::string ParseError(std::string_view text, bool trim = true)
{
    try {
        ParseText(text, trim);
    } catch (const EKelvaneError& e) {
        return e.what();
    }
    return {};
}

// The code of the EDomException that f raises, or 0.
template <class F>
int DomCode(F&& f)
{
    try {
        f();
    } catch (const EDomException& e) {
        return e.Code();
    }
    return 0;
}

// The document written as 8-bit text without indentation.
inline std::string Xml(const TDomNode* node, int level = 0, int indent = 0)
{
    return Narrow(node->GetXML(level, indent));
}

} // namespace kelvane::test
