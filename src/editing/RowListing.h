#pragma once
// The element-list rows as text: "[x] ", "[ ] " or "[-] " (check box on, off, or not offered)
// and the row text, one row a line.
#include "editing/SceneSession.h"

#include <string>
#include <vector>

namespace kelvane {

std::string RowLine(const TElementRow& row);
std::string ListRows(const std::vector<TElementRow>& rows);

} // namespace kelvane
