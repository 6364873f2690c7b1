// The bundled ray tracer on a generated 1,000,000-triangle scene at 320 x 240: rays per second
// per core, beside the same lights and camera over a two-triangle floor measured in the same run.
// Then exporter-style scenes at 640 x 480 (textured, global illumination, K-3D) on one thread
// and on two: their times and the speed-up.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "ExporterScenes.h"
#include "raytracer/RtRender.h"
#include "raytracer/RtScene.h"

using namespace kelvane::rt;
namespace fs = std::filesystem;

namespace {

// A rippled height field of (n - 1)^2 * 2 triangles and the sky above it, in exporter layout.
std::string GenerateScene(int n)
{
    std::string s;
    s.reserve(static_cast<size_t>(n) * n * 80);
    s += "<scene>\n<shader type=\"generic\" name=\"Ground\">\n\t<attributes>\n\t\t<color r=\"0.7\" g=\"0.6\" b=\"0.5\"/>\n"
         "\t\t<specular r=\"0.3\" g=\"0.3\" b=\"0.3\"/>\n\t\t<hard value=\"20\"/>\n\t</attributes>\n</shader>\n";
    s += "<object name=\"Field\" shader_name=\"Ground\" shadow=\"on\">\n\t<attributes>\n\t</attributes>\n"
         "\t<mesh autosmooth=\"60\">\n\t\t<points>\n";
    char line[160];
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const double x = -10 + 20.0 * i / (n - 1), y = -10 + 20.0 * j / (n - 1);
            const double z = 0.4 * std::sin(x * 1.7) * std::cos(y * 1.3) + 0.15 * std::sin(x * 7 + y * 5);
            std::snprintf(line, sizeof line, "\t\t\t<p x=\"%.5f\" y=\"%.5f\" z=\"%.5f\"/>\n", x, y, z);
            s += line;
        }
    s += "\t\t</points>\n\t\t<faces>\n";
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            const int a = j * n + i, b = a + 1, c = a + n + 1, d = a + n;
            std::snprintf(line, sizeof line, "\t\t\t<f a=\"%d\" b=\"%d\" c=\"%d\"/>\n\t\t\t<f a=\"%d\" b=\"%d\" c=\"%d\"/>\n", a, b, c, a, c, d);
            s += line;
        }
    s += "\t\t</faces>\n\t</mesh>\n</object>\n";
    s += "<light type=\"pointlight\" name=\"Lamp\" power=\"60\">\n\t<from x=\"4\" y=\"-3\" z=\"6\"/>\n</light>\n"
         "<light type=\"sunlight\" name=\"Sun\" power=\"0.6\">\n\t<from x=\"-1\" y=\"1\" z=\"1\"/>\n</light>\n"
         "<camera name=\"Camera\" resx=\"320\" resy=\"240\" focal=\"1.2\">\n\t<from x=\"0\" y=\"-14\" z=\"7\"/>\n"
         "\t<to x=\"0\" y=\"0\" z=\"0\"/>\n\t<up x=\"0\" y=\"-14\" z=\"8\"/>\n</camera>\n"
         "<background type=\"sunsky\" name=\"Sky\">\n\t<from x=\"1\" y=\"1\" z=\"1\"/>\n</background>\n"
         "<render camera_name=\"Camera\" raydepth=\"3\" background_name=\"Sky\">\n\t<outfile value=\"bench.tga\"/>\n</render>\n</scene>\n";
    return s;
}

struct Result {
    size_t triangles = 0;
    double loadMs = 0, buildMs = 0, renderMs = 0;
    double renderCpuMs = 0;  // processor time of all threads, which other load on the machine does not inflate
    uint64_t rays = 0;
};

Result Run(const fs::path& file, int threads)
{
    Result r;
    Scene scene;
    const auto t0 = std::chrono::steady_clock::now();
    LoadScene(file, scene);
    const auto tLoaded = std::chrono::steady_clock::now();
    const Renderer renderer(scene);  // builds the hierarchy
    const auto t1 = std::chrono::steady_clock::now();
    Image image;
    const std::clock_t c1 = std::clock();
    renderer.Render(image, threads, nullptr);
    const std::clock_t c2 = std::clock();
    const auto t2 = std::chrono::steady_clock::now();
    r.renderCpuMs = 1000.0 * static_cast<double>(c2 - c1) / CLOCKS_PER_SEC;
    r.triangles = scene.triangles.size();
    r.loadMs = std::chrono::duration<double, std::milli>(tLoaded - t0).count();
    r.buildMs = std::chrono::duration<double, std::milli>(t1 - tLoaded).count();
    r.renderMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    r.rays = renderer.RayCount();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int threads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const fs::path dir = fs::temp_directory_path() / ("kelvane-bench-rt-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path big = dir / "million.xml", small = dir / "floor.xml";
    std::ofstream(big, std::ios::binary) << GenerateScene(709);  // 708 * 708 * 2 = 1,002,528 triangles
    std::ofstream(small, std::ios::binary) << GenerateScene(2);
    const Result base = Run(small, threads);
    const Result heavy = Run(big, threads);
    fs::remove_all(dir);
    // Rays per second of processor time: per core, and not inflated by other load on the machine.
    auto perCore = [&](const Result& r) { return r.rays / (r.renderCpuMs / 1000.0); };
    std::printf("%-12s %10s %10s %10s %10s %12s %16s\n", "scene", "triangles", "load ms", "build ms", "render ms", "rays",
                "rays/s per core");
    for (const auto& [name, r] : {std::pair{"floor", base}, std::pair{"million", heavy}})
        std::printf("%-12s %10zu %10.0f %10.0f %10.0f %12llu %16.0f\n", name, r.triangles, r.loadMs, r.buildMs, r.renderMs,
                    static_cast<unsigned long long>(r.rays), perCore(r));
    std::printf("threads %d; million/floor rays per second: %.3f\n\n", threads, perCore(heavy) / perCore(base));

    // Exporter-style scenes: one thread against two.
    fs::create_directories(dir);
    kelvane::scenes::WriteTexturePictures(dir);
    const std::pair<const char*, std::string> scenes[] = {
        {"textured", kelvane::scenes::BlenderTextured(dir.string(), 640, 480)},
        {"gi", kelvane::scenes::WingsGi(dir.string(), 640, 480)},
        {"gi-cache", kelvane::scenes::WingsGi(dir.string(), 640, 480, true)},
        {"k3d", kelvane::scenes::K3d(640, 480)},
    };
    std::printf("%-12s %12s %12s %12s %10s %16s\n", "640 x 480", "1 thread ms", "cpu ms", "2 threads ms", "speed-up",
                "rays/cpu-s");
    for (const auto& [name, text] : scenes) {
        const fs::path file = dir / (std::string(name) + ".xml");
        std::ofstream(file, std::ios::binary) << text;
        const Result one = Run(file, 1), two = Run(file, 2);
        std::printf("%-12s %12.0f %12.0f %12.0f %10.2f %16.0f\n", name, one.renderMs, one.renderCpuMs, two.renderMs,
                    one.renderMs / two.renderMs, one.rays / (one.renderCpuMs / 1000.0));
    }
    fs::remove_all(dir);
    return 0;
}
