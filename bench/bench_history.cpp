// Edit history on a large scene: what 1,000 value edits hold, and the time of one undo and one
// redo, against the time of the edit step itself and of a row selection in the same run.
//
// The scene comes from kelvane-scenegen (next to this program):
//   --objects 10000 --faces 200 --shaders 1000 --lights 100 --textures 200
//
//   bench_history [--keep FOLDER]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "editing/KeyPaths.h"
#include "editing/SceneSession.h"
#include "scene/FileIO.h"

using namespace kelvane;

int main(int argc, char** argv)
{
    fs::path folder = fs::temp_directory_path() / "kelvane-bench-history";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--keep")
            folder = argv[i + 1];
    fs::create_directories(folder / "work");
    const fs::path scene = folder / "big.xml";
    if (!fs::exists(scene)) {
        const std::string command = "'" + (ExecutableFolder() / "kelvane-scenegen").string() +
                                    "' --objects 10000 --faces 200 --shaders 1000 --lights 100 --textures 200 -o '" +
                                    scene.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "scene generator failed\n");
            return 1;
        }
    }
    TSceneSession session(folder / "work");
    session.OpenScene({scene});
    std::vector<int> shaders;
    for (int row = 0; row < session.RowCount(); ++row)
        if (RowKind(session.Row(row).Text) == "shader")
            shaders.push_back(row);
    if (shaders.empty()) {
        std::fprintf(stderr, "no shader rows\n");
        return 1;
    }

    // 1,000 value edits, ten on each of a hundred shaders, each its own step.
    int next = 0;
    auto edit = [&](int i) {
        if (i % 10 == 0)
            session.SelectRow(shaders[size_t(next++) % shaders.size()]);
        TEditStep step(session, "Color");
        session.SetValue("shader.color.r", session.SelectedName(), std::to_string(i % 256),
                         TKeyKind::Attributes);
    };
    const size_t before = session.History().Bytes();
    for (int i = 0; i < 1000; ++i)
        edit(i);
    const double historyMb = double(session.History().Bytes() - before) / (1 << 20);

    const double undoMs = bench::MedianMs([&] { session.Undo(); }, 51);
    const double redoMs = bench::MedianMs([&] { session.Redo(); }, 51);
    int extra = 1000;
    const double stepMs = bench::MedianMs([&] { edit(extra++); }, 51);
    const double selectMs = bench::MedianMs([&] { session.SelectRow(shaders[size_t(next++) % shaders.size()]); }, 51);

    const double fileMb = double(fs::file_size(scene)) / (1 << 20);
    std::printf("scene: %.1f MB, %d rows\n", fileMb, session.RowCount());
    std::printf("history after 1,000 value edits: %.2f MB (%.4f of the file; limit 10 MB)\n", historyMb,
                historyMb / fileMb);
    std::printf("edit step (baseline): %.3f ms   row selection: %.3f ms\n", stepMs, selectMs);
    std::printf("undo of one step: %.3f ms (%.2f x the edit step; limit 16 ms)\n", undoMs, undoMs / stepMs);
    std::printf("redo of one step: %.3f ms (%.2f x the edit step; limit 16 ms)\n", redoMs, redoMs / stepMs);
    return historyMb < 10 && undoMs < 16 && redoMs < 16 ? 0 : 1;
}
