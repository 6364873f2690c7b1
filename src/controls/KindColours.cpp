#include "controls/KindColours.h"

#include "controls/IniFileCompo.h"
#include "scene/ElementKinds.h"


namespace kelvane {

std::vector<TKindColour> KindColours()
{
    std::vector<TKindColour> colours;
    for (const TElementKind* kind : ColouredKinds())
        colours.push_back({kind->name, kind->colourKey, kind->colour});
    return colours;
}

bool FindKindColour(std::string_view kind, TKindColour& found)
{
    const TElementKind* entry = FindElementKind(kind);
    if (!entry || entry->colourKey.empty())
        return false;
    found = {entry->name, entry->colourKey, entry->colour};
    return true;
}

TColor ReadKindColour(TIniFileCompo& settings, const TKindColour& entry)
{
    return settings.ReadColor("System", entry.key, entry.fallback);
}

} // namespace kelvane
