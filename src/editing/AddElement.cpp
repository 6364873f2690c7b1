#include "editing/AddElement.h"

#include "editing/SceneSession.h"
#include "scene/skDom.h"

namespace kelvane {

namespace {

// True when a child element of the root carries this name (exact, case-sensitive).
bool NameUsed(const TDomDocument& document, WideView name)
{
    const TDomElement* root = document.DocumentElement();
    if (!root)
        return false;
    WideString value;
    for (const TDomNode* child = root->FirstChild(); child; child = child->NextSibling()) {
        const TDomElement* element = child->AsElement();
        if (element && element->TryGetAttribute(u"name", value) && value == name)
            return true;
    }
    return false;
}

bool AnyLightOfType(TDomDocument& document, WideView type)
{
    TDomNodeList* lights = document.GetElementsByTagName(u"light");
    for (int i = 0; i < lights->Length(); ++i) {
        const TDomElement* light = lights->Item(i)->AsElement();
        if (light && light->GetAttribute(u"type") == type)
            return true;
    }
    return false;
}

} // namespace

WideString NewElementName(WideView name)
{
    WideString out(name);
    const size_t dot = out.find(u'.');
    if (dot != WideString::npos)
        out[dot] = u'_';
    return out;
}

TAddOutcome AddElement(TSceneSession& session, TNewElementType type, WideView typed)
{
    TAddOutcome out;
    TDomDocument* document = session.Document();
    if (!document)
        return out;
    if (type != TNewElementType::Filter && typed.empty()) {
        out.message = "Fill Name.";
        return out;
    }
    WideString name = NewElementName(typed);
    if (NameUsed(*document, name)) {
        out.message = "The Name is already used.";
        return out;
    }
    switch (type) {
    case TNewElementType::Shader:
        session.SetValue(u"new.shader.type", name, u"generic", TKeyKind::Plain);
        for (const char16_t* component : {u"shader.color.r", u"shader.color.g", u"shader.color.b"})
            session.SetValue(component, name, u"255", TKeyKind::Attributes);
        out.row = u"shader -- " + name;
        session.AddName(TNameList::Shaders, name);
        out.shaderName = true;
        session.SetPresence(name, u"0000000000");
        break;
    case TNewElementType::SkyLight:
    case TNewElementType::GILight: {
        const bool sky = type == TNewElementType::SkyLight;
        const WideView lightType = sky ? u"hemilight" : u"pathlight";
        if (AnyLightOfType(*document, lightType)) {
            out.message = sky ? "Hemilight is already in this scene." : "Pathlight is already in this scene.";
            return out;
        }
        session.SetValue(u"new.light.type", name, lightType, TKeyKind::Plain);
        session.SetPresence(name, u"000");
        out.row = u"light -- " + name;
        break;
    }
    case TNewElementType::Filter:
        if (document->GetElementsByTagName(u"filter")->Length() > 0) {
            out.message = "Filter is already in this scene.";
            return out;
        }
        name = u"dof";
        session.SetValue(u"new.filter.type", name, u"dof", TKeyKind::Plain);
        out.row = u"filter -- ";
        session.SetPresence(name, u"1");
        break;
    case TNewElementType::Background:
        session.SetValue(u"new.background.type", name, u"constant", TKeyKind::Plain);
        out.row = u"background -- " + name;
        session.AddName(TNameList::Backgrounds, name);
        out.backgroundName = true;
        break;
    }
    out.name = name;
    session.SelectRow(session.AddRow(out.row));
    return out;
}

} // namespace kelvane
