#pragma once
// The editor tabs described as data: containers, value rows and guard boxes, one table set per
// tab. TControlBuilder (ControlBuilder.h) turns them into widgets.
#include "controls/KeyKind.h"

#include <span>

namespace kelvane {

enum class TContainerClass {
    Panel,        // plain panel
    PageControl,  // page control with tabs
    HiddenPages,  // page control switched by code only
    Page,         // page of the page control named as parent
};

struct TContainerRow {
    const char* name;
    TContainerClass cls;
    const char* parent;   // nullptr: the tab itself
    int tag;              // enable-walk tag: 0, -1 or -2
    const char* caption;  // page caption or panel title (may be empty)
};

enum class TRowType {
    Combo,       // TComboBoxYafRay
    Scalar,      // TLinkedTrackBar + TNumberEdit
    Colour,      // three channel sliders and edits with their swatch
    Edit,        // TNumberEdit alone
    Text,        // plain line edit (no key-path binding of its own)
    PlainCombo,  // plain combo box (no key-path binding of its own)
};

// The element a row's control writes to, from the selected row's name.
enum class TTarget {
    Selected,     // the selected element itself
    Slot,         // the texture (and modulator) of the selected texture slot: name + slot digit
    DirectLight,  // the light's direct part: name + ".light" (a light held as one element: name)
    Diffuse,      // the diffuse photon part: name + ".diffuse"
    Caustic,      // the caustic photon part: name + ".caustic"
    Dof,          // the depth-of-field filter "dof"
    AntiNoise,    // the anti-noise filter "an"
};

// Number edit limits; "whole" fields show no decimals.
enum class TLimit { Off, Both, MinOnly };

struct TSliderSpec {
    int min = 0, max = 0;
    int scale = 0;  // the slider's Tag; 0 counts as 1
    int ticks = 0;
};

struct TEditSpec {
    double min = 0, max = 0;
    TLimit limit = TLimit::Off;
    bool whole = false;
};

struct TValueRow {
    const char* container;
    TRowType type;
    // Combo / Edit / Text / PlainCombo: the control's name. Scalar: the slider's name.
    // Colour: the stem of the channel controls ("ShrColor" -> tbShrColorRed, edtShrColorRed ...).
    const char* name;
    const char* edit;     // Scalar: the number edit's name. Colour: the swatch's name.
    const char* path;     // Colour: the path without its last letter ("shader.color." + r/g/b)
    TKeyKind keyKind;
    const char* caption;
    TSliderSpec slider{};
    TEditSpec field{};
    const char* items = nullptr;  // '|'-separated combo items
    TTarget target = TTarget::Selected;

    constexpr TValueRow For(TTarget t) const
    {
        TValueRow row = *this;
        row.target = t;
        return row;
    }
};

struct TGuardRow {
    const char* name;
    const char* container;
    const char* caption;
    const char* regulate;   // RegulateControl
    const char* regulate1;  // RegulateControl1 (may be nullptr)
    TTarget target = TTarget::Selected;  // where switching it off deletes the value
};

struct TTabTable {
    const char* tab;      // the tab page's name
    int tag;              // the tab page's own enable-walk tag
    std::span<const TContainerRow> containers;
    std::span<const TValueRow> values;
    std::span<const TGuardRow> guards;
    bool syncGuards = false;    // a fill sets each guard box from its controls' values
    bool enableOnFill = false;  // a fill enables what it loaded
};

// Row makers, so that a table reads like a list of controls.
constexpr TEditSpec Limited(double min, double max) { return {min, max, TLimit::Both, false}; }
constexpr TEditSpec Whole(double min, double max) { return {min, max, TLimit::Both, true}; }
constexpr TEditSpec MaxOnly(double max) { return {0, max, TLimit::Off, false}; }
constexpr TEditSpec LowerLimit(double min, bool whole = false) { return {min, 0, TLimit::MinOnly, whole}; }
constexpr TSliderSpec Slider(int min, int max, int scale, int ticks) { return {min, max, scale, ticks}; }
// Colour channel sliders: 0..255, ticks every 51, unscaled.
constexpr TSliderSpec ChannelSlider{0, 255, 0, 51};

constexpr TValueRow Combo(const char* container, const char* name, const char* path, TKeyKind keyKind,
                          const char* caption, const char* items)
{
    return {container, TRowType::Combo, name, nullptr, path, keyKind, caption, {}, {}, items, TTarget::Selected};
}
constexpr TValueRow Scalar(const char* container, const char* slider, const char* edit, const char* path,
                           TKeyKind keyKind, const char* caption, TSliderSpec range, TEditSpec field)
{
    return {container, TRowType::Scalar, slider, edit, path, keyKind, caption, range, field, nullptr, TTarget::Selected};
}
constexpr TValueRow Colour(const char* container, const char* stem, const char* swatch, const char* path,
                           TKeyKind keyKind, const char* caption, TEditSpec field)
{
    return {container, TRowType::Colour, stem, swatch, path, keyKind, caption, ChannelSlider, field, nullptr,
            TTarget::Selected};
}
constexpr TValueRow Edit(const char* container, const char* name, const char* path, TKeyKind keyKind,
                         const char* caption, TEditSpec field = {})
{
    return {container, TRowType::Edit, name, nullptr, path, keyKind, caption, {}, field, nullptr, TTarget::Selected};
}
constexpr TValueRow Text(const char* container, const char* name, const char* path, const char* caption)
{
    return {container, TRowType::Text, name, nullptr, path, TKeyKind::Plain, caption, {}, {}, nullptr, TTarget::Selected};
}
constexpr TValueRow PlainCombo(const char* container, const char* name, const char* caption, const char* items)
{
    return {container, TRowType::PlainCombo, name, nullptr, nullptr, TKeyKind::Plain, caption, {}, {}, items,
            TTarget::Selected};
}

const TTabTable& RenderTabTable();
const TTabTable& LightTabTable();
const TTabTable& BackgroundTabTable();
const TTabTable& FilterTabTable();
const TTabTable& ObjectTabTable();
const TTabTable& ShaderTabTable();

} // namespace kelvane
