#pragma once
// The last passes of the mesh stash over a shortened text, each in place: comment removal, stray
// comment ends and blank attribute values.
#include <string>

namespace kelvane {

void RemoveComments(std::string& text);
void RemoveStrayCommentEnds(std::string& text);
void EmptyBlankValues(std::string& text);

} // namespace kelvane
