#include "render/Farm.h"

#include <cstdio>
#include <exception>
#include <new>

#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/skDom.h"
#include "render/ProcessRunner.h"

namespace kelvane {

namespace {

const char* const kStateNames[] = {"pending", "running", "done", "failed", "cancelled"};

fs::path StatusFile(const fs::path& folder, size_t task)
{
    return folder / "status" / (std::to_string(task) + ".txt");
}

std::string Absolute(const fs::path& p)
{
    std::error_code ec;
    const fs::path a = fs::absolute(p, ec);
    return (ec ? p : a).lexically_normal().string();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

std::string JobScript(const TFarmJob& job, const TFarmOptions& options)
{
    // The script writes its log itself: the scheduler would expand characters of the folder's
    // path ('%', '\\') in a log name it is given.
    const std::string folder = ShellQuote(job.folder.string());
    return "#!/bin/sh\n"
           "# Kelvane render farm: task N renders line N + 1 of scenes.txt, as kelvane-scene render does.\n"
           "exec >>" + folder + "/log/\"$SLURM_ARRAY_TASK_ID\".txt 2>&1\n"
           "exec " + ShellQuote(options.sceneProgram.string()) + " farm task " + folder +
           " \"$SLURM_ARRAY_TASK_ID\" --renderer " + ShellQuote(options.renderer) + "\n";
}

// A new folder; false when the name is taken.
bool MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    return fs::create_directory(folder, ec) && !ec;
}

} // namespace

const char* TaskStateName(ETaskState state)
{
    return kStateNames[static_cast<int>(state)];
}

std::string TaskStateText(const TTaskStatus& s)
{
    std::string text = TaskStateName(s.state);
    if (s.state == ETaskState::Done && !s.detail.empty()) {
        const std::string prefix = "Rendering Time  :  ";
        text += " (" + (s.detail.compare(0, prefix.size(), prefix) == 0 ? s.detail.substr(prefix.size()) : s.detail) + ")";
    } else if (!s.detail.empty()) {
        text += ": " + s.detail;
    }
    return text;
}

std::string ShellQuote(const std::string& text)
{
    std::string q = "'";
    for (char c : text) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string SceneReadError(const fs::path& scene, const fs::path& tempDir)
{
    try {
        TMeshStash stash;
        ReadSceneFile(scene, stash, tempDir / "~Fake.tmp");
        return {};
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

std::string FarmFolderName(std::time_t when)
{
    std::tm local {};
    localtime_r(&when, &local);
    char text[64];
    std::strftime(text, sizeof text, "kelvane-farm-%Y%m%d-%H%M%S", &local);
    return text;
}

TFarmJob SubmitFarmJob(IScheduler& scheduler, const std::vector<fs::path>& scenes, TFarmOptions options,
                       const fs::path& tempDir)
{
    if (const std::string why = scheduler.Unavailable(); !why.empty())
        throw EFarmError(why);
    if (scenes.empty())
        throw EFarmError("no scenes to submit");
    TFarmJob job;
    job.scheduler = scheduler.Name();
    std::string unreadable;
    for (const fs::path& scene : scenes) {
        const std::string path = Absolute(scene);
        std::string error = path.find('\n') != std::string::npos ? "a scene path with a line break cannot be listed"
                                                                   : SceneReadError(path, tempDir);
        if (!error.empty())
            unreadable += scene.string() + ": " + error + "\n";
        job.scenes.push_back(path);
    }
    if (!unreadable.empty())
        throw EFarmError(unreadable.substr(0, unreadable.size() - 1));

    const std::string renderer = FindExecutable(options.renderer);
    if (!renderer.empty())
        options.renderer = renderer;
    else if (options.renderer.empty() || options.renderer[0] != '/')
        throw EFarmError("no renderer \"" + options.renderer + "\" here; give its absolute path on the nodes with --renderer");
    options.sceneProgram = Absolute(options.sceneProgram);

    if (options.folder) {
        job.folder = Absolute(*options.folder);
        std::error_code ec;
        fs::create_directories(job.folder, ec);
        if (!fs::is_directory(job.folder) || !fs::is_empty(job.folder, ec))
            throw EFarmError("the job folder " + job.folder.string() + " is not a new, empty folder");
    } else {
        const fs::path beside = fs::path(job.scenes.front()).parent_path();
        const std::string name = FarmFolderName(std::time(nullptr));
        job.folder = beside / name;
        for (int n = 2; !MakeFolder(job.folder); ++n) {
            if (n > 100)
                throw EFarmError("cannot make a job folder in " + beside.string());
            job.folder = beside / (name + "-" + std::to_string(n));
        }
    }
    try {
        fs::create_directory(job.folder / "log");
        fs::create_directory(job.folder / "status");
        std::string list;
        for (const fs::path& s : job.scenes)
            list += s.string() + "\n";
        WriteFileAtomic(job.folder / "scenes.txt", list);
        WriteFileAtomic(job.folder / "job.sh", JobScript(job, options));
        fs::permissions(job.folder / "job.sh", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                   fs::perms::others_read | fs::perms::others_exec);
        job.jobId = scheduler.Submit(job, options);
        WriteFileAtomic(job.folder / "job.txt", job.scheduler + " " + job.jobId + "\n");
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove_all(job.folder, ec);
        throw EFarmError(e.what());
    }
    return job;
}

TFarmJob OpenFarmJob(IScheduler& scheduler, const std::string& folderOrJobId)
{
    TFarmJob job;
    std::error_code ec;
    if (fs::is_directory(folderOrJobId, ec)) {
        job.folder = Absolute(folderOrJobId);
    } else if (!folderOrJobId.empty() && folderOrJobId.find_first_not_of("0123456789") == std::string::npos) {
        if (const std::string why = scheduler.Unavailable(); !why.empty())
            throw EFarmError(why);
        const std::optional<fs::path> folder = scheduler.FolderOfJob(folderOrJobId);
        if (!folder)
            throw EFarmError("job " + folderOrJobId + " is not known to " + scheduler.Name() + " (any more); give its job folder");
        job.folder = *folder;
    } else {
        throw EFarmError("\"" + folderOrJobId + "\" is neither a job folder nor a job id");
    }
    if (!FileExists(job.folder / "scenes.txt"))
        throw EFarmError(job.folder.string() + " is not a job folder: it has no scenes.txt");
    for (const std::string& line : Lines(ReadWholeFile(job.folder / "scenes.txt")))
        job.scenes.emplace_back(line);
    if (!FileExists(job.folder / "job.txt"))
        throw EFarmError(job.folder.string() + " holds no submitted job: it has no job.txt");
    const std::string text = ReadWholeFile(job.folder / "job.txt");
    const size_t space = text.find(' ');
    job.scheduler = text.substr(0, space);
    if (space != std::string::npos)
        job.jobId = text.substr(space + 1, text.find_first_of("\r\n", space) - space - 1);
    if (job.scheduler != scheduler.Name() || job.jobId.empty())
        throw EFarmError(job.folder.string() + ": job.txt does not name a " + scheduler.Name() + " job");
    return job;
}

std::optional<TTaskStatus> ReadTaskStatus(const fs::path& folder, size_t task)
{
    const fs::path file = StatusFile(folder, task);
    std::string text;
    try {
        if (!FileExists(file))
            return std::nullopt;
        text = ReadWholeFile(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const size_t br = text.find('\n');
    const std::string word = text.substr(0, br);
    for (int s = 0; s < 5; ++s)
        if (word == kStateNames[s])
            return TTaskStatus{static_cast<ETaskState>(s), br == std::string::npos ? std::string() : text.substr(br + 1)};
    return std::nullopt;
}

void WriteTaskStatus(const fs::path& folder, size_t task, const TTaskStatus& status)
{
    WriteFileAtomic(StatusFile(folder, task), std::string(TaskStateName(status.state)) + "\n" + status.detail);
}

std::vector<TTaskStatus> MergeTaskStates(const TFarmJob& job, const TQueue* queue)
{
    std::vector<TTaskStatus> states;
    for (size_t i = 0; i < job.scenes.size(); ++i) {
        const std::optional<TTaskStatus> file = ReadTaskStatus(job.folder, i);
        if (file && Ended(file->state)) {
            states.push_back(*file);
            continue;
        }
        TTaskStatus s = file ? *file : TTaskStatus{};
        if (queue) {
            const auto it = queue->find(i);
            if (it == queue->end() || it->second.state == ETaskState::Done) {
                s = {ETaskState::Failed, "the task ended without a result; see " + (job.folder / "log" / (std::to_string(i) + ".txt")).string()};
            } else if (Ended(it->second.state)) {
                s = it->second;
                if (s.state == ETaskState::Failed)
                    s.detail += "; see " + (job.folder / "log" / (std::to_string(i) + ".txt")).string();
            } else if (!(file && it->second.state == ETaskState::Pending)) {
                s = it->second;
            }
        }
        states.push_back(s);
    }
    return states;
}

std::vector<TTaskStatus> FarmJobStates(IScheduler& scheduler, const TFarmJob& job, std::string* queueError)
{
    TQueue queue;
    bool known = true;
    try {
        queue = scheduler.Query(job.jobId);
    } catch (const std::exception& e) {
        known = false;
        if (queueError)
            *queueError = e.what();
    }
    return MergeTaskStates(job, known ? &queue : nullptr);
}

void CancelFarmJob(IScheduler& scheduler, const TFarmJob& job)
{
    scheduler.Cancel(job.jobId);
    for (size_t i = 0; i < job.scenes.size(); ++i) {
        const std::optional<TTaskStatus> file = ReadTaskStatus(job.folder, i);
        if (!file || !Ended(file->state))
            WriteTaskStatus(job.folder, i, {ETaskState::Cancelled, {}});
    }
}

} // namespace kelvane
