#include "render/Farm.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <new>

#include "render/FarmJobList.h"
#include "render/ProcessRunner.h"
#include "render/RenderJob.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/skDom.h"

namespace kelvane {

namespace {

const char* const kStateNames[] = {"pending", "running", "done", "failed", "cancelled"};

fs::path StatusFile(const fs::path& folder, size_t scene)
{
    return folder / "status" / (std::to_string(scene) + ".txt");
}

fs::path TasksFile(const fs::path& folder, size_t submission)
{
    return folder / "tasks" / (std::to_string(submission) + ".txt");
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

bool WholeNumber(const std::string& text)
{
    return !text.empty() && text.size() <= 18 && text.find_first_not_of("0123456789") == std::string::npos;
}

// farm.txt: what a resubmission needs to submit as the first submission did.
std::string SettingsText(const TFarmOptions& o)
{
    std::string text = "renderer " + o.renderer + "\nprogram " + o.sceneProgram.string() + "\nretries " +
                       std::to_string(o.retries) + "\nper-task " + std::to_string(o.perTask) + "\n";
    if (!o.partition.empty())
        text += "partition " + o.partition + "\n";
    if (!o.timeLimit.empty())
        text += "time " + o.timeLimit + "\n";
    text += "memory " + o.memory + "\n";
    if (o.maxParallel > 0)
        text += "max-parallel " + std::to_string(o.maxParallel) + "\n";
    if (o.nice)
        text += "nice " + std::to_string(*o.nice) + "\n";
    return text;
}

TFarmOptions ReadSettings(const fs::path& folder)
{
    const fs::path file = folder / "farm.txt";
    if (!FileExists(file))
        throw EFarmError(folder.string() + " was written by an earlier Kelvane (it has no farm.txt) and cannot be resubmitted");
    TFarmOptions o;
    o.memory.clear();  // a job of an earlier Kelvane asked for the scheduler's default
    for (const std::string& line : Lines(ReadWholeFile(file))) {
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space), value = space == std::string::npos ? std::string() : line.substr(space + 1);
        const int number = WholeNumber(value) ? std::stoi(value) : 0;
        if (key == "renderer")
            o.renderer = value;
        else if (key == "program")
            o.sceneProgram = value;
        else if (key == "retries")
            o.retries = number;
        else if (key == "per-task")
            o.perTask = std::max(1, number);
        else if (key == "partition")
            o.partition = value;
        else if (key == "time")
            o.timeLimit = value;
        else if (key == "memory")
            o.memory = value;
        else if (key == "max-parallel")
            o.maxParallel = number;
        else if (key == "nice")
            o.nice = std::atoi(value.c_str());
    }
    return o;
}

// Tasks of perTask consecutive scenes each.
std::vector<std::vector<size_t>> GroupScenes(const std::vector<size_t>& scenes, int perTask)
{
    std::vector<std::vector<size_t>> tasks;
    for (size_t i = 0; i < scenes.size(); ++i) {
        if (i % static_cast<size_t>(perTask) == 0)
            tasks.emplace_back();
        tasks.back().push_back(scenes[i]);
    }
    return tasks;
}

void WriteTasks(const fs::path& folder, size_t submission, const std::vector<std::vector<size_t>>& tasks)
{
    std::string text;
    for (const std::vector<size_t>& task : tasks) {
        for (size_t k = 0; k < task.size(); ++k)
            text += (k ? " " : "") + std::to_string(task[k]);
        text += "\n";
    }
    WriteFileAtomic(TasksFile(folder, submission), text);
}

// The job's submissions; a job made by hand with only a job id has one, task N scene N.
std::vector<TSubmission> SubmissionsOf(const TFarmJob& job)
{
    if (!job.submissions.empty())
        return job.submissions;
    TSubmission only{job.jobId, {}};
    for (size_t i = 0; i < job.scenes.size(); ++i)
        only.tasks.push_back({i});
    return {only};
}

// Where each scene was last submitted: (submission, task); submission -1 when never.
std::vector<std::pair<int, size_t>> ScenePlaces(const std::vector<TSubmission>& submissions, size_t scenes)
{
    std::vector<std::pair<int, size_t>> places(scenes, {-1, 0});
    for (size_t s = 0; s < submissions.size(); ++s)
        for (size_t t = 0; t < submissions[s].tasks.size(); ++t)
            for (size_t scene : submissions[s].tasks[t])
                if (scene < places.size())
                    places[scene] = {static_cast<int>(s), t};
    return places;
}

// A new folder; false when the name is taken.
bool MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    return fs::create_directory(folder, ec) && !ec;
}

std::vector<std::optional<TTaskStatus>> ReadTaskStatuses(const TFarmJob& job)
{
    std::vector<std::optional<TTaskStatus>> files;
    files.reserve(job.scenes.size());
    for (size_t i = 0; i < job.scenes.size(); ++i)
        files.push_back(ReadTaskStatus(job.folder, i));
    return files;
}

std::vector<TTaskStatus> Merge(const TFarmJob& job, const std::vector<std::optional<TTaskStatus>>& files,
                               const TQueues& queues);

void Record(const fs::path& jobList, const TFarmJob& job)
{
    if (!jobList.empty())
        RecordFarmJob(jobList, job.jobId, job.folder, std::time(nullptr));
}

} // namespace

