#pragma once
// What a render was made with, as key paths and values, and what changed between two renders:
// "PATH NAME: OLD -> NEW" (the path "light.light.power", the name "Lamp").
#include <string>
#include <string_view>
#include <vector>

#include "scene/Catalogue.h"

namespace kelvane {

class TDomDocument;

struct TSettingValue {
    std::string path;   // "kind.child.attribute"
    std::string name;   // the element's name; "shader/texture" for a modulator; empty for render
    std::string value;
    bool operator==(const TSettingValue&) const = default;
};

struct TSettingChange {
    std::string path, name;
    std::string before, after;  // "(none)" where the value was or is absent
};

// Every attribute of the document's top-level elements and of their parameter children
// (mesh data left out), plus a "leave-out" entry for each unchecked row; sorted by path and name.
std::vector<TSettingValue> SceneSettings(const TDomDocument& document, const std::vector<TElementRow>& rows = {});

// The values that differ, appeared or went away between two sorted lists, in path order.
std::vector<TSettingChange> SettingChanges(const std::vector<TSettingValue>& before,
                                           const std::vector<TSettingValue>& after);

// "PATH NAME: OLD -> NEW" ("PATH: OLD -> NEW" without a name), changes joined by "; ".
std::string ChangeText(const TSettingChange& change);
std::string ChangesText(const std::vector<TSettingChange>& changes);

// One value a line, its fields separated by tabs; tabs, line breaks and backslashes escaped.
std::string SettingsFileText(const std::vector<TSettingValue>& settings);
// False when a line does not have three fields.
bool ParseSettingsFile(std::string_view text, std::vector<TSettingValue>& settings);

// The escaping of those files: "\\", "\t", "\r", "\n" for backslash, tab, CR and LF.
std::string EscapeField(std::string_view text);
std::string UnescapeField(std::string_view text);
// Splits a line at its tabs into unescaped fields.
std::vector<std::string> SplitFields(std::string_view line);

} // namespace kelvane
