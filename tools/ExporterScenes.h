#pragma once
// Scenes written the way the common exporters write them, for the ray tracer's tests and
// benchmarks: a textured Blender-style scene (shader nodes, blendermapper, blendershader,
// transforms with multi-line start tags, a low sunsky), a Wings-style scene with a global
// illumination light set (section comments, "w_" names, CR LF, faces split over lines, generic
// shaders with texture modulators) and a K-3D-style scene (a comment before every block).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "render/JpegCodec.h"
#include "render/Targa.h"
#include "scene/FileIO.h"

namespace kelvane::scenes {

struct Mesh {
    struct Point {
        double x, y, z;
    };
    struct Face {
        int a, b, c;
        double uv[6];
    };
    std::vector<Point> points;
    std::vector<Face> faces;
};

// An n x n grid of quads over [-h, h]^2 at height z, uv 0 ... 1.
inline Mesh Plane(int n, double h, double z)
{
    Mesh m;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            m.points.push_back({-h + 2 * h * i / n, -h + 2 * h * j / n, z});
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 2, d = a + n + 1;
            const double u0 = double(i) / n, u1 = double(i + 1) / n, v0 = 1 - double(j) / n, v1 = 1 - double(j + 1) / n;
            m.faces.push_back({a, b, c, {u0, v0, u1, v0, u1, v1}});
            m.faces.push_back({a, c, d, {u0, v0, u1, v1, u0, v1}});
        }
    return m;
}

// A sphere of `rings` x `segments` quads (poles as fans), uv by longitude and latitude.
inline Mesh Sphere(int rings, int segments, double r, double cx, double cy, double cz)
{
    const double pi = 3.14159265358979323846;
    Mesh m;
    for (int j = 0; j <= rings; ++j)
        for (int i = 0; i <= segments; ++i) {
            const double t = pi * j / rings, p = 2 * pi * i / segments;
            m.points.push_back({cx + r * std::sin(t) * std::cos(p), cy + r * std::sin(t) * std::sin(p), cz + r * std::cos(t)});
        }
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const int a = j * (segments + 1) + i, b = a + 1, c = a + segments + 2, d = a + segments + 1;
            const double u0 = double(i) / segments, u1 = double(i + 1) / segments, v0 = double(j) / rings, v1 = double(j + 1) / rings;
            if (j > 0)
                m.faces.push_back({a, b, c, {u0, v0, u1, v0, u1, v1}});
            if (j + 1 < rings)
                m.faces.push_back({a, c, d, {u0, v0, u1, v1, u0, v1}});
        }
    return m;
}

// A box of half size h centred at (cx, cy, cz), each side uv 0 ... 1, faces pointing out.
inline Mesh Box(double h, double cx, double cy, double cz)
{
    Mesh m;
    const double uvOf[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int axis = 0; axis < 3; ++axis)
        for (double sign : {1.0, -1.0}) {
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            const int base = static_cast<int>(m.points.size());
            for (int k = 0; k < 4; ++k) {
                double c[3];
                c[axis] = sign * h;
                c[u] = (k == 1 || k == 2) ? h : -h;
                c[v] = k >= 2 ? h : -h;
                m.points.push_back({cx + c[0], cy + c[1], cz + c[2]});
            }
            const int order[2][3] = {{0, 1, 2}, {0, 2, 3}};
            for (const auto& tri : order) {
                const int k0 = tri[0], k1 = sign > 0 ? tri[1] : tri[2], k2 = sign > 0 ? tri[2] : tri[1];
                m.faces.push_back({base + k0, base + k1, base + k2,
                                   {uvOf[k0][0], uvOf[k0][1], uvOf[k1][0], uvOf[k1][1], uvOf[k2][0], uvOf[k2][1]}});
            }
        }
    return m;
}

