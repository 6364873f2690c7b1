#include "controls/ui/QtText.h"

#include "scene/TextCodec.h"

namespace kelvane {

QString QtText(std::string_view utf8)
{
    return QString::fromStdU16String(Widen(utf8));
}

std::string Utf8Text(const QString& text)
{
    return Narrow(text.toStdU16String());
}

} // namespace kelvane
