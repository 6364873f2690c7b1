#include "editing/RowListing.h"

namespace kelvane {

std::string RowLine(const TElementRow& row)
{
    std::string line = !row.CheckEnabled ? "[-] " : row.Checked ? "[x] " : "[ ] ";
    line += row.Text;
    return line;
}

std::string ListRows(const std::vector<TElementRow>& rows)
{
    std::string out;
    for (const TElementRow& row : rows) {
        out += RowLine(row);
        out += '\n';
    }
    return out;
}

} // namespace kelvane
