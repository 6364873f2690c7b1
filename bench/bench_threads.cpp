// The bundled renderer on the 640 x 480 sample scene at one thread and at N threads ("-c N"),
// run the way the render job runs it; the speed-up is the one-thread time over the N-thread time
// of the same run. Medians of three renders each.
//     build/bin/bench_threads [N]
#include "BenchTiming.h"
#include "render/ProcessRunner.h"
#include "render/RenderRegion.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/FileIO.h"

using namespace kelvane;
using kelvane::bench::MedianMs;

int main(int argc, char** argv)
{
    const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
    const fs::path bin = ExecutableFolder();
    const fs::path folder = MakePrivateTempDir("bench_threads");
    for (const char* name : {"sample.xml", "wood.jpg"})
        fs::copy_file(bin / "samples" / name, folder / name);
    const fs::path scene = folder / "sample.xml";
    auto render = [&](int n) {
        TRunRequest request{(bin / "yafray").string(), scene, folder, false};
        request.argv = {"yafray"};
        for (const std::string& option : RendererOptions(n, ""))
            request.argv.push_back(option);
        request.argv.push_back(scene.string());
        std::string out, err;
        TRunOutcome outcome;
        if (!RunRenderer(request, out, err, nullptr, &outcome) || outcome.exitCode != 0 ||
            out.find("Saving Targa file as") == std::string::npos) {
            std::fprintf(stderr, "bench_threads: the renderer failed:\n%s%s\n", out.c_str(), err.c_str());
            std::exit(1);
        }
    };
    const double one = MedianMs([&] { render(1); }, 3);
    const double many = MedianMs([&] { render(threads); }, 3);
    std::printf("%-28s %10s %10s\n", "640 x 480 sample scene", "ms", "speed-up");
    std::printf("%-28s %10.0f %10.2f\n", "1 thread", one, 1.0);
    std::printf("%-28s %10.0f %10.2f\n", ("-c " + std::to_string(threads)).c_str(), many, one / many);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return 0;
}
