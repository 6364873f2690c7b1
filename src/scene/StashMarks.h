#pragma once
// The markup the mesh stash cuts out of a scene text and the placeholders it leaves behind.
#include <string_view>

namespace kelvane {

inline constexpr std::string_view kPoints = "<points";
inline constexpr std::string_view kFacesEnd = "</faces>";
inline constexpr std::string_view kTransform = "<transform";
inline constexpr std::string_view kTransformEnd = "</transform>";
inline constexpr std::string_view kFakeTransformEnd = "</fake_transform>";
inline constexpr std::string_view kMeshMark = "<fake_mesh mesh=\"";
inline constexpr std::string_view kTransformMark = "<fake_transform trns=\"";

} // namespace kelvane
