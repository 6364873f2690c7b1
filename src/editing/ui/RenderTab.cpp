// Render tab: the render element and the camera it uses.
#include "editing/ui/ControlTable.h"

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pnlRenOn", TContainerClass::Panel, nullptr, -2, "Render"},
    {"pnlRenImage", TContainerClass::Panel, nullptr, 0, "Image"},
    {"pnlRenOptions", TContainerClass::Panel, nullptr, 0, "Options"},
    {"pnlFogColorOn", TContainerClass::Panel, "pnlRenOptions", 0, "Fog colour"},
};

constexpr TValueRow values[] = {
    Text("pnlRenImage", "edtSaveName", "render.outfile.value", "Output file"),
    PlainCombo("pnlRenImage", "cbSize", "Size", "480    X    360|640    X    480|800    X    600"),
    Edit("pnlRenImage", "edtWidth", "camera.camera.resx", Plain, "Width", LowerLimit(0, true)),
    Edit("pnlRenImage", "edtHeight", "camera.camera.resy", Plain, "Height", LowerLimit(40, true)),
    Combo("pnlRenImage", "combCamera", "render.render.camera_name", Plain, "Camera", nullptr),
    Combo("pnlRenImage", "cbAA", "render.render.samples", Plain, "Anti-aliasing",
          "1 * 1                    =1|2 * 2                    =4|3 * 3                    =9|"
          "4 * 4                    =16|5 * 5                    =25|6 * 6                    =36|"
          "7 * 7                    =49"),
    Edit("pnlRenOptions", "edtRaydepth", "render.render.raydepth", Plain, nullptr, LowerLimit(1, true)),
    Scalar("pnlRenOptions", "tbTolerance", "edtTole", "render.render.tolerance", Plain, nullptr,
           Slider(0, 100, 100, 10), Limited(0.001, 1)),
    Edit("pnlRenOptions", "edtBias", "render.render.bias", Plain, nullptr),
    Edit("pnlRenOptions", "edtFocal", "camera.camera.focal", Plain, nullptr),
    Edit("pnlRenOptions", "edtGamma", "render.render.gamma", Plain, nullptr),
    Edit("pnlRenOptions", "edtExposure", "render.render.exposure", Plain, nullptr),
    Edit("pnlRenOptions", "edtFogDensity", "render.render.fog_density", Plain, nullptr),
    Colour("pnlFogColorOn", "Fog", "pnlFogColor", "render.fog_color.", Plain, "Fog", Limited(0, 255)),
    Combo("pnlRenOptions", "combBG", "render.render.background_name", Plain, nullptr, nullptr),
};

// Each guard box stands in front of the row it guards.
constexpr TGuardRow guards[] = {
    {"cbRayDepth", "pnlRenOptions", "Ray depth", "edtRaydepth", nullptr},
    {"cbTolerance", "pnlRenOptions", "Tolerance", "edtTole", "tbTolerance"},
    {"cbBias", "pnlRenOptions", "Bias", "edtBias", nullptr},
    {"cbFocal", "pnlRenOptions", "Focal", "edtFocal", nullptr},
    {"cbGamma", "pnlRenOptions", "Gamma", "edtGamma", nullptr},
    {"cbExposure", "pnlRenOptions", "Exposure", "edtExposure", nullptr},
    {"cbFogDensity", "pnlRenOptions", "Fog density", "edtFogDensity", "pnlFogColorOn"},
    {"cbBackGround", "pnlRenOptions", "Background", "combBG", nullptr},
};

constexpr TTabTable table{"tsRender", -1, containers, values, guards};

} // namespace

const TTabTable& RenderTabTable()
{
    return table;
}

} // namespace kelvane
