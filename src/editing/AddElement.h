#pragma once
// A new scene element made from a name and an entry of the add dialog: the checks on the name
// and the scene's limits, the default attributes, the new element-list row and the name lists
// and presence table brought up to date. The entries are those of the kind table.
#include "scene/ElementKinds.h"

#include <string>
#include <string_view>

namespace kelvane {

class TSceneSession;

// The built-in entries, by their place in the add dialog's type list.
enum class TNewElementType { Shader, SkyLight, GILight, Filter, Background, PointLight, SpotLight, SunLight,
                             AreaLight, SoftLight, Camera };

struct TAddOutcome {
    // The refusal to show (the scene is unchanged), empty on success.
    std::string message;
    std::string kind;      // the new element's kind; empty when nothing was added
    std::string name;      // the name used (a filter is always "dof")
    std::string row;       // the new row's text, now the selected row (empty for a kind without rows)
    bool namesChanged = false;  // name joined a name list
};

// The name with its first '.' replaced by '_'.
std::string NewElementName(std::string_view name);

// Checks and creates the element in the session's working element, adds its row and selects it
// (which commits the working element); a kind without rows leaves the selected row as it was.
// A light placed at the render camera stands at its position and points at the point it looks
// at (without a render camera: at (5, -5, 5), pointing at the origin), with a power that lights
// that point about as brightly as a white light of power 1 at distance 1. The session must have
// a scene open.
TAddOutcome AddElement(TSceneSession& session, const TAddChoice& choice, std::string_view name);
// The entry at that place of the type list; nothing for a place outside it.
TAddOutcome AddElement(TSceneSession& session, TNewElementType type, std::string_view name);

} // namespace kelvane
