#pragma once
// Character classes of XML 1.0 names (letters, digits, combining characters, extenders).
#include "scene/TextCodec.h"

namespace kelvane {

bool IsXmlBaseChar(char16_t c);
bool IsXmlIdeographic(char16_t c);
bool IsXmlLetter(char16_t c);   // base character or ideographic
bool IsXmlDigit(char16_t c);
bool IsXmlCombiningChar(char16_t c);
bool IsXmlExtender(char16_t c);
// A letter, '_' or ':'.
bool IsXmlNameStart(char16_t c);
// A letter, digit, '.', '-', '_', ':', combining character or extender.
bool IsXmlNameChar(char16_t c);
// A non-empty run of name characters that starts with a name-start character. A byte carried
// as U+DC80..U+DCFF (not valid UTF-8) is classed as the Latin-1 character of that byte.
bool IsXmlName(WideView name);
// "#" followed by decimal digits, or "#x" followed by hexadecimal digits.
bool IsCharacterReference(WideView name);

} // namespace kelvane
