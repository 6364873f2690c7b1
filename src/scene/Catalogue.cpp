#include "scene/Catalogue.h"

#include <algorithm>
#include <string>

#include "scene/ElementKinds.h"
#include "scene/FileIO.h"
#include "scene/PositionHash.h"
#include "scene/WorkTick.h"

namespace kelvane {

namespace fs = std::filesystem;

namespace {

char16_t Fold(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 32);
    return c;
}


// The value of attribute attr of the held elements called name (render: by kind), the first
// non-empty one; as "kind.kind.attr" reads it.
WideString HeldValue(TWorkingElement& working, WideView kind, WideView name, WideView attr)
{
    WideString result;
    int at = -1;
    while (TDomElement* held = working.FindHeld(kind, u"name", name, at + 1, &at)) {
        result = held->GetAttribute(attr);
        if (!result.empty())
            break;
    }
    return result;
}

// Sets attribute attr on the first held element called name, as "kind.kind.attr" writes it.
void SetHeldValue(TWorkingElement& working, WideView kind, WideView name, WideView attr, WideView value)
{
    if (value.empty())
        return;
    if (TDomElement* held = working.FindHeld(kind, u"name", name))
        held->SetAttribute(attr, value);
}

std::vector<TDomElement*> ElementsBelow(TDomNode* root, WideView tag)
{
    std::vector<TDomElement*> found;
    TDomNode* node = root->FirstChild();
    while (node) {
        if (node->NodeType() == ELEMENT_NODE && node->NodeName() == tag)
            found.push_back(node->AsElement());
        node = NextInSubtree(node, root);
    }
    return found;
}

bool EndsInDigit(const TDomElement* element)
{
    WideString name;
    ElementName(element, name);
    return !name.empty() && name.back() >= u'0' && name.back() <= u'9';
}

void RemoveUnusedTextures(TWorkingElement& working)
{
    TElementIndex& index = working.Index();
    std::vector<TDomElement*> doomed;
    for (int i = 0, n = index.Count(u"texture"); i < n; ++i)
        if (TDomElement* texture = index.Item(u"texture", i); !EndsInDigit(texture))
            doomed.push_back(texture);
    if (doomed.empty())
        return;
    for (TDomElement* texture : doomed)
        if (TDomNode* parent = texture->GetParentNode())
            parent->RemoveChild(texture);
    index.Invalidate();
}

struct TTextureContext {
    TWorkingElement& working;
    TCatalogue& catalogue;
    const fs::path& sceneFolder;
    ITexturePictureStore& pictures;
};

// Points a "jpeg" texture at newName + ".jpg" once its picture is in the scene's folder.
void StoreJpegPicture(TTextureContext& c, TDomElement* texture, WideView newName)
{
    // Its first child element: a comment before it is no part of the scene.
    TDomElement* first = nullptr;
    for (TDomNode* child = texture->FirstChild(); child && !first; child = child->NextSibling())
        first = child->AsElement();
    if (!first || first->AttributeCount() == 0)
        return;
    const std::string file = Narrow(first->AttributeValue(0));
    // The scene's folder followed by the file name, as the renderer resolves it.
    const fs::path source = fs::path((c.sceneFolder / "").native() + file);
    if (file.empty() || !FileExists(source))
        return;
    // A folder that cannot take the copy (read-only media, a shared archive) still opens: the
    // texture keeps pointing at its own picture, which the renderer reads as before.
    std::string stored;
    try {
        stored = c.pictures.StoreTexturePicture(Narrow(newName), source, c.sceneFolder, c.catalogue.thumbnails);
    } catch (const EFileError&) {
        return;
    }
    if (!stored.empty())
        first->SetAttribute(u"value", Widen(stored));
}

// The modulators of the first shader named shaderName get the slot textures shaderName + m,
// copies of the textures they used. Works on the document directly: the shader row's copies
// would only carry these changes back unaltered.
void TextureStep(TTextureContext& c, WideView shaderName)
{
    TElementIndex& index = c.working.Index();
    std::string flags(10, '0');
    const int at = index.FirstNamed(u"shader", shaderName);
    const std::vector<TDomElement*> modulators =
        at >= 0 ? ElementsBelow(index.Item(u"shader", at), u"modulator") : std::vector<TDomElement*>();
    for (size_t m = 0; m < modulators.size() && m < 10; ++m) {
        TDomElement* modulator = modulators[m];
        const WideString old = modulator->GetAttribute(u"texname");
        flags[m] = '1';
        const WideString fresh = WideString(shaderName) + static_cast<char16_t>(u'0' + m);
        if (old != fresh)
            modulator->SetAttribute(u"texname", fresh);
        std::vector<TDomElement*> textures;
        for (int i : index.AllNamed(u"texture", old))
            textures.push_back(index.Item(u"texture", i));
        for (TDomElement* texture : textures) {
            if (texture->GetAttribute(u"type") == u"jpeg")
                StoreJpegPicture(c, texture, fresh);
            if (old != fresh) {
                TDomElement* copy = texture->CloneNode(true)->AsElement();
                copy->SetAttribute(u"name", fresh);
                c.working.Document()->DocumentElement()->AppendChild(copy);
                index.InsertedAt(copy, index.Count(u"texture"));
            }
        }
    }
    c.catalogue.presence.SetValue(Narrow(shaderName), flags);
}

bool IsOneOf(WideView text, std::initializer_list<WideView> options)
{
    return std::find(options.begin(), options.end(), text) != options.end();
}

} // namespace

