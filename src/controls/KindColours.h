#pragma once
// The text colour of each element kind in the element list, stored in the settings.
#include "controls/ColorConvert.h"

#include <string_view>

namespace kelvane {

class TIniFileCompo;

// One element kind of the element list with its colour key and default colour.
struct TKindColour {
    const char* kind;
    const char* key;
    TColor fallback;
};
// The six kinds in list order: background, filter, light, object, render, shader.
const TKindColour* KindColours();
constexpr int KindColourCount = 6;
// The row colour of a kind as stored in the settings ("System", "FColor_" ...), or nullptr
// when the kind has none.
const TKindColour* FindKindColour(std::string_view kind);
TColor ReadKindColour(TIniFileCompo& settings, const TKindColour& entry);

} // namespace kelvane
