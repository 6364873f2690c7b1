#include "cli/RenderCommand.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>

#include "controls/IniFileCompo.h"
#include "editing/SceneSession.h"
#include "render/RenderJob.h"
#include "render/Targa.h"
#include "scene/Errors.h"
#include "scene/FileIO.h"

namespace kelvane::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int)
{
    interrupted = 1;
}

class TConsoleView : public IRenderJobView {
public:
    TRenderJob* job = nullptr;
    TRenderReport* report = nullptr;
    void SetCaption(const std::string& caption) override
    {
        EndLine();
        // The caption is "Kelvane  --  " + the scene's file name.
        const size_t at = caption.find("  --  ");
        name_ = at == std::string::npos ? caption : caption.substr(at + 6);
    }
    void SetProgressMax(int max) override { max_ = max; }
    void SetProgress(long long position) override
    {
        if (position == position_)
            return;
        position_ = position;
        // Past the expected count (a renderer that prints '#' without end) a line a second is enough.
        const auto now = std::chrono::steady_clock::now();
        if (position > max_ && now - shown_ < std::chrono::seconds(1))
            return;
        shown_ = now;
        if (position > 0) {
            std::fprintf(stderr, "\r%s: %lld/%d", name_.c_str(), position, max_);
            std::fflush(stderr);
            open_ = true;
        }
    }
    void Idle() override
    {
        if (interrupted && job && !job->StopRequested())
            job->RequestStop();
    }
    void Message(const std::string& text) override
    {
        EndLine();
        std::fprintf(stderr, "%s\n", text.c_str());
        if (report)
            report->messages += (report->messages.empty() ? "" : "\n") + text;
    }
    void SetTimeText(const std::string& text) override
    {
        EndLine();
        std::fprintf(stderr, "%s: %s\n", name_.c_str(), text.c_str());
        if (report)
            report->timeText = text;
    }
    void EndLine()
    {
        if (open_)
            std::fputc('\n', stderr);
        open_ = false;
    }

private:
    std::string name_;
    int max_ = 0;
    long long position_ = 0;
    std::chrono::steady_clock::time_point shown_{};
    bool open_ = false;
};

} // namespace

namespace {

std::optional<std::string> Setting(const fs::path& programFolder, const char* section, const char* ident)
{
    TIniDocument settings;
    settings.SetCaseSensitive(false);
    const fs::path file = programFolder / "Pellith.ini";
    if (FileExists(file)) {
        try {
            settings.SetText(ReadWholeFile(file));
        } catch (const std::exception&) {
        }
    }
    return settings.ReadValue(section, ident);
}

} // namespace

std::string ConfiguredRenderer(const fs::path& programFolder)
{
    return Setting(programFolder, "System", "EXEPath").value_or("C:/yafray/yafray.exe");
}

int RunRender(const TOptions& command, const fs::path& workFolder, const fs::path& programFolder, TRenderReport* report)
{
    std::vector<fs::path> scenes(command.files.begin(), command.files.end());
    if (scenes.empty()) {
        std::fprintf(stderr, "kelvane-scene: render needs FILE...\n");
        return 2;
    }
    const std::string renderer = command.renderer ? *command.renderer : ConfiguredRenderer(programFolder);

    TSceneSession session(workFolder);
    try {
        session.OpenScene(scenes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", scenes[0].string().c_str(), e.what());
        if (report)
            report->messages = e.what();
        return 1;
    }
    TConsoleView view;
    TRenderJob job(session, programFolder, view);
    view.job = &job;
    view.report = report;
    interrupted = 0;
    struct sigaction action {}, oldInt {}, oldTerm {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
    TRenderOptions options;
    options.executable = renderer;
    options.besideScene = true;
    options.threads = command.threads ? *command.threads
                                      : ThreadsSetting(Setting(programFolder, "System", "Threads").value_or(""));
    // A region goes into the picture an earlier render left beside the scene.
    std::optional<TPicture> base;
    if (command.region) {
        options.region = TRegionRequest{{}, *command.region};
        const fs::path earlier = fs::path(scenes[0]).replace_extension(".tga");
        try {
            if (FileExists(earlier)) {
                base = DecodeTarga(ReadWholeFile(earlier));
                options.regionBase = [&base](int, int) { return base; };
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s; the region picture is kept as it is\n", earlier.string().c_str(), e.what());
        }
    }
    int failures = 0;
    try {
        failures = job.Run(options);
    } catch (const std::exception& e) {
        view.Message(e.what());
        failures = 1;
    }
    view.EndLine();
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    if (interrupted) {
        std::fprintf(stderr, "kelvane-scene: interrupted\n");
        return 130;
    }
    return failures > 0 ? 1 : 0;
}

} // namespace kelvane::cli
