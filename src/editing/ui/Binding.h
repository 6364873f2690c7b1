#pragma once
// The binding machinery shared by every editor tab: loading controls from key paths, writing a
// control's value when it is left, the slider/field/swatch links, guard boxes and the enable walk.
#include "controls/KeyKind.h"
#include "editing/ui/ControlTable.h"
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
    virtual void DeleteValue(std::string_view path, std::string_view name) = 0;
    virtual void BeginModulatorView() = 0;
    virtual void EndModulatorView() = 0;
    // The name part of the selected element-list row.
    virtual std::string SelectedName() = 0;
    // What happens between them is one user step named label (steps nest).
    virtual void BeginStep(const std::string& label) = 0;
    virtual void EndStep() = 0;
};

// One user step of the store for the lifetime of the object.
class TStoreStep {
public:
    TStoreStep(IValueStore& store, const std::string& label) : store_(store) { store_.BeginStep(label); }
    ~TStoreStep() { store_.EndStep(); }
    TStoreStep(const TStoreStep&) = delete;
    TStoreStep& operator=(const TStoreStep&) = delete;

private:
    IValueStore& store_;
};

// A tick's step name: the label and "on" or "off" ("Specular off").
std::string TickLabel(const std::string& label, bool on);

class TEditorBinding {
public:
    TEditorBinding(TControlTree& tree, IValueStore& store) : tree_(tree), store_(store) {}

    // The selected texture slot (row of listTexList, 0 to 9), for rows of the slot.
    std::function<int()> SelectedSlot;

    // Loads the controls in container (and the containers in it) for the element named name,
    // by the rules of the tab's table.
    void LoadContainer(QWidget* container, std::string_view name, const TTabTable& table);
    void LoadControl(QWidget* control, std::string_view name);
    void SyncCheckBox(QWidget* control);
    void EnableTree(QWidget* start, bool enabled);

    // The exit handler of every value control.
    void edtWidthExit(QWidget* sender);
    // A guard box was clicked: switched off, it empties its controls and deletes their value.
    void cbRayDepthMouseUp(QWidget* box);
    // The focused value control's pending value is written as leaving it would write it.
    static void WritePending();

    // Colour link: a channel slider or its field moved.
    void tbLgtRedChange(QWidget* sender);
    // Scalar link: a slider or its field moved.
    void tbLgtPowerChange(QWidget* sender);

    // While true the links do nothing (the fill sets every control itself).
    bool Loading() const { return loading_ > 0; }

    // Runs after a colour slider moved (the shader tab repaints its property list's squares).
    std::function<void()> OnColourSlider;

    // The element name a control writes to: the selected name changed by its row's target.
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
