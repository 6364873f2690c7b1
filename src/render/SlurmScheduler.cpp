#include "render/SlurmScheduler.h"

#include <cstdlib>

#include "render/ProcessRunner.h"
#include "scene/FileIO.h"

namespace kelvane {

namespace {

struct TToolRun {
    int exitCode = -1;
    std::string out, err;
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

TToolRun RunTool(std::vector<std::string> argv, int timeLimitMs)
{
    TRunRequest request;
    request.executable = argv.front();
    request.argv = std::move(argv);
    request.keepBytes = 0;  // every queue line counts
    request.timeLimitMs = timeLimitMs;
    TToolRun run;
    TRunOutcome outcome;
    if (!RunRenderer(request, run.out, run.err, nullptr, &outcome))
        throw EFarmError(request.executable + ": " + outcome.startError);
    if (outcome.timedOut)
        throw EFarmError(request.executable + " did not answer within " + std::to_string((timeLimitMs + 999) / 1000) + " s");
    run.exitCode = outcome.exitCode;
    if (outcome.signal)
        run.err += "\nended by signal " + SignalName(outcome.signal);
    return run;
}

[[noreturn]] void Fail(const std::string& tool, const TToolRun& run)
{
    std::string words = Trim(run.err);
    if (words.empty())
        words = Trim(run.out);
    if (words.empty())
        words = "exit status " + std::to_string(run.exitCode);
    throw EFarmError(tool + " failed: " + words);
}

bool UnknownJob(const TToolRun& run)
{
    return run.err.find("Invalid job id") != std::string::npos;
}

void CheckJobId(const std::string& jobId)
{
    if (jobId.empty() || jobId.find_first_not_of("0123456789") != std::string::npos)
        throw EFarmError("\"" + jobId + "\" is not a Slurm job id");
}

TTaskStatus StateOfCode(const std::string& code)
{
    if (code == "PD")
        return {ETaskState::Pending, {}};
    if (code == "CD")
        return {ETaskState::Done, {}};
    if (code == "CA")
        return {ETaskState::Cancelled, {}};
    static const std::pair<const char*, const char*> failures[] = {
        {"F", "the task failed"}, {"TO", "the time limit was reached"}, {"NF", "the node failed"},
        {"OOM", "out of memory"}, {"BF", "the node could not start it"}, {"DL", "the deadline was reached"},
        {"PR", "preempted"}};
    for (const auto& [c, text] : failures)
        if (code == c)
            return {ETaskState::Failed, text};
    return {ETaskState::Running, {}};  // R, CG, CF, S, ST and the like: the task is still alive
}

// job.sh K runs array task $SLURM_ARRAY_TASK_ID of submission K. It writes its log itself:
// Slurm would expand characters of the folder's path ('%', '\\') in a log name.
std::string JobScript(const TFarmJob& job, const TFarmOptions& options)
{
    std::vector<std::string> command = TaskCommand(job, 0, options);
    command[4] = "\"${1:-0}\"";
    std::string line = "exec";
    for (size_t i = 0; i < command.size(); ++i) {
        line += " " + (i == 4 ? command[i] : ShellQuote(command[i]));
        if (i == 4)
            line += " \"$SLURM_ARRAY_TASK_ID\"";
    }
    return "#!/bin/sh\n"
           "# Kelvane render farm: array task T of submission K (the argument) renders the scenes on line\n"
           "# T + 1 of tasks/K.txt, each as kelvane-scene render does.\n"
           "exec >>" + ShellQuote(job.folder.string()) + "/log/task-\"$SLURM_ARRAY_JOB_ID\"_\"$SLURM_ARRAY_TASK_ID\".txt 2>&1\n"
           "KELVANE_FARM_TASK=\"$SLURM_ARRAY_JOB_ID\"_\"$SLURM_ARRAY_TASK_ID\"\n"
           "export KELVANE_FARM_TASK\n" + line + "\n";
}

} // namespace

TQueue ParseSlurmQueue(const std::string& text, const std::string& jobId)
{
    TQueue queue;
    const std::string prefix = jobId + "_";
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(from, end - from));
        from = end + 1;
        const size_t space = line.find(' ');
        if (space == std::string::npos || line.compare(0, prefix.size(), prefix) != 0)
            continue;
        const TTaskStatus state = StateOfCode(Trim(line.substr(space + 1)));
        std::string tasks = line.substr(prefix.size(), space - prefix.size());
        if (!tasks.empty() && tasks.front() == '[') {
            tasks = tasks.substr(1, tasks.find_first_of("%]") - 1);
        }
        // "3" or "0-5,7,9-10"
        size_t at = 0;
        while (at < tasks.size()) {
            size_t comma = tasks.find(',', at);
            if (comma == std::string::npos)
                comma = tasks.size();
            const std::string range = tasks.substr(at, comma - at);
            at = comma + 1;
            const size_t dash = range.find('-');
            try {
                const unsigned long first = std::stoul(range.substr(0, dash));
                const unsigned long last = dash == std::string::npos ? first : std::stoul(range.substr(dash + 1));
                for (unsigned long t = first; t <= last && t - first < 10000000; ++t)
                    queue[t] = state;
            } catch (const std::exception&) {
            }
        }
    }
    return queue;
}