const char* TaskStateName(ETaskState state)
{
    return kStateNames[static_cast<int>(state)];
}

std::string TaskStateText(const TTaskStatus& s)
{
    std::string text = TaskStateName(s.state);
    if (s.state == ETaskState::Done) {
        const std::string prefix = "Rendering Time  :  ";
        std::string time = s.renderMs >= 0 ? RenderTimeText(s.renderMs) : s.detail;
        if (time.compare(0, prefix.size(), prefix) == 0)
            time = time.substr(prefix.size());
        if (s.attempts > 1)
            time = std::to_string(s.attempts) + " attempts" + (time.empty() ? "" : ", " + time);
        return time.empty() ? text : text + " (" + time + ")";
    }
    if (s.state == ETaskState::Failed && s.attempts > 1)
        text += " after " + std::to_string(s.attempts) + " attempts";
    else if (s.state == ETaskState::Running && s.attempts > 1)
        text += " (attempt " + std::to_string(s.attempts) + ")";
    if (!s.detail.empty())
        text += ": " + s.detail;
    return text;
}

std::string MemorySizeError(const std::string& text)
{
    const size_t digits = text.find_first_not_of("0123456789");
    const bool unit = digits != std::string::npos && digits + 1 == text.size() &&
                      std::string("KMGTkmgt").find(text.back()) != std::string::npos;
    if (digits == 0 || text.empty() || text.size() > 12 || (digits != std::string::npos && !unit))
        return "the memory per task is a whole number of megabytes, or one with K, M, G or T (\"2G\")";
    return {};
}

std::string TimeLimitError(const std::string& text)
{
    // [D-]N[:N[:N]] with digits only around the separators.
    const size_t dash = text.find('-');
    const std::string clock = dash == std::string::npos ? text : text.substr(dash + 1);
    const std::string days = dash == std::string::npos ? "0" : text.substr(0, dash);
    int parts = 1;
    bool ok = !clock.empty() && !days.empty() && text.size() <= 16 && days.find_first_not_of("0123456789") == std::string::npos &&
              clock.front() != ':' && clock.back() != ':' && clock.find("::") == std::string::npos;
    for (char c : clock) {
        parts += c == ':';
        ok = ok && (std::isdigit(static_cast<unsigned char>(c)) || c == ':');
    }
    if (!ok || parts > 3)
        return "the time limit is minutes, M:S, H:M:S, D-H, D-H:M or D-H:M:S (\"90\", \"2:00:00\", \"1-12\")";
    return {};
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
    } catch (const ESceneReadError& e) {
        return e.Message();  // one line of the job's list
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

std::string LocalTimeText(std::time_t when, const char* format)
{
    std::tm local {};
    localtime_r(&when, &local);
    char text[64];
    return std::strftime(text, sizeof text, format, &local) ? text : "";
}

std::string FarmFolderName(std::time_t when, const fs::path& firstScene)
{
    std::string name = firstScene.stem().string().substr(0, 64);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            c = '_';
    return LocalTimeText(when, "kelvane-farm-%Y%m%d-%H%M%S") + (name.empty() ? "" : "-" + name);
}

std::vector<std::string> TaskCommand(const TFarmJob& job, size_t submission, const TFarmOptions& options)
{
    return {options.sceneProgram.string(), "farm", "task", job.folder.string(), std::to_string(submission),
            "--renderer", options.renderer, "--retries", std::to_string(options.retries)};
}

std::string JobSchedulerName(const fs::path& folder)
{
    try {
        const fs::path file = folder / "job.txt";
        if (!FileExists(file))
            return {};
        const std::string text = ReadWholeFile(file);
        return text.substr(0, std::min(text.find(' '), text.find('\n')));
    } catch (const std::exception&) {
        return {};
    }
}

std::string OneLine(const std::string& text)
{
    std::string line;
    line.reserve(text.size());
    bool broken = false;  // a line break since the last text
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            broken = !line.empty();
            continue;
        }
        if (broken)
            line += " / ";
        broken = false;
        line += c;
    }
    return line;
}

