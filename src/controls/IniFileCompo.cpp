#include "controls/IniFileCompo.h"

#include "controls/NumberText.h"
#include "scene/Errors.h"
#include "scene/NumFormat.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <limits>

namespace kelvane {

namespace {

std::string_view Trim(std::string_view t)
{
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ')
        t.remove_prefix(1);
    while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ')
        t.remove_suffix(1);
    return t;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// One stored line never holds a line break.
std::string OneLine(std::string_view text)
{
    std::string out(text);
    std::replace(out.begin(), out.end(), '\r', ' ');
    std::replace(out.begin(), out.end(), '\n', ' ');
    return out;
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Hexadecimal digits (leading zeros allowed) of a value that fits 32 bits.
std::optional<uint32_t> Hex32(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    uint64_t v = 0;
    for (char c : digits) {
        if (!IsHex(c))
            return std::nullopt;
        v = v * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : Lower(c) - 'a' + 10);
        if (v > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<uint32_t>(v);
}

// A signed 32-bit integer: decimal, or "$" hexadecimal after an optional sign.
std::optional<int32_t> Int32(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body[0] == '-' || body[0] == '+')) {
        negative = body[0] == '-';
        body.remove_prefix(1);
    }
    if (!body.empty() && body[0] == '$') {
        const auto v = Hex32(body.substr(1));
        if (!v)
            return std::nullopt;
        const uint32_t bits = negative ? uint32_t(0) - *v : *v;
        return static_cast<int32_t>(bits);
    }
    int64_t n = 0;
    if (!TryStrToInt64(text, n, false) || n < std::numeric_limits<int32_t>::min() ||
        n > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(n);
}

// "X.<i>": the entry index of a list key, for keys written by WriteList (no leading zeros).
std::optional<int64_t> ListIndex(const TIniDocument& doc, std::string_view key, std::string_view ident)
{
    if (key.size() <= ident.size() + 1 || key[ident.size()] != '.' || !doc.SameName(key.substr(0, ident.size()), ident))
        return std::nullopt;
    const std::string_view digits = key.substr(ident.size() + 1);
    if (digits.size() > 18 || (digits.size() > 1 && digits[0] == '0'))
        return std::nullopt;
    int64_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string Dotted(std::string_view ident, std::string_view suffix)
{
    std::string key(ident);
    key += '.';
    key += suffix;
    return key;
}

fs::path RunningExecutable()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ExecutableFolder() / "kelvane";
    return exe;
}

} // namespace

// ---- TIniDocument ----

bool TIniDocument::SameName(std::string_view a, std::string_view b) const
{
    if (caseSensitive_)
        return a == b;
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::optional<std::string_view> TIniDocument::KeyOf(std::string_view line)
{
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return line.substr(0, eq);
}

void TIniDocument::SetText(std::string_view text)
{
    sections_.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size())
            pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;

        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            sections_.push_back(TSection{std::string(Trim(line.substr(1, line.size() - 2))), {}});
            continue;
        }
        if (sections_.empty())
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            sections_.back().lines.emplace_back(line);
        } else {
            std::string stored(Trim(line.substr(0, eq)));
            stored += '=';
            stored += Trim(line.substr(eq + 1));
            sections_.back().lines.push_back(std::move(stored));
        }
    }
}

