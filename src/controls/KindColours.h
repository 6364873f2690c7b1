#pragma once
// The text colour of each element kind in the element list, stored in the settings.
#include "controls/ColorConvert.h"

#include <string_view>
#include <vector>

namespace kelvane {

class TIniFileCompo;

// One element kind of the element list with its colour key and default colour.
struct TKindColour {
    std::string_view kind;
    std::string_view key;
    TColor fallback;
};
// The kinds of the kind table that have a colour, by name: background, filter, light, object,
// render, shader.
std::vector<TKindColour> KindColours();
// The row colour of a kind as stored in the settings ("System", "FColor_" ...); nothing when
// the kind has none.
bool FindKindColour(std::string_view kind, TKindColour& found);
TColor ReadKindColour(TIniFileCompo& settings, const TKindColour& entry);

} // namespace kelvane
