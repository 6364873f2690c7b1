// Render tab: the render element and the camera it uses.
#include "editing/ui/EditorTab.h"

#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ControlBuilder.h"
#include "editing/ui/SessionStore.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

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

class TRenderTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        TEditorTab::Fill(name);
        if (auto* saveName = Get<QLineEdit>("edtSaveName"))
            saveName->setText(QString::fromStdString(OutputStem(c_.store.GetValue("render.outfile.value", ""))));
        SetComboIndex(Find("cbAA"), AntiAliasRow(c_.store.GetValue("render.render.samples", "")));
    }

    void SceneOpened() override
    {
        FillNames("combCamera", c_.store.CameraNames());
        FillNames("combBG", c_.store.BackgroundNames());
    }

protected:
    void Wire(TControlBuilder& /*builder*/) override
    {
        // The shell puts the render panel (Rendering, Stop Rendering, progress) into pnlRenOn.
        // The output name is shown without its extension and written with ".tga".
        if (auto* saveName = Get<QLineEdit>("edtSaveName"))
            QObject::connect(saveName, &QLineEdit::editingFinished, saveName, [this, saveName] {
                Guarded([&] {
                    c_.store.SetValue("render.outfile.value", "", saveName->text().toStdString() + ".tga",
                                      TKeyKind::Plain);
                });
            });
        if (auto* size = Get<QComboBox>("cbSize"))
            QObject::connect(size, &QComboBox::activated, size, [this](int row) { SizeChosen(row); });
    }

private:
    void SizeChosen(int row)
    {
        static const int sizes[3][2] = {{480, 360}, {640, 480}, {800, 600}};
        if (row < 0 || row > 2)
            return;
        Guarded([&] {
            QWidget* width = Find("edtWidth");
            QWidget* height = Find("edtHeight");
            SetEditText(width, std::to_string(sizes[row][0]));
            SetEditText(height, std::to_string(sizes[row][1]));
            c_.binding.edtWidthExit(width);
            c_.binding.edtWidthExit(height);
        });
    }
};

} // namespace

const TTabTable& RenderTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeRenderTab(const TTabContext& context)
{
    return std::make_unique<TRenderTab>(context, table, "render");
}

} // namespace kelvane
