#pragma once
// The arithmetic and text rules that link sliders, number fields, swatches and drop-down lists.
#include "controls/ColorConvert.h"

#include <string>
#include <string_view>

namespace kelvane {

// A slider's scale from its tag: 0 (or less) counts as 1.
int ScaleOfTag(int tag);

// Slider position for a field value: value * scale truncated toward zero, kept in the int range.
// A product within a hair of an integer counts as that integer, so 0.29 at scale 100 gives 29.
int SliderPosition(double value, int scale);

// The text a slider writes: the general decimal form of position / scale.
std::string SliderText(int position, int scale);

// A drop-down item's value: everything after its first "=", or the whole item.
std::string_view ItemValue(std::string_view item);
// The part of an item that is shown: before the first "=", trailing blanks removed.
std::string_view ItemDisplay(std::string_view item);

enum class TChannel { None, Red, Green, Blue };

// The channel a colour slider edits, from the last three characters of its name:
// "Red", "een" (Green), "lue" (Blue).
TChannel ChannelOfName(std::string_view name);

// The colour with one channel's byte replaced.
TColor ReplaceChannel(TColor colour, TChannel channel, int value);

} // namespace kelvane
