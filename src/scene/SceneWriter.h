#pragma once
// The scene writer: the scene text arranger and the writing of the open scene as a scene file.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/NameValueList.h"
#include "scene/TextCodec.h"

namespace kelvane {

class TDomDocument;
class TMeshStash;

// Regroups the top-level elements of a scene text by kind, in the kind table's writer order
// (texture, shader, transform, object, light, camera, background, filter, render), inside a fresh
// "<scene>" ... "</scene>", each on a line of its own after seven blanks. The scene's other items follow in text order: elements of
// other names and comments (those outside the scene element too); everything else outside the
// elements taken is dropped.
//
// For each kind the text is searched left to right for "<" + kind (names that merely begin with
// the kind match too). An element whose name is exactly the kind runs to its matching end tag,
// nested elements of the same name counted (a tag ends at its first '>'), and a self-closing
// one is taken alone; one whose name only begins with the kind runs to the next "</" + kind +
// ">". A start without an end is dropped. Each kind searches the text the kinds before it left,
// so a removal can join the text on either side of it into a new tag.
std::string ReorderScene(std::string_view text);
// The items of the scene element in what the kinds left (elements and comments), each after CR LF
// and seven blanks, in text order; comments outside the scene element count as its items. An
// element without its end tag is left out.
std::string OtherSceneItems(std::string_view rest);
// The same text handed to sink piece by piece.
void ReorderScene(std::string_view text, const std::function<void(std::string_view)>& sink);

// Writes document as a scene file to target, through a temporary file beside it: the elements of
// the rows in leftOut ("kind -- name" texts; render rows are passed over) are left out (a light
// row with its parts, the filter row with "an" and "dof"), the transform tags are put back,
// the elements regrouped by kind and the mesh blocks streamed back in; CR LF line ends. The
// document itself is not changed, whatever fails. presence tells the light parts and textures
// of a row.
void WriteSceneFile(const TDomDocument& document, const TNameValueList& presence,
                    const std::vector<std::string>& leftOut, const TMeshStash& stash,
                    const std::filesystem::path& target);

// The text of document with the elements of the rows in leftOut left out, before the transform
// tags and mesh blocks are put back: the document's GetXML(7, 7) as 8-bit text, with room for
// extra bytes more.
std::string SceneTreeText(const TDomDocument& document, const TNameValueList& presence,
                          const std::vector<std::string>& leftOut, size_t extra = 0);

} // namespace kelvane
