// Object tab: shader, shadow, smoothing and caustic properties of one object.
#include "editing/ui/EditorTab.h"

#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/SessionStore.h"

#include <QAbstractButton>

namespace kelvane {

namespace {

using enum TKeyKind;

constexpr TContainerRow containers[] = {
    {"pnlObjCausticOn", TContainerClass::Panel, nullptr, 0, "Caustics"},
    {"pnlCauTransColorOn", TContainerClass::Panel, "pnlObjCausticOn", 0, ""},
    {"pnlCauRefColorOn", TContainerClass::Panel, "pnlObjCausticOn", 0, ""},
};

constexpr TValueRow values[] = {
    Combo("tsObject", "combObjShader", "object.object.shader_name", Plain, "Shader", nullptr),
    Combo("tsObject", "combObjShadow", "object.object.shadow", Plain, nullptr, "on|off"),
    Edit("tsObject", "edtObjAutoSmooth", "object.mesh.autosmooth", Plain, nullptr),
    Combo("pnlObjCausticOn", "combObjReceiveRad", "object.object.recv_rad", Plain, "Receive radiosity", "on|off"),
    Combo("pnlObjCausticOn", "combObjEmitRad", "object.object.emit_rad", Plain, "Emit radiosity", "on|off"),
    Scalar("pnlObjCausticOn", "tbCauIOR", "edtCauIOR", "object.object.caus_IOR", Plain, "IOR",
           Slider(0, 200, 100, 20), LowerLimit(0)),
    Colour("pnlCauTransColorOn", "CauTrans", "pnlCauTransColor", "object.caus_tcolor.", Attributes, "Transmitted",
           Limited(0, 255)),
    Colour("pnlCauRefColorOn", "CauRef", "pnlCauRefColor", "object.caus_rcolor.", Attributes, "Reflected",
           Limited(0, 255)),
};

constexpr TGuardRow guards[] = {
    {"cbObjShadow", "tsObject", "Shadow", "combObjShadow", nullptr},
    {"cbObjAutoSmooth", "tsObject", "Auto smooth", "edtObjAutoSmooth", nullptr},
    {"cbObjCaustic", "tsObject", "Caustic", "pnlObjCausticOn", nullptr},
};

constexpr TTabTable table{"tsObject", 0, containers, values, guards, true};

// The caustic box follows the caustic values.
class TObjectTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        TEditorTab::Fill(name);
        const bool caustic = !EditText(Find("edtCauIOR")).empty() || ComboIndex(Find("combObjReceiveRad")) >= 0 ||
                             ComboIndex(Find("combObjEmitRad")) >= 0;
        SetGuardChecked(Find("cbObjCaustic"), caustic);
        c_.binding.EnableTree(Find("pnlObjCausticOn"), caustic);
    }

    void NamesChanged() override { FillNames("combObjShader", c_.store.ShaderNames()); }

protected:
    void Wire(TControlBuilder&) override
    {
        for (const TGuardRow& guard : table.guards)
            if (auto* box = Get<QAbstractButton>(guard.name))
                QObject::connect(box, &QAbstractButton::clicked, box, [this, box] {
                    Guarded([&] {
                        TStoreStep step(c_.store, TickLabel(RowLabelOf(box), GuardChecked(box)));
                        if (box->objectName() == QLatin1String("cbObjCaustic"))
                            CausticClicked(box);
                        else
                            c_.binding.cbRayDepthMouseUp(box);
                    });
                });
    }

private:
    // cbObjCausticMouseUp: switched off, the object loses its caustic values and colours.
    void CausticClicked(QWidget* box)
    {
        const bool on = GuardChecked(box);
        c_.binding.EnableTree(Find("pnlCauTransColorOn"), on);
        c_.binding.EnableTree(Find("pnlCauRefColorOn"), on);
        if (on)
            return;
        SetEditText(Find("edtCauIOR"), "");
        for (const char* group : {"CauTrans", "CauRef"})
            for (const char* channel : {"Red", "Green", "Blue"})
                SetEditText(Find(std::string("edt") + group + channel), "");
        SetComboIndex(Find("combObjEmitRad"), -1);
        SetComboIndex(Find("combObjReceiveRad"), -1);
        const std::string name = c_.store.SelectedName();
        for (const char* path : {"object.object.caus_IOR", "object.object.recv_rad", "object.object.emit_rad",
                                 "object.caus_tcolor.", "object.caus_rcolor."})
            c_.store.DeleteValue(path, name);
    }
};

} // namespace

const TTabTable& ObjectTabTable()
{
    return table;
}


std::unique_ptr<TEditorTab> MakeObjectTab(const TTabContext& context)
{
    return std::make_unique<TObjectTab>(context, table, "object");
}

} // namespace kelvane
