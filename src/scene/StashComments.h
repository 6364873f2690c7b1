#pragma once
// The last passes of the mesh stash over a shortened text, each in place: comment removal, stray
// comment ends and blank attribute values.
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The marker that stands for a comment kept whole: "<!--fake_comment " N "-->".
inline constexpr std::string_view kCommentMark = "<!--fake_comment ";

struct TTextSpan {
    size_t begin, end;
};

// Removes comments of words (and what the rules take of broken ones); a comment that holds a '<'
// before its "-->" (markup put out of use) stays whole. Returns where those stay, in order.
std::vector<TTextSpan> RemoveComments(std::string& text);
// Stray comment ends go; the ends of comment markers stay.
void RemoveStrayCommentEnds(std::string& text);
void EmptyBlankValues(std::string& text);

} // namespace kelvane
