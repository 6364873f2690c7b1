#include "render/RenderJob.h"

#include <chrono>
#include <exception>

#include "controls/BusyState.h"
#include "editing/SceneSession.h"
#include "render/KeptText.h"
#include "render/PreflightCheck.h"
#include "render/ProcessRunner.h"
#include "render/SceneSettings.h"
#include "render/Targa.h"
#include "scene/FileIO.h"
#include "scene/NumFormat.h"
#include "scene/SceneReading.h"
#include "scene/TextCodec.h"
#include "scene/WorkingElement.h"
#include "scene/skDom.h"

namespace kelvane {

namespace {

constexpr const char* kSaving = "Saving Targa file as";
constexpr const char* kFailed = "Failed";
constexpr const char* kPassFrame = "Render pass: [";

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// resx and resy of the camera the render element names; 0 when unknown.
void CameraSize(const TDomDocument* document, std::string_view cameraName, long long& width, long long& height)
{
    width = height = 0;
    const WideString camera = Widen(cameraName);
    const TDomElement* root = document ? document->DocumentElement() : nullptr;
    for (const TDomNode* node = root ? root->FirstChild() : nullptr; node; node = node->NextSibling()) {
        const auto* element = dynamic_cast<const TDomElement*>(node);
        if (!element || element->NodeName() != u"camera" || element->GetAttribute(u"name") != camera)
            continue;
        const std::string x = Narrow(element->GetAttribute(u"resx"));
        const std::string y = Narrow(element->GetAttribute(u"resy"));
        try {
            width = std::stoll(x);
            height = std::stoll(y);
        } catch (const std::exception&) {
            width = height = 0;
        }
        return;
    }
}

// The picture's path into the render settings being edited. The renderer reads the value raw, so
// '&' and '<' go in as they are, past the document tree's checks.
void SetOutfile(TSceneSession& session, const std::string& path)
{
    const bool raw = path.find_first_of("&<") != std::string::npos;
    session.SetValue("render.outfile.value", "", raw ? std::string("~") : path);
    if (!raw)
        return;
    for (TDomNode* held = session.Working().Node()->FirstChild(); held; held = held->NextSibling())
        if (held->NodeName() == u"render")
            for (TDomNode* child = held->FirstChild(); child; child = child->NextSibling())
                if (TDomElement* outfile = child->AsElement(); outfile && outfile->NodeName() == u"outfile")
                    outfile->SetAttributeRaw("value", path);
}

fs::path AbsolutePath(const fs::path& file)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return ec ? file : absolute.lexically_normal();
}

} // namespace

std::string RenderTimeText(long long elapsedMs)
{
    const long long minutes = elapsedMs / 60000;
    const long long seconds = elapsedMs / 1000 - minutes * 60;
    return "Rendering Time  :  " + std::to_string(minutes) + "min " + std::to_string(seconds) + "sec";
}

int RenderPassMarks(long long width, long long height)
{
    const long long blocks = RenderBlocks(width, height);
    if (blocks <= 0)
        return 0;
    return static_cast<int>(std::min<long long>(1 + (blocks - 1) / 10, 1 << 30));
}

std::string RendererPathError(const std::string& path)
{
    const size_t at = path.find_first_of("\"\r\n");
    if (at == std::string::npos)
        return {};
    const char c = path[at];
    return "The path " + path + " holds a character the renderer cannot read: " +
           (c == '"' ? std::string("\"") : c == '\r' ? std::string("CR") : std::string("LF")) + ".";
}

std::string ReportTail(const std::string& text)
{
    const size_t at = text.find("Error");
    return at == std::string::npos ? text : text.substr(at);
}

