#pragma once
// Key paths: how editors address one attribute of one element held by the working element.
//
// A key path is first "." second "." third: first names the kind of the addressed element (or
// the command words "new" and "scene"), second the child element holding the value (equal to
// first for the addressed element itself), third the attribute. Held elements are found by their
// "name" attribute ("texname" for modulators); a render element by the first segment alone.
//
// TKeyKind (the access mode a value control carries): plain, inside the addressed element's
// `attributes` child, or a modulator addressed by "texname".
//
// Colour components "r", "g", "b" are shown as 0..255 and stored as fractions of 1: reading
// takes stored × 255 to the nearest integer (ties to even), writing stores value / 255 in the
// general decimal form cut to 8 characters (128 -> "0.501960", 255 -> "1", 0 -> "0").
//
// Paths, names and values are UTF-8; they meet the document's wide names only in here.
#include <string>
#include <string_view>

#include "controls/KeyKind.h"
#include "scene/WorkingElement.h"

namespace kelvane {

struct TKeyPath {
    std::string first, second, third;
};
// Splits at the first "." and then at the next one; a missing "." leaves the segment before it
// empty and the rest in the later segment ("a.b" -> "a", "", "b"; "a" -> "", "", "a").
TKeyPath SplitKeyPath(std::string_view path);

// The attribute's value, empty when the element, child or attribute is missing. Held elements
// with the same name are tried in order until one gives a non-empty value. Raises EConvertError
// for a colour component whose stored text is not a number.
std::string GetValue(TWorkingElement& working, std::string_view path, std::string_view name);

// Writes one attribute, creating a missing child element (and `attributes` element for Attributes)
// but never a missing addressed element; only the first matching held element is written. An
// empty value writes nothing. "new.tag.attr" creates a held element tag with key attribute name,
// marked "new" (Modulator: a modulator that goes into the shader when the modulator view ends), and
// writes the value on it. Raises EConvertError for a colour value that is not a number.
void SetValue(TWorkingElement& working, std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind);

// Removes one attribute, or one element: the target element when third is empty or when the
// target has just one attribute and no children. "scene.<any>." marks every held element of
// that name "deleted" (render excepted).
void DeleteValue(TWorkingElement& working, std::string_view path, std::string_view name);

// Appends a copy of every held element named source under newName, marked "new". kind is cut
// at its first "."; "render" does nothing; for "light" the copy keeps only the source's power
// (and its child elements).
void CopyElementAs(TWorkingElement& working, std::string_view kind, std::string_view source, std::string_view newName);

// Regroups the modulators found anywhere in the working element as its only children, and
// back: they return to the end of the first held element (the shader), in their order. Calls
// nest: only the outermost pair regroups.
void BeginModulatorView(TWorkingElement& working);
void EndModulatorView(TWorkingElement& working);

// Kind and name parts of an element-list row: the text before and after the first " -- ". A
// text without " -- " is all kind.
std::string RowKind(std::string_view rowText);
std::string RowName(std::string_view rowText);

// Colour component conversions used by GetValue and SetValue.
std::string StoredToColourComponent(std::string_view stored);
std::string ColourComponentToStored(std::string_view shown);

} // namespace kelvane
