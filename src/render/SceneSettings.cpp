#include "render/SceneSettings.h"

#include <algorithm>
#include <tuple>

#include "scene/TextCodec.h"
#include "scene/skDom.h"

namespace kelvane {

namespace {

constexpr const char* kAbsent = "(none)";

bool Less(const TSettingValue& a, const TSettingValue& b)
{
    return std::tie(a.path, a.name) < std::tie(b.path, b.name);
}

const TDomElement* NextElement(const TDomNode* node)
{
    for (; node; node = node->NextSibling())
        if (const TDomElement* element = node->AsElement())
            return element;
    return nullptr;
}

const TDomElement* FirstElement(const TDomNode* parent)
{
    return NextElement(parent->FirstChild());
}

void AddAttributes(std::vector<TSettingValue>& out, const TDomElement& element, const std::string& prefix,
                   const std::string& name, std::u16string_view skip = {})
{
    for (int i = 0; i < element.AttributeCount(); ++i) {
        if (!skip.empty() && element.AttributeName(i) == skip)
            continue;
        out.push_back({prefix + Narrow(element.AttributeName(i)), name, Narrow(element.AttributeValue(i))});
    }
}

// The parameter children of an element: "kind.child.attribute"; "attributes" is looked into,
// a mesh gives its own attributes only.
void AddParameters(std::vector<TSettingValue>& out, const TDomElement& parent, const std::string& kind,
                   const std::string& name)
{
    for (const TDomElement* child = FirstElement(&parent); child; child = NextElement(child->NextSibling())) {
        const std::string tag = Narrow(child->TagName());
        if (tag == "attributes") {
            AddParameters(out, *child, kind, name);
        } else if (tag == "modulator") {
            const std::string texname = Narrow(child->GetAttribute(u"texname"));
            const std::string modulator = name + "/" + texname;
            AddAttributes(out, *child, "modulator.modulator.", modulator, u"texname");
            AddParameters(out, *child, "modulator", modulator);
        } else {
            AddAttributes(out, *child, kind + "." + tag + ".", name);
            if (tag != "mesh")
                AddParameters(out, *child, kind, name);
        }
    }
}

} // namespace

std::vector<TSettingValue> SceneSettings(const TDomDocument& document, const std::vector<TElementRow>& rows)
{
    std::vector<TSettingValue> out;
    const TDomElement* root = document.DocumentElement();
    for (const TDomElement* e = root ? FirstElement(root) : nullptr; e; e = NextElement(e->NextSibling())) {
        const std::string kind = Narrow(e->TagName());
        const bool render = kind == "render";
        const std::string name = render ? std::string() : Narrow(e->GetAttribute(u"name"));
        AddAttributes(out, *e, kind + "." + kind + ".", name, render ? u"" : u"name");
        AddParameters(out, *e, kind, name);
    }
    for (const TElementRow& row : rows)
        if (!row.Checked && row.CheckEnabled)
            out.push_back({"leave-out", row.Text, "on"});
    std::stable_sort(out.begin(), out.end(), Less);
    return out;
}

std::vector<TSettingChange> SettingChanges(const std::vector<TSettingValue>& before,
                                           const std::vector<TSettingValue>& after)
{
    std::vector<TSettingChange> changes;
    size_t i = 0, j = 0;
    while (i < before.size() || j < after.size()) {
        if (j == after.size() || (i < before.size() && Less(before[i], after[j]))) {
            changes.push_back({before[i].path, before[i].name, before[i].value, kAbsent});
            ++i;
        } else if (i == before.size() || Less(after[j], before[i])) {
            changes.push_back({after[j].path, after[j].name, kAbsent, after[j].value});
            ++j;
        } else {
            if (before[i].value != after[j].value)
                changes.push_back({after[j].path, after[j].name, before[i].value, after[j].value});
            ++i, ++j;
        }
    }
    return changes;
}

std::string ChangeText(const TSettingChange& c)
{
    return c.path + (c.name.empty() ? "" : " " + c.name) + ": " + c.before + " -> " + c.after;
}

std::string ChangesText(const std::vector<TSettingChange>& changes)
{
    std::string text;
    for (const TSettingChange& c : changes)
        text += (text.empty() ? "" : "; ") + ChangeText(c);
    return text;
}

std::string EscapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

std::string UnescapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

std::vector<std::string> SplitFields(std::string_view line)
{
    std::vector<std::string> fields;
    for (;;) {
        const size_t tab = line.find('\t');
        fields.push_back(UnescapeField(line.substr(0, tab)));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

std::string SettingsFileText(const std::vector<TSettingValue>& settings)
{
    std::string text;
    for (const TSettingValue& s : settings)
        text += EscapeField(s.path) + "\t" + EscapeField(s.name) + "\t" + EscapeField(s.value) + "\n";
    return text;
}

bool ParseSettingsFile(std::string_view text, std::vector<TSettingValue>& settings)
{
    settings.clear();
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::vector<std::string> f = SplitFields(line);
        if (f.size() != 3)
            return false;
        settings.push_back({std::move(f[0]), std::move(f[1]), std::move(f[2])});
    }
    std::stable_sort(settings.begin(), settings.end(), Less);
    return true;
}

} // namespace kelvane
