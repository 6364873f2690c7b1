#pragma once
// The element catalogue of a freshly read scene: the walk that names light parts, filters and
// textures by the editor's rules and fills the element-list rows, the presence table, the
// thumbnail index and the camera, background and shader name lists.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "scene/NameValueList.h"
#include "scene/TextCodec.h"
#include "scene/TexturePictureStore.h"
#include "scene/WorkingElement.h"

namespace kelvane {

// One row of the element list: kind " -- " name, in UTF-8.
struct TElementRow {
    std::string Text;
    bool Checked = true;
    bool CheckEnabled = true;  // false for the render row
};

// Order of the element list: case-insensitive comparison (ASCII and Latin-1 letters folded to
// lower case), texts equal in that sense ordered by their exact code units, both in the UTF-16
// order of the document's names.
bool RowTextLess(std::string_view a, std::string_view b);

struct TCatalogue {
    std::vector<TElementRow> rows;  // sorted by RowTextLess
    TNameValueList presence;
    TNameValueList thumbnails;
    std::vector<std::string> cameras, backgrounds, shaders;
    void Clear();
};

// Walks the working element's document: renames light parts, filters ("an", "dof") and shader
// textures (shader name + slot digit, copies of the textures the modulators used), removes
// the textures whose name does not end in a digit, hands the pictures of "jpeg" textures to
// pictures (written into sceneFolder), and fills catalogue. The working element is left on the
// document ("scene") and uses catalogue.presence from now on.
void BuildCatalogue(TWorkingElement& working, TCatalogue& catalogue, const std::filesystem::path& sceneFolder,
                    ITexturePictureStore& pictures);

// Names the light called name by its type (part suffixes ".light", ".diffuse", ".caustic";
// other dots become "_") and marks its part in the presence table; returns the base name.
std::string ClassifyLight(TWorkingElement& working, TNameValueList& presence, WideString name);

// Sets the character of part ("light", "diffuse", "caustic") in base's presence value, which
// starts as "000"; any other part only makes sure the value exists.
void MarkLightPart(TNameValueList& presence, std::string_view base, std::string_view part);

} // namespace kelvane
