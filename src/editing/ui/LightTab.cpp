// Light tab: the direct light part, the two photon parts, hemilights and pathlights.
#include "editing/ui/EditorTab.h"

#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/SessionStore.h"

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pnlLgtSelect", TContainerClass::Panel, nullptr, 0, "Parts"},
    {"pnlLightOn", TContainerClass::Panel, nullptr, -1, ""},
    {"pcLight", TContainerClass::HiddenPages, "pnlLightOn", 0, ""},
    {"tsLgtPoint", TContainerClass::Page, "pcLight", 0, "Point"},
    {"tsLgtSpot", TContainerClass::Page, "pcLight", 0, "Spot"},
    {"tsLgtSoft", TContainerClass::Page, "pcLight", 0, "Soft"},
    {"tsLgtArea", TContainerClass::Page, "pcLight", 0, "Area"},
    {"tsLgtHemi", TContainerClass::Page, "pcLight", 0, "Hemi"},
    {"tsLgtPath", TContainerClass::Page, "pcLight", 0, "Path"},
    {"pnlLgtBasic", TContainerClass::Panel, "pnlLightOn", 0, "Light"},
    {"pnlLgtColorOn", TContainerClass::Panel, "pnlLgtBasic", 0, ""},
    {"pnlGIOn", TContainerClass::Panel, nullptr, -1, ""},
    {"pcGI", TContainerClass::PageControl, "pnlGIOn", 0, ""},
    {"tsDiffuse", TContainerClass::Page, "pcGI", 0, "Diffuse"},
    {"tsCaustic", TContainerClass::Page, "pcGI", 0, "Caustic"},
};

constexpr TSliderSpec samplesSlider = Slider(0, 512, 0, 64);
constexpr TEditSpec samplesField = Limited(0, 1024);
constexpr TSliderSpec photonPower = Slider(0, 1000, 1, 100);
constexpr TSliderSpec photonSearch = Slider(50, 200, 0, 15);