std::vector<fs::path> ReadSceneList(const fs::path& list)
{
    std::vector<fs::path> scenes;
    for (std::string line : Lines(ReadWholeFile(list))) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            scenes.emplace_back(line);
    }
    return scenes;
}

TFarmJob SubmitFarmJob(IScheduler& scheduler, const std::vector<fs::path>& scenes, TFarmOptions options,
                       const fs::path& tempDir)
{
    if (const std::string why = scheduler.Unavailable(); !why.empty())
        throw EFarmError(why);
    if (scenes.empty())
        throw EFarmError("no scenes to submit");
    options.perTask = std::max(1, options.perTask);
    options.retries = std::max(0, options.retries);
    TFarmJob job;
    job.scheduler = scheduler.Name();
    std::string unreadable;
    for (const fs::path& scene : scenes) {
        const std::string path = Absolute(scene);
        std::string error = path.find('\n') != std::string::npos ? "a scene path with a line break cannot be listed"
                                                                   : RendererPathError(fs::path(path).replace_extension(".tga").string());
        if (error.empty())
            error = SceneReadError(path, tempDir);
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
        if (job.folder.string().find_first_of("\t\r\n") != std::string::npos)
            throw EFarmError("the job folder " + job.folder.string() + " holds a line break or a tab");
        std::error_code ec;
        fs::create_directories(job.folder, ec);
        if (!fs::is_directory(job.folder) || !fs::is_empty(job.folder, ec))
            throw EFarmError("the job folder " + job.folder.string() + " is not a new, empty folder");
    } else {
        const fs::path beside = fs::path(job.scenes.front()).parent_path();
        const std::string name = FarmFolderName(std::time(nullptr), job.scenes.front());
        job.folder = beside / name;
        for (int n = 2; !MakeFolder(job.folder); ++n) {
            if (n > 100)
                throw EFarmError("cannot make a job folder in " + beside.string());
            job.folder = beside / (name + "-" + std::to_string(n));
        }
    }
    try {
        for (const char* sub : {"log", "status", "tasks"})
            fs::create_directory(job.folder / sub);
        std::string list;
        std::vector<size_t> all;
        for (size_t i = 0; i < job.scenes.size(); ++i) {
            list += job.scenes[i].string() + "\n";
            all.push_back(i);
        }
        WriteFileAtomic(job.folder / "scenes.txt", list);
        WriteFileAtomic(job.folder / "farm.txt", SettingsText(options));
        job.submissions.push_back({{}, GroupScenes(all, options.perTask)});
        WriteTasks(job.folder, 0, job.submissions[0].tasks);
        job.jobId = job.submissions[0].jobId = scheduler.Submit(job, 0, job.submissions[0].tasks.size(), options);
        WriteFileAtomic(job.folder / "job.txt", job.scheduler + " " + job.jobId + "\n");
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove_all(job.folder, ec);
        throw EFarmError(e.what());
    }
    Record(options.jobList, job);
    return job;
}

