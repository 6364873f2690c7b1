#pragma once
// Small scenes for the ray tracer's known-answer tests: a 64 x 64 camera at (0, 0, 5) looking
// down at the origin (the plane z = 0 spans -2.5 ... 2.5 in x and y), shaders, quads and lights.
#include <string>

#include "raytracer/RtRender.h"
#include "raytracer/RtScene.h"
#include "support/TempDir.h"

namespace kelvane::test::rt {

using namespace kelvane::rt;

inline std::string SceneText(const std::string& body, const std::string& render = "", int res = 64)
{
    return "<scene>\n" + body + "<camera name=\"C\" resx=\"" + std::to_string(res) + "\" resy=\"" + std::to_string(res) +
           "\" focal=\"1\">\n<from x=\"0\" y=\"0\" z=\"5\"/>\n<to x=\"0\" y=\"0\" z=\"0\"/>\n"
           "<up x=\"0\" y=\"1\" z=\"5\"/>\n</camera>\n"
           "<render camera_name=\"C\" " + render + ">\n<outfile value=\"o.tga\"/>\n</render>\n</scene>\n";
}

inline std::string ShaderXml(const std::string& name, const std::string& type, const std::string& attributes,
                             const std::string& modulators = "")
{
    return "<shader type=\"" + type + "\" name=\"" + name + "\">\n<attributes>\n" + attributes + "</attributes>\n" +
           modulators + "</shader>\n";
}

// A square of half size h at height z, made of two faces; `faceExtra` goes into both faces
// (uv coordinates of the second face follow those of the first's corners 0, 2 and 3).
inline std::string Quad(const std::string& name, const std::string& shader, double h, double z = 0,
                        const std::string& extra = "", double x = 0, bool uv = false)
{
    auto p = [&](double px, double py) {
        return "<p x=\"" + std::to_string(x + px) + "\" y=\"" + std::to_string(py) + "\" z=\"" + std::to_string(z) + "\"/>\n";
    };
    // uv 0 ... 1 with v = 0 along the top edge (y = h).
    const std::string f1 = uv ? " u_a=\"0\" v_a=\"1\" u_b=\"1\" v_b=\"1\" u_c=\"1\" v_c=\"0\"" : "";
    const std::string f2 = uv ? " u_a=\"0\" v_a=\"1\" u_b=\"1\" v_b=\"0\" u_c=\"0\" v_c=\"0\"" : "";
    return "<object name=\"" + name + "\" shader_name=\"" + shader + "\" " + extra + ">\n<attributes>\n</attributes>\n"
           "<mesh>\n<points>\n" + p(-h, -h) + p(h, -h) + p(h, h) + p(-h, h) +
           "</points>\n<faces>\n<f a=\"0\" b=\"1\" c=\"2\"" + f1 + "/>\n<f a=\"0\" b=\"2\" c=\"3\"" + f2 +
           "/>\n</faces>\n</mesh>\n</object>\n";
}

inline const std::string kWhite = ShaderXml("W", "generic", "<color r=\"1\" g=\"1\" b=\"1\"/>\n");

inline std::string LightXml(const std::string& type, const std::string& attributes, const std::string& children,
                            const std::string& name = "L")
{
    return "<light type=\"" + type + "\" name=\"" + name + "\" " + attributes + ">\n" + children + "</light>\n";
}

inline std::string Sky(double level)
{
    const std::string v = std::to_string(level);
    return "<background type=\"constant\" name=\"B\">\n<color r=\"" + v + "\" g=\"" + v + "\" b=\"" + v + "\"/>\n</background>\n";
}

inline Scene Load(const std::string& text)
{
    TempDir dir;
    Scene scene;
    LoadScene(dir.Write("s.xml", text), scene);
    return scene;
}

inline Image Render(const Scene& scene, int threads = 2)
{
    Renderer renderer(scene);
    Image image;
    renderer.Render(image, threads, nullptr);
    return image;
}

inline int Byte(const Image& image, int x, int y, int channel = 0)
{
    const Color& c = image.At(x, y);
    return ToByte(channel == 0 ? c.r : channel == 1 ? c.g : c.b);
}

inline double MeanByte(const Image& image, int channel = 0)
{
    double sum = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            sum += Byte(image, x, y, channel);
    return sum / (image.width * image.height);
}

} // namespace kelvane::test::rt
