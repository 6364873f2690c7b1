#pragma once
// The links between sliders, number fields and swatches, and the text each value control writes.
//
// Scalar link: a slider and a field point at each other (Target). Moving the slider below its
// maximum sets the field to position / scale; at the maximum the field keeps its value, so a
// field may hold a value beyond the slider's range. A field change moves the slider to
// value * scale, truncated toward zero.
// Colour link: a channel slider's Target is the swatch and its TargetE the field; the field's
// Target is the slider. The slider sets the field and replaces its channel (told by the name's
// last three letters) in the swatch colour; the field moves the slider, unscaled.
// None of them writes anything into a scene.
#include <optional>
#include <string>

class QObject;
class QWidget;

namespace kelvane {

class TColorPanel;
class TLinkedTrackBar;
class TNumberEdit;

// The change handlers; sender is the slider or field that changed.
void ScalarLink(QObject* sender);
void ColorLink(QObject* sender);

// Sets the Target references both ways and connects both change signals to ScalarLink.
void LinkScalar(TLinkedTrackBar* slider, TNumberEdit* edit);
// Sets the references of one colour channel and connects both change signals to ColorLink.
void LinkColorChannel(TLinkedTrackBar* slider, TNumberEdit* edit, TColorPanel* swatch);

// The text a control writes when it is left: a field's text, the general decimal form of a
// slider's position / scale, the value of a drop-down list's shown item. nullopt for others.
std::optional<std::string> WrittenText(const QWidget* control);

} // namespace kelvane