std::string TIniDocument::GetText() const
{
    std::string out;
    for (const TSection& s : sections_) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (const std::string& line : s.lines) {
            out += line;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

TIniDocument::TSection* TIniDocument::FindSection(std::string_view section)
{
    for (TSection& s : sections_)
        if (SameName(s.name, section))
            return &s;
    return nullptr;
}

const TIniDocument::TSection* TIniDocument::FindSection(std::string_view section) const
{
    return const_cast<TIniDocument*>(this)->FindSection(section);
}

bool TIniDocument::SectionExists(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

std::optional<std::string> TIniDocument::ReadValue(std::string_view section, std::string_view ident) const
{
    const TSection* s = FindSection(section);
    if (!s)
        return std::nullopt;
    for (const std::string& line : s->lines) {
        const auto key = KeyOf(line);
        if (key && SameName(*key, ident))
            return line.substr(key->size() + 1);
    }
    return std::nullopt;
}

bool TIniDocument::ValueExists(std::string_view section, std::string_view ident) const
{
    return ReadValue(section, ident).has_value();
}

void TIniDocument::WriteValue(std::string_view section, std::string_view ident, std::string_view value)
{
    const std::string name = OneLine(section);
    const std::string key = OneLine(ident);
    std::string line = key + "=" + OneLine(value);
    TSection* s = FindSection(name);
    if (!s) {
        sections_.push_back(TSection{name, {}});
        s = &sections_.back();
    }
    for (std::string& existing : s->lines) {
        const auto k = KeyOf(existing);
        if (k && SameName(*k, key)) {
            existing = std::move(line);
            return;
        }
    }
    s->lines.push_back(std::move(line));
}

void TIniDocument::DeleteKey(std::string_view section, std::string_view ident)
{
    TSection* s = FindSection(section);
    if (!s)
        return;
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
        const auto k = KeyOf(*it);
        if (k && SameName(*k, ident)) {
            s->lines.erase(it);
            return;
        }
    }
}

// ---- TIniFileCompo ----

TIniFileCompo::TIniFileCompo()
{
    Init(RunningExecutable());
}

TIniFileCompo::TIniFileCompo(const fs::path& executable)
{
    Init(executable);
}

void TIniFileCompo::Init(const fs::path& executable)
{
    programFolder_ = executable.has_parent_path() ? executable.parent_path() / "" : fs::path();
    privateSubFolder_ = executable.stem().string();
    defaultFileName_ = privateSubFolder_ + ".ini";
    folder_ = programFolder_;
    fullPath_ = folder_ / defaultFileName_;
    document_.SetCaseSensitive(false);
    Reload();
}

TIniFileCompo::~TIniFileCompo()
{
    if (autoUpdate_)
        TryUpdateFile();
}

void TIniFileCompo::Report(const std::string& message)
{
    lastError_ = message;
    try {
        if (OnError)
            OnError(message);
        else
            std::cerr << message << '\n';
    } catch (...) {
        // A failing handler must not take the store down with it (the destructor reports too).
    }
}

void TIniFileCompo::Reload()
{
    document_.Clear();
    std::error_code ec;
    if (!fs::exists(fullPath_, ec))
        return;
    try {
        document_.SetText(ReadWholeFile(fullPath_));
    } catch (const std::exception& e) {
        document_.Clear();
        Report(e.what());
    }
}

void TIniFileCompo::UpdateFile()
{
    WriteFileAtomic(fullPath_, document_.GetText(), true);
}

bool TIniFileCompo::TryUpdateFile() noexcept
{
    try {
        UpdateFile();
        failureReported_ = false;
        return true;
    } catch (const std::exception& e) {
        if (!failureReported_) {
            failureReported_ = true;
            Report(e.what());
        }
    } catch (...) {
        if (!failureReported_) {
            failureReported_ = true;
            Report("Cannot write file \"" + fullPath_.string() + "\".");
        }
    }
    return false;
}

void TIniFileCompo::DoUpdate()
{
    if (OnUpdate)
        OnUpdate(*this);
}

void TIniFileCompo::DoLoad()
{
    if (OnLoad)
        OnLoad(*this);
}

void TIniFileCompo::Changed()
{
    if (!updateAtOnce_)
        return;
    if (TryUpdateFile())
        DoUpdate();
}

fs::path TIniFileCompo::FolderFor(TDefaultFolder folder) const
{
    switch (folder) {
    case TDefaultFolder::dfAppData: {
        fs::path base;
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        const char* home = std::getenv("HOME");
        if (xdg && *xdg == '/')
            base = xdg;
        else if (home && *home)
            base = fs::path(home) / ".config";
        else
            base = programFolder_;
        return base / privateSubFolder_ / "";
    }
    case TDefaultFolder::dfApplication:
        return programFolder_;
    case TDefaultFolder::dfUser:
        return fs::path();
    case TDefaultFolder::dfWindows:
        return fs::path("/etc/");
    }
    return programFolder_;
}

void TIniFileCompo::SetFileName(const std::string& value)
{
    fileName_ = value;
    fullPath_ = folder_ / (value.empty() ? defaultFileName_ : value);
    Reload();
    DoLoad();
}

void TIniFileCompo::SetDefaultFolder(TDefaultFolder value)
{
    defaultFolder_ = value;
    folder_ = FolderFor(value);
    fullPath_ = folder_ / fullPath_.filename();
    const fs::path parent = fullPath_.parent_path();
    std::error_code ec;
    if (!parent.empty() && !fs::exists(parent, ec))
        fs::create_directories(parent, ec); // a folder that cannot be made shows when writing
    Reload();
    DoLoad();
}

bool TIniFileCompo::ValueExists(std::string_view section, std::string_view ident) const
{
    return document_.ValueExists(section, ident);
}

std::string TIniFileCompo::ReadString(std::string_view section, std::string_view ident, std::string_view def) const
{
    auto v = document_.ReadValue(section, ident);
    return v ? std::move(*v) : std::string(def);
}

void TIniFileCompo::WriteString(std::string_view section, std::string_view ident, std::string_view value)
{
    document_.WriteValue(section, ident, value);
    Changed();
}

int32_t TIniFileCompo::ReadInteger(std::string_view section, std::string_view ident, int32_t def) const
{
    const std::string s = ReadString(section, ident, "");
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        const auto v = Hex32(s.substr(2));
        return v ? static_cast<int32_t>(*v) : def;
    }
    return Int32(s).value_or(def);
}

void TIniFileCompo::WriteInteger(std::string_view section, std::string_view ident, int32_t value)
{
    WriteString(section, ident, std::to_string(value));
}

TColor TIniFileCompo::ReadColor(std::string_view section, std::string_view ident, TColor def) const
{
    const std::string s = ReadString(section, ident, "$" + HexDigits(def, 8));
    if (s.empty())
        return def;
    const std::string_view digits = s[0] == '$' ? std::string_view(s).substr(1) : std::string_view(s);
    return Hex32(digits).value_or(def);
}

void TIniFileCompo::WriteColor(std::string_view section, std::string_view ident, TColor value)
{
    WriteString(section, ident, "$" + HexDigits(value, 8));
}

void TIniFileCompo::WriteForm(std::string_view section, std::string_view ident, const IPlacementTarget& window)
{
    const TWindowPlacement p = window.GetPlacement();
    const auto put = [&](std::string_view suffix, int value) {
        document_.WriteValue(section, Dotted(ident, suffix), std::to_string(value));
    };
    document_.WriteValue(section, ident, "FORM");
    put("flags", p.flags);
    put("show", p.showCmd);
    put("maxx", p.maxX);
    put("maxy", p.maxY);
    put("left", p.left);
    put("top", p.top);
    put("width", p.right);
    put("height", p.bottom);
    put("state", window.WindowState());
    put("cwidth", window.ClientWidth());
    put("cheight", window.ClientHeight());
    Changed();
}

void TIniFileCompo::ReadForm(std::string_view section, std::string_view ident, IPlacementTarget& window) const
{
    TWindowPlacement p = window.GetPlacement();
    const auto get = [&](std::string_view suffix, int& field) {
        field = ReadInteger(section, Dotted(ident, suffix), field);
    };
    get("flags", p.flags);
    get("maxx", p.maxX);
    get("maxy", p.maxY);
    get("left", p.left);
    get("top", p.top);
    get("width", p.right);
    get("height", p.bottom);
    get("show", p.showCmd);
    if (window.IsShowing()) {
        window.SetPlacement(p);
        return;
    }
    p.showCmd = swHide;
    window.SetPlacement(p);
    const int state = ReadInteger(section, Dotted(ident, "state"), 0);
    window.SetWindowState(state == wsMaximized ? wsMaximized : wsNormal);
}

void TIniFileCompo::ReadList(std::string_view section, std::string_view ident, std::vector<std::string>& list) const
{
    list.clear();
    int64_t count = ReadInteger(section, Dotted(ident, "count"), 0);
    if (count <= 0)
        return;
    const TIniDocument::TSection* s = document_.FindSection(section);
    // One pass over the section: the first line of each entry wins, as a lookup would find it.
    std::vector<std::pair<int64_t, std::string_view>> found;
    int64_t highest = -1;
    if (s) {
        for (const std::string& line : s->lines) {
            const auto key = TIniDocument::KeyOf(line);
            if (!key)
                continue;
            const auto i = ListIndex(document_, *key, ident);
            if (i && *i < count) {
                found.emplace_back(*i, std::string_view(line).substr(key->size() + 1));
                highest = std::max(highest, *i);
            }
        }
    }
    // A hand-made count far beyond the entries present would only add empty entries: such a
    // count stops after the last entry present.
    constexpr int64_t kPlainCount = 65536;
    if (count > kPlainCount) {
        const int64_t lines = s ? static_cast<int64_t>(s->lines.size()) : 0;
        count = std::min({count, highest + 1, kPlainCount + lines});
    }
    list.assign(static_cast<size_t>(std::max<int64_t>(count, 0)), std::string());
    std::vector<bool> set(list.size(), false);
    for (const auto& [i, value] : found) {
        if (i < count && !set[static_cast<size_t>(i)]) {
            set[static_cast<size_t>(i)] = true;
            list[static_cast<size_t>(i)] = std::string(value);
        }
    }
}

void TIniFileCompo::WriteList(std::string_view section, std::string_view ident, const std::vector<std::string>& list)
{
    document_.WriteValue(section, ident, "LIST");
    const int64_t previous = ReadInteger(section, Dotted(ident, "count"), 0);
    const auto count = static_cast<int64_t>(list.size());
    document_.WriteValue(section, Dotted(ident, "count"), std::to_string(count));
    for (size_t i = 0; i < list.size(); ++i)
        document_.WriteValue(section, Dotted(ident, std::to_string(i)), list[i]);
    if (count < previous) {
        if (TIniDocument::TSection* s = document_.FindSection(section)) {
            auto& lines = s->lines;
            lines.erase(std::remove_if(lines.begin(), lines.end(),
                                       [&](const std::string& line) {
                                           const auto key = TIniDocument::KeyOf(line);
                                           if (!key)
                                               return false;
                                           const auto i = ListIndex(document_, *key, ident);
                                           return i && *i >= count && *i < previous;
                                       }),
                        lines.end());
        }
    }
    Changed();
}

} // namespace kelvane
