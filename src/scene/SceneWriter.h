#pragma once
// The scene writer: the scene text arranger and the writing of the open scene as a scene file.
#include <string>
#include <string_view>

namespace kelvane {

// Regroups the top-level elements of a scene text by kind (texture, shader, transform, object,
// light, camera, background, filter, render) inside a fresh "<scene>" ... "</scene>", each on a
// line of its own after seven blanks. Everything outside the elements taken is dropped.
//
// For each kind the text is searched left to right for "<" + kind (names that merely begin with
// the kind match too). An element whose name is exactly the kind runs to its matching end tag,
// nested elements of the same name counted, and a self-closing one is taken alone; one whose
// name only begins with the kind runs to the next "</" + kind + ">". A start without an end is
// dropped. One pass over the text per kind.
std::string ReorderScene(std::string_view text);

} // namespace kelvane
