#pragma once
// The binding machinery shared by every editor tab: loading controls from key paths, writing a
// control's value when it is left, the slider/field/swatch links, guard boxes and the enable walk.
#include "controls/KeyKind.h"
#include "editing/ui/ControlTree.h"

#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

// What the binding reads and writes; TSessionStore forwards it to the scene session.
class IValueStore {
public:
    virtual ~IValueStore() = default;
    virtual std::string GetValue(std::string_view path, std::string_view name) = 0;
    virtual void SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind) = 0;
    virtual void BeginModulatorView() = 0;
    virtual void EndModulatorView() = 0;
    // The name part of the selected element-list row.
    virtual std::string SelectedName() = 0;
};

// The three letters after a value control's type prefix ("edtLgtPower" -> "Lgt",
// "tbLgtPower" -> "Lgt", "cbModColor" -> "Mod", "combTexType" -> "Tex"); empty for others.
std::string GroupCode(const QWidget* control);

class TEditorBinding {
public:
    TEditorBinding(TControlTree& tree, IValueStore& store) : tree_(tree), store_(store) {}

    // The selected texture slot (row of listTexList, 0 to 9), for the "Tex" and "Mod" groups.
    std::function<int()> SelectedSlot;

    void LoadContainer(QWidget* container, std::string_view name, QWidget* tab);
    void LoadControl(QWidget* control, std::string_view name);
    void SyncCheckBox(QWidget* control);
    void EnableTree(QWidget* start, bool enabled);

    // The exit handler of every value control.
    void edtWidthExit(QWidget* sender);
    // Colour link: a channel slider or its field moved.
    void tbLgtRedChange(QWidget* sender);
    // Scalar link: a slider or its field moved.
    void tbLgtPowerChange(QWidget* sender);

    // While true the links do nothing (the fill sets every control itself).
    bool Loading() const { return loading_ > 0; }

    // Runs after a shader colour slider moved, to repaint the property list's colour square.
    std::function<void()> OnShaderColour;

    // The element name a control writes to: the selected name changed by its group code.
    std::string WriteName(const QWidget* control);

private:
    bool HasValue(const QWidget* control) const;
    void EnableBelow(QWidget* container, bool enabled);
    // The swatch (and, with setEdit, the field) follow a colour slider's position.
    void FollowSlider(QWidget* slider, bool setEdit);
    std::string SlotName(std::string_view name) const;

    TControlTree& tree_;
    IValueStore& store_;
    int loading_ = 0;
};

} // namespace kelvane
