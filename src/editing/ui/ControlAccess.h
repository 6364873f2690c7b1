#pragma once
// The few things the binding needs of the value controls, in one place.
#include "controls/ColorConvert.h"
#include "controls/KeyKind.h"
#include "editing/ui/ControlTable.h"

#include <QWidget>

#include <string>

namespace kelvane {

enum class TControlClass { Other, NumberEdit, Slider, Combo, Swatch, Guard };

TControlClass ClassOf(const QWidget* control);

std::string CommandOf(const QWidget* control);  // number edit, slider, combo box
TKeyKind KeyKindOf(const QWidget* control);
int TagOf(const QWidget* control);              // any widget; 0 when unset

// What a control's table row says of it: where its value goes and the name its edits go by
// ("Power"; a guard box's caption).
void SetRowData(QWidget* control, TTarget target, const char* label);
TTarget RowTargetOf(const QWidget* control);
std::string RowLabelOf(const QWidget* control);

QWidget* TargetOf(const QWidget* control);      // number edit, slider
QWidget* TargetEOf(const QWidget* control);     // slider
QWidget* RegulateOf(const QWidget* guard, int which);  // 0: RegulateControl, 1: RegulateControl1

// Number edit
std::string EditText(const QWidget* edit);
void SetEditText(QWidget* edit, const std::string& text);
double EditValue(const QWidget* edit);
void SetEditValue(QWidget* edit, double value);

// Slider
int SliderPosition(const QWidget* slider);
void SetSliderPosition(QWidget* slider, int position);
int SliderMax(const QWidget* slider);

// Combo box: items as stored (display, blanks, "=", value), the selected row or -1.
int ComboCount(const QWidget* combo);
std::string ComboItem(const QWidget* combo, int row);
int ComboIndex(const QWidget* combo);
void SetComboIndex(QWidget* combo, int row);

// Swatch
TColor SwatchColour(const QWidget* swatch);
void SetSwatchColour(QWidget* swatch, TColor colour);  // clBtnFace for the button face
QWidget* SwatchTarget(const QWidget* swatch, int channel);  // 0 red, 1 green, 2 blue

// Guard box
bool GuardChecked(const QWidget* guard);
void SetGuardChecked(QWidget* guard, bool checked);

} // namespace kelvane