// Writes the pictures the textured scenes name: "bricks.jpg" (JPEG) and "tiles.tga" (Targa).
inline void WriteTexturePictures(const std::filesystem::path& folder)
{
    TPicture bricks = TPicture::Make(128, 128, 3), tiles = TPicture::Make(64, 64, 3);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const int row = y / 16, shift = row % 2 ? 16 : 0;
            const bool mortar = y % 16 < 2 || (x + shift) % 32 < 2;
            uint8_t* p = bricks.Row(y) + 3 * x;
            p[0] = mortar ? 200 : static_cast<uint8_t>(150 + (x * 7 + y * 3) % 40);
            p[1] = mortar ? 195 : 70;
            p[2] = mortar ? 190 : 50;
        }
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = tiles.Row(y) + 3 * x;
            const bool dark = ((x / 8) + (y / 8)) % 2 == 1;
            p[0] = dark ? 30 : 230;
            p[1] = dark ? 60 : 220;
            p[2] = dark ? 120 : 200;
        }
    WriteFileAtomic(folder / "bricks.jpg", EncodeJpeg(bricks, TJpegOptions{}));
    WriteFileAtomic(folder / "tiles.tga", EncodeTarga(tiles));
}

// Text in an exporter's layout: indentation, line ends and number format.
class ExporterText {
public:
    explicit ExporterText(bool crlf = false) : end_(crlf ? "\r\n" : "\n") {}
    ExporterText& Line(const std::string& text)
    {
        text_ += text;
        text_ += end_;
        return *this;
    }
    static std::string Num(double v)
    {
        char b[32];
        std::snprintf(b, sizeof b, "%.6f", v);
        return b;
    }
    static std::string Rgb(const char* tag, double r, double g, double b)
    {
        return std::string("<") + tag + " r=\"" + Num(r) + "\" g=\"" + Num(g) + "\" b=\"" + Num(b) + "\" />";
    }
    static std::string Xyz(const char* tag, double x, double y, double z)
    {
        return std::string("<") + tag + " x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" z=\"" + Num(z) + "\" />";
    }
    // Mesh data one element per line; faces split over two lines when `split`.
    void MeshData(const Mesh& m, const std::string& indent, bool uv, bool split, const std::string& faceShader = "")
    {
        Line(indent + "<points>");
        for (const Mesh::Point& p : m.points)
            Line(indent + "\t" + Xyz("p", p.x, p.y, p.z));
        Line(indent + "</points>");
        Line(indent + "<faces>");
        for (const Mesh::Face& f : m.faces) {
            std::string head = indent + "\t<f a=\"" + std::to_string(f.a) + "\" b=\"" + std::to_string(f.b) + "\" c=\"" +
                               std::to_string(f.c) + "\"";
            std::string tail;
            if (uv)
                tail = " u_a=\"" + Num(f.uv[0]) + "\" v_a=\"" + Num(f.uv[1]) + "\" u_b=\"" + Num(f.uv[2]) + "\" v_b=\"" +
                       Num(f.uv[3]) + "\" u_c=\"" + Num(f.uv[4]) + "\" v_c=\"" + Num(f.uv[5]) + "\"";
            if (!faceShader.empty())
                tail += " shader_name=\"" + faceShader + "\"";
            if (split) {
                Line(head);
                Line(indent + "\t\t" + tail + " />");
            } else {
                Line(head + tail + " />");
            }
        }
        Line(indent + "</faces>");
    }
    const std::string& Text() const { return text_; }

private:
    std::string end_;
    std::string text_;
};

inline void Camera(ExporterText& w, const char* name, int resx, int resy, double focal, double fx, double fy, double fz,
                   double tx, double ty, double tz)
{
    w.Line(std::string("<camera name=\"") + name + "\" resx=\"" + std::to_string(resx) + "\" resy=\"" + std::to_string(resy) +
           "\" focal=\"" + ExporterText::Num(focal) + "\" >");
    w.Line("\t" + ExporterText::Xyz("from", fx, fy, fz));
    w.Line("\t" + ExporterText::Xyz("to", tx, ty, tz));
    w.Line("\t" + ExporterText::Xyz("up", fx, fy, fz + 1));
    w.Line("</camera>");
}

