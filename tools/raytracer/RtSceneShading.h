#pragma once
// Reading shaders with their modulators, texture objects, shader nodes and pictures (for the
// scene reader of the ray tracer only).
#include <map>
#include <memory>
#include <string>

#include "raytracer/RtScene.h"

namespace kelvane {
class TDomElement;
}

namespace kelvane::rt {

// What the shaders read so far are known by, and the pictures loaded so far by file name.
struct ShadingTables {
    std::map<std::string, int> textures;  // texture objects
    std::map<std::string, int> nodes;     // shader nodes
    std::map<std::string, std::shared_ptr<const PictureData>> pictures;
};

// Whether a shader element of this type is a node (a texture, mapper, colour band ...) rather
// than a shader objects may use.
bool IsNodeType(const std::string& type);

// Reads a `texture` element (node false) or a node shader element into a texture; false for an
// unknown type, with the renderer's warning.
bool ReadTexture(const TDomElement* e, bool node, ShadingTables& tables, Scene& scene, Texture& out);

// Reads a `generic`, `constant` or `blendershader` shader with its modulators.
Shader ReadShader(const TDomElement* e, const ShadingTables& tables, Scene& scene);

// Decodes a picture file by its extension (JPEG, Targa, PNG; others tried in turn); null with a
// problem text when it cannot be read.
std::shared_ptr<const PictureData> LoadPicture(const std::string& file, std::string& problem);

} // namespace kelvane::rt
