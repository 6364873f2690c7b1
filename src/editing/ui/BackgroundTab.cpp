// Background tab: one background, constant or sun-sky.
#include "editing/ui/ControlTable.h"

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pnlBGSunskyOn", TContainerClass::Panel, nullptr, 0, "Sun sky"},
};

constexpr TValueRow values[] = {
    Combo("tsBackGround", "combBGType", "background.background.type", Plain, "Type", "constant|sunsky"),
    Colour("tsBackGround", "BG", "pnlBGColor", "background.color.", Plain, "Colour", Limited(0, 255)),
    Scalar("pnlBGSunskyOn", "tbBGTurbidy", "edtBGTurbidy", "background.background.turbidy", Plain, "Turbidity",
           Slider(1, 15, 0, 1), Limited(1, 15)),
    Combo("pnlBGSunskyOn", "combBGAddSun", "background.background.add_sun", Plain, "Add sun", "on|off"),
};

constexpr TTabTable table{"tsBackGround", 0, containers, values, {}};

} // namespace

const TTabTable& BackgroundTabTable()
{
    return table;
}

} // namespace kelvane
