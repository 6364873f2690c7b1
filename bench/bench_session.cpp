// Scene session speed: File > Open followed by File > Save as, against a plain copy of the same
// file in the same run, and the catalogue of a scene with many shaders and lights.
//
// Scenes come from kelvane-scenegen (next to this program). Each open + save runs in a child
// process so that its peak memory can be read on its own.
//
//   bench_session [--quick | --many] [--catalogue] [--keep FOLDER]
//   --quick: the two smaller scenes only; --many: a 10,000-object scene and a 280 MB mesh-heavy
//   one only; --catalogue: the catalogue figure only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BenchChild.h"
#include "editing/SceneSession.h"
#include "scene/Catalogue.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/SceneText.h"

using namespace kelvane;
using kelvane::bench::InChild;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct TCase {
    const char* name;
    std::string generatorArgs;
};

void Generate(const fs::path& file, const std::string& args)
{
    const std::string command = "'" + (ExecutableFolder() / "kelvane-scenegen").string() + "' " + args + " -o '" +
                                file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scene generator failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// A plain copy as cp makes it: read and write with one 1 MiB buffer, no flush to disk.
void PlainCopy(const fs::path& source, const fs::path& target)
{
    const int in = open(source.c_str(), O_RDONLY);
    const int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buffer(1 << 20);
    ssize_t n;
    while (in >= 0 && out >= 0 && (n = read(in, buffer.data(), buffer.size())) > 0)
        if (write(out, buffer.data(), static_cast<size_t>(n)) != n)
            break;
    close(in);
    close(out);
}

// The copies every figure is measured against: the plain copy, and the durable copy a save
// needs (CopyFileAtomic: temporary file beside the target, flushed to disk, renamed). Best of
// two runs each.
struct TCopyTimes {
    double plain = 1e9, durable = 1e9;
};

TCopyTimes TimeCopies(const fs::path& source, const fs::path& target)
{
    TCopyTimes t;
    for (int run = 0; run < 2; ++run) {
        auto start = Clock::now();
        PlainCopy(source, target);
        t.plain = std::min(t.plain, Seconds(start));
        fs::remove(target);
        start = Clock::now();
        CopyFileAtomic(source, target);
        t.durable = std::min(t.durable, Seconds(start));
        fs::remove(target);
    }
    return t;
}

// The floor of any editor that holds the scene in memory: in a fresh process, the file read whole
// into memory and written back durably (temporary file, flush, rename). Seconds, best of two.
double TimeHeldCopy(const fs::path& scene, const fs::path& folder)
{
    double best = 1e9;
    for (int run = 0; run < 2; ++run) {
        best = std::min(best, InChild<double>([&] {
            const auto start = Clock::now();
            // Read into memory faulted in 2 MiB pages, as the scene text is.
            size_t size = 0;
            const TFileHandle in = OpenForReading(scene, size);
            std::string bytes;
            ReserveLargeText(bytes, size);
            bytes.resize(size);
            bytes.resize(ReadFull(in.Get(), bytes.data(), size, scene));
            WriteFileAtomic(folder / "held.xml", bytes);
            return Seconds(start);
        }));
        fs::remove(folder / "held.xml");
    }
    return best;
}

struct TOpenSave {
    double open = 0, save = 0;
    long peakKb = 0;
    size_t rows = 0;
};

// Opens and saves the scene in a child process; returns its times and peak resident size.
TOpenSave TimeOpenSave(const fs::path& scene, const fs::path& folder)
{
    long peakKb = 0;
    TOpenSave r = InChild<TOpenSave>([&] {
        TOpenSave t;
        TSceneSession session(folder);
        auto start = Clock::now();
        session.OpenScene({scene});
        t.open = Seconds(start);
        t.rows = session.RowCount();
        start = Clock::now();
        session.SaveAs(folder / "saved.xml");
        t.save = Seconds(start);
        return t;
    }, &peakKb);
    r.peakKb = peakKb;
    fs::remove(folder / "saved.xml");
    return r;
}

void OpenSaveTable(const fs::path& folder, bool quick, bool many)
{
    std::vector<TCase> cases = many ? std::vector<TCase>{
        {"10,000 objects, 1,000 shaders", "--objects 10000 --faces 200 --shaders 1000 --lights 100 --textures 200"},
        {"280 MB, meshes", "--size 280 --shaders 50 --lights 20"},
    } : std::vector<TCase>{
        {"10 MB, 100 meshes", "--size 10 --objects 100 --shaders 20 --lights 10"},
        {"100 MB, 1,000 meshes", "--size 100 --objects 1000 --shaders 50 --lights 20"},
        {"100 MB, 1,000 objects, shaders, lights", "--size 100 --objects 1000 --shaders 1000 --lights 1000"},
        {"500 MB, 10,000 meshes", "--size 500 --objects 10000 --shaders 100 --lights 50"},
    };
    if (quick)
        cases.resize(2);
    std::printf("Open + Save as against a plain copy (read/write, 1 MiB buffer) and a durable copy (CopyFileAtomic)\n");
    std::printf("%-40s %6s %7s %7s %7s %7s %7s %6s %7s %7s %7s %7s %6s\n", "scene", "MB", "copy s", "durable", "held s",
                "open s", "save s", "MB/s", "x copy", "x dur.", "x held", "peak MB", "x size");
    for (const TCase& c : cases) {
        const fs::path scene = folder / "scene.xml";
        Generate(scene, c.generatorArgs);
        const double mb = static_cast<double>(fs::file_size(scene)) / (1 << 20);
        const TCopyTimes copy = TimeCopies(scene, folder / "copy.xml");
        const double held = TimeHeldCopy(scene, folder);
        // The median of three open + save runs; the largest peak.
        std::vector<TOpenSave> runs;
        for (int run = 0; run < 3; ++run)
            runs.push_back(TimeOpenSave(scene, folder));
        long peakKb = 0;
        for (const TOpenSave& one : runs)
            peakKb = std::max(peakKb, one.peakKb);
        std::sort(runs.begin(), runs.end(), [](const TOpenSave& a, const TOpenSave& b) { return a.open + a.save < b.open + b.save; });
        const TOpenSave& r = runs[1];
        const double total = r.open + r.save;
        std::printf("%-40s %6.0f %7.3f %7.3f %7.3f %7.3f %7.3f %6.0f %7.2f %7.2f %7.2f %7.0f %6.2f\n", c.name, mb,
                    copy.plain, copy.durable, held, r.open, r.save, mb / total, total / copy.plain, total / copy.durable,
                    total / held, peakKb / 1024.0, peakKb / 1024.0 / mb);
        std::fflush(stdout);
        fs::remove(scene);
    }
}

void CatalogueFigure(const fs::path& folder)
{
    const fs::path scene = folder / "catalogue.xml";
    Generate(scene, "--objects 10 --faces 10 --shaders 5000 --lights 5000 --textures 100");
    TMeshStash stash;
    std::unique_ptr<TDomDocument> document = ReadSceneFile(scene, stash, folder / "~Fake.tmp");
    TCatalogue catalogue;
    TWorkingElement working(catalogue.presence);
    working.SetDocument(document.get());
    TJpegFileStore store;
    const size_t nodesRead = document->OwnedNodeCount();
    const auto start = Clock::now();
    BuildCatalogue(working, catalogue, folder, store);
    const double seconds = Seconds(start);
    const size_t nodesAfter = document->OwnedNodeCount();
    std::printf("\nCatalogue of 5,000 shaders (each with a texture slot) and 5,000 lights: %.3f s, %zu rows, "
                "%zu nodes read, %zu after\n", seconds, catalogue.rows.size(), nodesRead, nodesAfter);
    fs::remove(scene);
}

} // namespace

int main(int argc, char** argv)
{
    bool quick = false, many = false, catalogueOnly = false;
    fs::path keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--many") == 0)
            many = true;
        else if (std::strcmp(argv[i], "--catalogue") == 0)
            catalogueOnly = true;
        else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
            keep = argv[++i];
    }
    const fs::path folder = keep.empty() ? MakePrivateTempDir("kelvane-bench") : keep;
    fs::create_directories(folder);
    if (!catalogueOnly)
        OpenSaveTable(folder, quick, many);
    if (!many || catalogueOnly)
        CatalogueFigure(folder);
    if (keep.empty())
        fs::remove_all(folder);
    return 0;
}
