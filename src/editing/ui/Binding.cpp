#include "editing/ui/Binding.h"

#include "controls/LinkRules.h"
#include "editing/ui/ControlAccess.h"
#include "scene/NumFormat.h"

#include <QApplication>

#include <cmath>

namespace kelvane {

namespace {

// Sets a flag for the lifetime of a fill step.
struct TLoadingScope {
    explicit TLoadingScope(int& counter) : counter_(counter) { ++counter_; }
    ~TLoadingScope() { --counter_; }
    int& counter_;
};

// The container holds modulator controls: they are read in the modulator view.
bool HoldsModulators(TControlTree& tree, QWidget* container)
{
    for (QWidget* child : tree.Children(container))
        if (KeyKindOf(child) == TKeyKind::Modulator)
            return true;
    return false;
}

} // namespace

std::string TickLabel(const std::string& label, bool on)
{
    return label + (on ? " on" : " off");
}

std::string TEditorBinding::SlotName(std::string_view name) const
{
    const int slot = SelectedSlot ? SelectedSlot() : 0;
    return std::string(name) + std::to_string(slot < 0 ? 0 : slot);
}

void TEditorBinding::LoadContainer(QWidget* container, std::string_view name, const TTabTable& table)
{
    TLoadingScope loading(loading_);
    const bool modulators = HoldsModulators(tree_, container);
    if (modulators)
        store_.BeginModulatorView();
    try {
        for (QWidget* child : tree_.Children(container))
            LoadControl(child, name);
    } catch (...) {
        if (modulators)
            store_.EndModulatorView();
        throw;
    }
    if (modulators)
        store_.EndModulatorView();
    for (QWidget* child : tree_.Children(container)) {
        if (table.syncGuards)
            SyncCheckBox(child);
        if (tree_.IsContainer(child))
            LoadContainer(child, name, table);
    }
    if (table.enableOnFill)
        EnableTree(container, true);
}

void TEditorBinding::LoadControl(QWidget* control, std::string_view name)
{
    const TControlClass cls = ClassOf(control);
    if (cls != TControlClass::NumberEdit && cls != TControlClass::Combo && cls != TControlClass::Slider)
        return;
    const std::string element = RowTargetOf(control) == TTarget::Slot ? SlotName(name) : std::string(name);
    const std::string v = store_.GetValue(CommandOf(control), element);
    switch (cls) {
    case TControlClass::NumberEdit:
        SetEditText(control, v);
        break;
    case TControlClass::Combo: {
        int found = -1;
        for (int i = 0; i < ComboCount(control) && found < 0; ++i)
            if (ItemValue(ComboItem(control, i)) == v)
                found = i;
        SetComboIndex(control, found);
        break;
    }
    case TControlClass::Slider: {
        QWidget* target = TargetOf(control);
        const bool colour = target && ClassOf(target) == TControlClass::Swatch;
        if (!v.empty()) {
            SetSliderPosition(control, kelvane::SliderPosition(StrToFloat(v), ScaleOfTag(TagOf(control))));
            if (colour)
                FollowSlider(control, true);
        } else if (colour) {
            SetSwatchColour(target, clBtnFace);
        }
        break;
    }
    default:
        break;
    }
}

bool TEditorBinding::HasValue(const QWidget* control) const
{
    if (!control)
        return false;
    switch (ClassOf(control)) {
    case TControlClass::NumberEdit: return !EditText(control).empty();
    case TControlClass::Combo: return ComboIndex(control) >= 0;
    default: return false;
    }
}

void TEditorBinding::SyncCheckBox(QWidget* control)
{
    if (ClassOf(control) != TControlClass::Guard)
        return;
    QWidget* first = RegulateOf(control, 0);
    QWidget* second = RegulateOf(control, 1);
    const bool on = HasValue(first) || HasValue(second);
    SetGuardChecked(control, on);
    // A guarded container is enabled or disabled with everything inside it.
    for (QWidget* guarded : {first, second})
        if (guarded) {
            guarded->setEnabled(on);
            if (tree_.IsContainer(guarded))
                EnableBelow(guarded, on);
        }
}

void TEditorBinding::EnableBelow(QWidget* container, bool enabled)
{
    for (QWidget* child : tree_.Children(container)) {
        child->setEnabled(enabled);
        EnableBelow(child, enabled);
    }
}

void TEditorBinding::EnableTree(QWidget* start, bool enabled)
{
    // Iterative walk: a control is set when its parent's tag is 0 or more; the walk goes below a
    // container only while every container on the way has a tag of -1 or more.
    if (TagOf(start) >= 0)
        start->setEnabled(enabled);
    if (TagOf(start) < -1)
        return;
    std::vector<QWidget*> pending{start};
    while (!pending.empty()) {
        QWidget* parent = pending.back();
        pending.pop_back();
        const int parentTag = TagOf(parent);
        for (QWidget* child : tree_.Children(parent)) {
            if (parentTag >= 0)
                child->setEnabled(enabled);
            if (tree_.IsContainer(child) && TagOf(child) >= -1)
                pending.push_back(child);
        }
    }
}

std::string TEditorBinding::WriteName(const QWidget* control)
{
    switch (RowTargetOf(control)) {
    case TTarget::Dof: return "dof";
    case TTarget::AntiNoise: return "an";
    case TTarget::Slot: return SlotName(store_.SelectedName());
    default: return store_.SelectedName();
    }
}

void TEditorBinding::edtWidthExit(QWidget* sender)
{
    if (!sender)
        return;
    std::string value;
    switch (ClassOf(sender)) {
    case TControlClass::NumberEdit:
        value = EditText(sender);
        break;
    case TControlClass::Slider:
        value = SliderText(SliderPosition(sender), ScaleOfTag(TagOf(sender)));
        break;
    case TControlClass::Combo: {
        const int row = ComboIndex(sender);
        if (row >= 0)
            value = std::string(ItemValue(ComboItem(sender, row)));
        break;
    }
    default:
        return;
    }
    TStoreStep step(store_, RowLabelOf(sender));
    const std::string name = WriteName(sender);
    std::string suffix;
    switch (RowTargetOf(sender)) {
    case TTarget::DirectLight: suffix = ".light"; break;
    case TTarget::Diffuse: suffix = ".diffuse"; break;
    case TTarget::Caustic: suffix = ".caustic"; break;
    default: break;
    }
    if (!suffix.empty()) {
        // Hemilights and pathlights are single elements named without a part suffix; so is any
        // light held under the plain name (a sunlight without suffix), whose edits would else
        // go to a part that does not exist.
        const std::string type = store_.GetValue("light.light.type", name);
        if (!type.empty())
            suffix.clear();
    }
    store_.SetValue(CommandOf(sender), name + suffix, value, KeyKindOf(sender));
}

void TEditorBinding::cbRayDepthMouseUp(QWidget* box)
{
    if (!box || GuardChecked(box))
        return;
    TStoreStep step(store_, TickLabel(RowLabelOf(box), false));
    // The path is the RegulateControl's; a second regulated control keeps its value.
    QWidget* control = RegulateOf(box, 0);
    if (!control)
        return;
    switch (ClassOf(control)) {
    case TControlClass::NumberEdit: SetEditText(control, ""); break;
    case TControlClass::Combo: SetComboIndex(control, -1); break;
    case TControlClass::Slider: break;
    default: return;
    }
    store_.DeleteValue(CommandOf(control), WriteName(box));
}

void TEditorBinding::WritePending()
{
    // Leaving the control runs its exit handler; the focus then comes back to it.
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    focus->clearFocus();
    focus->setFocus(Qt::OtherFocusReason);
}

void TEditorBinding::tbLgtRedChange(QWidget* sender)
{
    if (Loading() || !sender)
        return;
    if (ClassOf(sender) == TControlClass::NumberEdit) {
        QWidget* slider = TargetOf(sender);
        if (!slider)
            return;
        {
            TLoadingScope quiet(loading_);
            SetSliderPosition(slider, int(std::trunc(EditValue(sender))));
        }
        FollowSlider(slider, false);
    } else if (ClassOf(sender) == TControlClass::Slider) {
        FollowSlider(sender, true);
    }
}

void TEditorBinding::FollowSlider(QWidget* slider, bool setEdit)
{
    const int position = SliderPosition(slider);
    if (setEdit)
        if (QWidget* edit = TargetEOf(slider)) {
            TLoadingScope quiet(loading_);
            SetEditValue(edit, position);
        }
    QWidget* swatch = TargetOf(slider);
    if (!swatch || ClassOf(swatch) != TControlClass::Swatch)
        return;
    TColor colour = SwatchColour(swatch);
    if (colour == clBtnFace)
        colour = 0;
    SetSwatchColour(swatch, ReplaceChannel(colour, ChannelOfName(NameOf(slider)), position));
    if (OnColourSlider)
        OnColourSlider();
}

void TEditorBinding::tbLgtPowerChange(QWidget* sender)
{
    if (Loading() || !sender)
        return;
    QWidget* partner = TargetOf(sender);
    if (!partner)
        return;
    TLoadingScope quiet(loading_);
    if (ClassOf(sender) == TControlClass::Slider) {
        // At the maximum the field keeps its value, which may lie beyond the slider's range.
        const int position = SliderPosition(sender);
        if (position < SliderMax(sender))
            SetEditValue(partner, double(position) / ScaleOfTag(TagOf(sender)));
    } else if (ClassOf(sender) == TControlClass::NumberEdit) {
        SetSliderPosition(partner, kelvane::SliderPosition(EditValue(sender), ScaleOfTag(TagOf(partner))));
    }
}

} // namespace kelvane
