#include "controls/KindColours.h"

#include "controls/IniFileCompo.h"

namespace kelvane {

namespace {

constexpr TKindColour kindColours[KindColourCount] = {
    {"background", "FColor_B", 0x000000},
    {"filter", "FColor_F", 0x000000},
    {"light", "FColor_L", 0x0000FF},
    {"object", "FColor_O", 0x808000},
    {"render", "FColor_R", 0x808080},
    {"shader", "FColor_S", 0x800000},
};

} // namespace

const TKindColour* KindColours()
{
    return kindColours;
}

const TKindColour* FindKindColour(std::string_view kind)
{
    for (const TKindColour& entry : kindColours)
        if (kind == entry.kind)
            return &entry;
    return nullptr;
}

TColor ReadKindColour(TIniFileCompo& settings, const TKindColour& entry)
{
    return settings.ReadColor("System", entry.key, entry.fallback);
}

} // namespace kelvane
