#include "controls/ui/EnableControlCheckBox.h"

#include <vector>

namespace kelvane {

TEnableControlCheckBox::TEnableControlCheckBox(QWidget* parent) : QCheckBox(parent) {}

TEnableControlCheckBox::TEnableControlCheckBox(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent)
{
}

void TEnableControlCheckBox::SetRegulateControl(QWidget* control)
{
    regulate_ = control;
    if (control)
        Regulate(control);
}

void TEnableControlCheckBox::SetRegulateControl1(QWidget* control)
{
    regulate1_ = control;
    if (control)
        Regulate(control);
}

void TEnableControlCheckBox::nextCheckState()
{
    // Unchecked -> checked (or grayed with AllowGrayed) -> checked -> unchecked; the state
    // signals fire inside, before the regulation.
    QCheckBox::nextCheckState();
    if (regulate_)
        Regulate(regulate_);
    if (regulate1_)
        Regulate(regulate1_);
}

void TEnableControlCheckBox::Regulate(QWidget* control) const
{
    SetEnabledTree(control, checkState() == Qt::Checked);
}

void TEnableControlCheckBox::SetEnabledTree(QWidget* control, bool enabled)
{
    if (!control)
        return;
    control->setEnabled(enabled);
    // Iterative, in child order, so deep nesting cannot exhaust the stack.
    std::vector<QWidget*> pending{control};
    while (!pending.empty()) {
        QWidget* container = pending.back();
        pending.pop_back();
        const QObjectList& children = container->children();
        std::vector<QWidget*> inner;
        for (QObject* child : children) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w || w->isWindow())
                continue;
            w->setEnabled(enabled);
            if (!w->children().isEmpty())
                inner.push_back(w);
        }
        pending.insert(pending.end(), inner.rbegin(), inner.rend());
    }
}

} // namespace kelvane
