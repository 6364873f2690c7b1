#pragma once
// The core's UTF-8 texts as Qt strings and back. Bytes that are not valid UTF-8 travel as lone
// surrogates, as in the document tree, so a name read from a scene comes back byte for byte.
#include <QString>

#include <string>
#include <string_view>

namespace kelvane {

QString QtText(std::string_view utf8);
std::string Utf8Text(const QString& text);

} // namespace kelvane
