// Render tab: the render element and the camera it uses.
#include "editing/ui/EditorTab.h"

#include "controls/LinkRules.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/QtText.h"
#include "editing/TabRules.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ControlBuilder.h"
#include "editing/ui/ControlTree.h"
#include "editing/ui/SessionStore.h"

#include <QAbstractButton>
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
    {"pnlRenAA", TContainerClass::Panel, nullptr, 0, "Adaptive anti-aliasing"},
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
    Edit("pnlRenAA", "edtAAPasses", "render.render.AA_passes", Plain, nullptr, Whole(0, 1024)),
    Edit("pnlRenAA", "edtAAMinSamples", "render.render.AA_minsamples", Plain, nullptr, Whole(1, 1024)),
    Edit("pnlRenAA", "edtAAPixelWidth", "render.render.AA_pixelwidth", Plain, nullptr, Limited(1, 2)),
    Edit("pnlRenAA", "edtAAThreshold", "render.render.AA_threshold", Plain, nullptr, Limited(0, 1)),
    Combo("pnlRenAA", "combAAJitterFirst", "render.render.AA_jitterfirst", Plain, nullptr, "on|off"),
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
    {"cbAAPasses", "pnlRenAA", "AA passes", "edtAAPasses", nullptr},
    {"cbAAMinSamples", "pnlRenAA", "AA samples", "edtAAMinSamples", nullptr},
    {"cbAAPixelWidth", "pnlRenAA", "AA pixel width", "edtAAPixelWidth", nullptr},
    {"cbAAThreshold", "pnlRenAA", "AA threshold", "edtAAThreshold", nullptr},
    {"cbAAJitterFirst", "pnlRenAA", "AA jitter first", "combAAJitterFirst", nullptr},
    {"cbRayDepth", "pnlRenOptions", "Ray depth", "edtRaydepth", nullptr},
    {"cbTolerance", "pnlRenOptions", "Tolerance", "edtTole", "tbTolerance"},
    {"cbBias", "pnlRenOptions", "Bias", "edtBias", nullptr},
    {"cbFocal", "pnlRenOptions", "Focal", "edtFocal", nullptr},
    {"cbGamma", "pnlRenOptions", "Gamma", "edtGamma", nullptr},
    {"cbExposure", "pnlRenOptions", "Exposure", "edtExposure", nullptr},
    {"cbFogDensity", "pnlRenOptions", "Fog density", "edtFogDensity", "pnlFogColorOn"},
    {"cbBackGround", "pnlRenOptions", "Background", "combBG", nullptr},
};

constexpr TTabTable table{"tsRender", -1, containers, values, guards, true};

// The anti-aliasing fields: what each sets, and the older setting that wins over it while present.
struct TAAField {
    const char* field;
    const char* guard;
    const char* tip;
    const char* winner;         // the control of the setting that wins (cbAA or a number edit); nullptr: none
    const char* winnerPath;     // and its key path
    const char* winnerTip;      // the tooltip while it wins
};

constexpr TAAField aaFields[] = {
    {"edtAAPasses", "cbAAPasses", "Anti-aliasing passes (AA_passes)", "cbAA", "render.render.samples",
     "Not used: Anti-aliasing (samples) wins over AA_passes"},
    {"edtAAMinSamples", "cbAAMinSamples", "Anti-aliasing samples per pass (AA_minsamples)", nullptr, nullptr, nullptr},
    {"edtAAPixelWidth", "cbAAPixelWidth", "Anti-aliasing pixel width, 1 to 2 (AA_pixelwidth)", nullptr, nullptr, nullptr},
    {"edtAAThreshold", "cbAAThreshold", "Anti-aliasing threshold (AA_threshold)", "edtTole", "render.render.tolerance",
     "Not used: Tolerance (tolerance) wins over AA_threshold"},
    {"combAAJitterFirst", "cbAAJitterFirst", "Jittered first anti-aliasing sample (AA_jitterfirst)", nullptr, nullptr, nullptr},
};

class TRenderTab : public TEditorTab {
public:
    using TEditorTab::TEditorTab;

    void Fill(const std::string& name) override
    {
        TEditorTab::Fill(name);
        if (auto* saveName = Get<QLineEdit>("edtSaveName"))
            saveName->setText(QtText(OutputStem(c_.store.GetValue("render.outfile.value", ""))));
        // A sample count that is not a whole number selects nothing; the tab stays usable.
        int row = -1;
        const char* failure = nullptr;
        std::string text;
        try {
            row = AntiAliasRow(c_.store.GetValue("render.render.samples", ""));
        } catch (const std::exception& e) {
            text = e.what();
            failure = text.c_str();
        }
        SetComboIndex(Find("cbAA"), row);
        samplesChosen_ = false;
        ShowOverrides();
        if (failure)
            c_.onFailure(failure);
    }