// Blender style: shader nodes (clouds, marble, wood, image) through blendermappers into
// blendershader modulators, uv and orco coordinates, bump, objects in transforms, a low sun.
inline std::string BlenderTextured(const std::string& pictureFolder, int resx, int resy)
{
    ExporterText w;
    const std::string folder = pictureFolder.empty() ? "" : pictureFolder + "/";
    w.Line("<scene>");
    w.Line("<shader type=\"clouds\" name=\"Tex.Clouds\" size=\"1.5\" depth=\"3\" noise_type=\"blender\" >");
    w.Line("</shader>");
    w.Line("<shader type=\"marble\" name=\"Tex.Marble\" depth=\"2\" turbulence=\"3.5\" sharpness=\"2\" hard=\"on\" noise_type=\"blender\" >");
    w.Line("</shader>");
    w.Line("<shader type=\"wood\" name=\"Tex.Wood\" wood_type=\"rings\" turbulence=\"0.8\" size=\"1\" noise_type=\"stdperlin\" >");
    w.Line("</shader>");
    w.Line("<shader type=\"image\" name=\"Tex.Bricks\" >");
    w.Line("\t<filename value=\"" + folder + "bricks.jpg\" />");
    w.Line("</shader>");
    w.Line("<shader type=\"image\" name=\"Tex.Tiles\" interpolate=\"none\" >");
    w.Line("\t<filename value=\"" + folder + "tiles.tga\" />");
    w.Line("</shader>");
    auto mapper = [&](const std::string& name, const std::string& input, const std::string& params) {
        w.Line("<shader type=\"blendermapper\" name=\"" + name + "\" input=\"" + input + "\" " + params + " >");
        w.Line("</shader>");
    };
    mapper("Floor_map0", "Tex.Tiles", "texco=\"uv\" mapping=\"flat\" xrepeat=\"4\" yrepeat=\"4\"");
    mapper("Floor_map1", "Tex.Marble", "texco=\"global\" size=\"0.4\"");
    mapper("Ball_map0", "Tex.Clouds", "texco=\"orco\"");
    mapper("Ball_map1", "Tex.Wood", "texco=\"orco\" sizex=\"0.5\" sizey=\"0.5\" sizez=\"0.5\"");
    mapper("Cube_map0", "Tex.Bricks", "texco=\"uv\"");
    auto blender = [&](const std::string& name, double r, double g, double b, const std::vector<std::string>& modulators) {
        w.Line("<shader type=\"blendershader\" name=\"" + name + "\" >");
        w.Line("\t<attributes>");
        w.Line("\t\t" + ExporterText::Rgb("color", r, g, b));
        w.Line("\t\t" + ExporterText::Rgb("specular_color", 1, 1, 1));
        w.Line("\t\t<specular_amount value=\"0.3\" />");
        w.Line("\t\t<hard value=\"30\" />");
        w.Line("\t\t<diffuse_reflect value=\"0.9\" />");
        w.Line("\t\t<emit value=\"0.02\" />");
        w.Line("\t</attributes>");
        for (const std::string& m : modulators)
            w.Line("\t" + m);
        w.Line("</shader>");
    };
    blender("MAFloor", 0.7, 0.7, 0.7,
            {"<modulator input=\"Floor_map0\" mode=\"mix\" color=\"1\" colfac=\"1\" >\n\t</modulator>",
             "<modulator input=\"Floor_map1\" mode=\"mul\" color=\"1\" colfac=\"0.5\" normal=\"0.2\" >\n\t\t"
             "<texcol r=\"0.9\" g=\"0.85\" b=\"0.8\" />\n\t</modulator>"});
    blender("MABall", 0.2, 0.3, 0.8,
            {"<modulator input=\"Ball_map0\" mode=\"mix\" color=\"1\" colfac=\"0.8\" >\n\t\t<texcol r=\"1\" g=\"1\" b=\"1\" />\n\t</modulator>",
             "<modulator input=\"Ball_map1\" mode=\"add\" color=\"1\" colfac=\"0.3\" specular=\"1\" >\n\t\t"
             "<texcol r=\"0.6\" g=\"0.3\" b=\"0.1\" />\n\t</modulator>"});
    blender("MACube", 0.8, 0.8, 0.8,
            {"<modulator input=\"Cube_map0\" mode=\"mix\" color=\"1\" colfac=\"1\" normal=\"0.5\" >\n\t</modulator>"});
    auto object = [&](const std::string& name, const std::string& shader, const Mesh& mesh, double dx, double dy, double dz,
                      double smooth) {
        w.Line("<transform");
        w.Line("\tm00=\"1.000000\" m01=\"0.000000\" m02=\"0.000000\" m03=\"" + ExporterText::Num(dx) + "\"");
        w.Line("\tm10=\"0.000000\" m11=\"1.000000\" m12=\"0.000000\" m13=\"" + ExporterText::Num(dy) + "\"");
        w.Line("\tm20=\"0.000000\" m21=\"0.000000\" m22=\"1.000000\" m23=\"" + ExporterText::Num(dz) + "\"");
        w.Line("\tm30=\"0.000000\" m31=\"0.000000\" m32=\"0.000000\" m33=\"1.000000\" >");
        w.Line("<object name=\"" + name + "\" shader_name=\"" + shader + "\" shadow=\"on\" >");
        w.Line("\t<attributes>");
        w.Line("\t</attributes>");
        w.Line("\t<mesh autosmooth=\"" + ExporterText::Num(smooth) + "\" >");
        w.MeshData(mesh, "\t\t", true, false);
        w.Line("\t</mesh>");
        w.Line("</object>");
        w.Line("</transform>");
    };
    object("Plane", "MAFloor", Plane(16, 6, 0), 0, 0, 0, 0);
    object("Sphere", "MABall", Sphere(16, 24, 1, 0, 0, 0), -1.2, 0.6, 1, 90);
    object("Cube.001", "MACube", Box(0.8, 0, 0, 0), 1.4, -0.4, 0.8, 0);
    w.Line("<light type=\"pointlight\" name=\"Lamp\" power=\"18\" cast_shadows=\"on\" >");
    w.Line("\t" + ExporterText::Xyz("from", 3, -4, 6));
    w.Line("\t" + ExporterText::Rgb("color", 1, 0.95, 0.9));
    w.Line("</light>");
    w.Line("<light type=\"sunlight\" name=\"Lamp.001\" power=\"0.6\" cast_shadows=\"on\" >");
    w.Line("\t" + ExporterText::Xyz("from", -1, 1.5, 0.5));
    w.Line("\t" + ExporterText::Rgb("color", 1, 0.8, 0.6));
    w.Line("</light>");
    Camera(w, "Camera", resx, resy, 1.2, 0.5, -8, 4.5, 0, 0, 0.6);
    w.Line("<background type=\"sunsky\" name=\"World\" turbidity=\"3\" add_sun=\"on\" >");
    w.Line("\t" + ExporterText::Xyz("from", -1, 1.5, 0.5));
    w.Line("</background>");
    w.Line("<render camera_name=\"Camera\" raydepth=\"3\" bias=\"0.001\" AA_passes=\"1\" AA_minsamples=\"2\" "
           "AA_threshold=\"0.05\" gamma=\"1\" exposure=\"0\" background_name=\"World\" >");
    w.Line("\t<outfile value=\"blender.tga\" />");
    w.Line("</render>");
    w.Line("</scene>");
    return w.Text();
}

