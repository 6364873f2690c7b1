#include "scene/XmlChars.h"

namespace kelvane {

bool IsXmlBaseChar(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsXmlIdeographic(char16_t) { return false; }
bool IsXmlLetter(char16_t c) { return IsXmlBaseChar(c) || IsXmlIdeographic(c); }
bool IsXmlDigit(char16_t c) { return c >= '0' && c <= '9'; }
bool IsXmlCombiningChar(char16_t) { return false; }
bool IsXmlExtender(char16_t) { return false; }
bool IsXmlNameStart(char16_t c) { return IsXmlLetter(c) || c == '_' || c == ':'; }
bool IsXmlNameChar(char16_t c) { return IsXmlNameStart(c) || IsXmlDigit(c) || c == '.' || c == '-'; }
bool IsXmlName(WideView name)
{
    if (name.empty() || !IsXmlNameStart(name[0])) return false;
    for (char16_t c : name) if (!IsXmlNameChar(c)) return false;
    return true;
}
bool IsCharacterReference(WideView) { return false; }

} // namespace kelvane
