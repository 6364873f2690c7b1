#include "cli/FarmCommand.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <exception>
#include <functional>
#include <set>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "cli/RenderCommand.h"
#include "render/Farm.h"
#include "render/FarmJobList.h"
#include "render/LocalScheduler.h"
#include "render/Schedulers.h"
#include "render/SlurmScheduler.h"
#include "scene/FileIO.h"
#include "shell/ScriptLine.h"

namespace kelvane::cli {

namespace {

constexpr int kPollMs = 1000;
constexpr int kBarWidth = 30;
constexpr long long kDefaultTimeoutMs = 10 * 60 * 1000;

void Say(const std::string& line, FILE* to = stdout)
{
    const std::string text = line + "\n";
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

int UsageError(const std::string& text)
{
    Say("kelvane-scene: " + text + "\nTry 'kelvane-scene farm --help'.", stderr);
    return 2;
}

std::string Option(const TOptions& options, const std::string& name)
{
    const auto it = options.farm.find(name);
    return it == options.farm.end() ? std::string() : it->second;
}

// The option's whole number within [low, high]; nullopt when absent; false in `ok` when malformed.
std::optional<long long> Number(const TOptions& options, const std::string& name, long long low, long long high, bool& ok)
{
    if (!options.farm.count(name))
        return std::nullopt;
    const std::string text = Option(options, name);
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos) {
        ok = false;
        return std::nullopt;
    }
    const long long value = negative ? -std::stoll(digits) : std::stoll(digits);
    ok = ok && value >= low && value <= high;
    return value;
}

// "90", "90s", "10m", "2h" as milliseconds; -1 when malformed.
long long Duration(const std::string& text)
{
    if (text.empty())
        return -1;
    const char unit = text.back();
    const long long scale = unit == 's' ? 1000 : unit == 'm' ? 60000 : unit == 'h' ? 3600000 : 1000;
    const std::string digits = std::isdigit(static_cast<unsigned char>(unit)) ? text : text.substr(0, text.size() - 1);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoll(digits) * scale;
}

std::string Capital(std::string text)
{
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::string StateText(const TTaskStatus& s, const IScheduler& scheduler)
{
    return s.unanswered ? Capital(scheduler.Title()) + " does not answer" : OneLine(TaskStateText(s));
}

TSchedulerPlace Place(const fs::path& programFolder)
{
    return {programFolder, ExecutableFolder() / "kelvane-scene"};
}

std::string ChosenScheduler(const TOptions& options)
{
    const std::string name = Option(options, "--scheduler");
    return name.empty() ? DefaultSchedulerName() : name;
}

// The scheduler of a job named by its folder (as its job.txt says) or by a job id (the chosen one).
std::unique_ptr<IScheduler> SchedulerFor(const TOptions& options, const std::string& job, const fs::path& programFolder)
{
    std::error_code ec;
    if (fs::is_directory(job, ec) && !options.farm.count("--scheduler"))
        return SchedulerOfFolder(job, ChosenScheduler(options), Place(programFolder));
    return MakeScheduler(ChosenScheduler(options), Place(programFolder));
}

fs::path JobList(const fs::path& programFolder)
{
    return programFolder / kFarmJobListFile;
}

int Submit(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    std::vector<fs::path> scenes(options.files.begin() + 1, options.files.end());
    if (const std::string list = Option(options, "--list"); !list.empty()) {
        const std::vector<fs::path> listed = ReadSceneList(list);
        scenes.insert(scenes.end(), listed.begin(), listed.end());
    }
    if (scenes.empty())
        return UsageError("farm submit needs FILE... or --list FILE");
    TFarmOptions farm;
    farm.renderer = options.renderer ? *options.renderer : ConfiguredRenderer(programFolder);
    farm.partition = Option(options, "--partition");
    farm.timeLimit = Option(options, "--time");
    if (!farm.timeLimit.empty())
        if (const std::string why = TimeLimitError(farm.timeLimit); !why.empty())
            return UsageError("--time: " + why);
    if (options.farm.count("--mem")) {
        farm.memory = Option(options, "--mem");
        if (const std::string why = MemorySizeError(farm.memory); !why.empty())
            return UsageError("--mem: " + why);
    }
    bool ok = true;
    if (const auto n = Number(options, "--max-parallel", 1, 999999, ok))
        farm.maxParallel = static_cast<int>(*n);
    if (!ok)
        return UsageError("--max-parallel needs a whole number from 1");
    if (const auto n = Number(options, "--retries", 0, 1000, ok))
        farm.retries = static_cast<int>(*n);
    if (!ok)
        return UsageError("--retries needs a whole number from 0 to 1000");
    if (const auto n = Number(options, "--per-task", 1, 1000000, ok))
        farm.perTask = static_cast<int>(*n);
    if (!ok)
        return UsageError("--per-task needs a whole number from 1");
    if (const auto n = Number(options, "--nice", -2147483645LL, 2147483645LL, ok))
        farm.nice = static_cast<int>(*n);
    if (!ok)
        return UsageError("--nice needs a whole number");
    farm.hold = options.farm.count("--hold") > 0;
    if (const std::string folder = Option(options, "--folder"); !folder.empty())
        farm.folder = folder;
    farm.sceneProgram = ExecutableFolder() / "kelvane-scene";
    farm.jobList = JobList(programFolder);
    const std::unique_ptr<IScheduler> scheduler = MakeScheduler(ChosenScheduler(options), Place(programFolder));
    const TFarmJob job = SubmitFarmJob(*scheduler, scenes, farm, workFolder);
    Say(job.jobId);
    const size_t tasks = job.submissions.back().tasks.size();
    Say("kelvane-scene: " + std::to_string(job.scenes.size()) + " scene" + (job.scenes.size() == 1 ? "" : "s") +
            (tasks == job.scenes.size() ? "" : " in " + std::to_string(tasks) + " task" + (tasks == 1 ? "" : "s")) +
            " submitted as " + scheduler->Title() + " job " + job.jobId + (farm.hold ? " (held)" : "") + "; job folder " + job.folder.string(),
        stderr);
    return 0;
}

int Status(const TFarmJob& job, IScheduler& scheduler)
{
    std::string queueError;
    const std::vector<TTaskStatus> states = FarmJobStates(scheduler, job, &queueError);
    if (!queueError.empty())
        Say("kelvane-scene: " + Capital(scheduler.Title()) + " does not answer: " + queueError +
                " (states from the status files only)",
            stderr);
    std::string text;
    for (size_t i = 0; i < states.size(); ++i)
        text += job.scenes[i].string() + ": " + StateText(states[i], scheduler) + "\n";
    text += FarmSummary(states, std::time(nullptr)) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

// What the status files say, to tell whether they still move.
std::string FileStates(const std::vector<TTaskStatus>& states)
{
    std::string sign;
    for (const TTaskStatus& s : states)
        if (!s.unanswered)
            sign += std::to_string(static_cast<int>(s.state)) + " " + std::to_string(s.attempts) + " " + s.detail + "\n";
    return sign;
}

int Wait(const TFarmJob& job, IScheduler& scheduler, long long timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    // A controller that does not answer is given up on at the time-out, not at squeue's.
    if (auto* slurm = dynamic_cast<TSlurmScheduler*>(&scheduler))
        slurm->toolTimeLimitMs = static_cast<int>(std::clamp<long long>(timeoutMs, 1000, 60000));
    std::string lastError, lastFiles;
    auto heard = Clock::now();
    const size_t n = job.scenes.size();
    for (;;) {
        std::string queueError;
        const std::vector<TTaskStatus> states = FarmJobStates(scheduler, job, &queueError);
        if (!queueError.empty() && queueError != lastError)
            Say("\nkelvane-scene: " + queueError, stderr);
        lastError = queueError;
        const std::string files = FileStates(states);
        if (queueError.empty() || files != lastFiles)
            heard = Clock::now();
        lastFiles = files;
        size_t done = 0, failed = 0, cancelled = 0;
        for (const TTaskStatus& s : states) {
            done += s.state == ETaskState::Done;
            failed += s.state == ETaskState::Failed;
            cancelled += s.state == ETaskState::Cancelled;
        }
        const size_t filled = n ? done * kBarWidth / n : kBarWidth;
        std::string counts;
        if (failed)
            counts += ", " + std::to_string(failed) + " failed";
        if (cancelled)
            counts += ", " + std::to_string(cancelled) + " cancelled";
        std::fprintf(stderr, "\r[%s%s] %zu/%zu done%s", std::string(filled, '#').c_str(),
                     std::string(kBarWidth - filled, '-').c_str(), done, n, counts.c_str());
        std::fflush(stderr);
        if (done + failed + cancelled == n) {
            std::fputc('\n', stderr);
            for (size_t i = 0; i < n; ++i)
                if (states[i].state != ETaskState::Done)
                    Say(job.scenes[i].string() + ": " + StateText(states[i], scheduler), stderr);
            Say(std::to_string(done) + " done, " + std::to_string(failed) + " failed, " + std::to_string(cancelled) +
                    " cancelled",
                stderr);
            return done == n ? 0 : 1;
        }
        if (Clock::now() - heard >= std::chrono::milliseconds(timeoutMs)) {
            Say("\nkelvane-scene: " + Capital(scheduler.Title()) + " does not answer; the job folder is " + job.folder.string(),
                stderr);
            return 3;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

int List(const fs::path& programFolder)
{
    const std::string fallback = DefaultSchedulerName();
    std::string text;
    for (const TListedJob& listed : ListedFarmJobs(JobList(programFolder))) {
        const std::string when = LocalTimeText(listed.submitted, "%Y-%m-%d %H:%M");
        std::string scenes = "-", counts = "-", state = "missing";
        try {
            const std::unique_ptr<IScheduler> scheduler = SchedulerOfFolder(listed.folder, fallback, Place(programFolder));
            const TFarmJob job = OpenFarmJob(*scheduler, listed.folder.string());
            std::string queueError;
            const std::vector<TTaskStatus> states = FarmJobStates(*scheduler, job, &queueError);
            const TFarmCounts tally = CountStates(states);
            const size_t* count = tally.count;
            scenes = std::to_string(states.size());
            counts = std::to_string(count[2]) + "/" + std::to_string(count[3] + count[4]) + "/" + std::to_string(count[1]) +
                     "/" + std::to_string(count[0]);
            state = FarmJobStateText(tally, scheduler->Title());
        } catch (const std::exception&) {
        }
        text += listed.jobId + "\t" + listed.folder.string() + "\t" + scenes + "\t" + counts + "\t" + when + "\t" + state + "\n";
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

// Takes a job off the list; with --delete also removes the folder of a job that has ended.
int Forget(const TOptions& options, const fs::path& programFolder)
{
    const std::string& which = options.files[1];
    const fs::path list = JobList(programFolder);
    std::optional<TListedJob> found;
    std::error_code ec;
    for (const TListedJob& listed : ListedFarmJobs(list))
        if (!found && (listed.jobId == which || fs::equivalent(listed.folder, which, ec)))
            found = listed;
    if (!found)
        throw EFarmError("no job " + which + " in the list of " + list.string());
    if (options.farm.count("--delete") && fs::exists(found->folder, ec)) {
        const std::unique_ptr<IScheduler> scheduler = SchedulerOfFolder(found->folder, DefaultSchedulerName(), Place(programFolder));
        const TFarmJob job = OpenFarmJob(*scheduler, found->folder.string());
        DeleteEndedFarmJob(*scheduler, job);
    }
    ForgetFarmJob(list, found->folder.string());
    return 0;
}

// Appends each attempt's output to the scene's log while it renders.
class TSceneLog {
public:
    TSceneLog(const fs::path& file, const std::string& header)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        out_ = ::dup(1);
        err_ = ::dup(2);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::close(fd);
        Say(header, stderr);
    }
    ~TSceneLog()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        if (out_ >= 0) {
            ::dup2(out_, 1);
            ::close(out_);
        }
        if (err_ >= 0) {
            ::dup2(err_, 2);
            ::close(err_);
        }
    }
    TSceneLog(const TSceneLog&) = delete;
    TSceneLog& operator=(const TSceneLog&) = delete;

private:
    int out_ = -1, err_ = -1;
};

// Run by the job script on a node: renders the task's scenes, each up to 1 + retries times, and
// records how each went.
int Task(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    const bool old = options.files.size() == 3;  // FOLDER INDEX: a job script of an earlier Kelvane
    if ((options.files.size() != 4 && !old) || !options.renderer)
        return UsageError("farm task needs FOLDER SUBMISSION TASK --renderer PATH [--retries N]");
    bool ok = true;
    const int retries = static_cast<int>(Number(options, "--retries", 0, 1000, ok).value_or(0));
    if (!ok)
        return UsageError("--retries needs a whole number from 0 to 1000");
    const fs::path folder = options.files[1];
    for (size_t k = 2; k < options.files.size(); ++k) {
        const std::string& word = options.files[k];
        if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos)
            return UsageError("farm task: \"" + word + "\" is not a task number");
    }
    std::vector<std::string> scenes;
    const std::string list = ReadWholeFile(folder / "scenes.txt");
    for (size_t from = 0; from < list.size();) {
        const size_t end = std::min(list.find('\n', from), list.size());
        scenes.push_back(list.substr(from, end - from));
        from = end + 1;
    }
    std::vector<size_t> mine;
    if (old) {
        mine.push_back(std::stoul(options.files[2]));
    } else {
        const std::string tasks = ReadWholeFile(folder / "tasks" / (options.files[2] + ".txt"));
        const size_t task = std::stoul(options.files[3]);
        size_t from = 0;
        for (size_t t = 0; t < task && from != std::string::npos; ++t)
            from = tasks.find('\n', from) == std::string::npos ? std::string::npos : tasks.find('\n', from) + 1;
        const std::string line = from == std::string::npos ? std::string() : tasks.substr(from, tasks.find('\n', from) - from);
        for (size_t at = 0; at < line.size();) {
            size_t end = line.find(' ', at);
            if (end == std::string::npos)
                end = line.size();
            mine.push_back(std::stoul(line.substr(at, end - at)));
            at = end + 1;
        }
    }
    if (mine.empty() || std::any_of(mine.begin(), mine.end(), [&](size_t s) { return s >= scenes.size(); }))
        return UsageError("farm task: the job has no such task");
    // The scenes after the first wait within this task.
    for (size_t k = 1; k < mine.size(); ++k)
        WriteTaskStatus(folder, mine[k], {ETaskState::Pending, {}});
    // "JOB_TASK", set by the scheduler's task start.
    const char* job = std::getenv("KELVANE_FARM_TASK");
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    int result = 0;
    for (size_t k = 0; k < mine.size(); ++k) {
        const size_t scene = mine[k];
        for (int attempt = 1;; ++attempt) {
            WriteTaskStatus(folder, scene, {ETaskState::Running, {}, attempt});
            TOptions render;
            render.command = "render";
            render.files = {scenes[scene]};
            render.renderer = options.renderer;
            TRenderReport report;
            const auto start = std::chrono::steady_clock::now();
            int code;
            {
                TSceneLog log(folder / "log" / (std::to_string(scene) + ".txt"),
                              "--- attempt " + std::to_string(attempt) + " of " + std::to_string(retries + 1) + ", " +
                                  LocalTimeText(std::time(nullptr), "%Y-%m-%d %H:%M:%S") +
                                  (job ? std::string(", job ") + job : std::string()) +
                                  " on " + host + " ---");
                code = RunRender(render, workFolder, programFolder, &report);
            }
            const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            if (code == 0) {
                WriteTaskStatus(folder, scene, {ETaskState::Done, {}, attempt, ms});
                break;
            }
            if (code == 130) {
                WriteTaskStatus(folder, scene, {ETaskState::Cancelled, {}, attempt});
                return 130;
            }
            if (attempt > retries) {
                WriteTaskStatus(folder, scene, {ETaskState::Failed, report.messages.empty() ? "the render failed" : report.messages, attempt});
                result = 1;
                break;
            }
        }
    }
    return result;
}

// Which options each farm command takes.
const std::map<std::string, std::set<std::string>> kCommandOptions = {
    {"submit", {"--folder", "--partition", "--max-parallel", "--time", "--mem", "--retries", "--per-task", "--hold", "--nice",
                "--list", "--scheduler"}},
    {"task", {"--retries"}},
    {"wait", {"--timeout", "--scheduler"}},
    {"resubmit", {"--failed", "--all", "--scheduler"}},
    {"status", {"--scheduler"}}, {"cancel", {"--scheduler"}}, {"release", {"--scheduler"}}, {"list", {}},
    {"forget", {"--delete"}}, {"run-local", {}},
};

} // namespace

std::string FarmOptionOwner(const std::string& option)
{
    for (const char* command : {"submit", "wait", "resubmit", "forget"})
        if (kCommandOptions.at(command).count(option))
            return command;
    return "submit";
}

std::string FarmHelpText()
{
    return "Usage: kelvane-scene farm COMMAND [ARGUMENTS]\n"
           "Renders a batch of scenes on a scheduler: a Slurm cluster's job array, or tasks on this machine;\n"
           "each task is the render job of 'kelvane-scene render' for one or more scenes, and every picture\n"
           "is written beside its scene.\n\n"
           "Commands:\n"
           "  submit FILE... [--list FILE] [--scheduler NAME] [--renderer PATH] [--partition P]\n"
           "         [--max-parallel N] [--time LIMIT] [--mem SIZE] [--retries N] [--per-task K] [--hold]\n"
           "         [--nice N] [--folder DIR]\n"
           "      check that every scene reads, write a job folder (DIR, else a new\n"
           "      \"kelvane-farm-DATE-TIME-FIRSTSCENE\" folder beside the first scene) and submit it; prints\n"
           "      the job id. --list names a file of scene paths, one a line, taken after the FILEs (relative\n"
           "      paths from the current folder). The renderer (from PATH, else from \"Pellith.ini\" beside the\n"
           "      program) and the scenes must be at the same absolute paths on the nodes; N caps the tasks\n"
           "      that run at once (local: default the machine's cores). --mem is each task's memory (default\n"
           "      1G; Slurm's --mem). A scene that fails is rendered again in its task up to --retries more\n"
           "      times; each task renders K consecutive scenes; --hold submits the job held until\n"
           "      'farm release'; --nice goes to sbatch\n"
           "  status JOBID|FOLDER\n"
           "      one line per scene: pending, running, done (attempts, render time), failed: MESSAGE (its\n"
           "      lines joined by \" / \"), cancelled, or \"Slurm does not answer\"; then \"N done, N running,\n"
           "      N pending, N failed, N cancelled; mean M s; finish about HH:MM\"\n"
           "  wait JOBID|FOLDER [--timeout T]\n"
           "      a progress bar on standard error until every scene has ended, then the scenes not done\n"
           "      and \"N done, N failed, N cancelled\"; exit status 0 when all are done, 1 when any failed or\n"
           "      was cancelled, 3 when neither the scheduler nor the job folder's status files have said\n"
           "      anything for T (seconds, or with s, m or h; default 10m)\n"
           "  cancel JOBID|FOLDER\n"
           "      cancel the job; the scenes that had not ended are marked cancelled\n"
           "  release JOBID|FOLDER\n"
           "      let a job submitted with --hold run\n"
           "  resubmit JOBID|FOLDER [--failed | --all]\n"
           "      submit the failed and cancelled scenes again (--all: every scene neither done nor\n"
           "      running) as a new job in the same folder, with the job's settings; logs are kept\n"
           "  list\n"
           "      the jobs submitted from this program folder, newest first: JOBID, FOLDER, SCENES,\n"
           "      done/failed/running/pending, SUBMITTED and STATE, separated by tabs\n"
           "  forget JOBID|FOLDER [--delete]\n"
           "      take a job off the list; --delete also removes the folder of a job that has ended\n"
           "  task FOLDER SUBMISSION TASK --renderer PATH [--retries N]\n"
           "      run by the scheduler: render the task's scenes and record how each went\n"
           "  run-local STATE\n"
           "      run by the local scheduler: start the tasks of one of its jobs\n\n"
           "Schedulers (--scheduler; default slurm when sbatch is on PATH, else local):\n" +
           [] {
               std::string rows;
               for (const TSchedulerKind& kind : SchedulerKinds())
                   rows += "  " + std::string(kind.name) + std::string(8 - std::strlen(kind.name), ' ') + kind.description + "\n";
               return rows;
           }() +
           "A folder's job goes to the scheduler that took it; a JOBID to the chosen one, while it still\n"
           "knows the job (the job folder always works). The job folder holds scenes.txt, farm.txt,\n"
           "job.txt, tasks/K.txt per submission, and log/N.txt and status/N.txt for scene N. Slurm is used\n"
           "through sbatch, squeue, scancel and scontrol on PATH; SLURM_CONF picks the cluster. The local\n"
           "scheduler keeps its jobs in \"LocalFarm\" in the program folder.\n\n"
           "Exit status: 0 on success, 1 on failure, 2 for a usage error, 3 when the scheduler does not answer.\n";
}

int RunFarm(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    if (options.files.empty())
        return UsageError("farm needs a command: submit, status, wait, cancel, release, resubmit, list, forget");
    const std::string& command = options.files.front();
    const auto allowed = kCommandOptions.find(command);
    if (allowed == kCommandOptions.end())
        return UsageError("unknown farm command '" + command + "'");
    for (const auto& [name, value] : options.farm)
        if (!allowed->second.count(name))
            return UsageError(name + " is an option of farm " + FarmOptionOwner(name));
    if (options.renderer && command != "submit" && command != "task")
        return UsageError("--renderer is an option of farm submit");
    try {
        if (command == "submit")
            return Submit(options, workFolder, programFolder);
        if (command == "task")
            return Task(options, workFolder, programFolder);
        if (command == "run-local") {
            if (options.files.size() != 2)
                return UsageError("farm run-local needs the local job's state folder");
            return RunLocalJob(options.files[1]);
        }
        if (command == "list") {
            if (options.files.size() != 1)
                return UsageError("farm list takes no arguments");
            return List(programFolder);
        }
        if (options.files.size() != 2)
            return UsageError("farm " + command + " needs JOBID|FOLDER");
        if (command == "forget")
            return Forget(options, programFolder);
        long long timeoutMs = kDefaultTimeoutMs;
        if (options.farm.count("--timeout") && (timeoutMs = Duration(Option(options, "--timeout"))) <= 0)
            return UsageError("--timeout needs a time: seconds, or a number with s, m or h");
        if (options.farm.count("--failed") && options.farm.count("--all"))
            return UsageError("resubmit takes --failed or --all, not both");
        const std::unique_ptr<IScheduler> scheduler = SchedulerFor(options, options.files[1], programFolder);
        TFarmJob job = OpenFarmJob(*scheduler, options.files[1]);
        if (command == "status")
            return Status(job, *scheduler);
        if (command == "wait")
            return Wait(job, *scheduler, timeoutMs);
        if (command == "release") {
            scheduler->Release(job.jobId);
            Say("kelvane-scene: released " + scheduler->Title() + " job " + job.jobId, stderr);
            return 0;
        }
        if (command == "resubmit") {
            const size_t before = job.submissions.size();
            const std::string id = ResubmitFarmJob(*scheduler, job, options.farm.count("--all") > 0, JobList(programFolder));
            size_t scenes = 0;
            for (const std::vector<size_t>& task : job.submissions.back().tasks)
                scenes += task.size();
            Say(id);
            Say("kelvane-scene: " + std::to_string(scenes) + " scene" + (scenes == 1 ? "" : "s") + " submitted again as " + scheduler->Title() + " job " +
                    id + " (submission " + std::to_string(before) + "); job folder " + job.folder.string(),
                stderr);
            return 0;
        }
        CancelFarmJob(*scheduler, job);
        Say("kelvane-scene: cancelled " + scheduler->Title() + " job " + job.jobId, stderr);
        return 0;
    } catch (const std::exception& e) {
        Say("kelvane-scene: " + std::string(e.what()), stderr);
        return 1;
    }
}

} // namespace kelvane::cli
