#pragma once
// The check before a render: what the real renderer would silently get wrong or fail on (it
// renders nothing and exits 0 for a missing camera, for instance).
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/Catalogue.h"

namespace kelvane {

class TDomDocument;

struct TPreflightFinding {
    std::string element;  // "object Cube", "render", "texture wood"
    int line = 0;         // the element's line in the file; 0 when unknown
    std::string text;     // "shader \"Mat\" is no element"
};

struct TPreflightScene {
    const TDomDocument* document = nullptr;
    std::filesystem::path folder;       // the scene's folder: textures and the output are found from it
    std::vector<TElementRow> rows;      // unchecked rows' elements count as absent
    bool checkOutput = true;            // the output folder (off where the render job sets the outfile)
};

// The findings in document order of the elements they name.
std::vector<TPreflightFinding> PreflightCheck(const TPreflightScene& scene);

// Gives each finding the line of its element's start tag in the scene file's text (one pass).
void AttachLines(std::vector<TPreflightFinding>& findings, std::string_view fileText);

// The findings of a scene file as saved, with their lines; raises what reading the file raises.
std::vector<TPreflightFinding> CheckSceneFile(const std::filesystem::path& file, const std::filesystem::path& tempFile);

// "ELEMENT: FINDING", the element followed by " (line L)" when known.
std::string FindingText(const TPreflightFinding& finding);

} // namespace kelvane
