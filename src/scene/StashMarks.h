#pragma once
// The markup the mesh stash cuts out of a scene text and the placeholders it leaves behind.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvane {

inline constexpr std::string_view kPoints = "<points";
inline constexpr std::string_view kFacesEnd = "</faces>";
inline constexpr std::string_view kTransform = "<transform";
inline constexpr std::string_view kTransformEnd = "</transform>";
inline constexpr std::string_view kFakeTransformEnd = "</fake_transform>";
inline constexpr std::string_view kMeshMark = "<fake_mesh mesh=\"";
inline constexpr std::string_view kTransformMark = "<fake_transform trns=\"";
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// The placeholders are looked for by the 'k' of "fake", much rarer in scene text than an 'f'.
inline constexpr size_t kMeshMarkAnchor = 3, kTransformMarkAnchor = 3, kFakeTransformEndAnchor = 4;
inline constexpr size_t kCommentMarkAnchor = 6;

// The placeholder number that starts at `at` and runs to the next double quote (none: an empty
// text). Returns the number and the length of its decimal form. The message of a bad number
// shows the first `renamed` end tags in it as earlier passes left them.
int64_t PlaceholderNumber(std::string_view text, size_t at, size_t& digits, size_t renamed = 0);

} // namespace kelvane