// Passes the runner's progress and idle calls on and watches the output for the renderer's
// texts (the texts themselves keep only their heads and tails). When the real renderer's progress
// frame shows, the bar's maximum becomes the count that frame will print.
class TRenderJob::TObserver : public IRunObserver {
public:
    TObserver(TRenderJob& job, int marks) : job_(job), marks_(marks) {}
    void Idle() override { job_.view_.Idle(); }
    bool StopRequested() override { return job_.stop_; }
    void Output(std::string_view slice, bool error) override
    {
        if (error) {
            failedErr.Feed(slice);
            return;
        }
        saving.Feed(slice);
        failedOut.Feed(slice);
        const size_t end = frame_.Feed(slice);
        if (end != std::string_view::npos && marks_ > 0) {
            // '#' of earlier passes: all so far, up to the frame's end in this slice.
            const long long before = hashes_ + std::count(slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(end), '#');
            job_.view_.SetProgressMax(static_cast<int>(std::min<long long>(before + marks_, 1 << 30)));
        }
    }
    void Progress(long long hashes) override
    {
        hashes_ = hashes;
        job_.view_.SetProgress(hashes);
    }

    TStreamFind saving{kSaving}, failedOut{kFailed}, failedErr{kFailed};

private:
    TRenderJob& job_;
    int marks_;
    TStreamFind frame_{kPassFrame};
    long long hashes_ = 0;
};

TRenderJob::TRenderJob(TSceneSession& session, fs::path programFolder, IRenderJobView& view)
    : session_(session), programFolder_(std::move(programFolder)), view_(view)
{
}

TRenderJob::~TRenderJob() = default;

void TRenderJob::ReadScene(const fs::path& file)
{
    session_.ReadBatchScene(file);
}

int TRenderJob::Run(const TRenderOptions& options)
{
    const std::vector<fs::path> files = session_.OpenFiles();
    if (files.empty() || running_ || !session_.HasScene())
        return 0;
    if (options.region && files.size() > 1) {
        view_.Message("A region render takes one open scene.");
        return 1;
    }
    TBusyScope busy;
    running_ = true;
    stop_ = false;
    // A batch leaves the edited scene as it found it.
    const bool batch = files.size() > 1;
    if (batch)
        session_.BeginBatch();
    struct TLeave {
        TRenderJob& job;
        bool batch;
        ~TLeave()
        {
            if (batch)
                job.session_.EndBatch();
            job.running_ = false;
            job.view_.Busy(false);
        }
    } leave{*this, batch};
    if (options.preflight) {
        std::vector<std::string> findings;
        try {
            findings = Preflight();
        } catch (const std::exception& e) {
            view_.Message(e.what());
            return 1;
        }
        if (!findings.empty() && !view_.ConfirmFindings(findings))
            return 0;
    }
    view_.Busy(true);
    took_.clear();
    const int samples = (std::clamp(options.antiAliasing, 0, 6) + 1) * (std::clamp(options.antiAliasing, 0, 6) + 1);

    int failures = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        view_.SetProgressMax(40 * samples);
        view_.SetCaption("Kelvane  --  " + files[i].filename().string());
        if (!RenderScene(i, options))
            ++failures;
        if (files.size() > 1) {
            const bool back = i + 1 == files.size() || stop_;
            const fs::path& next = back ? files[0] : files[i + 1];
            try {
                ReadScene(next);
            } catch (const std::exception& e) {
                view_.Message(e.what());
                if (!back)
                    ++failures;
                stop_ = true;
                if (!back) {
                    try {
                        ReadScene(files[0]);
                    } catch (const std::exception& again) {
                        view_.Message(again.what());
                    }
                }
            }
            if (back || stop_)
                view_.SetCaption("Kelvane  --  " + files[0].filename().string());
        }
        session_.DeleteRenderingFile();
        view_.SetProgress(0);
        if (stop_)
            break;
    }
    if (files.size() == 1 && options.saveName) {
        try {
            if (session_.SelectedKind() != "render") {
                session_.CommitEdit();
                session_.BeginEdit("render", session_.RenderCameraName());
            }
            session_.SetValue("render.outfile.value", "", *options.saveName + ".tga");
        } catch (const std::exception& e) {
            view_.Message(e.what());
        }
    }
    std::string dos = "Dos OutPut:\n" + out_;
    if (!took_.empty())
        dos += (dos.back() == '\n' ? "" : "\n") + took_;
    view_.OutputTexts(dos, "Dos Error:\n" + err_);
    return failures;
}