// Wings style: section comments, "w_" names, CR LF, faces split over two lines, generic shaders
// with texture modulators, and the exporter's light set: a pathlight with a global photon map,
// an area light, a sphere light, a caustic photon light and a constant sky.
inline std::string WingsGi(const std::string& pictureFolder, int resx, int resy, bool cache = false)
{
    ExporterText w(true);
    const std::string folder = pictureFolder.empty() ? "" : pictureFolder + "/";
    w.Line("<scene>");
    w.Line("<!-- Textures -->");
    w.Line("<texture type=\"clouds\" name=\"w_wall_tex\" >");
    w.Line("\t" + ExporterText::Rgb("color1", 0.55, 0.5, 0.45));
    w.Line("\t" + ExporterText::Rgb("color2", 0.85, 0.8, 0.7));
    w.Line("\t<depth value=\"3\" />");
    w.Line("\t<size value=\"2\" />");
    w.Line("</texture>");
    w.Line("<texture type=\"jpeg\" name=\"w_floor_tex\" >");
    w.Line("\t<filename value=\"" + folder + "bricks.jpg\" />");
    w.Line("</texture>");
    w.Line("<!-- Shaders -->");
    auto generic = [&](const std::string& name, double r, double g, double b, const std::string& extra,
                       const std::string& modulator) {
        w.Line("<shader type=\"generic\" name=\"" + name + "\" >");
        w.Line("\t<attributes>");
        w.Line("\t\t" + ExporterText::Rgb("color", r, g, b));
        if (!extra.empty())
            w.Line(extra);
        w.Line("\t</attributes>");
        if (!modulator.empty())
            w.Line(modulator);
        w.Line("</shader>");
    };
    generic("w_floor", 0.8, 0.8, 0.8, "",
            "\t<modulator texname=\"w_floor_tex\" mode=\"mix\" texco=\"uv\" xrepeat=\"3\" yrepeat=\"3\" >\r\n"
            "\t\t<color value=\"1\" />\r\n\t\t<normal value=\"0.3\" />\r\n\t</modulator>");
    generic("w_wall", 0.7, 0.7, 0.7, "",
            "\t<modulator texname=\"w_wall_tex\" mode=\"mul\" texco=\"global\" >\r\n\t\t<color value=\"1\" />\r\n\t</modulator>");
    generic("w_ball", 0.9, 0.3, 0.2, "\t\t" + ExporterText::Rgb("specular", 0.5, 0.5, 0.5) + "\r\n\t\t<hard value=\"40\" />", "");
    generic("w_glass", 0.0, 0.0, 0.0,
            "\t\t" + ExporterText::Rgb("transmitted", 0.9, 0.95, 0.9) + "\r\n\t\t<IOR value=\"1.5\" />\r\n\t\t" +
                ExporterText::Rgb("reflected", 1, 1, 1),
            "");
    w.Line("<shader type=\"constant\" name=\"w_lamp\" >");
    w.Line("\t<attributes>");
    w.Line("\t\t" + ExporterText::Rgb("color", 4, 3.8, 3.5));
    w.Line("\t</attributes>");
    w.Line("</shader>");
    w.Line("<!-- Objects -->");
    auto object = [&](const std::string& name, const std::string& shader, const Mesh& mesh, const std::string& attributes) {
        w.Line("<object name=\"" + name + "\" shader_name=\"" + shader + "\" shadow=\"on\" " + attributes + " >");
        w.Line("\t<attributes>");
        w.Line("\t</attributes>");
        w.Line("\t<mesh autosmooth=\"60\" >");
        w.MeshData(mesh, "\t\t", true, true);
        w.Line("\t</mesh>");
        w.Line("</object>");
    };
    object("w_floor1", "w_floor", Plane(8, 4, 0), "emit_rad=\"on\" recv_rad=\"on\"");
    Mesh wall = Plane(8, 4, 0);
    for (Mesh::Point& p : wall.points) {
        const double y = p.y;
        p.y = 4;
        p.z = y + 4;
    }
    object("w_wall1", "w_wall", wall, "emit_rad=\"on\" recv_rad=\"on\"");
    object("w_ball1", "w_ball", Sphere(12, 18, 0.9, -1, 0.8, 0.9), "emit_rad=\"on\" recv_rad=\"on\"");
    object("w_glass1", "w_glass", Sphere(12, 18, 0.7, 1.2, -0.3, 0.7), "caus_IOR=\"1.5\"");
    object("w_lamp1", "w_lamp", Plane(1, 0.5, 5.5), "shadow=\"on\" emit_rad=\"off\" recv_rad=\"off\"");
    w.Line("<!-- Lights -->");
    w.Line("<light type=\"arealight\" name=\"w_Light_1\" power=\"3\" samples=\"16\" psamples=\"4\" >");
    w.Line("\t" + ExporterText::Xyz("a", -0.5, -0.5, 5.45));
    w.Line("\t" + ExporterText::Xyz("b", -0.5, 0.5, 5.45));
    w.Line("\t" + ExporterText::Xyz("c", 0.5, 0.5, 5.45));
    w.Line("\t" + ExporterText::Xyz("d", 0.5, -0.5, 5.45));
    w.Line("\t" + ExporterText::Rgb("color", 1, 0.95, 0.9));
    w.Line("</light>");
    w.Line("<light type=\"spherelight\" name=\"w_Light_2\" power=\"4\" radius=\"0.3\" samples=\"8\" >");
    w.Line("\t" + ExporterText::Xyz("from", 3, -3, 3));
    w.Line("\t" + ExporterText::Rgb("color", 0.9, 0.9, 1));
    w.Line("</light>");
    w.Line("<light type=\"photonlight\" name=\"w_Light_3\" power=\"5\" photons=\"20000\" search=\"50\" angle=\"30\" mode=\"caustic\" fixedradius=\"0.3\" cluster=\"0.05\" >");
    w.Line("\t" + ExporterText::Xyz("from", 1.2, -0.3, 4));
    w.Line("\t" + ExporterText::Xyz("to", 1.2, -0.3, 0));
    w.Line("\t" + ExporterText::Rgb("color", 1, 1, 1));
    w.Line("</light>");
    w.Line("<light type=\"globalphotonlight\" name=\"w_gpm\" photons=\"20000\" radius=\"1\" depth=\"2\" search=\"100\" >");
    w.Line("</light>");
    w.Line(std::string("<light type=\"pathlight\" name=\"w_path\" power=\"1\" depth=\"2\" samples=\"16\" ") +
           (cache ? "cache=\"on\" cache_size=\"0.01\" threshold=\"0.2\" " : "") + "use_QMC=\"off\" >");
    w.Line("</light>");
    w.Line("<!-- Camera -->");
    Camera(w, "w_camera", resx, resy, 1, 0.3, -7, 2.6, 0, 0, 1.4);
    w.Line("<!-- Background -->");
    w.Line("<background type=\"constant\" name=\"w_sky\" >");
    w.Line("\t" + ExporterText::Rgb("color", 0.35, 0.45, 0.6));
    w.Line("</background>");
    w.Line("<!-- Render -->");
    w.Line("<render camera_name=\"w_camera\" raydepth=\"4\" bias=\"0.001\" AA_passes=\"1\" AA_minsamples=\"2\" "
           "gamma=\"1.4\" exposure=\"0\" background_name=\"w_sky\" >");
    w.Line("\t<outfile value=\"wings.tga\" />");
    w.Line("</render>");
    w.Line("</scene>");
    return w.Text();
}

