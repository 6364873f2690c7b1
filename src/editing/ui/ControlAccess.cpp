#include "editing/ui/ControlAccess.h"

#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetTag.h"

namespace kelvane {

namespace {

template <typename T>
const T* As(const QWidget* w)
{
    return qobject_cast<const T*>(w);
}

template <typename T>
T* As(QWidget* w)
{
    return qobject_cast<T*>(w);
}

QWidget* AsWidget(QObject* o)
{
    return qobject_cast<QWidget*>(o);
}

} // namespace

TControlClass ClassOf(const QWidget* control)
{
    if (As<TNumberEdit>(control))
        return TControlClass::NumberEdit;
    if (As<TLinkedTrackBar>(control))
        return TControlClass::Slider;
    if (As<TComboBoxYafRay>(control))
        return TControlClass::Combo;
    if (As<TColorPanel>(control))
        return TControlClass::Swatch;
    if (As<TEnableControlCheckBox>(control))
        return TControlClass::Guard;
    return TControlClass::Other;
}

std::string CommandOf(const QWidget* control)
{
    if (auto* e = As<TNumberEdit>(control))
        return e->Command();
    if (auto* s = As<TLinkedTrackBar>(control))
        return s->Command();
    if (auto* c = As<TComboBoxYafRay>(control))
        return c->Command();
    return {};
}

TKeyKind KeyKindOf(const QWidget* control)
{
    if (auto* e = As<TNumberEdit>(control))
        return e->KeyKind();
    if (auto* s = As<TLinkedTrackBar>(control))
        return s->KeyKind();
    if (auto* c = As<TComboBoxYafRay>(control))
        return c->KeyKind();
    return TKeyKind::Plain;
}

int TagOf(const QWidget* control)
{
    return Tag(control);
}

void SetRowData(QWidget* control, TTarget target, const char* label)
{
    if (!control)
        return;
    control->setProperty("rowTarget", static_cast<int>(target));
    control->setProperty("rowLabel", QString::fromUtf8(label ? label : ""));
}

TTarget RowTargetOf(const QWidget* control)
{
    return control ? static_cast<TTarget>(control->property("rowTarget").toInt()) : TTarget::Selected;
}

std::string RowLabelOf(const QWidget* control)
{
    return control ? control->property("rowLabel").toString().toStdString() : std::string();
}

QWidget* TargetOf(const QWidget* control)
{
    if (auto* e = As<TNumberEdit>(control))
        return AsWidget(e->Target());
    if (auto* s = As<TLinkedTrackBar>(control))
        return AsWidget(s->Target());
    return nullptr;
}

QWidget* TargetEOf(const QWidget* control)
{
    if (auto* s = As<TLinkedTrackBar>(control))
        return AsWidget(s->TargetE());
    return nullptr;
}

QWidget* RegulateOf(const QWidget* guard, int which)
{
    if (auto* g = As<TEnableControlCheckBox>(guard))
        return which == 0 ? g->RegulateControl() : g->RegulateControl1();
    return nullptr;
}

std::string EditText(const QWidget* edit)
{
    if (auto* e = As<TNumberEdit>(edit))
        return e->TextUtf8();
    return {};
}

void SetEditText(QWidget* edit, const std::string& text)
{
    if (auto* e = As<TNumberEdit>(edit))
        e->SetTextUtf8(text);
}

double EditValue(const QWidget* edit)
{
    if (auto* e = As<TNumberEdit>(edit))
        return e->Value();
    return 0;
}

void SetEditValue(QWidget* edit, double value)
{
    if (auto* e = As<TNumberEdit>(edit))
        e->SetValue(value);
}

int SliderPosition(const QWidget* slider)
{
    if (auto* s = As<TLinkedTrackBar>(slider))
        return s->Position();
    return 0;
}

void SetSliderPosition(QWidget* slider, int position)
{
    if (auto* s = As<TLinkedTrackBar>(slider))
        s->SetPosition(position);
}

int SliderMax(const QWidget* slider)
{
    if (auto* s = As<TLinkedTrackBar>(slider))
        return s->maximum();
    return 0;
}

int ComboCount(const QWidget* combo)
{
    if (auto* c = As<TComboBoxYafRay>(combo))
        return c->count();
    return 0;
}

std::string ComboItem(const QWidget* combo, int row)
{
    if (auto* c = As<TComboBoxYafRay>(combo))
        return c->Item(row);
    return {};
}

int ComboIndex(const QWidget* combo)
{
    if (auto* c = As<TComboBoxYafRay>(combo))
        return c->currentIndex();
    return -1;
}

void SetComboIndex(QWidget* combo, int row)
{
    if (auto* c = As<TComboBoxYafRay>(combo))
        c->setCurrentIndex(row);
}

TColor SwatchColour(const QWidget* swatch)
{
    if (auto* p = As<TColorPanel>(swatch))
        return p->Color();
    return clBtnFace;
}

void SetSwatchColour(QWidget* swatch, TColor colour)
{
    if (auto* p = As<TColorPanel>(swatch))
        p->SetColor(colour);
}

QWidget* SwatchTarget(const QWidget* swatch, int channel)
{
    if (auto* p = As<TColorPanel>(swatch))
        return channel == 0 ? p->TargetR() : channel == 1 ? p->TargetG() : p->TargetB();
    return nullptr;
}

bool GuardChecked(const QWidget* guard)
{
    if (auto* g = As<TEnableControlCheckBox>(guard))
        return g->checkState() == Qt::Checked;
    return false;
}

void SetGuardChecked(QWidget* guard, bool checked)
{
    if (auto* g = As<TEnableControlCheckBox>(guard))
        g->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

} // namespace kelvane
