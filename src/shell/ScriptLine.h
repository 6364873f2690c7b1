#pragma once
// The GUI-free parts of scripted editor sessions: the script's lines and the text rules the
// lines use.
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

struct TScriptLine {
    int number = 0;    // 1-based line number in the script
    std::string text;  // the line as written
};

// The lines to run: blank lines and lines whose first non-blank is "#" are left out.
std::vector<TScriptLine> ReadScriptLines(std::istream& in);

// CR and LF as the two characters "\r" and "\n", so a text prints on one line.
std::string EscapeBreaks(std::string_view text);

// The item named by wanted: the first item whose text equals it; else the one item holding a
// "=" whose words before it (trailing blanks removed) equal it; else the one item of several
// lines whose first line equals it. -1 when none, -2 when that is ambiguous.
int MatchItem(const std::vector<std::string>& items, std::string_view wanted);
constexpr int ItemAmbiguous = -2;

// "on" -> 1, "off" -> 0, anything else -> -1.
int OnOff(std::string_view word);

} // namespace kelvane
