#pragma once
// The render job behind the "Rendering" button and `kelvane-scene render`: every open scene is
// written to the session's "~Rendering.tmp" and rendered in turn. One scene (in the editor)
// renders to "LastRenderedImage.tga" in the program folder and its picture is loaded; several
// render as a batch, each beside its scene file, the next scene read in through the session.
// What the user sees goes through IRenderJobView; no widget is touched here.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/Picture.h"
#include "render/RenderHistory.h"
#include "render/RenderRegion.h"

namespace kelvane {

class TSceneSession;

class IRenderJobView {
public:
    virtual ~IRenderJobView() = default;
    virtual void Busy(bool /*busy*/) {}
    virtual void SetCaption(const std::string& /*caption*/) {}
    virtual void SetProgressMax(int /*max*/) {}
    virtual void SetProgress(long long /*position*/) {}
    // Between the renderer's reads: the place to process window events.
    virtual void Idle() {}
    virtual void Message(const std::string& text) = 0;
    // "Rendering Time  :  Mmin Ssec", after every started run.
    virtual void SetTimeText(const std::string& /*text*/) {}
    // The single render's picture, loaded from file.
    virtual void ShowPicture(const TPicture& /*picture*/, const std::filesystem::path& /*file*/) {}
    // At the end of the job: "Dos OutPut:" LF output and "Dos Error:" LF error of the last run.
    virtual void OutputTexts(const std::string& /*dos*/, const std::string& /*dosErr*/) {}
    // The pre-flight check's findings for the whole job, "FILE: ELEMENT: FINDING" each; true
    // renders anyway.
    virtual bool ConfirmFindings(const std::vector<std::string>& /*findings*/) { return true; }
    // After every run that started: how long it took, and whether it was stopped.
    virtual void RenderTook(double /*seconds*/, bool /*stopped*/) {}
    // A finished render went into the history.
    virtual void Recorded(const THistoryEntry& /*entry*/) {}
};

// A region render: the rectangle in pixels, or in the renderer's coordinates
// ("XMIN:XMAX:YMIN:YMAX") when given so.
struct TRegionRequest {
    TPixelRect pixels;
    std::string coordinates;
};

struct TRenderOptions {
    std::string executable;                // the renderer ("System"/"EXEPath")
    std::optional<std::string> namedPath;  // the path a start failure names; executable when unset
    int antiAliasing = 0;                  // position 0..6 in the anti-aliasing list
    std::optional<std::string> saveName;   // single render: outfile is put back to saveName + ".tga"
    bool besideScene = false;              // also a single scene renders beside its file
    int threads = 1;                       // "System"/"Threads", at most the picture's block count
    // One scene only: the rectangle is rendered on one thread, a pixel wider on each side, and
    // pasted into regionBase when that has the picture's size; else the region picture is kept.
    std::optional<TRegionRequest> region;
    std::function<std::optional<TPicture>(int width, int height)> regionBase;
    TRenderHistory* history = nullptr;     // finished renders are recorded here
    THistoryLimits historyLimits;
    bool preflight = false;                // every scene is checked before the job starts
};

class TRenderJob {
public:
    TRenderJob(TSceneSession& session, std::filesystem::path programFolder, IRenderJobView& view);
    ~TRenderJob();

    // Renders the open-file list; returns the number of scenes that failed (not started, no
    // picture, renderer failure, unreadable next scene). Nothing when already running.
    int Run(const TRenderOptions& options);
    void RequestStop() { stop_ = true; }
    bool StopRequested() const { return stop_; }
    bool Running() const { return running_; }
    const TPicture* LastPicture() const { return picture_.get(); }
    const std::string& OutputText() const { return out_; }
    const std::string& ErrorText() const { return err_; }
    // The scene file of the last picture loaded (LastPicture()).
    const std::filesystem::path& LastPictureScene() const { return pictureScene_; }

private:
    class TObserver;
    bool RenderScene(size_t index, const TRenderOptions& options);
    void ReadScene(const std::filesystem::path& file);
    // The render settings as the working element, the document committed.
    void EditRenderSettings();
    // The pre-flight findings of every open scene, "FILE: ELEMENT: FINDING".
    std::vector<std::string> Preflight();
    // Loads the picture the renderer wrote, pastes a region into its base, records the history.
    bool TakePicture(const std::filesystem::path& scene, const std::filesystem::path& picture, bool show,
                     const TRenderOptions& options, const std::optional<TPixelRect>& region, double seconds,
                     const std::vector<std::string>& rendererOptions);

    TSceneSession& session_;
    std::filesystem::path programFolder_;
    IRenderJobView& view_;
    bool stop_ = false;
    bool running_ = false;
    std::string out_, err_;
    std::string took_;  // the Dos window's closing line of the last run
    std::unique_ptr<TPicture> picture_;
    std::filesystem::path pictureScene_;
};

// "Rendering Time  :  " + minutes + "min " + seconds + "sec".
std::string RenderTimeText(long long elapsedMs);
// The '#' count of the real renderer's progress frame for a picture of width x height:
// one per ten started 64 x 64 blocks.
int RenderPassMarks(long long width, long long height);
// The renderer reads attribute values raw and cannot carry a double quote or a line break in
// one: for a path holding one, "The path PATH holds a character the renderer cannot read: C."
// (C is '"', "CR" or "LF"); empty when the path can be written into a scene.
std::string RendererPathError(const std::string& path);
// Text of `text` from the first "Error" to its end; all of it when there is none.
std::string ReportTail(const std::string& text);

} // namespace kelvane