// K-3D style: a comment before every block, generic shaders, point, spot and soft lights,
// a transform with a null instance, a clouds texture object.
inline std::string K3d(int resx, int resy)
{
    ExporterText w;
    w.Line("<scene>");
    w.Line("<!-- K-3D texture: Noise -->");
    w.Line("<texture type=\"clouds\" name=\"Noise\" >");
    w.Line("\t<depth value=\"2\" />");
    w.Line("\t<size value=\"3\" />");
    w.Line("</texture>");
    w.Line("<!-- K-3D shader: Matte -->");
    w.Line("<shader type=\"generic\" name=\"Matte\" >");
    w.Line("\t<attributes>");
    w.Line("\t\t" + ExporterText::Rgb("color", 0.6, 0.65, 0.7));
    w.Line("\t</attributes>");
    w.Line("\t<modulator texname=\"Noise\" mode=\"mix\" texco=\"global\" >");
    w.Line("\t\t<color value=\"0.4\" />");
    w.Line("\t</modulator>");
    w.Line("</shader>");
    w.Line("<!-- K-3D shader: Shiny -->");
    w.Line("<shader type=\"generic\" name=\"Shiny\" >");
    w.Line("\t<attributes>");
    w.Line("\t\t" + ExporterText::Rgb("color", 0.8, 0.7, 0.2));
    w.Line("\t\t" + ExporterText::Rgb("specular", 0.8, 0.8, 0.8));
    w.Line("\t\t<hard value=\"60\" />");
    w.Line("\t\t" + ExporterText::Rgb("reflected", 0.5, 0.5, 0.5));
    w.Line("\t\t<min_refle value=\"0.2\" />");
    w.Line("\t</attributes>");
    w.Line("</shader>");
    w.Line("<!-- K-3D object: Ground -->");
    w.Line("<object name=\"Ground\" shader_name=\"Matte\" shadow=\"on\" >");
    w.Line("\t<attributes>\n\t</attributes>");
    w.Line("\t<mesh>");
    w.MeshData(Plane(4, 5, 0), "\t\t", false, false);
    w.Line("\t</mesh>");
    w.Line("</object>");
    w.Line("<!-- K-3D object: Ball -->");
    w.Line("<transform m03=\"-1\" m13=\"0.5\" m23=\"0.8\" >");
    w.Line("<object name=\"Ball\" shader_name=\"Shiny\" shadow=\"on\" >");
    w.Line("\t<attributes>\n\t</attributes>");
    w.Line("\t<mesh autosmooth=\"180\" >");
    w.MeshData(Sphere(12, 16, 0.8, 0, 0, 0), "\t\t", false, false);
    w.Line("\t</mesh>");
    w.Line("</object>");
    w.Line("</transform>");
    w.Line("<!-- K-3D instance: Ball2 -->");
    w.Line("<transform m03=\"2.2\" m13=\"-0.5\" >");
    w.Line("<object name=\"Ball2\" original=\"Ball\" >");
    w.Line("\t<attributes>\n\t</attributes>");
    w.Line("\t<null/>");
    w.Line("</object>");
    w.Line("</transform>");
    w.Line("<!-- K-3D light: Key -->");
    w.Line("<light type=\"spotlight\" name=\"Key\" power=\"40\" size=\"35\" blend=\"0.3\" beam_falloff=\"1\" >");
    w.Line("\t" + ExporterText::Xyz("from", 3, -3, 5));
    w.Line("\t" + ExporterText::Xyz("to", 0, 0, 0));
    w.Line("</light>");
    w.Line("<!-- K-3D light: Fill -->");
    w.Line("<light type=\"softlight\" name=\"Fill\" power=\"8\" res=\"200\" radius=\"2\" >");
    w.Line("\t" + ExporterText::Xyz("from", -4, -2, 4));
    w.Line("</light>");
    w.Line("<!-- K-3D light: Rim -->");
    w.Line("<light type=\"pointlight\" name=\"Rim\" power=\"6\" >");
    w.Line("\t" + ExporterText::Xyz("from", 0, 4, 3));
    w.Line("</light>");
    w.Line("<!-- K-3D camera -->");
    Camera(w, "k3d_camera", resx, resy, 1.4, 1, -7, 3.5, 0.2, 0, 0.5);
    w.Line("<!-- K-3D background -->");
    w.Line("<background type=\"constant\" name=\"k3d_background\" >");
    w.Line("\t" + ExporterText::Rgb("color", 0.1, 0.1, 0.15));
    w.Line("</background>");
    w.Line("<!-- K-3D render -->");
    w.Line("<render camera_name=\"k3d_camera\" raydepth=\"3\" AA_passes=\"2\" AA_minsamples=\"2\" background_name=\"k3d_background\" >");
    w.Line("\t<outfile value=\"k3d.tga\" />");
    w.Line("</render>");
    w.Line("</scene>");
    return w.Text();
}

} // namespace kelvane::scenes
