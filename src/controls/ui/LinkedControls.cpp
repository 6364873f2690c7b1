#include "controls/ui/LinkedControls.h"

#include "controls/LinkRules.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"

namespace kelvane {

void ScalarLink(QObject* sender)
{
    if (auto* slider = qobject_cast<TLinkedTrackBar*>(sender)) {
        auto* edit = qobject_cast<TNumberEdit*>(slider->Target());
        if (edit && slider->Position() < slider->maximum())
            edit->SetValue(static_cast<double>(slider->Position()) / slider->Scale());
    } else if (auto* edit = qobject_cast<TNumberEdit*>(sender)) {
        if (auto* target = qobject_cast<TLinkedTrackBar*>(edit->Target()))
            target->SetPosition(SliderPosition(edit->Value(), target->Scale()));
    }
}

void ColorLink(QObject* sender)
{
    if (auto* slider = qobject_cast<TLinkedTrackBar*>(sender)) {
        const int position = slider->Position();
        if (auto* edit = qobject_cast<TNumberEdit*>(slider->TargetE()))
            edit->SetValue(position);
        if (auto* swatch = qobject_cast<TColorPanel*>(slider->Target())) {
            const TChannel channel = ChannelOfName(slider->objectName().toStdString());
            swatch->SetColor(ReplaceChannel(swatch->Color(), channel, position));
        }
    } else if (auto* edit = qobject_cast<TNumberEdit*>(sender)) {
        if (auto* target = qobject_cast<TLinkedTrackBar*>(edit->Target()))
            target->SetPosition(SliderPosition(edit->Value(), 1));
    }
}

void LinkScalar(TLinkedTrackBar* slider, TNumberEdit* edit)
{
    slider->SetTarget(edit);
    edit->SetTarget(slider);
    QObject::connect(slider, &TLinkedTrackBar::changed, slider, [slider] { ScalarLink(slider); });
    QObject::connect(edit, &TNumberEdit::changed, edit, [edit] { ScalarLink(edit); });
}

void LinkColorChannel(TLinkedTrackBar* slider, TNumberEdit* edit, TColorPanel* swatch)
{
    slider->SetTarget(swatch);
    slider->SetTargetE(edit);
    edit->SetTarget(slider);
    QObject::connect(slider, &TLinkedTrackBar::changed, slider, [slider] { ColorLink(slider); });
    QObject::connect(edit, &TNumberEdit::changed, edit, [edit] { ColorLink(edit); });
}

std::optional<std::string> WrittenText(const QWidget* control)
{
    if (auto* edit = qobject_cast<const TNumberEdit*>(control))
        return edit->TextUtf8();
    if (auto* slider = qobject_cast<const TLinkedTrackBar*>(control))
        return SliderText(slider->Position(), slider->Scale());
    if (auto* combo = qobject_cast<const TComboBoxYafRay*>(control))
        return combo->ShownValue();
    return std::nullopt;
}

} // namespace kelvane
