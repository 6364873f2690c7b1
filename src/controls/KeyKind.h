#pragma once
// How a value control's key path reaches its attribute (carried by the control, used by the
// key-path writer): plain, inside the addressed element's `attributes` child, or a modulator
// addressed by "texname".
namespace kelvane {

enum class TKeyKind { Plain = 0, Attributes = 1, Modulator = 2 };

} // namespace kelvane