constexpr TValueRow values[] = {
    Combo("pnlLgtBasic", "combLgtType", "light.light.type", Plain, "Type",
          "pointlight|sunlight|softlight|spotlight"),
    Scalar("pnlLgtBasic", "tbLgtPower", "edtLgtPower", "light.light.power", Plain, "Power",
           Slider(0, 500, 1, 50), Limited(0, 500)),
    Colour("pnlLgtColorOn", "Lgt", "pnlLgtColor", "light.color.", Plain, "Colour", Whole(0, 255)),

    Combo("tsLgtPoint", "combLgtShadow", "light.light.cast_shadows", Plain, "Shadows", "on|off"),

    Scalar("tsLgtSpot", "tbLgtSize", "edtLgtSize", "light.light.size", Plain, "Size",
           Slider(0, 180, 0, 18), Whole(1, 180)),
    Scalar("tsLgtSpot", "tbLgtNBlend", "edtLgtNBlend", "light.light.nblend", Plain, "Blend",
           Slider(0, 50, 0, 5), Limited(0, 50)),
    Scalar("tsLgtSpot", "tbLgtBeamFO", "edtLgtBeamFO", "light.light.beam_falloff", Plain, "Beam falloff",
           Slider(0, 50, 0, 5), Limited(0, 50)),

    Scalar("tsLgtSoft", "tbLgtRes", "edtLgtRes", "light.light.res", Plain, "Resolution",
           Slider(0, 512, 0, 64), Whole(0, 4096)),
    Scalar("tsLgtSoft", "tbLgtRadi", "edtLgtRadi", "light.light.radius", Plain, "Radius",
           Slider(0, 120, 0, 12), Limited(0, 120)),
    Scalar("tsLgtSoft", "tbLgtBias", "edtLgtBias", "light.light.bias", Plain, "Bias",
           Slider(0, 500, 100, 50), Limited(0, 5)),

    Scalar("tsLgtArea", "tbLgtSamples", "edtLgtSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField),
    Scalar("tsLgtArea", "tbLgtPSamples", "edtLgtPSamples", "light.light.psamples", Plain, "Photon samples",
           samplesSlider, samplesField),

    Scalar("tsLgtHemi", "tbGIHSamples", "edtGIHSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField),
    Combo("tsLgtHemi", "CombGIHRandom", "light.light.randomsampling", Plain, "Random sampling", "on|off"),

    Scalar("tsLgtPath", "tbGIPSamples", "edtGIPSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField),
    Combo("tsLgtPath", "combGIPRandom", "light.light.randomsampling", Plain, "Random sampling", "on|off"),
    Scalar("tsLgtPath", "tbGIPDepth", "edtGIPDepth", "light.light.depth", Plain, "Depth",
           Slider(1, 20, 0, 1), Whole(1, 1000000)),

    Scalar("tsDiffuse", "tbGIDPower", "edtGIDPower", "light.light.power", Plain, "Power",
           photonPower, Limited(0.1, 1000)),
    Scalar("tsDiffuse", "tbGIDSearch", "edtGIDSearch", "light.light.search", Plain, "Search",
           photonSearch, Whole(50, 200)),
    Edit("tsDiffuse", "edtGIDFixRad", "light.light.fixed_radius", Plain, "Fixed radius"),
    Edit("tsDiffuse", "edtGIDCluster", "light.light.cluster", Plain, "Cluster"),
    Edit("tsDiffuse", "edtGIDPhotons", "light.light.photons", Plain, "Photons"),
    Edit("tsDiffuse", "edtGIDDispersion", "light.light.dispersion", Plain, "Dispersion"),
    Edit("tsDiffuse", "edtGIDAngle", "light.light.angle", Plain, "Angle"),
    Colour("tsDiffuse", "GID", "pnlGIDColor", "light.color.", Plain, "Colour", Whole(0, 255)),

    Scalar("tsCaustic", "tbGICPower", "edtGICPower", "light.light.power", Plain, "Power",
           photonPower, Limited(0.1, 1000)),
    Scalar("tsCaustic", "tbGICSearch", "edtGICSearch", "light.light.search", Plain, "Search",
           photonSearch, Whole(50, 200)),
    Edit("tsCaustic", "edtGICFixRad", "light.light.fixed_radius", Plain, "Fixed radius"),
    Edit("tsCaustic", "edtGICCluster", "light.light.cluster", Plain, "Cluster"),
    Edit("tsCaustic", "edtGICPhotons", "light.light.photons", Plain, "Photons"),
    Edit("tsCaustic", "edtGICDispersion", "light.light.dispersion", Plain, "Dispersion"),
    Edit("tsCaustic", "edtGICAngle", "light.light.angle", Plain, "Angle"),
    Colour("tsCaustic", "GIC", "pnlGICColor", "light.color.", Plain, "Colour", Whole(0, 255)),
};

// The part boxes: "Light" regulates the direct light's pages and basic panel.
constexpr TGuardRow guards[] = {
    {"cbLight", "pnlLgtSelect", "Light", "pcLight", "pnlLgtBasic"},
    {"cbDiffuse", "pnlLgtSelect", "Diffuse", "tsDiffuse", nullptr},
    {"cbCaustics", "pnlLgtSelect", "Caustic", "tsCaustic", nullptr},
};

constexpr TTabTable table{"tsLight", -1, containers, values, guards};

// The parts present (direct, diffuse, caustic) decide what is loaded, enabled and shown; the
// direct light's type sets the power range and its page.
class TLightTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        QWidget* tab = Page();
        auto* typeBox = Get<TComboBoxYafRay>("combLgtType");
        for (int i = typeBox->count() - 1; i >= 4; --i)
            typeBox->removeItem(i);
        const TLightParts parts = LightParts(c_.store.Presence(name), name);
        c_.binding.EnableTree(tab, false);
        c_.binding.EnableTree(Find("pnlLgtSelect"), true);
        SetGuardChecked(Find("cbLight"), parts.direct);
        if (parts.direct) {
            const std::string& element = parts.directElement;
            const TLightType* type = FindLightType(c_.store.GetValue("light.light.type", element));
            if (type) {
                if (type->added)
                    typeBox->AddItem(type->type);
                SetPowerRange(type->max, 0, type->scale, type->ticks);
                ShowPage(Find(type->page));
            }
            c_.binding.LoadContainer(Find("pcLight"), element, tab);
            c_.binding.LoadContainer(Find("pnlLgtBasic"), element, tab);
            if (type && type->single) {
                typeBox->setEnabled(false);
                c_.binding.EnableTree(Find("pnlLgtSelect"), false);
            }
            if (type && type->colourless)
                c_.binding.EnableTree(Find("pnlLgtColorOn"), false);
        }
        SetGuardChecked(Find("cbDiffuse"), parts.diffuse);
        SetGuardChecked(Find("cbCaustics"), parts.caustic);
        if (parts.diffuse) {
            c_.binding.LoadContainer(Find("tsDiffuse"), name + ".diffuse", tab);
            ShowPage(Find("tsDiffuse"));
        }
        if (parts.caustic) {
            c_.binding.LoadContainer(Find("tsCaustic"), name + ".caustic", tab);
            ShowPage(Find("tsCaustic"));
        }
        // A panel without parts collapses.
        const auto collapse = [](QWidget* panel, bool open) {
            if (panel)
                panel->setMaximumHeight(open ? QWIDGETSIZE_MAX : 1);
        };
        collapse(Find("pnlGIOn"), parts.diffuse || parts.caustic);
        collapse(Find("pnlLightOn"), parts.direct);
    }

private:
    void SetPowerRange(double max, double min, int scale, int ticks)
    {
        if (auto* slider = Get<TLinkedTrackBar>("tbLgtPower")) {
            slider->setRange(int(min * scale), int(max * scale));
            slider->SetScale(scale);
            slider->SetFrequency(ticks);
        }
        if (auto* edit = Get<TNumberEdit>("edtLgtPower")) {
            edit->SetMax(max);
            edit->SetMin(min);
        }
    }
};

} // namespace

const TTabTable& LightTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeLightTab(const TTabContext& context)
{
    return std::make_unique<TLightTab>(context, table, "light");
}

} // namespace kelvane
