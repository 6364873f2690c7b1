#include "editing/KeyPaths.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/NumFormat.h"

namespace kelvane {

namespace {

constexpr std::string_view kRowSeparator = " -- ";

// A key path in the document's wide names.
struct TWidePath {
    WideString first, second, third;
};

TWidePath Wide(const TKeyPath& path)
{
    return {Widen(path.first), Widen(path.second), Widen(path.third)};
}

bool IsColourComponent(std::string_view third)
{
    return third == "r" || third == "g" || third == "b";
}

// Opens the modulator view for the lifetime of the guard when asked to.
class TViewGuard {
public:
    TViewGuard(TWorkingElement& working, bool open) : working_(open ? &working : nullptr)
    {
        if (working_)
            BeginModulatorView(*working_);
    }
    ~TViewGuard()
    {
        if (working_)
            EndModulatorView(*working_);
    }
    TViewGuard(const TViewGuard&) = delete;
    TViewGuard& operator=(const TViewGuard&) = delete;

private:
    TWorkingElement* working_;
};

// The element holding the value inside the addressed element, or nullptr.
TDomElement* FindTarget(TDomElement* addressed, const TWidePath& path)
{
    if (path.second == path.first)
        return addressed;
    for (TDomNode* child = addressed->FirstChild(); child; child = child->NextSibling()) {
        TDomElement* element = child->AsElement();
        if (!element)
            continue;
        if (element->TagName() == u"attributes") {
            for (TDomNode* inner = element->FirstChild(); inner; inner = inner->NextSibling())
                if (inner->NodeType() == ELEMENT_NODE && inner->NodeName() == path.second)
                    return inner->AsElement();
        }
        if (element->TagName() == path.second)
            return element;
    }
    return nullptr;
}

// First element named tag in the subtree of root, root included, in document order.
TDomElement* FirstInSubtree(TDomElement* root, WideView tag)
{
    TDomNode* node = root;
    while (node) {
        if (node->NodeType() == ELEMENT_NODE && node->NodeName() == tag)
            return node->AsElement();
        node = NextInSubtree(node, root);
    }
    return nullptr;
}

TDomElement* FirstChildNamed(TDomElement* parent, WideView tag)
{
    for (TDomNode* child = parent->FirstChild(); child; child = child->NextSibling())
        if (child->NodeType() == ELEMENT_NODE && child->NodeName() == tag)
            return child->AsElement();
    return nullptr;
}

void SetStoredValue(TWorkingElement& working, const TWidePath& path, WideView name, WideView value, TKeyKind keyKind);

void WriteNew(TWorkingElement& working, const TWidePath& path, WideView name, WideView value, TKeyKind keyKind,
              WideView key)
{
    TDomDocument* document = working.Document();
    TDomNode* node = working.Node();
    if (!document || !node)
        return;
    TDomElement* element = document->CreateElement(path.second);
    element->SetAttribute(key, name);
    if (keyKind == TKeyKind::Modulator) {
        node->AppendChild(element);
        return;
    }
    working.AppendNew(element);
    SetStoredValue(working, {path.second, path.second, path.third}, name, value, keyKind);
}

// SetValue after the colour conversion.
void SetStoredValue(TWorkingElement& working, const TWidePath& path, WideView name, WideView value, TKeyKind keyKind)
{
    const WideView key = keyKind == TKeyKind::Modulator ? u"texname" : u"name";
    if (value.empty())
        return;
    if (path.first == u"new") {
        WriteNew(working, path, name, value, keyKind, key);
        return;
    }
    TDomElement* addressed = working.FindHeld(path.first, key, name);
    if (!addressed)
        return;
    if (path.second == path.first) {
        addressed->SetAttribute(path.third, value);
        return;
    }
    TDomElement* container = addressed;
    if (keyKind == TKeyKind::Attributes) {
        container = FirstChildNamed(addressed, u"attributes");
        if (!container) {
            container = working.Document()->CreateElement(u"attributes");
            addressed->AppendChild(container);
        }
    }
    if (TDomElement* target = FirstInSubtree(container, path.second)) {
        target->SetAttribute(path.third, value);
        return;
    }
    TDomElement* created = working.Document()->CreateElement(path.second);
    created->SetAttribute(path.third, value);
    container->AppendChild(created);
}

// The attribute's stored value, empty when the element, child or attribute is missing.
WideString StoredValue(TWorkingElement& working, const TWidePath& key, WideView name)
{
    if (working.ChildCount() == 0)
        return {};
    const bool modulator = key.first == u"modulator";
    const TDomNode* first = working.Node()->FirstChild();
    TViewGuard view(working, modulator && !(first && first->NodeName() == u"modulator"));
    const WideView keyName = modulator ? u"texname" : u"name";
    WideString result;
    int at = -1;
    while (TDomElement* held = working.FindHeld(key.first, keyName, name, at + 1, &at)) {
        if (TDomElement* target = FindTarget(held, key)) {
            if (const TDomAttr* attr = target->GetAttributes()->GetNamedItem(key.third))
                result = attr->Value();
        }
        if (!result.empty())
            break;
    }
    return result;
}

} // namespace

TKeyPath SplitKeyPath(std::string_view path)
{
    TKeyPath result;
    size_t dot = path.find('.');
    if (dot != std::string_view::npos) {
        result.first = std::string(path.substr(0, dot));
        path = path.substr(dot + 1);
    }
    dot = path.find('.');
    if (dot != std::string_view::npos) {
        result.second = std::string(path.substr(0, dot));
        result.third = std::string(path.substr(dot + 1));
    } else {
        result.third = std::string(path);
    }
    return result;
}

std::string StoredToColourComponent(std::string_view stored)
{
    const double scaled = std::nearbyint(StrToFloat(std::string(stored)) * 255.0);
    if (std::fabs(scaled) < 1e15)
        return std::to_string(static_cast<long long>(scaled));
    return FloatToStr(scaled);
}

std::string ColourComponentToStored(std::string_view shown)
{
    if (shown.empty() || shown == "0")
        return std::string(shown);
    const double fraction = StrToFloat(std::string(shown)) / 255.0;
    std::string text = FloatToStr(fraction);
    if (text.find('E') != std::string::npos && std::fabs(fraction) < 1) {
        // Tiny fractions: plain decimals, so that the cut below keeps their magnitude.
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15f", fraction);
        text = buffer;
    }
    // At most 8 characters, never cutting into the integer part.
    const size_t point = text.find('.');
    if (point == std::string::npos || point >= 8)
        text = text.substr(0, point);
    else if (text.size() > 8)
        text.resize(8);
    return text;
}

std::string GetValue(TWorkingElement& working, std::string_view path, std::string_view name)
{
    const TKeyPath key = SplitKeyPath(path);
    std::string value = Narrow(StoredValue(working, Wide(key), Widen(name)));
    if (IsColourComponent(key.third) && !value.empty())
        value = StoredToColourComponent(value);
    return value;
}

void SetValue(TWorkingElement& working, std::string_view path, std::string_view name, std::string_view value,
              TKeyKind keyKind)
{
    const TKeyPath key = SplitKeyPath(path);
    const WideString stored = Widen(IsColourComponent(key.third) ? ColourComponentToStored(value) : value);
    TViewGuard view(working, keyKind == TKeyKind::Modulator);
    SetStoredValue(working, Wide(key), Widen(name), stored, keyKind);
}

void DeleteValue(TWorkingElement& working, std::string_view path, std::string_view utf8Name)
{
    const WideString name = Widen(utf8Name);
    const TWidePath key = Wide(SplitKeyPath(path));
    const bool modulator = key.first == u"modulator";
    TViewGuard view(working, modulator);
    if (working.ChildCount() == 0)
        return;
    const WideView keyName = modulator ? u"texname" : u"name";
    if (key.first == u"scene") {
        working.MarkDeleted(keyName, name);
        return;
    }
    TDomElement* held = working.FindHeld(key.first, keyName, name);
    TDomElement* target = held ? FindTarget(held, key) : nullptr;
    if (!target)
        return;
    TDomNamedNodeMap* attrs = target->GetAttributes();
    if (key.third.empty() || (attrs->Length() == 1 && !target->HasChildNodes())) {
        if (TDomNode* parent = target->GetParentNode())
            parent->RemoveChild(target);
    } else if (attrs->GetNamedItem(key.third)) {
        attrs->RemoveNamedItem(key.third);
    }
}

void CopyElementAs(TWorkingElement& working, std::string_view kind, std::string_view utf8Source,
                   std::string_view utf8NewName)
{
    const size_t dot = kind.find('.');
    if (dot != std::string_view::npos)
        kind = kind.substr(0, dot);
    if (kind == "render" || !working.Node())
        return;
    const WideString source = Widen(utf8Source), newName = Widen(utf8NewName);
    std::vector<TDomElement*> sources;
    for (TDomNode* child = working.Node()->FirstChild(); child; child = child->NextSibling()) {
        TDomElement* element = child->AsElement();
        if (!element)
            continue;
        const TDomAttr* attr = element->GetAttributes()->GetNamedItem(u"name");
        if (attr && attr->Value() == source)
            sources.push_back(element);
    }
    for (TDomElement* element : sources) {
        TDomElement* copy = element->CloneNode(true)->AsElement();
        if (kind == "light") {
            TDomNamedNodeMap* attrs = copy->GetAttributes();
            while (attrs->Length() > 0)
                attrs->RemoveNamedItem(attrs->Item(0)->Name());
            copy->SetAttribute(u"power", StoredValue(working, {u"light", u"light", u"power"}, source));
        }
        copy->SetAttribute(u"name", newName);
        working.AppendNew(copy);
    }
}

void BeginModulatorView(TWorkingElement& working)
{
    TDomElement* element = working.Element();
    if (!element || working.IsDocument())
        return;
    working.SetViewDepth(working.ViewDepth() + 1);
    if (working.ViewDepth() > 1)
        return;
    TDomElement* saved = element->CloneNode(true)->AsElement();
    while (TDomNode* child = element->FirstChild())
        element->RemoveChild(child);
    std::vector<TDomElement*> modulators;
    for (TDomNode* child = saved->FirstChild(); child; child = child->NextSibling()) {
        if (TDomElement* held = child->AsElement()) {
            // Every modulator below this held element, in document order.
            for (TDomNode* node = held; node; node = NextInSubtree(node, held))
                if (node->NodeType() == ELEMENT_NODE && node->NodeName() == u"modulator")
                    modulators.push_back(node->AsElement());
        }
    }
    for (TDomElement* modulator : modulators)
        element->AppendChild(modulator);
    working.SetSaved(saved);
}

void EndModulatorView(TWorkingElement& working)
{
    if (working.ViewDepth() == 0)
        return;
    working.SetViewDepth(working.ViewDepth() - 1);
    if (working.ViewDepth() > 0)
        return;
    TDomElement* saved = working.Saved();
    TDomElement* element = working.Element();
    if (!saved || !element)
        return;
    TDomNode* shader = saved->FirstChild();
    while (TDomNode* child = element->FirstChild()) {
        if (shader)
            shader->AppendChild(child);
        else
            element->RemoveChild(child);
    }
    working.SetSaved(nullptr);
    working.ReplaceNode(saved);
}

std::string RowKind(std::string_view rowText)
{
    const size_t at = rowText.find(kRowSeparator);
    return std::string(at == std::string_view::npos ? rowText : rowText.substr(0, at));
}

std::string RowName(std::string_view rowText)
{
    const size_t at = rowText.find(kRowSeparator);
    return at == std::string_view::npos ? std::string() : std::string(rowText.substr(at + kRowSeparator.size()));
}

} // namespace kelvane