std::string TSlurmScheduler::Unavailable() const
{
    for (const char* tool : {"sbatch", "squeue", "scancel", "scontrol"})
        if (FindExecutable(tool).empty())
            return std::string("Slurm is not installed here: no \"") + tool + "\" on PATH";
    if (const char* conf = std::getenv("SLURM_CONF"); conf && *conf && !FileExists(conf))
        return std::string("SLURM_CONF names \"") + conf + "\", which is not a file";
    return {};
}

std::string TSlurmScheduler::Submit(const TFarmJob& job, size_t submission, size_t tasks, const TFarmOptions& options)
{
    const fs::path script = job.folder / "job.sh";
    WriteFileAtomic(script, JobScript(job, options));
    fs::permissions(script, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    std::string array = "--array=0-" + std::to_string(tasks - 1);
    if (options.maxParallel > 0)
        array += "%" + std::to_string(options.maxParallel);
    // The task script writes its logs: Slurm would expand '%' and '\\' of the folder in a log name.
    std::vector<std::string> argv = {"sbatch", "--parsable", "--job-name=kelvane-farm", array,
                                     "--chdir=" + job.folder.string(), "--output=/dev/null"};
    if (!options.partition.empty())
        argv.push_back("--partition=" + options.partition);
    if (!options.timeLimit.empty())
        argv.push_back("--time=" + options.timeLimit);
    if (!options.memory.empty())
        argv.push_back("--mem=" + options.memory);
    if (options.hold)
        argv.push_back("--hold");
    if (options.nice)
        argv.push_back("--nice=" + std::to_string(*options.nice));
    argv.push_back(script.string());
    argv.push_back(std::to_string(submission));
    const TToolRun run = RunTool(argv, toolTimeLimitMs);
    // "ID" or "ID;CLUSTER"
    const std::string id = Trim(run.out).substr(0, Trim(run.out).find(';'));
    if (run.exitCode != 0 || id.empty() || id.find_first_not_of("0123456789") != std::string::npos) {
        if (run.err.find("Invalid job array specification") != std::string::npos) {
            TToolRun hinted = run;
            hinted.err = Trim(run.err) + " (task numbers 0-" + std::to_string(tasks - 1) +
                         " must stay below the cluster's MaxArraySize)";
            Fail("sbatch", hinted);
        }
        Fail("sbatch", run);
    }
    return id;
}

TQueue TSlurmScheduler::Query(const std::string& jobId)
{
    CheckJobId(jobId);
    const TToolRun run = RunTool({"squeue", "--noheader", "--array", "--states=all", "--jobs=" + jobId, "--format=%i %t"}, toolTimeLimitMs);
    if (run.exitCode != 0) {
        if (UnknownJob(run))
            return {};
        Fail("squeue", run);
    }
    return ParseSlurmQueue(run.out, jobId);
}

void TSlurmScheduler::Cancel(const std::string& jobId)
{
    CheckJobId(jobId);
    const TToolRun run = RunTool({"scancel", jobId}, toolTimeLimitMs);
    if (run.exitCode != 0)
        Fail("scancel", run);
}

void TSlurmScheduler::Release(const std::string& jobId)
{
    CheckJobId(jobId);
    const TToolRun run = RunTool({"scontrol", "release", jobId}, toolTimeLimitMs);
    if (run.exitCode != 0)
        Fail("scontrol release", run);
}

std::optional<fs::path> TSlurmScheduler::FolderOfJob(const std::string& jobId)
{
    CheckJobId(jobId);
    const TToolRun run = RunTool({"squeue", "--noheader", "--states=all", "--jobs=" + jobId, "--format=%o"}, toolTimeLimitMs);
    if (run.exitCode != 0) {
        if (UnknownJob(run))
            return std::nullopt;
        Fail("squeue", run);
    }
    const std::string script = Trim(run.out.substr(0, run.out.find('\n')));
    if (script.empty())
        return std::nullopt;
    return fs::path(script).parent_path();
}

} // namespace kelvane
