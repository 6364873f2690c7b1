#include "editing/EditScript.h"

#include <exception>

namespace kelvane {

namespace {

[[noreturn]] void Fail(const std::string& message)
{
    throw EKelvaneError(message);
}

void Expect(const std::vector<std::string>& words, size_t least, size_t most, const char* usage)
{
    if (words.size() < least || words.size() > most)
        Fail(std::string("usage: ") + usage);
}

int RowOf(const TSceneSession& session, const std::string& text)
{
    const int row = session.FindRow(text);
    if (row < 0)
        Fail("no such row: \"" + text + "\"");
    return row;
}

void RunCommand(TSceneSession& session, const std::vector<std::string>& w, std::ostream& out)
{
    const std::string& command = w[0];
    if (command == "select") {
        Expect(w, 2, 2, "select ROW");
        session.SelectRow(RowOf(session, w[1]));
    } else if (command == "check") {
        Expect(w, 3, 3, "check ROW on|off");
        if (w[2] != "on" && w[2] != "off")
            Fail("usage: check ROW on|off");
        if (!session.SetRowChecked(RowOf(session, w[1]), w[2] == "on"))
            Fail("the check box of row \"" + w[1] + "\" cannot be changed");
    } else if (command == "get") {
        Expect(w, 3, 3, "get PATH NAME");
        out << session.GetValue(w[1], w[2]) << '\n';
    } else if (command == "set") {
        Expect(w, 4, 5, "set PATH NAME VALUE [KIND]");
        TKeyKind keyKind = TKeyKind::Plain;
        if (w.size() == 5) {
            if (w[4] != "0" && w[4] != "1" && w[4] != "2")
                Fail("KIND must be 0, 1 or 2: \"" + w[4] + "\"");
            keyKind = TKeyKind(w[4][0] - '0');
        }
        session.SetValue(w[1], w[2], w[3], keyKind);
    } else if (command == "delete") {
        Expect(w, 3, 3, "delete PATH NAME");
        session.DeleteValue(w[1], w[2]);
    } else if (command == "copy") {
        Expect(w, 4, 4, "copy KIND SOURCE NEW");
        session.CopyElementAs(w[1], w[2], w[3]);
    } else if (command == "save") {
        Expect(w, 1, 2, "save [OUT]");
        if (w.size() == 1)
            session.Save();
        else if (const std::string copied = session.SaveAs(std::filesystem::path(w[1])); !copied.empty())
            out << copied << '\n';
    } else {
        Fail("unknown command: \"" + command + "\"");
    }
}

} // namespace

std::vector<std::string> SplitScriptWords(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < line.size()) {
        while (i < line.size() && blank(line[i]))
            ++i;
        if (i == line.size())
            break;
        std::string word;
        bool quoted = false;
        for (; i < line.size() && (quoted || !blank(line[i])); ++i) {
            const char c = line[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (quoted && c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else {
                word += c;
            }
        }
        if (quoted)
            Fail("unterminated quote");
        words.push_back(std::move(word));
    }
    return words;
}

void RunEditScript(TSceneSession& session, std::istream& script, std::ostream& out)
{
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        const size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        try {
            RunCommand(session, SplitScriptWords(line), out);
        } catch (const std::exception& e) {
            throw EScriptError(number, e.what());
        }
    }
}

} // namespace kelvane