TFarmJob OpenFarmJob(IScheduler& scheduler, const std::string& folderOrJobId)
{
    TFarmJob job;
    std::error_code ec;
    if (fs::is_directory(folderOrJobId, ec)) {
        job.folder = Absolute(folderOrJobId);
    } else if (WholeNumber(folderOrJobId)) {
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
    for (const std::string& line : Lines(ReadWholeFile(job.folder / "job.txt"))) {
        const size_t space = line.find(' ');
        const std::string id = space == std::string::npos ? std::string() : line.substr(space + 1, line.find('\r') - space - 1);
        if (line.substr(0, space) != scheduler.Name() || id.empty())
            throw EFarmError(job.folder.string() + ": job.txt does not name a " + scheduler.Name() + " job");
        TSubmission submission{id, {}};
        const fs::path tasks = TasksFile(job.folder, job.submissions.size());
        if (FileExists(tasks)) {
            for (const std::string& taskLine : Lines(ReadWholeFile(tasks))) {
                std::vector<size_t> scenes;
                for (size_t from = 0; from < taskLine.size();) {
                    size_t end = taskLine.find(' ', from);
                    if (end == std::string::npos)
                        end = taskLine.size();
                    const std::string word = taskLine.substr(from, end - from);
                    if (WholeNumber(word))
                        scenes.push_back(std::stoull(word));
                    from = end + 1;
                }
                submission.tasks.push_back(std::move(scenes));
            }
        } else {
            // A folder of an earlier Kelvane: task N rendered scene N.
            for (size_t i = 0; i < job.scenes.size(); ++i)
                submission.tasks.push_back({i});
        }
        job.submissions.push_back(std::move(submission));
    }
    if (job.submissions.empty())
        throw EFarmError(job.folder.string() + ": job.txt does not name a " + scheduler.Name() + " job");
    job.scheduler = scheduler.Name();
    job.jobId = job.submissions.back().jobId;
    return job;
}

std::string ResubmitFarmJob(IScheduler& scheduler, TFarmJob& job, bool allUnfinished, const fs::path& jobList)
{
    if (const std::string why = scheduler.Unavailable(); !why.empty())
        throw EFarmError(why);
    TFarmOptions options = ReadSettings(job.folder);
    std::string queueError;
    const std::vector<TTaskStatus> states = FarmJobStates(scheduler, job, &queueError);
    if (!queueError.empty())
        throw EFarmError(queueError);
    std::vector<size_t> again;
    for (size_t i = 0; i < states.size(); ++i) {
        const ETaskState s = states[i].state;
        if (s == ETaskState::Failed || s == ETaskState::Cancelled || (allUnfinished && s == ETaskState::Pending))
            again.push_back(i);
    }
    if (again.empty())
        throw EFarmError(std::string("no scene of the job is ") + (allUnfinished ? "unfinished" : "failed or cancelled"));
    const size_t number = job.submissions.size();
    TSubmission submission{{}, GroupScenes(again, options.perTask)};
    fs::create_directories(job.folder / "tasks");
    WriteTasks(job.folder, number, submission.tasks);
    for (size_t scene : again)
        WriteTaskStatus(job.folder, scene, {ETaskState::Pending, {}});
    try {
        submission.jobId = scheduler.Submit(job, number, submission.tasks.size(), options);
    } catch (...) {
        // Nothing was submitted: the scenes keep the states they had.
        for (size_t scene : again)
            WriteTaskStatus(job.folder, scene, states[scene]);
        std::error_code ec;
        fs::remove(TasksFile(job.folder, number), ec);
        throw;
    }
    std::string ids;
    for (const TSubmission& s : job.submissions)
        ids += job.scheduler + " " + s.jobId + "\n";
    job.submissions.push_back(submission);
    job.jobId = submission.jobId;
    WriteFileAtomic(job.folder / "job.txt", ids + job.scheduler + " " + job.jobId + "\n");
    Record(jobList, job);
    return job.jobId;
}

std::optional<TTaskStatus> ReadTaskStatus(const fs::path& folder, size_t scene)
{
    const fs::path file = StatusFile(folder, scene);
    std::string text;
    try {
        if (!FileExists(file))
            return std::nullopt;
        text = ReadWholeFile(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    // "STATE [ATTEMPTS [MS]]", then the detail.
    const size_t br = text.find('\n');
    const std::string head = text.substr(0, br);
    const size_t space = head.find(' ');
    const std::string word = head.substr(0, space);
    for (int s = 0; s < 5; ++s) {
        if (word != kStateNames[s])
            continue;
        TTaskStatus status{static_cast<ETaskState>(s), br == std::string::npos ? std::string() : text.substr(br + 1)};
        if (space != std::string::npos) {
            long long attempts = -1, ms = -1;
            std::sscanf(head.c_str() + space, "%lld %lld", &attempts, &ms);
            status.attempts = attempts > 0 && attempts < 1000000 ? static_cast<int>(attempts) : 0;
            status.renderMs = ms;
        }
        return status;
    }
    return std::nullopt;
}

void WriteTaskStatus(const fs::path& folder, size_t scene, const TTaskStatus& status)
{
    std::string head = TaskStateName(status.state);
    if (status.attempts > 0 || status.renderMs >= 0)
        head += " " + std::to_string(status.attempts);
    if (status.renderMs >= 0)
        head += " " + std::to_string(status.renderMs);
    WriteFileAtomic(StatusFile(folder, scene), head + "\n" + status.detail);
}

namespace {

std::vector<TTaskStatus> Merge(const TFarmJob& job, const std::vector<std::optional<TTaskStatus>>& files,
                               const TQueues& queues)
{
    const std::vector<TSubmission> submissions = SubmissionsOf(job);
    const std::vector<std::pair<int, size_t>> places = ScenePlaces(submissions, job.scenes.size());
    std::vector<TTaskStatus> states;
    states.reserve(job.scenes.size());
    for (size_t i = 0; i < job.scenes.size(); ++i) {
        const std::optional<TTaskStatus>& file = files[i];
        const auto [submission, task] = places[i];
        const auto queue = submission < 0 ? queues.end() : queues.find(submissions[size_t(submission)].jobId);
        // A file that has not ended wins while the queue holds the task: it may say running before
        // the queue does, or pending while an earlier scene of the task renders.
        if ((file && Ended(file->state)) || queue == queues.end()) {
            TTaskStatus s = file ? *file : TTaskStatus{};
            s.unanswered = !file && queue == queues.end();
            states.push_back(s);
            continue;
        }
        const std::string log = (job.folder / "log" / (std::to_string(i) + ".txt")).string();
        const auto it = queue->second.find(task);
        TTaskStatus s = file ? *file : TTaskStatus{};
        if (it == queue->second.end() || it->second.state == ETaskState::Done) {
            s = {ETaskState::Failed, "the task ended without a result; see " + log, s.attempts};
        } else if (Ended(it->second.state)) {
            s = it->second;
            if (s.state == ETaskState::Failed)
                s.detail += "; see " + log;
        } else if (!file) {
            s = it->second;
        }
        states.push_back(s);
    }
    return states;
}

} // namespace

std::vector<TTaskStatus> MergeTaskStates(const TFarmJob& job, const TQueues& queues)
{
    return Merge(job, ReadTaskStatuses(job), queues);
}

std::vector<TTaskStatus> FarmJobStates(IScheduler& scheduler, const TFarmJob& job, std::string* queueError)
{
    // Only the jobs that still have scenes the status files leave open are asked.
    const std::vector<std::optional<TTaskStatus>> files = ReadTaskStatuses(job);
    const std::vector<TSubmission> submissions = SubmissionsOf(job);
    const std::vector<std::pair<int, size_t>> places = ScenePlaces(submissions, job.scenes.size());
    std::vector<bool> ask(submissions.size(), false);
    for (size_t i = 0; i < job.scenes.size(); ++i)
        if (places[i].first >= 0 && !(files[i] && Ended(files[i]->state)))
            ask[size_t(places[i].first)] = true;
    TQueues queues;
    for (size_t s = 0; s < submissions.size(); ++s) {
        if (!ask[s])
            continue;
        try {
            queues[submissions[s].jobId] = scheduler.Query(submissions[s].jobId);
        } catch (const std::exception& e) {
            if (queueError)
                *queueError = e.what();
        }
    }
    return Merge(job, files, queues);
}

std::string FarmSummary(const std::vector<TTaskStatus>& states, std::time_t now)
{
    size_t count[5] = {0, 0, 0, 0, 0};
    long long totalMs = 0, timed = 0;
    for (const TTaskStatus& s : states) {
        ++count[static_cast<int>(s.state)];
        if (s.state == ETaskState::Done && s.renderMs >= 0) {
            totalMs += s.renderMs;
            ++timed;
        }
    }
    const size_t pending = count[0], running = count[1];
    std::string text = std::to_string(count[2]) + " done, " + std::to_string(running) + " running, " +
                       std::to_string(pending) + " pending, " + std::to_string(count[3]) + " failed, " +
                       std::to_string(count[4]) + " cancelled";
    if (timed == 0)
        return text;
    const double mean = static_cast<double>(totalMs) / static_cast<double>(timed) / 1000.0;
    char number[32];
    std::snprintf(number, sizeof number, "%.1f", mean);
    text += "; mean " + std::string(number) + " s";
    if (pending + running > 0) {
        // As many at once as run now; the running ones are taken as half done.
        const double slots = static_cast<double>(std::max<size_t>(running, 1));
        const double left = mean * (static_cast<double>(pending) + 0.5 * static_cast<double>(running)) / slots;
        text += "; finish about " + LocalTimeText(now + static_cast<std::time_t>(left + 0.5), "%H:%M");
    }
    return text;
}

TFarmCounts CountStates(const std::vector<TTaskStatus>& states)
{
    TFarmCounts counts;
    for (const TTaskStatus& s : states) {
        ++counts.count[static_cast<int>(s.state)];
        counts.unanswered += s.unanswered;
    }
    return counts;
}

std::string FarmJobStateText(const TFarmCounts& c, const std::string& schedulerTitle)
{
    if (c.count[1])
        return "running";
    if (c.unanswered) {
        std::string title = schedulerTitle;
        if (!title.empty())
            title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
        return title + " does not answer";
    }
    return c.count[0] ? "pending" : c.count[3] ? "failed" : c.count[4] ? "cancelled" : "done";
}

std::vector<std::string> SceneLabels(const std::vector<fs::path>& scenes)
{
    // Each label grows by one folder while another label is the same.
    std::vector<std::string> labels(scenes.size());
    std::vector<fs::path> rest(scenes.size());
    for (size_t i = 0; i < scenes.size(); ++i) {
        labels[i] = scenes[i].filename().string();
        rest[i] = scenes[i].parent_path();
    }
    for (int depth = 0; depth < 64; ++depth) {
        std::map<std::string, size_t> seen;
        for (const std::string& l : labels)
            ++seen[l];
        bool grown = false;
        for (size_t i = 0; i < labels.size(); ++i) {
            if (seen[labels[i]] < 2 || rest[i].filename().empty() || rest[i] == rest[i].parent_path())
                continue;
            labels[i] = (rest[i].filename() / labels[i]).string();
            rest[i] = rest[i].parent_path();
            grown = true;
        }
        if (!grown)
            break;
    }
    return labels;
}

void DeleteEndedFarmJob(IScheduler& scheduler, const TFarmJob& job)
{
    for (const TTaskStatus& s : FarmJobStates(scheduler, job))
        if (!Ended(s.state))
            throw EFarmError("job " + job.jobId + " has not ended; cancel it first (its folder stays)");
    std::error_code ec;
    fs::remove_all(job.folder, ec);
    if (ec)
        throw EFarmError("cannot remove " + job.folder.string() + ": " + ec.message());
}

void CancelFarmJob(IScheduler& scheduler, const TFarmJob& job)
{
    // Every submission with scenes the status files leave open, and the latest in any case.
    const std::vector<std::optional<TTaskStatus>> files = ReadTaskStatuses(job);
    const std::vector<TSubmission> submissions = SubmissionsOf(job);
    const std::vector<std::pair<int, size_t>> places = ScenePlaces(submissions, job.scenes.size());
    std::vector<bool> open(submissions.size(), false);
    open.back() = true;
    for (size_t i = 0; i < files.size(); ++i)
        if (places[i].first >= 0 && !(files[i] && Ended(files[i]->state)))
            open[size_t(places[i].first)] = true;
    for (size_t s = 0; s < submissions.size(); ++s)
        if (open[s])
            scheduler.Cancel(submissions[s].jobId);
    for (size_t i = 0; i < job.scenes.size(); ++i)
        if (!files[i] || !Ended(files[i]->state))
            WriteTaskStatus(job.folder, i, {ETaskState::Cancelled, {}, files[i] ? files[i]->attempts : 0});
}

} // namespace kelvane
