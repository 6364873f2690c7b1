#include "editing/TabRules.h"

#include "scene/NumFormat.h"

#include <cmath>

namespace kelvane {

namespace {

bool Marked(std::string_view presence, size_t at)
{
    return at < presence.size() && presence[at] == '1';
}

constexpr TLightType lightTypes[] = {
    {"pointlight", false, 500, 1, 50, "tsLgtPoint", false, false},
    {"sunlight", false, 50, 10, 50, "tsLgtPoint", false, false},
    {"softlight", false, 10000, 1, 1000, "tsLgtSoft", false, false},
    {"spotlight", false, 5000, 1, 500, "tsLgtSpot", false, false},
    {"arealight", true, 1000, 1, 100, "tsLgtArea", false, false},
    {"hemilight", true, 25, 10, 25, "tsLgtHemi", true, false},
    {"pathlight", true, 25, 10, 25, "tsLgtPath", true, true},
};

// The anti-aliasing box's rows: 1, 4, 9 ... 49 samples.
constexpr int antiAliasRows = 7;

} // namespace

TLightParts LightParts(std::string_view presence, std::string_view name)
{
    TLightParts parts;
    const bool whole = presence == "000";
    parts.direct = Marked(presence, 0) || whole;
    parts.diffuse = Marked(presence, 1);
    parts.caustic = Marked(presence, 2);
    parts.directElement = whole ? std::string(name) : std::string(name) + ".light";
    return parts;
}

bool SlotPresent(std::string_view presence, int slot)
{
    return slot >= 0 && Marked(presence, size_t(slot));
}

bool FilterPresent(std::string_view presence)
{
    return presence == "1";
}

const TLightType* FindLightType(std::string_view type)
{
    for (const TLightType& t : lightTypes)
        if (type == t.type)
            return &t;
    return nullptr;
}

int AntiAliasRow(std::string_view samples)
{
    const double s = samples.empty() ? 0.0 : StrToFloat(samples);
    if (!(s >= 0) || s >= double(antiAliasRows + 1) * (antiAliasRows + 1))
        return -1;
    const int row = int(std::trunc(std::sqrt(s) - 0.1));
    return row < antiAliasRows ? row : -1;
}

std::string OutputStem(std::string_view outfile)
{
    std::string out(outfile);
    const size_t dot = out.rfind('.');
    const size_t sep = out.find_last_of("\\:/");
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        out.resize(dot);
    return out;
}

} // namespace kelvane
