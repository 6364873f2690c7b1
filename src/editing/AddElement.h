#pragma once
// A new scene element made from a name and a kind: the checks on the name and the scene's
// limits, the default attributes, the new element-list row and the name lists and presence
// table brought up to date.
#include "scene/TextCodec.h"

#include <string>

namespace kelvane {

class TSceneSession;

// The kinds offered, in the order of the add dialog's type list.
enum class TNewElementType { Shader, SkyLight, GILight, Filter, Background };

struct TAddOutcome {
    // The refusal to show (the scene is unchanged), empty on success.
    std::string message;
    WideString name;      // the name used (a filter is always "dof")
    WideString row;       // the new row's text, now the selected row
    bool shaderName = false;      // name joined the shader names
    bool backgroundName = false;  // name joined the background names
};

// The name with its first '.' replaced by '_'.
WideString NewElementName(WideView name);

// Checks and creates the element in the session's working element, adds its row and selects it
// (which commits the working element). The session must have a scene open.
TAddOutcome AddElement(TSceneSession& session, TNewElementType type, WideView name);

} // namespace kelvane
