#include "controls/LinkRules.h"

#include "scene/NumFormat.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kelvane {

int ScaleOfTag(int tag)
{
    return tag <= 0 ? 1 : tag;
}

int SliderPosition(double value, int scale)
{
    double product = value * static_cast<double>(scale);
    if (std::isnan(product))
        return 0;
    const double nearest = std::round(product);
    if (std::fabs(product - nearest) <= 1e-9 * std::max(1.0, std::fabs(product)))
        product = nearest;
    product = std::trunc(product);
    return static_cast<int>(std::clamp(product, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

std::string SliderText(int position, int scale)
{
    return FloatToStr(static_cast<double>(position) / static_cast<double>(ScaleOfTag(scale)));
}

std::string_view ItemValue(std::string_view item)
{
    const size_t eq = item.find('=');
    return eq == std::string_view::npos ? item : item.substr(eq + 1);
}

std::string_view ItemDisplay(std::string_view item)
{
    std::string_view shown = item.substr(0, item.find('='));
    while (!shown.empty() && shown.back() == ' ')
        shown.remove_suffix(1);
    return shown;
}

TChannel ChannelOfName(std::string_view name)
{
    if (name.size() < 3)
        return TChannel::None;
    const std::string_view tail = name.substr(name.size() - 3);
    if (tail == "Red")
        return TChannel::Red;
    if (tail == "een")
        return TChannel::Green;
    if (tail == "lue")
        return TChannel::Blue;
    return TChannel::None;
}

TColor ReplaceChannel(TColor colour, TChannel channel, int value)
{
    TBgr c = SplitColor(colour);
    const auto byte = static_cast<uint8_t>(std::clamp(value, 0, 255));
    switch (channel) {
    case TChannel::Red: c.red = byte; break;
    case TChannel::Green: c.green = byte; break;
    case TChannel::Blue: c.blue = byte; break;
    case TChannel::None: return colour;
    }
    return MakeColor(c);
}

} // namespace kelvane
