#pragma once
// A detached element and everything below it kept as compact bytes outside the document, and
// made again as new nodes of a document: what the edit history keeps of the working element.
#include <string>
#include <string_view>

#include "scene/skDom.h"

namespace kelvane {

// The bytes of node's subtree (elements with their attributes in order, text, comments,
// CDATA sections and entity references).
std::string TreeSnapshot(const TDomNode& node);
// New nodes of document equal to the snapshot's; nullptr for an empty snapshot.
TDomNode* RebuildTree(TDomDocument& document, std::string_view snapshot);

} // namespace kelvane