void TRenderJob::EditRenderSettings()
{
    // The render settings are the working element while the render tab is shown; elsewhere
    // (headless, or after a batch scene was read) they are made so here.
    if (session_.SelectedKind() != "render") {
        session_.CommitEdit();
        session_.BeginEdit("render", session_.RenderCameraName());
    }
}

std::vector<std::string> TRenderJob::Preflight()
{
    const std::vector<fs::path>& files = session_.OpenFiles();
    std::vector<std::string> lines;
    for (size_t i = 0; i < files.size(); ++i) {
        TPreflightScene scene;
        scene.folder = AbsolutePath(files[i]).parent_path();
        scene.rows = session_.Rows();
        // The render job writes the output where it wants it.
        scene.checkOutput = false;
        std::unique_ptr<TDomDocument> read;
        if (i == 0) {
            // The open scene as edited: the working element holds the render settings.
            session_.CommitEdit();
            session_.BeginEdit("render", session_.RenderCameraName());
            scene.document = session_.Document();
        } else {
            // A later scene of the batch is read as the batch will read it; one that cannot be
            // read is reported when its turn comes.
            TMeshStash stash;
            try {
                read = ReadSceneFile(files[i], stash, session_.RenderingFile().parent_path() / "~Check.tmp");
            } catch (const std::exception&) {
                continue;
            }
            scene.document = read.get();
        }
        std::vector<TPreflightFinding> findings = PreflightCheck(scene);
        if (i > 0 && !findings.empty()) {
            try {
                AttachLines(findings, ReadWholeFile(files[i]));
            } catch (const std::exception&) {
            }
        }
        for (const TPreflightFinding& f : findings)
            lines.push_back(files[i].filename().string() + ": " + FindingText(f));
    }
    return lines;
}

