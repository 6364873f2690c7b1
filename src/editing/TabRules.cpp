#include "editing/TabRules.h"

#include "scene/Errors.h"
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
    int64_t count = 0;
    if (!samples.empty() && !TryStrToInt64(samples, count))
        throw EConvertError("The anti-aliasing sample count '" + std::string(samples) + "' is not a whole number.");
    // A count between two squares shows the lower square's row (10 shows "3 * 3").
    if (count < 0 || count >= int64_t(antiAliasRows + 1) * (antiAliasRows + 1))
        return -1;
    int root = 1;
    while (int64_t(root + 1) * (root + 1) <= count)
        ++root;
    return root - 1;
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

namespace {

using TVector = std::array<long double, 3>;

TVector Normal(const TPoint3& a, const TPoint3& b, const TPoint3& c)
{
    const auto d = [](const TPoint3& p, const TPoint3& q, int i) { return (long double)p[i] - q[i]; };
    return {d(b, a, 2) * d(c, a, 1) - d(b, a, 1) * d(c, a, 2), d(b, a, 0) * d(c, a, 2) - d(b, a, 2) * d(c, a, 0),
            d(b, a, 1) * d(c, a, 0) - d(b, a, 0) * d(c, a, 1)};
}

long double Length(const TVector& v)
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

} // namespace

TDirection AreaToDirection(const TPoint3& a, const TPoint3& b, const TPoint3& c, const TPoint3& d)
{
    const TVector p = Normal(a, b, c);
    const TVector q = Normal(a, d, c);
    const long double lp = Length(p);
    const long double lq = Length(q);
    if (!(lp > 0) || !(lq > 0) || !std::isfinite(lp) || !std::isfinite(lq))
        throw EKelvaneError("The area light's corners lie on one line: no direction can be made from them.");
    TDirection out;
    for (int i = 0; i < 3; ++i) {
        out.from[i] = ((long double)a[i] + b[i] + c[i] + d[i]) / 4;
        out.to[i] = out.from[i] + p[i] / lp + q[i] / lq;
    }
    return out;
}

TPoint3 ReverseTarget(const TPoint3& from, const TPoint3& to)
{
    TPoint3 out;
    for (int i = 0; i < 3; ++i)
        out[i] = 2.0f * from[i] - to[i];
    return out;
}

std::string CoordinateText(long double value)
{
    return FloatToStr(double(value));
}

} // namespace kelvane
