// Filter tab: the depth-of-field filter "dof" and the anti-noise filter "an".
#include "editing/ui/ControlTable.h"

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pnlDOFOn", TContainerClass::Panel, nullptr, 0, ""},
    {"pnlAntiNoiseOn", TContainerClass::Panel, nullptr, 0, ""},
};

constexpr TSliderSpec blurSlider = Slider(1, 500, 10, 50);

constexpr TValueRow values[] = {
    Scalar("pnlDOFOn", "tbDOFNearB", "edtDOFNearB", "filter.filter.near_blur", Plain, "Near blur",
           blurSlider, Limited(0.1, 50)),
    Scalar("pnlDOFOn", "tbDOFFarB", "edtDOFFarB", "filter.filter.far_blur", Plain, "Far blur",
           blurSlider, Limited(0.1, 50)),
    Edit("pnlDOFOn", "edtDOFScale", "filter.filter.scale", Plain, "Scale"),
    Edit("pnlDOFOn", "edtDOFFocus", "filter.filter.focus", Plain, "Focus"),
    Scalar("pnlAntiNoiseOn", "tbAtNRadius", "edtAtNRadius", "filter.filter.radius", Plain, "Radius",
           Slider(1, 25, 0, 3), Whole(1, 25)),
    Scalar("pnlAntiNoiseOn", "tbAtNMaxDelta", "edtAtNMaxDelta", "filter.filter.max_delta", Plain, "Max delta",
           Slider(0, 100, 100, 10), Limited(0, 1)),
};

// Each filter box stands above its panel.
constexpr TGuardRow guards[] = {
    {"cbFilDOF", nullptr, "Depth of Field", "pnlDOFOn", nullptr},
    {"cbFilAntiNoise", nullptr, "Anti Noise", "pnlAntiNoiseOn", nullptr},
};

constexpr TTabTable table{"tsFilter", 0, containers, values, guards};

} // namespace

const TTabTable& FilterTabTable()
{
    return table;
}

} // namespace kelvane
