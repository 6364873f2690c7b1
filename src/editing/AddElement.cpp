#include "editing/AddElement.h"

#include "editing/SceneSession.h"
#include "editing/TabRules.h"
#include "scene/NumFormat.h"
#include "scene/skDom.h"

#include <array>
#include <cmath>
#include <string>

namespace kelvane {

namespace {

// True when a child element of the root carries this name (exact, case-sensitive).
bool NameUsed(const TDomDocument& document, std::string_view utf8Name)
{
    const TDomElement* root = document.DocumentElement();
    if (!root)
        return false;
    const WideString name = Widen(utf8Name);
    WideString value;
    for (const TDomNode* child = root->FirstChild(); child; child = child->NextSibling()) {
        const TDomElement* element = child->AsElement();
        if (element && element->TryGetAttribute(u"name", value) && value == name)
            return true;
    }
    return false;
}

// True when the document has an element of the kind (and of the type, when one is given).
bool AnyOfKind(TDomDocument& document, std::string_view kind, std::string_view utf8Type)
{
    const WideString type = Widen(utf8Type);
    TDomNodeList* elements = document.GetElementsByTagName(Widen(kind));
    for (int i = 0; i < elements->Length(); ++i) {
        const TDomElement* element = elements->Item(i)->AsElement();
        if (element && (type.empty() || element->GetAttribute(u"type") == type))
            return true;
    }
    return false;
}

using TVector = std::array<long double, 3>;

TVector Minus(const TVector& a, const TVector& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

TVector Cross(const TVector& a, const TVector& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

long double Length(const TVector& a)
{
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

TVector Scaled(const TVector& a, long double s)
{
    return {a[0] * s, a[1] * s, a[2] * s};
}

// The first element of that tag among the root's children named name.
TDomElement* TopElement(const TDomDocument& document, std::string_view utf8Tag, std::string_view utf8Name)
{
    const WideString tag = Widen(utf8Tag), name = Widen(utf8Name);
    const TDomElement* root = document.DocumentElement();
    for (TDomNode* child = root ? root->FirstChild() : nullptr; child; child = child->NextSibling()) {
        TDomElement* element = child->AsElement();
        if (element && element->NodeName() == tag && element->GetAttribute(u"name") == name)
            return element;
    }
    return nullptr;
}

// A point child ("from", "to") of element; false when it is missing or not a number.
bool ReadPoint(const TDomElement* element, WideView child, TVector& point)
{
    for (const TDomNode* node = element ? element->FirstChild() : nullptr; node; node = node->NextSibling()) {
        const TDomElement* found = node->AsElement();
        if (!found || found->NodeName() != child)
            continue;
        static constexpr const char16_t* axes[] = {u"x", u"y", u"z"};
        for (size_t i = 0; i < 3; ++i) {
            double value = 0;
            if (!TryStrToFloat(Narrow(found->GetAttribute(axes[i])), value) || !std::isfinite(value))
                return false;
            point[i] = value;
        }
        return true;
    }
    return false;
}

void WritePoint(TSceneSession& session, std::string_view child, std::string_view light, const TVector& point)
{
    static constexpr const char* axes[] = {"x", "y", "z"};
    for (size_t i = 0; i < 3; ++i)
        session.SetValue("light." + std::string(child) + "." + axes[i], light,
                         CoordinateText(point[i] == 0 ? 0 : point[i]), TKeyKind::Plain);
}

// A light's direct part of the given type at the render camera, pointing where it looks.
void PlaceDirectLight(TSceneSession& session, std::string_view type, std::string_view light)
{
    TVector from{5, -5, 5}, to{0, 0, 0};
    const TDomElement* camera = TopElement(*session.Document(), "camera", session.RenderCameraName());
    TVector cameraFrom, cameraTo;
    if (ReadPoint(camera, u"from", cameraFrom) && ReadPoint(camera, u"to", cameraTo) &&
        Length(Minus(cameraTo, cameraFrom)) > 0) {
        from = cameraFrom;
        to = cameraTo;
    }
    const TVector axis = Minus(to, from);
    const long double distance = Length(axis);
    // Point-like lights fall off with the square of the distance, an area light with about the
    // distance itself, a sun not at all.
    long double power = distance * distance;
    if (type == "arealight") {
        power = distance;
        const TVector w = Scaled(axis, 1 / distance);
        TVector u = Cross(w, TVector{0, 0, 1});
        if (Length(u) < 1e-6L)
            u = Cross(w, TVector{0, 1, 0});
        u = Scaled(u, 1 / Length(u));
        const TVector v = Cross(w, u);  // u x v = w: the lit side faces the target
        const long double side = distance / 4;
        const TVector a = Minus(from, Scaled(TVector{u[0] + v[0], u[1] + v[1], u[2] + v[2]}, side / 2));
        const TVector du = Scaled(u, side), dv = Scaled(v, side);
        WritePoint(session, "a", light, a);
        WritePoint(session, "b", light, {a[0] + du[0], a[1] + du[1], a[2] + du[2]});
        WritePoint(session, "c", light, {a[0] + du[0] + dv[0], a[1] + du[1] + dv[1], a[2] + du[2] + dv[2]});
        WritePoint(session, "d", light, {a[0] + dv[0], a[1] + dv[1], a[2] + dv[2]});
    } else if (type == "sunlight") {
        power = 1;
        WritePoint(session, "from", light, Minus(from, to));
    } else {
        WritePoint(session, "from", light, from);
        if (type == "spotlight")
            WritePoint(session, "to", light, to);
    }
    power = std::max<long double>(std::round(power * 100) / 100, 0.01L);
    session.SetValue("light.light.power", light, CoordinateText(power), TKeyKind::Plain);
    for (const char* component : {"light.color.r", "light.color.g", "light.color.b"})
        session.SetValue(component, light, "255", TKeyKind::Plain);
}

} // namespace

std::string NewElementName(std::string_view name)
{
    std::string out(name);
    const size_t dot = out.find('.');
    if (dot != std::string::npos)
        out[dot] = '_';
    return out;
}

TAddOutcome AddElement(TSceneSession& session, const TAddChoice& choice, std::string_view typed)
{
    TAddOutcome out;
    TDomDocument* document = session.Document();
    if (!document)
        return out;
    const TAddEntry& entry = *choice.entry;
    const TElementKind& kindRow = *choice.kind;
    const std::string kind(kindRow.name);
    if (entry.fixedName.empty() && typed.empty()) {
        out.message = "Fill Name.";
        return out;
    }
    std::string name = NewElementName(typed);
    // A light made of parts uses the parts' names and its row's.
    const bool parts = entry.placement == TPlacement::DirectLight;
    if (NameUsed(*document, name) ||
        (parts && (NameUsed(*document, name + ".light") || NameUsed(*document, name + ".diffuse") ||
                   NameUsed(*document, name + ".caustic") || session.FindRow(kind + " -- " + name) >= 0))) {
        out.message = "The Name is already used.";
        return out;
    }
    if (!entry.onePerScene.empty() && AnyOfKind(*document, kind, entry.onePerType ? entry.type : std::string_view())) {
        out.message = std::string(entry.onePerScene);
        return out;
    }
    if (entry.placement == TPlacement::CameraCopy) {
        const std::string renderCamera = session.RenderCameraName();
        if (!TopElement(*document, kind, renderCamera)) {
            out.message = "The scene has no render camera to copy.";
            return out;
        }
        session.CommitEdit();
        session.BeginEdit(kind, renderCamera);
        session.CopyElementAs(kind, renderCamera, name);
    } else {
        if (!entry.fixedName.empty())
            name = std::string(entry.fixedName);
        const std::string element = parts ? name + ".light" : name;
        // Without a selected row the working element is the document itself: the new element
        // joins an empty one of its kind instead (no element carries its name).
        if (session.Working().IsDocument()) {
            session.CommitEdit();
            session.BeginEdit(kind, element);
        }
        session.SetValue("new." + kind + ".type", element, entry.type, TKeyKind::Plain);
        if (parts)
            PlaceDirectLight(session, entry.type, element);
        for (const TNewValue& value : entry.values)
            session.SetValue(value.path, element, value.value,
                             value.inAttributes ? TKeyKind::Attributes : TKeyKind::Plain);
    }
    if (kindRow.listed) {
        session.AddName(kindRow.names, name);
        out.namesChanged = true;
    }
    if (!entry.presence.empty())
        session.SetPresence(name, entry.presence);
    out.kind = kind;
    out.name = name;
    if (kindRow.row == TRowForm::None) {
        session.SelectRow(session.SelectedRow());
        return out;
    }
    out.row = kind + " -- " + (kindRow.row == TRowForm::Nameless ? std::string() : name);
    session.SelectRow(session.AddRow(out.row));
    return out;
}

TAddOutcome AddElement(TSceneSession& session, TNewElementType type, std::string_view name)
{
    const std::vector<TAddChoice> choices = AddChoices();
    const size_t at = static_cast<size_t>(type);
    return at < choices.size() ? AddElement(session, choices[at], name) : TAddOutcome{};
}

} // namespace kelvane
