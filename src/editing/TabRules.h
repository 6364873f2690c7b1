#pragma once
// What the editor tabs decide from the scene without any widget: the meaning of the presence
// characters, the light types, the anti-aliasing row and the output name.
#include <string>
#include <string_view>

namespace kelvane {

// A light's presence characters name its parts: direct, diffuse, caustic ("110"). "000" is a
// light held as one element under its plain name (hemilights, pathlights, a sunlight without
// parts), which counts as direct.
struct TLightParts {
    bool direct = false;
    bool diffuse = false;
    bool caustic = false;
    std::string directElement;  // plain name for "000", else name + ".light"
};
TLightParts LightParts(std::string_view presence, std::string_view name);

// A shader's presence characters mark its texture slots 0 to 9.
bool SlotPresent(std::string_view presence, int slot);

// A filter ("dof", "an") is present when its presence entry is "1".
bool FilterPresent(std::string_view presence);

// What each direct-light type sets on the light tab.
struct TLightType {
    const char* type;
    bool added;      // not in the type box's fixed rows: added as a fifth row while shown
    double max;      // power range 0..max
    int scale, ticks;
    const char* page;
    bool single;     // one element without parts: the type and part boxes are locked
    bool colourless; // no colour of its own
};
// nullptr for a type outside the table.
const TLightType* FindLightType(std::string_view type);

// The row of the anti-aliasing box for a sample count text (empty counts as "0"): n*n samples
// select row n-1 (trunc(sqrt(s) - 0.1)), counts just above a square the next row; -1 past the last
// row (7 * 7) and for negative counts. Raises EConvertError for a text that is not a number.
int AntiAliasRow(std::string_view samples);

// An output file name without its extension: cut at the last "." after the last folder mark.
std::string OutputStem(std::string_view outfile);

} // namespace kelvane