bool TRenderJob::RenderScene(size_t index, const TRenderOptions& options)
{
    const std::vector<fs::path>& files = session_.OpenFiles();
    const fs::path scene = AbsolutePath(files[index]);
    const bool single = files.size() == 1 && !options.besideScene;
    fs::path picture = single ? programFolder_ / "LastRenderedImage.tga" : fs::path(scene).replace_extension(".tga");
    picture = AbsolutePath(picture);
    if (const std::string refused = RendererPathError(picture.string()); !refused.empty()) {
        view_.Message(refused);
        stop_ = true;
        return false;
    }
    long long width = 0, height = 0;
    try {
        EditRenderSettings();
        SetOutfile(session_, picture.string());
        session_.WriteScene();
        CameraSize(session_.Document(), session_.RenderCameraName(), width, height);
    } catch (const std::exception& e) {
        view_.Message(e.what());
        stop_ = true;
        return false;
    }
    std::optional<TPixelRect> region;
    std::string regionArgument;
    if (options.region) {
        TPixelRect rect = options.region->pixels;
        const bool known = width > 0 && height > 0 && width <= 65535 && height <= 65535;
        const bool valid = known && (options.region->coordinates.empty()
                                         ? !rect.Empty() && rect.x0 >= 0 && rect.y0 >= 0 && rect.x1 <= width &&
                                               rect.y1 <= height
                                         : ParseRegion(options.region->coordinates, int(width), int(height), rect));
        if (!valid) {
            view_.Message("The region does not lie inside the picture of " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels.");
            stop_ = true;
            return false;
        }
        region = rect;
        // The anti-aliasing filter reaches the region's edge row and column only partly: they are
        // rendered but not pasted.
        regionArgument = RegionArgument(GrowRect(rect, 1, int(width), int(height)), int(width), int(height));
    }
    const std::vector<std::string> rendererOptions =
        RendererOptions(region ? 1 : RenderThreads(options.threads, width, height), regionArgument);

    // A picture left by an earlier render must not pass for this one.
    std::error_code ec;
    const auto before = FileExists(picture) ? fs::last_write_time(picture, ec) : fs::file_time_type::min();

    const long long start = NowMs();
    TObserver observer(*this, RenderPassMarks(width, height));
    TRunRequest request{options.executable, session_.RenderingFile(), scene.parent_path(), true};
    request.renderJob = IsRenderJobFile(request.scene.string());
    if (!rendererOptions.empty()) {
        request.argv = {"yafray"};
        request.argv.insert(request.argv.end(), rendererOptions.begin(), rendererOptions.end());
        request.argv.push_back(request.scene.string());
    }
    TRunOutcome outcome;
    if (!RunRenderer(request, out_, err_, &observer, &outcome)) {
        view_.Message("There is not yafray.exe in " + options.namedPath.value_or(options.executable) + "\r\n" +
                      "Make sure File>Configuration>Path to yafray.exe is correct.");
        return false;
    }
    const double seconds = double(NowMs() - start) / 1000.0;
    view_.SetTimeText(RenderTimeText(NowMs() - start));
    took_ = (stop_ ? "Rendering stopped after " : "Rendering took ") + FixedToStr(seconds, 1) + " s.";
    view_.RenderTook(seconds, stop_);
    for (const std::string& process : outcome.leftRunning)
        err_ += (err_.empty() || err_.back() == '\n' ? "" : "\n") + std::string("Left running: ") + process + "\n";

    const std::string entry = files[index].string();
    if (observer.saving.Found()) {
        if (stop_)
            return true;
        if (!FileExists(picture) || fs::last_write_time(picture, ec) == before) {
            view_.Message("The renderer reported saving the picture, but there is no file " + picture.string() +
                          "\r\nCheck Dos from Rendering menu.");
            stop_ = true;
            return false;
        }
        return TakePicture(scene, picture, single, options, region, seconds, rendererOptions);
    }
    if (stop_)
        return false;
    if (observer.failedOut.Found()) {
        view_.Message("There is something wrong on this file, " + entry + "\n\r" + "YafRay said: " + ReportTail(out_));
    } else if (observer.failedErr.Found()) {
        view_.Message("There is something wrong on this file, " + entry + "\n\r" + "YafRay said: " + ReportTail(err_));
    } else if (outcome.signal != 0) {
        view_.Message("The renderer was killed by signal " + SignalName(outcome.signal) + ".");
    } else {
        view_.Message("There is something wrong on this file, " + entry + "\r\n" + ", or error in YafRay." + "\r\n" +
                      "Check Dos from Rendering menu." + "\n\r" +
                      "And error file (YAFRAY.EXE.stackdump) might be in " + (programFolder_ / "").string() + " .");
    }
    stop_ = true;
    return false;
}


bool TRenderJob::TakePicture(const fs::path& scene, const fs::path& picture, bool show, const TRenderOptions& options,
                             const std::optional<TPixelRect>& region, double seconds,
                             const std::vector<std::string>& rendererOptions)
{
    if (!show && !region && !options.history)
        return true;
    std::string bytes;
    auto loaded = std::make_unique<TPicture>();
    try {
        bytes = ReadWholeFile(picture);
        *loaded = DecodeTarga(bytes);
        std::optional<TPicture> base;
        if (region && options.regionBase)
            base = options.regionBase(loaded->width, loaded->height);
        if (base && base->width == loaded->width && base->height == loaded->height &&
            base->channels == loaded->channels) {
            PasteRegion(*base, *loaded, *region);
            *loaded = std::move(*base);
            bytes.clear();
            SaveTarga(picture, *loaded);
        }
    } catch (const std::exception& e) {
        view_.Message("The rendered picture " + picture.string() + " cannot be read: " + e.what());
        stop_ = true;
        return false;
    }
    if (options.history) {
        TRenderRecord record;
        record.scene = scene;
        record.seconds = seconds;
        record.renderer = options.executable;
        record.options = rendererOptions;
        record.region = region;
        record.picture = loaded.get();
        record.pictureBytes = std::move(bytes);
        try {
            record.settings = SceneSettings(*session_.Document(), session_.Rows());
            if (const std::optional<THistoryEntry> made = options.history->Record(record, options.historyLimits))
                view_.Recorded(*made);
        } catch (const std::exception& e) {
            // The render itself succeeded; only its history entry is missing.
            view_.Message(std::string("The render could not be added to the history: ") + e.what());
        }
    }
    if (show) {
        picture_ = std::move(loaded);
        pictureScene_ = scene;
        view_.ShowPicture(*picture_, picture);
    }
    return true;
}

} // namespace kelvane
