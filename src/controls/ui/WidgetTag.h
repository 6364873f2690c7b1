#pragma once
// The integer tag every control carries (a slider's scale, the enable walk's -1 and -2 marks).
// Held as a dynamic property, so it works on any widget, containers included; 0 when unset.
class QWidget;

namespace kelvane {

int Tag(const QWidget* widget);
void SetTag(QWidget* widget, int tag);

} // namespace kelvane
