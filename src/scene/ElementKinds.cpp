#include "scene/ElementKinds.h"

#include <algorithm>

namespace kelvane {

namespace {

TAddEntry DirectLight(std::string_view caption, int position, std::string_view type)
{
    return {.caption = caption, .position = position, .type = type, .presence = "100",
            .placement = TPlacement::DirectLight};
}

std::vector<TElementKind> BuiltInKinds()
{
    const std::vector<TNewValue> white = {{"shader.color.r", "255", true},
                                          {"shader.color.g", "255", true},
                                          {"shader.color.b", "255", true}};
    std::vector<TElementKind> kinds;
    kinds.push_back({.name = "shader", .row = TRowForm::Named, .writeOrder = 1, .colourKey = "FColor_S",
                     .colour = 0x800000, .tabOrder = 5, .listed = true, .names = TNameList::Shaders,
                     .add = {{.caption = "shader", .position = 0, .type = "generic", .presence = "0000000000",
                              .values = white}}});
    kinds.push_back({.name = "object", .row = TRowForm::Named, .writeOrder = 3, .colourKey = "FColor_O",
                     .colour = 0x808000, .tabOrder = 4});
    kinds.push_back({.name = "light", .row = TRowForm::Named, .writeOrder = 4, .colourKey = "FColor_L",
                     .colour = 0x0000FF, .tabOrder = 1,
                     .add = {{.caption = "hemilight ( Sky Light )", .position = 1, .type = "hemilight",
                              .onePerScene = "Hemilight is already in this scene.", .onePerType = true,
                              .presence = "000"},
                             {.caption = "pathlight ( Global Ilumination )", .position = 2, .type = "pathlight",
                              .onePerScene = "Pathlight is already in this scene.", .onePerType = true,
                              .presence = "000"},
                             DirectLight("pointlight", 5, "pointlight"), DirectLight("spotlight", 6, "spotlight"),
                             DirectLight("sunlight", 7, "sunlight"), DirectLight("arealight", 8, "arealight"),
                             DirectLight("softlight", 9, "softlight")}});
    kinds.push_back({.name = "camera", .writeOrder = 5, .listed = true, .names = TNameList::Cameras,
                     .add = {{.caption = "camera", .position = 10, .placement = TPlacement::CameraCopy}}});
    kinds.push_back({.name = "render", .row = TRowForm::RenderCamera, .writeOrder = 8, .colourKey = "FColor_R",
                     .colour = 0x808080, .tabOrder = 0});
    kinds.push_back({.name = "background", .row = TRowForm::Named, .writeOrder = 6, .colourKey = "FColor_B",
                     .colour = 0x000000, .tabOrder = 2, .listed = true, .names = TNameList::Backgrounds,
                     .add = {{.caption = "background", .position = 4, .type = "constant"}}});
    kinds.push_back({.name = "filter", .row = TRowForm::Nameless, .writeOrder = 7, .colourKey = "FColor_F",
                     .colour = 0x000000, .tabOrder = 3,
                     .add = {{.caption = "filter", .position = 3, .type = "dof", .fixedName = "dof",
                              .onePerScene = "Filter is already in this scene.", .presence = "1"}}});
    kinds.push_back({.name = "texture", .writeOrder = 0});
    kinds.push_back({.name = "transform", .writeOrder = 2});
    return kinds;
}

std::vector<TElementKind>& Kinds()
{
    static std::vector<TElementKind> kinds = BuiltInKinds();
    return kinds;
}

} // namespace

const std::vector<TElementKind>& ElementKinds()
{
    return Kinds();
}

const TElementKind* FindElementKind(std::string_view name)
{
    for (const TElementKind& kind : Kinds())
        if (kind.name == name)
            return &kind;
    return nullptr;
}


std::vector<std::string_view> WriterKindOrder()
{
    std::vector<const TElementKind*> sorted;
    for (const TElementKind& kind : Kinds())
        sorted.push_back(&kind);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TElementKind* a, const TElementKind* b) { return a->writeOrder < b->writeOrder; });
    std::vector<std::string_view> names;
    for (const TElementKind* kind : sorted)
        names.push_back(kind->name);
    return names;
}

std::vector<const TElementKind*> ColouredKinds()
{
    std::vector<const TElementKind*> coloured;
    for (const TElementKind& kind : Kinds())
        if (!kind.colourKey.empty())
            coloured.push_back(&kind);
    std::sort(coloured.begin(), coloured.end(),
              [](const TElementKind* a, const TElementKind* b) { return a->name < b->name; });
    return coloured;
}

std::vector<TAddChoice> AddChoices()
{
    std::vector<TAddChoice> choices;
    for (const TElementKind& kind : Kinds())
        for (const TAddEntry& entry : kind.add)
            choices.push_back({&kind, &entry});
    std::stable_sort(choices.begin(), choices.end(),
                     [](const TAddChoice& a, const TAddChoice& b) { return a.entry->position < b.entry->position; });
    return choices;
}

TKindRegistration::TKindRegistration(TElementKind kind) : name_(kind.name)
{
    std::vector<TElementKind>& kinds = Kinds();
    const auto firstUnlisted = std::find_if(kinds.begin(), kinds.end(), [](const TElementKind& k) {
        return k.name == "texture";
    });
    kinds.insert(firstUnlisted, std::move(kind));
}

TKindRegistration::~TKindRegistration()
{
    std::vector<TElementKind>& kinds = Kinds();
    kinds.erase(std::remove_if(kinds.begin(), kinds.end(), [this](const TElementKind& k) { return k.name == name_; }),
                kinds.end());
}

} // namespace kelvane
