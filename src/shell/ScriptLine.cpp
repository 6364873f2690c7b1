#include "shell/ScriptLine.h"

namespace kelvane {

std::vector<TScriptLine> ReadScriptLines(std::istream& in)
{
    std::vector<TScriptLine> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const size_t start = line.find_first_not_of(" \t\r\f\v");
        if (start == std::string::npos || line[start] == '#')
            continue;
        lines.push_back({number, line});
    }
    return lines;
}

std::string EscapeBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

int MatchItem(const std::vector<std::string>& items, std::string_view wanted)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == wanted)
            return int(i);
    int found = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t eq = items[i].find('=');
        if (eq == std::string::npos)
            continue;
        std::string_view before(items[i].data(), eq);
        while (!before.empty() && (before.back() == ' ' || before.back() == '\t'))
            before.remove_suffix(1);
        if (before != wanted)
            continue;
        if (found >= 0)
            return ItemAmbiguous;
        found = int(i);
    }
    if (found >= 0)
        return found;
    // An item of several lines goes by its first line too.
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t br = items[i].find('\n');
        if (br == std::string::npos || std::string_view(items[i].data(), br) != wanted)
            continue;
        if (found >= 0)
            return ItemAmbiguous;
        found = int(i);
    }
    return found;
}

int OnOff(std::string_view word)
{
    if (word == "on")
        return 1;
    if (word == "off")
        return 0;
    return -1;
}

} // namespace kelvane
