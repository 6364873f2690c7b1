// Light tab: the direct light part, the two photon parts, hemilights and pathlights.
#include "editing/ui/EditorTab.h"

#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/LinkRules.h"
#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ControlBuilder.h"
#include "editing/ui/ControlTree.h"
#include "editing/ui/SessionStore.h"
#include "scene/NumFormat.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QPushButton>

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
          "pointlight|sunlight|softlight|spotlight").For(TTarget::DirectLight),
    Scalar("pnlLgtBasic", "tbLgtPower", "edtLgtPower", "light.light.power", Plain, "Power",
           Slider(0, 500, 1, 50), Limited(0, 500)).For(TTarget::DirectLight),
    Colour("pnlLgtColorOn", "Lgt", "pnlLgtColor", "light.color.", Plain, "Colour", Whole(0, 255)).For(TTarget::DirectLight),

    Combo("tsLgtPoint", "combLgtShadow", "light.light.cast_shadows", Plain, "Shadows", "on|off").For(TTarget::DirectLight),

    Scalar("tsLgtSpot", "tbLgtSize", "edtLgtSize", "light.light.size", Plain, "Size",
           Slider(0, 180, 0, 18), Whole(1, 180)).For(TTarget::DirectLight),
    Scalar("tsLgtSpot", "tbLgtNBlend", "edtLgtNBlend", "light.light.nblend", Plain, "Blend",
           Slider(0, 50, 0, 5), Limited(0, 50)).For(TTarget::DirectLight),
    Scalar("tsLgtSpot", "tbLgtBeamFO", "edtLgtBeamFO", "light.light.beam_falloff", Plain, "Beam falloff",
           Slider(0, 50, 0, 5), Limited(0, 50)).For(TTarget::DirectLight),

    Scalar("tsLgtSoft", "tbLgtRes", "edtLgtRes", "light.light.res", Plain, "Resolution",
           Slider(0, 512, 0, 64), Whole(0, 4096)).For(TTarget::DirectLight),
    Scalar("tsLgtSoft", "tbLgtRadi", "edtLgtRadi", "light.light.radius", Plain, "Radius",
           Slider(0, 120, 0, 12), Limited(0, 120)).For(TTarget::DirectLight),
    Scalar("tsLgtSoft", "tbLgtBias", "edtLgtBias", "light.light.bias", Plain, "Bias",
           Slider(0, 500, 100, 50), Limited(0, 5)).For(TTarget::DirectLight),

    Scalar("tsLgtArea", "tbLgtSamples", "edtLgtSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField).For(TTarget::DirectLight),
    Scalar("tsLgtArea", "tbLgtPSamples", "edtLgtPSamples", "light.light.psamples", Plain, "Photon samples",
           samplesSlider, samplesField).For(TTarget::DirectLight),

    Scalar("tsLgtHemi", "tbGIHSamples", "edtGIHSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField),
    Combo("tsLgtHemi", "CombGIHRandom", "light.light.randomsampling", Plain, "Random sampling", "on|off"),

    Scalar("tsLgtPath", "tbGIPSamples", "edtGIPSamples", "light.light.samples", Plain, "Samples",
           samplesSlider, samplesField),
    Combo("tsLgtPath", "combGIPRandom", "light.light.randomsampling", Plain, "Random sampling", "on|off"),
    Scalar("tsLgtPath", "tbGIPDepth", "edtGIPDepth", "light.light.depth", Plain, "Depth",
           Slider(1, 20, 0, 1), Whole(1, 1000000)),

    Scalar("tsDiffuse", "tbGIDPower", "edtGIDPower", "light.light.power", Plain, "Power",
           photonPower, Limited(0.1, 1000)).For(TTarget::Diffuse),
    Scalar("tsDiffuse", "tbGIDSearch", "edtGIDSearch", "light.light.search", Plain, "Search",
           photonSearch, Whole(50, 200)).For(TTarget::Diffuse),
    Edit("tsDiffuse", "edtGIDFixRad", "light.light.fixed_radius", Plain, "Fixed radius").For(TTarget::Diffuse),
    Edit("tsDiffuse", "edtGIDCluster", "light.light.cluster", Plain, "Cluster").For(TTarget::Diffuse),
    Edit("tsDiffuse", "edtGIDPhotons", "light.light.photons", Plain, "Photons").For(TTarget::Diffuse),
    Edit("tsDiffuse", "edtGIDDispersion", "light.light.dispersion", Plain, "Dispersion").For(TTarget::Diffuse),
    Edit("tsDiffuse", "edtGIDAngle", "light.light.angle", Plain, "Angle").For(TTarget::Diffuse),
    Colour("tsDiffuse", "GID", "pnlGIDColor", "light.color.", Plain, "Colour", Whole(0, 255)).For(TTarget::Diffuse),

    Scalar("tsCaustic", "tbGICPower", "edtGICPower", "light.light.power", Plain, "Power",
           photonPower, Limited(0.1, 1000)).For(TTarget::Caustic),
    Scalar("tsCaustic", "tbGICSearch", "edtGICSearch", "light.light.search", Plain, "Search",
           photonSearch, Whole(50, 200)).For(TTarget::Caustic),
    Edit("tsCaustic", "edtGICFixRad", "light.light.fixed_radius", Plain, "Fixed radius").For(TTarget::Caustic),
    Edit("tsCaustic", "edtGICCluster", "light.light.cluster", Plain, "Cluster").For(TTarget::Caustic),
    Edit("tsCaustic", "edtGICPhotons", "light.light.photons", Plain, "Photons").For(TTarget::Caustic),
    Edit("tsCaustic", "edtGICDispersion", "light.light.dispersion", Plain, "Dispersion").For(TTarget::Caustic),
    Edit("tsCaustic", "edtGICAngle", "light.light.angle", Plain, "Angle").For(TTarget::Caustic),
    Colour("tsCaustic", "GIC", "pnlGICColor", "light.color.", Plain, "Colour", Whole(0, 255)).For(TTarget::Caustic),
};

// The part boxes: "Light" regulates the direct light's pages and basic panel.
constexpr TGuardRow guards[] = {
    {"cbLight", "pnlLgtSelect", "Light", "pcLight", "pnlLgtBasic"},
    {"cbDiffuse", "pnlLgtSelect", "Diffuse", "tsDiffuse", nullptr},
    {"cbCaustics", "pnlLgtSelect", "Caustic", "tsCaustic", nullptr},
};

constexpr TTabTable table{"tsLight", -1, containers, values, guards, false, true};

// The parts present (direct, diffuse, caustic) decide what is loaded, enabled and shown; the
// direct light's type sets the power range and its page.
class TLightTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        QWidget* tab = Page();
        // The control with the focus is left first: disabling it would pass the focus on, and
        // each control passed would write its value on the way.
        if (QWidget* focus = QApplication::focusWidget(); focus && tab->isAncestorOf(focus))
            focus->clearFocus();
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
            c_.binding.LoadContainer(Find("pcLight"), element, Table());
            c_.binding.LoadContainer(Find("pnlLgtBasic"), element, Table());
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
            c_.binding.LoadContainer(Find("tsDiffuse"), name + ".diffuse", Table());
            ShowPage(Find("tsDiffuse"));
        }
        if (parts.caustic) {
            c_.binding.LoadContainer(Find("tsCaustic"), name + ".caustic", Table());
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

protected:
    void Wire(TControlBuilder& builder) override
    {
        for (const char* name : {"cbLight", "cbDiffuse", "cbCaustics"})
            if (auto* box = Get<QAbstractButton>(name))
                QObject::connect(box, &QAbstractButton::clicked, box, [this, box] { PartClicked(box); });
        if (auto* type = Get<TComboBoxYafRay>("combLgtType"))
            QObject::connect(type, &QComboBox::activated, type, [this](int row) { TypeChosen(row); });
        if (QBoxLayout* l = builder.LayoutOf("tsLgtArea")) {
            auto* reverse = new QPushButton(QStringLiteral("Reverse GI Light"));
            reverse->setObjectName(QStringLiteral("btnLgtReverseGI"));
            l->addWidget(reverse);
            c_.tree.Add(Find("tsLgtArea"), reverse);
            QObject::connect(reverse, &QPushButton::clicked, reverse, [this] {
                Guarded([&] {
                    TStoreStep step(c_.store, "Reverse GI Light");
                    const std::string name = c_.store.SelectedName();
                    ReverseTarget(name + ".diffuse");
                    ReverseTarget(name + ".caustic");
                });
            });
        }
    }

private:
    static constexpr const char* partBoxes[3] = {"cbLight", "cbDiffuse", "cbCaustics"};
    static constexpr const char* partWords[3] = {"light", "diffuse", "caustic"};

    // cbLightMouseUp: a part switched on is revived or copied from the first part present; one
    // switched off is marked deleted. At least one part stays on.
    void PartClicked(QWidget* sender)
    {
        const std::string name = c_.store.SelectedName();
        TStoreStep step(c_.store, TickLabel(RowLabelOf(sender), GuardChecked(sender)));
        try {
            int part = 0;
            bool any = false;
            for (int i = 0; i < 3; ++i) {
                if (Find(partBoxes[i]) == sender)
                    part = i;
                any = any || GuardChecked(Find(partBoxes[i]));
            }
            if (!any) {
                SetGuardChecked(sender, true);
                if (part == 0) {
                    c_.binding.EnableTree(Find("pcLight"), true);
                    c_.binding.EnableTree(Find("pnlLgtBasic"), true);
                }
                return;
            }
            std::string presence = c_.store.Presence(name);
            presence.resize(std::max<size_t>(presence.size(), 3), '0');
            const std::string element = name + "." + partWords[part];
            if (GuardChecked(sender)) {
                const size_t first = presence.find('1');
                const std::string source = first < 3 ? name + "." + partWords[first] : std::string();
                if (!c_.store.ReviveHeld(element)) {
                    // An area light's corners are checked before anything is copied.
                    if (!c_.store.GetValue("light.d.x", source).empty())
                        kelvane::AreaToDirection(Corner(source, 0), Corner(source, 1), Corner(source, 2),
                                                 Corner(source, 3));
                    c_.store.CopyElementAs("light", source, element);
                }
                c_.store.SetValue("light.light.type", element, part == 0 ? "pointlight" : "photonlight", Plain);
                if (!c_.store.GetValue("light.d.x", element).empty())
                    AreaToDirection(element);
                if (part > 0)
                    c_.store.SetValue("light.light.mode", element, partWords[part], Plain);
                presence[size_t(part)] = '1';
                c_.store.SetPresence(name, presence);
            } else {
                presence[size_t(part)] = '0';
                c_.store.SetPresence(name, presence);
                c_.store.DeleteValue("scene.light.", element);
            }
        } catch (const std::exception& e) {
            Fill(name);
            c_.onFailure(e.what());
            return;
        }
        Fill(name);
    }

    // combLgtTypeChange: an area light becomes a direction first; the attributes of the old
    // type go; the new type is written at once.
    void TypeChosen(int row)
    {
        const std::string name = c_.store.SelectedName();
        auto* typeBox = Get<TComboBoxYafRay>("combLgtType");
        const std::string light = LightParts(c_.store.Presence(name), name).directElement;
        const std::string old = c_.store.GetValue("light.light.type", light);
        if (row < 0 || old == ItemValue(ComboItem(typeBox, row)))
            return;
        TStoreStep step(c_.store, RowLabelOf(typeBox));
        try {
            if (old == "arealight") {
                AreaToDirection(light);
                const int area = typeBox->findText(QStringLiteral("arealight"));
                if (area >= 0 && area != row)
                    typeBox->removeItem(area);
            }
            c_.store.KeepAttributes(light, {"name", "power"});
            static const struct {
                const char* page;
                double max;
                int scale, ticks;
            } rows[4] = {{"tsLgtPoint", 500, 1, 50}, {"tsLgtPoint", 50, 10, 50},
                         {"tsLgtSoft", 10000, 1, 1000}, {"tsLgtSpot", 5000, 1, 500}};
            row = typeBox->currentIndex();
            if (row >= 0 && row < 4) {
                ClearPage(Find(rows[row].page));
                SetPowerRange(rows[row].max, 0, rows[row].scale, rows[row].ticks);
                ShowPage(Find(rows[row].page));
            }
            // The type is written now, not only when the box is left (a save may come first).
            if (row >= 0)
                c_.store.SetValue("light.light.type", light, std::string(ItemValue(ComboItem(typeBox, row))), Plain);
        } catch (const std::exception& e) {
            typeBox->setCurrentIndex(typeBox->IndexOfValue(old));
            Fill(name);
            c_.onFailure(e.what());
        }
    }

    // Each direct number edit emptied, each direct drop-down without a selection.
    void ClearPage(QWidget* page)
    {
        if (!page)
            return;
        for (QWidget* child : c_.tree.Children(page)) {
            if (ClassOf(child) == TControlClass::NumberEdit)
                SetEditText(child, "");
            else if (ClassOf(child) == TControlClass::Combo)
                SetComboIndex(child, -1);
        }
    }

    // Corner i (a, b, c, d) of an area light in single precision.
    TPoint3 Corner(const std::string& light, int i)
    {
        TPoint3 p;
        for (int axis = 0; axis < 3; ++axis)
            p[size_t(axis)] = float(StrToFloat(c_.store.GetValue(
                std::string("light.") + "abcd"[i] + "." + "xyz"[axis], light)));
        return p;
    }

    // The area light's corners become a source point and a target point.
    void AreaToDirection(const std::string& light)
    {
        TPoint3 corners[4];
        for (int axis = 0; axis < 3; ++axis)
            for (int i = 0; i < 4; ++i)
                corners[i][size_t(axis)] = float(StrToFloat(c_.store.GetValue(
                    std::string("light.") + "abcd"[i] + "." + "xyz"[axis], light)));
        const TDirection d = kelvane::AreaToDirection(corners[0], corners[1], corners[2], corners[3]);
        for (int axis = 0; axis < 3; ++axis) {
            const std::string x(1, "xyz"[axis]);
            c_.store.SetValue("light.from." + x, light, CoordinateText(d.from[size_t(axis)]), Plain);
            c_.store.SetValue("light.to." + x, light, CoordinateText(d.to[size_t(axis)]), Plain);
        }
        for (const char* corner : {"light.a.", "light.b.", "light.c.", "light.d."})
            c_.store.DeleteValue(corner, light);
    }

    // A photon light's target mirrored through its source.
    void ReverseTarget(const std::string& light)
    {
        if (c_.store.GetValue("light.to.x", light).empty())
            return;
        TPoint3 to, from;
        for (int axis = 0; axis < 3; ++axis) {
            const std::string x(1, "xyz"[axis]);
            to[size_t(axis)] = float(StrToFloat(c_.store.GetValue("light.to." + x, light)));
            from[size_t(axis)] = float(StrToFloat(c_.store.GetValue("light.from." + x, light)));
        }
        const TPoint3 target = kelvane::ReverseTarget(from, to);
        for (int axis = 0; axis < 3; ++axis)
            c_.store.SetValue(std::string("light.to.") + "xyz"[axis], light, CoordinateText(target[size_t(axis)]),
                              Plain);
    }

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
