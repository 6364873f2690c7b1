// Filter tab: the depth-of-field filter "dof" and the anti-noise filter "an".
#include "editing/ui/EditorTab.h"

#include "controls/ui/EnableControlCheckBox.h"
#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/SessionStore.h"

#include <QAbstractButton>

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
           blurSlider, Limited(0.1, 50)).For(TTarget::Dof),
    Scalar("pnlDOFOn", "tbDOFFarB", "edtDOFFarB", "filter.filter.far_blur", Plain, "Far blur",
           blurSlider, Limited(0.1, 50)).For(TTarget::Dof),
    Edit("pnlDOFOn", "edtDOFScale", "filter.filter.scale", Plain, "Scale").For(TTarget::Dof),
    Edit("pnlDOFOn", "edtDOFFocus", "filter.filter.focus", Plain, "Focus").For(TTarget::Dof),
    Scalar("pnlAntiNoiseOn", "tbAtNRadius", "edtAtNRadius", "filter.filter.radius", Plain, "Radius",
           Slider(1, 25, 0, 3), Whole(1, 25)).For(TTarget::AntiNoise),
    Scalar("pnlAntiNoiseOn", "tbAtNMaxDelta", "edtAtNMaxDelta", "filter.filter.max_delta", Plain, "Max delta",
           Slider(0, 100, 100, 10), Limited(0, 1)).For(TTarget::AntiNoise),
};

// Each filter box stands above its panel.
constexpr TGuardRow guards[] = {
    {"cbFilDOF", nullptr, "Depth of Field", "pnlDOFOn", nullptr},
    {"cbFilAntiNoise", nullptr, "Anti Noise", "pnlAntiNoiseOn", nullptr},
};

constexpr TTabTable table{"tsFilter", 0, containers, values, guards};

// The filters are held under the fixed names "dof" and "an"; an absent one is hidden.
class TFilterTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string&) override
    {
        QWidget* dof = Find("pnlDOFOn");
        QWidget* an = Find("pnlAntiNoiseOn");
        c_.binding.LoadContainer(dof, "dof", Table());
        c_.binding.LoadContainer(an, "an", Table());
        const bool hasDof = FilterPresent(c_.store.Presence("dof"));
        const bool hasAn = FilterPresent(c_.store.Presence("an"));
        SetGuardChecked(Find("cbFilDOF"), hasDof);
        SetGuardChecked(Find("cbFilAntiNoise"), hasAn);
        TEnableControlCheckBox::SetEnabledTree(dof, hasDof);
        TEnableControlCheckBox::SetEnabledTree(an, hasAn);
        dof->setVisible(hasDof);
        an->setVisible(hasAn);
    }

protected:
    void Wire(TControlBuilder&) override
    {
        for (const char* name : {"cbFilDOF", "cbFilAntiNoise"})
            if (auto* box = Get<QAbstractButton>(name))
                QObject::connect(box, &QAbstractButton::clicked, box, [this, box] {
                    Guarded([&] { FilterClicked(box); });
                    Fill("");
                });
    }

private:
    // cbFilAntiNoiseMouseUp: a filter switched on is made with its type, switched off deleted.
    void FilterClicked(QWidget* box)
    {
        TStoreStep step(c_.store, TickLabel(RowLabelOf(box), GuardChecked(box)));
        const bool dof = box->objectName() == QLatin1String("cbFilDOF");
        const char* name = dof ? "dof" : "an";
        if (GuardChecked(box)) {
            c_.store.SetValue("new.filter.type", name, dof ? "dof" : "antinoise", Plain);
            c_.store.SetPresence(name, "1");
        } else {
            c_.store.DeleteValue("scene.filter.", name);
            c_.store.SetPresence(name, "0");
        }
    }
};

} // namespace

const TTabTable& FilterTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeFilterTab(const TTabContext& context)
{
    return std::make_unique<TFilterTab>(context, table, "filter");
}

} // namespace kelvane