bool RowTextLess(std::string_view a, std::string_view b)
{
    TUtf16Units x(a), y(b);
    char16_t p = 0, q = 0;
    for (;;) {
        const bool moreA = x.Next(p), moreB = y.Next(q);
        if (!moreA || !moreB) {
            if (moreA != moreB)
                return moreB;  // the shorter first
            break;
        }
        const char16_t fp = Fold(p), fq = Fold(q);
        if (fp != fq)
            return fp < fq;
    }
    TUtf16Units exactA(a), exactB(b);
    while (exactA.Next(p) && exactB.Next(q))
        if (p != q)
            return p < q;
    return false;
}

void TCatalogue::Clear()
{
    rows.clear();
    presence.Clear();
    thumbnails.Clear();
    cameras.clear();
    backgrounds.clear();
    shaders.clear();
}

void MarkLightPart(TNameValueList& presence, std::string_view base, std::string_view part)
{
    std::string flags = presence.Values(base);
    if (flags.empty())
        flags = "000";
    const int at = part == "light" ? 0 : part == "diffuse" ? 1 : part == "caustic" ? 2 : -1;
    if (at >= 0 && static_cast<size_t>(at) < flags.size())
        flags[at] = '1';
    presence.SetValue(base, flags);
}

namespace {

// The first non-empty value of attr among the elements named name, as "light.light.attr" reads it
// from a light row's copies.
WideString SourceValue(const std::vector<TDomElement*>& sources, WideView name, WideView attr)
{
    WideString own;
    for (const TDomElement* source : sources) {
        if (!ElementName(source, own) || own != name)
            continue;
        if (WideString value = source->GetAttribute(attr); !value.empty())
            return value;
    }
    return {};
}

// Renames the first element named name, as "light.light.name" writes a light row's copies.
void RenameSource(TElementIndex& index, const std::vector<TDomElement*>& sources, WideView name, WideView renamed)
{
    WideString own;
    for (TDomElement* source : sources) {
        if (ElementName(source, own) && own == name) {
            source->SetAttribute(u"name", renamed);
            index.Renamed(source, own);
            return;
        }
    }
}

} // namespace

std::string ClassifyLight(TWorkingElement& working, TNameValueList& presence, WideString name)
{
    // The light row's copies would come back unchanged but for the name written on the first of
    // them: the names are written on the document's elements directly (a light row holds each
    // element once). Each pass that renames takes one dot out of the name, so the loop ends.
    working.SetPresence(presence);
    for (;;) {
        const std::vector<TDomElement*> sources = working.Sources(u"light", name);
        const size_t dot = name.find(u'.');
        const WideString type = SourceValue(sources, name, u"type");
        if (dot != WideString::npos) {
            const WideString base = name.substr(0, dot), suffix = name.substr(dot + 1);
            if (IsOneOf(type, {u"pointlight", u"softlight", u"sunlight", u"arealight", u"spotlight", u"photonlight"}) &&
                IsOneOf(suffix, {u"light", u"diffuse", u"caustic"})) {
                name = base;
                MarkLightPart(presence, Narrow(name), Narrow(suffix));
                break;
            }
            const WideString renamed = base + u"_" + suffix;
            RenameSource(working.Index(), sources, name, renamed);
            name = renamed;
            continue;
        }
        WideString part;
        if (IsOneOf(type, {u"pointlight", u"softlight", u"spotlight", u"arealight"})) {
            part = u"light";
        } else if (type == u"photonlight") {
            const WideString mode = SourceValue(sources, name, u"mode");
            part = mode == u"diffuse" || mode == u"caustic" ? mode : WideString(u"photonlight");
        }
        if (!part.empty())
            RenameSource(working.Index(), sources, name, name + u"." + part);
        MarkLightPart(presence, Narrow(name), Narrow(part));
        break;
    }
    working.BeginEdit(u"scene", u"");
    return Narrow(name);
}

