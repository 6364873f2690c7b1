#include "controls/ui/WidgetTag.h"

#include <QVariant>
#include <QWidget>

namespace kelvane {

namespace {
constexpr const char* kTagProperty = "kelvaneTag";
}

int Tag(const QWidget* widget)
{
    if (!widget)
        return 0;
    const QVariant v = widget->property(kTagProperty);
    return v.isValid() ? v.toInt() : 0;
}

void SetTag(QWidget* widget, int tag)
{
    if (widget)
        widget->setProperty(kTagProperty, tag);
}

} // namespace kelvane
