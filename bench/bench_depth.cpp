// Memory and time of open + save + render file against the nesting depth of a scene, beside a
// flat scene of the same elements (side by side instead of one inside the other) in the same run.
//
// Two shapes: unknown elements nested as exporters never write them (<a><a>...</a></a>, 7 bytes a
// level: a million levels make 7 MB), and transforms nested around one object, as a deep
// hierarchy of a modeller is written. Each open + save runs in a child process of its own; its
// peak resident size is read with wait4.
//
//   bench_depth [--quick]      depths 1,000 to 1,000,000 (--quick: to 100,000)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "BenchChild.h"
#include "editing/SceneSession.h"
#include "scene/FileIO.h"

using namespace kelvane;
using kelvane::bench::InChild;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kHead = "<scene>\n<shader type=\"generic\" name=\"M\"><attributes></attributes></shader>\n";
constexpr std::string_view kTail =
    "<light type=\"pointlight\" name=\"L\" power=\"1\"><from x=\"0\" y=\"0\" z=\"5\"/></light>\n"
    "<camera name=\"C\" resx=\"64\" resy=\"64\" focal=\"1\"><from x=\"0\" y=\"0\" z=\"5\"/><to x=\"0\" y=\"0\" z=\"0\"/>"
    "<up x=\"0\" y=\"1\" z=\"5\"/></camera>\n<render camera_name=\"C\"><outfile value=\"o.tga\"/></render>\n</scene>\n";
constexpr std::string_view kObject =
    "<object name=\"O\" shader_name=\"M\"><attributes></attributes><mesh>\n <points>\n<p x=\"0\" y=\"0\" z=\"0\"/>\n"
    "<p x=\"1\" y=\"0\" z=\"0\"/>\n<p x=\"0\" y=\"1\" z=\"0\"/>\n </points>\n <faces>\n<f a=\"0\" b=\"1\" c=\"2\"/>\n"
    " </faces>\n</mesh></object>\n";
constexpr std::string_view kTransform = "<transform m00=\"1\" m11=\"1\" m22=\"1\" m33=\"1\">\n";

void Repeat(std::ofstream& out, std::string_view text, size_t times)
{
    for (size_t i = 0; i < times; ++i)
        out << text;
}

// depth elements, nested or side by side.
void WriteScene(const fs::path& file, bool transforms, size_t depth, bool nested)
{
    std::ofstream out(file, std::ios::binary);
    out << kHead;
    const std::string_view open = transforms ? kTransform : "<a>";
    const std::string_view close = transforms ? "</transform>\n" : "</a>";
    if (nested) {
        Repeat(out, open, depth);
        if (transforms)
            out << kObject;
        Repeat(out, close, depth);
    } else {
        for (size_t i = 0; i < depth; ++i) {
            out << open;
            if (transforms && i == 0)
                out << kObject;
            out << close;
        }
    }
    out << '\n' << kTail;
}

struct TRun {
    double seconds = 0;
    long peakKb = 0;
};

// Open, Save as and the render file, as the editor does them one after the other.
TRun OpenSaveRender(const fs::path& scene, const fs::path& folder)
{
    long peakKb = 0;
    TRun r = InChild<TRun>(
        [&] {
            TSceneSession session(folder);
            const auto start = Clock::now();
            session.OpenScene({scene});
            session.SaveAs(folder / "saved.xml");
            session.WriteScene();
            TRun t;
            t.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            return t;
        },
        &peakKb);
    r.peakKb = peakKb;
    fs::remove(folder / "saved.xml");
    fs::remove(folder / "~Rendering.tmp");
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    TWorkFolder work("kelvane-bench-depth");
    const fs::path folder = work.Path();
    std::vector<size_t> depths = {1000, 10000, 20000, 100000, 1000000};
    if (quick)
        depths.pop_back();
    std::printf("Open + Save as + render file of nested elements against the same elements side by side\n");
    std::printf("%-10s %9s %7s %9s %9s %7s %8s %8s %7s\n", "shape", "depth", "MB", "peak MB", "flat MB", "x flat",
                "nested s", "flat s", "x flat");
    for (const bool transforms : {false, true}) {
        for (const size_t depth : depths) {
            const fs::path scene = folder / "scene.xml";
            WriteScene(scene, transforms, depth, true);
            const double mb = static_cast<double>(fs::file_size(scene)) / (1 << 20);
            const TRun nested = OpenSaveRender(scene, folder);
            WriteScene(scene, transforms, depth, false);
            const TRun flat = OpenSaveRender(scene, folder);
            fs::remove(scene);
            std::printf("%-10s %9zu %7.1f %9.1f %9.1f %7.2f %8.2f %8.2f %7.2f\n", transforms ? "transform" : "<a>", depth,
                        mb, nested.peakKb / 1024.0, flat.peakKb / 1024.0,
                        static_cast<double>(nested.peakKb) / static_cast<double>(flat.peakKb), nested.seconds,
                        flat.seconds, nested.seconds / flat.seconds);
            std::fflush(stdout);
        }
    }
    return 0;
}