void BuildCatalogue(TWorkingElement& working, TCatalogue& catalogue, const fs::path& sceneFolder,
                    ITexturePictureStore& pictures)
{
    working.SetPresence(catalogue.presence);
    working.BeginEdit(u"scene", u"");
    catalogue.Clear();
    TElementIndex& index = working.Index();
    TTextureContext textures{working, catalogue, sceneFolder, pictures};
    // Rows in the order they are put "at the top" (the last one is the top row) until the walk
    // ends; present finds a row by its text.
    std::vector<TElementRow>& stacked = catalogue.rows;
    TPositionHash present;

    // The kinds with rows or name lists, in the table's order.
    std::vector<const TElementKind*> walked;
    for (const TElementKind& kind : ElementKinds())
        if (kind.row != TRowForm::None || kind.listed)
            walked.push_back(&kind);
    int elements = 0, rowElements = 0;
    for (const TElementKind* kind : walked) {
        const int count = index.Count(Widen(kind->name));
        elements += count;
        rowElements += kind->row == TRowForm::None ? 0 : count;
    }
    catalogue.thumbnails.Reserve(elements + static_cast<int>(walked.size()));
    stacked.reserve(rowElements);
    for (const TElementKind* entry : walked) {
        const WideString kind = Widen(entry->name);
        const std::string kindText(entry->name);
        const int count = index.Count(kind);
        catalogue.thumbnails.Add(kindText + "_num", std::to_string(count));
        if (kind == u"object")
            RemoveUnusedTextures(working);
        for (int i = 0; i < count; ++i) {
            WorkTick();
            TDomElement* element = index.Item(kind, i);
            if (!element)
                break;
            const WideString wideName =
                element->GetAttribute(entry->row == TRowForm::RenderCamera ? u"camera_name" : u"name");
            std::string name = Narrow(wideName);
            if (kind == u"shader") {
                TextureStep(textures, wideName);
            } else if (kind == u"light") {
                name = ClassifyLight(working, catalogue.presence, wideName);
            } else if (kind == u"filter") {
                working.BeginEdit(u"filter", wideName);
                const bool antinoise = HeldValue(working, u"filter", wideName, u"type") == u"antinoise";
                const WideView special = antinoise ? u"an" : u"dof";
                SetHeldValue(working, u"filter", wideName, u"name", special);
                catalogue.presence.SetValue(antinoise ? "an" : "dof", "1");
                working.CommitEdit(false);
            }
            if (entry->row == TRowForm::Nameless)
                name.clear();
            if (entry->row != TRowForm::None) {
                std::string text = kindText + " -- " + name;
                const uint32_t hash = TPositionHash::OfText(std::string_view(text));
                if (present.Find(hash, [&](int at) { return stacked[at].Text == text; }) < 0) {
                    present.Insert(hash, static_cast<int>(stacked.size()));
                    stacked.push_back({std::move(text), true, true});
                }
                stacked.back().Checked = true;
                if (entry->row == TRowForm::RenderCamera) {
                    stacked.back().CheckEnabled = false;
                    name.clear();
                }
            }
            catalogue.thumbnails.Add(kindText + std::to_string(i), name);
        }
    }
    present.Clear();
    std::reverse(catalogue.rows.begin(), catalogue.rows.end());
    std::stable_sort(catalogue.rows.begin(), catalogue.rows.end(),
                     [](const TElementRow& a, const TElementRow& b) { return RowTextLess(a.Text, b.Text); });

    auto fill = [&](std::vector<std::string>& list, const std::string& kind) {
        const int count = static_cast<int>(std::stol(catalogue.thumbnails.Values(kind + "_num")));
        for (int i = 0; i < count; ++i)
            list.push_back(catalogue.thumbnails.Values(kind + std::to_string(i)));
    };
    for (const TElementKind* kind : walked) {
        if (!kind->listed)
            continue;
        fill(kind->names == TNameList::Cameras       ? catalogue.cameras
             : kind->names == TNameList::Backgrounds ? catalogue.backgrounds
                                                     : catalogue.shaders,
             std::string(kind->name));
    }
}

} // namespace kelvane
