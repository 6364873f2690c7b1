#include "cli/HistoryCommands.h"

#include <cstdio>
#include <exception>

#include "render/PictureCompare.h"
#include "render/PictureDecoders.h"
#include "render/PreflightCheck.h"
#include "render/RenderHistory.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "shell/ScriptLine.h"

namespace kelvane::cli {

namespace {

void PutLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

fs::path Absolute(const fs::path& file)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    return ec ? file : absolute.lexically_normal();
}

} // namespace

int RunHistory(const TOptions& options, const fs::path& programFolder)
{
    const TRenderHistory history(HistoryFolder(programFolder));
    std::vector<std::string> damaged;
    const std::vector<THistoryEntry> entries = history.Entries(Absolute(options.files.front()), &damaged);
    for (const std::string& message : damaged)
        std::fprintf(stderr, "%s\n", message.c_str());
    for (const THistoryEntry& entry : entries)
        PutLine(EscapeBreaks(HistoryLine(entry)));
    return 0;
}

int RunCompare(const TOptions& options)
{
    try {
        const TPictureDecoders decoders;
        const TPicture a = decoders.Load(options.files[0]);
        const TPicture b = decoders.Load(options.files[1]);
        PutLine(DifferenceText(ComparePictures(a, b)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvane-scene: %s\n", e.what());
        return 1;
    }
    return 0;
}

int RunCheckRender(const TOptions& options, const fs::path& workFolder)
{
    bool unreadable = false, found = false;
    for (const std::string& file : options.files) {
        std::vector<TPreflightFinding> findings;
        try {
            findings = CheckSceneFile(file, workFolder / "~Fake.tmp");
        } catch (const ESceneReadError& e) {
            PutLine(EscapeBreaks(options.where ? e.WhereLine() : file + ": " + e.Message()));
            unreadable = true;
            continue;
        } catch (const std::exception& e) {
            PutLine(file + ": " + EscapeBreaks(e.what()));
            unreadable = true;
            continue;
        }
        if (findings.empty()) {
            PutLine(file + ": ok");
            continue;
        }
        found = true;
        for (const TPreflightFinding& f : findings)
            PutLine(file + ": " + EscapeBreaks(FindingText(f)));
    }
    std::fflush(stdout);
    return unreadable ? 1 : found ? 3 : 0;
}

} // namespace kelvane::cli
