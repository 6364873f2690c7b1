// Where the time of File > Open and File > Save as goes: each step of the two on one scene file,
// against a durable copy of the same file measured in the same run.
//
//   bench_phases SCENE [--runs N] [--cpu] [--peak]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <vector>

#include "BenchTiming.h"
#include "scene/Catalogue.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneWriter.h"
#include "scene/skParser.h"

using namespace kelvane;

namespace {

using Clock = std::chrono::steady_clock;

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall time of each step, or with --cpu the processor time (steadier on a busy machine).
bool useCpu = false;
bool showPeak = false;  // --peak: the peak resident size after each step of the first run

// The process's resident size in kB: its peak so far (VmHWM) or now (VmRSS).
long ResidentKb(const char* field)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long kb = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, std::strlen(field)) == 0 && std::sscanf(line + std::strlen(field), ": %ld kB", &kb) == 1)
            break;
    if (f)
        std::fclose(f);
    return kb;
}

struct TPhases {
    std::vector<std::pair<const char*, double>> steps;
    Clock::time_point last = Clock::now();
    double lastCpu = CpuMs();
    void Mark(const char* name)
    {
        const auto now = Clock::now();
        const double cpu = CpuMs();
        steps.emplace_back(name, useCpu ? cpu - lastCpu : std::chrono::duration<double, std::milli>(now - last).count());
        if (showPeak)
        {
            const struct mallinfo2 m = mallinfo2();
            std::printf("  after %-34s %6ld MB now, %6ld MB peak, heap %6.1f MB\n", name, ResidentKb("VmRSS") / 1024,
                        ResidentKb("VmHWM") / 1024, static_cast<double>(m.uordblks + m.hblkhd) / 1048576.0);
        }
        last = now;
        lastCpu = cpu;
    }
};

TPhases OpenAndSave(const fs::path& scene, const fs::path& folder)
{
    TPhases t;
    // The steps of ReadSceneFile, one by one.
    TMeshStash stash;
    stash.StashMeshes(scene, folder / "~Fake.tmp");
    t.Mark("read, cut meshes, write ~Fake.tmp");
    std::unique_ptr<TDomDocument> document;
    {
        TXMLParser parser;
        parser.TrimText = true;
        parser.LoadFromFile(folder / "~Fake.tmp");
        t.Mark("read ~Fake.tmp, tokens");
        document = parser.CreateDocument();
    }
#ifdef __GLIBC__
    malloc_trim(0);  // as ReadSceneFile does
#endif
    t.Mark("CreateDocument");
    TCatalogue catalogue;
    TWorkingElement working(catalogue.presence);
    working.SetDocument(document.get());
    TJpegFileStore store;
    BuildCatalogue(working, catalogue, folder, store);
    t.Mark("catalogue");
    std::string tree = SceneTreeText(*document, catalogue.presence, {}, stash.TransformBytes());
    t.Mark("tree text");
    stash.RestoreTransformsInPlace(tree);
    t.Mark("restore transforms");
    TAtomicFileWriter out(folder / "saved.xml");
    TMeshRestorer restorer(stash, out);
    ReorderScene(tree, [&](std::string_view piece) { restorer.Feed(piece); });
    restorer.Finish();
    out.Write("\r\n");
    t.Mark("regroup, write with meshes");
    out.Commit();
    t.Mark("flush and rename");
    std::printf("  shortened text %.1f MB, %zu nodes, %zu mesh blocks, %zu rows\n",
                static_cast<double>(fs::file_size(folder / "~Fake.tmp")) / 1048576.0,
                document->OwnedNodeCount(), stash.MeshCount(), catalogue.rows.size());
    fs::remove(folder / "saved.xml");
    fs::remove(folder / "~Fake.tmp");
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_phases SCENE [--runs N]\n");
        return 2;
    }
    const fs::path scene = argv[1];
    int runs = 3;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[i + 1]);
        useCpu = useCpu || std::strcmp(argv[i], "--cpu") == 0;
        showPeak = showPeak || std::strcmp(argv[i], "--peak") == 0;
    }
    const fs::path folder = fs::temp_directory_path() / ("kelvane-phases-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const double mb = static_cast<double>(fs::file_size(scene)) / 1048576.0;
    // With --peak the first run comes before the copies, so that the peak is its own.
    if (showPeak) {
        std::printf("%s:\n", scene.c_str());
        OpenAndSave(scene, folder);
        showPeak = false;
    }
    const double durable = bench::MedianMs([&] {
        CopyFileAtomic(scene, folder / "copy.xml");
        fs::remove(folder / "copy.xml");
    }, runs);
    std::printf("%s: %.0f MB, durable copy %.1f ms\n", scene.c_str(), mb, durable);
    std::vector<TPhases> all;
    for (int r = 0; r < runs; ++r) {
        all.push_back(OpenAndSave(scene, folder));
        showPeak = false;
    }
    double total = 0, first = 0;
    std::printf("  %-36s %11s %11s\n", "step", "first run", "median");
    for (size_t i = 0; i < all[0].steps.size(); ++i) {
        std::vector<double> v;
        for (const TPhases& p : all)
            v.push_back(p.steps[i].second);
        std::sort(v.begin(), v.end());
        total += v[v.size() / 2];
        first += all[0].steps[i].second;
        std::printf("  %-36s %8.1f ms %8.1f ms %6.2f x durable\n", all[0].steps[i].first, all[0].steps[i].second,
                    v[v.size() / 2], v[v.size() / 2] / durable);
    }
    std::printf("  %-36s %8.1f ms %8.1f ms %6.2f x durable (first run %.2f x)\n", "total", first, total, total / durable,
                first / durable);
    fs::remove_all(folder);
    return 0;
}