    void NamesChanged() override
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
                    TStoreStep step(c_.store, RowLabelOf(saveName));
                    c_.store.SetValue("render.outfile.value", "", Utf8Text(saveName->text()) + ".tga",
                                      TKeyKind::Plain);
                });
            });
        if (auto* size = Get<QComboBox>("cbSize"))
            QObject::connect(size, &QComboBox::activated, size, [this](int row) { SizeChosen(row); });
        if (auto* camera = Get<QComboBox>("combCamera"))
            QObject::connect(camera, &QComboBox::activated, camera, [this] { Guarded([&] { CameraChosen(); }); });
        for (const TGuardRow& guard : table.guards)
            if (auto* box = Get<QAbstractButton>(guard.name))
                QObject::connect(box, &QAbstractButton::clicked, box, [this, box] {
                    Guarded([&] { GuardClicked(box); });
                    ShowOverrides();
                });
        // cbAA shows "1 * 1" without samples too: only a choice (written when the focus leaves)
        // adds it.
        if (auto* samples = Get<QComboBox>("cbAA"))
            QObject::connect(samples, &QComboBox::activated, samples, [this] {
                samplesChosen_ = true;
                ShowOverrides();
            });
        if (auto* tolerance = Get<TNumberEdit>("edtTole"))
            QObject::connect(tolerance, &TNumberEdit::changed, tolerance, [this] { ShowOverrides(); });
        for (const TAAField& f : aaFields)
            for (const char* name : {f.field, f.guard})
                if (QWidget* w = Find(name))
                    w->setToolTip(QString::fromUtf8(f.tip));
    }

private:
    // samples wins over AA_passes and tolerance over AA_threshold: while the older setting is
    // present, the field it overrides (and its guard box) is disabled and says why.
    void ShowOverrides()
    {
        for (const TAAField& f : aaFields) {
            if (!f.winner)
                continue;
            QWidget* field = Find(f.field);
            QWidget* guard = Find(f.guard);
            if (!field || !guard)
                continue;
            // The control shows a value before its exit handler writes it.
            const bool shown = f.winner == std::string_view("cbAA") ? samplesChosen_ : !EditText(Find(f.winner)).empty();
            const bool overridden = shown || !c_.store.GetValue(f.winnerPath, "").empty();
            const QString tip = QString::fromUtf8(overridden ? f.winnerTip : f.tip);
            for (QWidget* w : {field, guard})
                w->setToolTip(tip);
            guard->setEnabled(!overridden);
            field->setEnabled(!overridden && GuardChecked(guard));
        }
    }

    bool samplesChosen_ = false;  // a sample count was picked since the fill

    // cbRayDepthMouseUp; switching the fog off also removes the fog colour.
    void GuardClicked(QWidget* box)
    {
        TStoreStep step(c_.store, TickLabel(RowLabelOf(box), GuardChecked(box)));
        c_.binding.cbRayDepthMouseUp(box);
        if (NameOf(box) == "cbFogDensity" && !GuardChecked(box)) {
            for (const char* edit : {"edtFogRed", "edtFogGreen", "edtFogBlue"})
                SetEditText(Find(edit), "");
            c_.store.DeleteValue("render.fog_color.", c_.store.SelectedName());
        }
    }

    // combCameraChange: the render row and the working element follow the chosen camera, so
    // its fields show its values and edits reach it at once.
    void CameraChosen()
    {
        QWidget* camera = Find("combCamera");
        const int row = ComboIndex(camera);
        if (row < 0)
            return;
        const std::string name(ItemValue(ComboItem(camera, row)));
        {
            TStoreStep step(c_.store, RowLabelOf(camera));
            c_.binding.edtWidthExit(camera);
            c_.store.RenameSelected(name);
        }
        if (c_.rowsChanged)
            c_.rowsChanged();
        Fill(name);
    }

    void SizeChosen(int row)
    {
        static const int sizes[3][2] = {{480, 360}, {640, 480}, {800, 600}};
        if (row < 0 || row > 2)
            return;
        Guarded([&] {
            TStoreStep step(c_.store, RowLabelOf(Find("cbSize")));
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
