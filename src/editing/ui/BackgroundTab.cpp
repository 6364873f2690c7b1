// Background tab: one background, constant or sun-sky.
#include "editing/ui/EditorTab.h"

#include "controls/ui/ComboBoxYafRay.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/SessionStore.h"

#include <optional>

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

// A constant background has no sun-sky values: choosing it removes them.
class TBackgroundTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        TEditorTab::Fill(name);
        TypeChanged(nullptr);
    }

protected:
    void Wire(TControlBuilder&) override
    {
        if (auto* type = Get<TComboBoxYafRay>("combBGType"))
            QObject::connect(type, &QComboBox::activated, type, [this, type] { Guarded([&] { TypeChanged(type); }); });
    }

private:
    // sender: the type box a user chose in (nullptr while the tab is filled).
    void TypeChanged(QWidget* sender)
    {
        std::optional<TStoreStep> step;
        if (sender)
            step.emplace(c_.store, RowLabelOf(sender));
        QWidget* sunsky = Find("pnlBGSunskyOn");
        if (ComboIndex(Find("combBGType")) == 0) {
            sunsky->hide();
            const std::string name = c_.store.SelectedName();
            c_.store.DeleteValue("background.background.turbidy", name);
            c_.store.DeleteValue("background.background.add_sun", name);
        } else {
            sunsky->show();
        }
        if (sender)
            c_.binding.edtWidthExit(sender);
    }
};

} // namespace

const TTabTable& BackgroundTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeBackgroundTab(const TTabContext& context)
{
    return std::make_unique<TBackgroundTab>(context, table, "background");
}

} // namespace kelvane
