#include "cli/FarmCommand.h"

#include <cstdio>
#include <exception>
#include <thread>

#include "cli/RenderCommand.h"
#include "render/Farm.h"
#include "render/SlurmScheduler.h"
#include "scene/FileIO.h"
#include "shell/ScriptLine.h"

namespace kelvane::cli {

namespace {

constexpr int kPollMs = 1000;
constexpr int kBarWidth = 30;

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

std::string StateText(const TTaskStatus& s)
{
    return EscapeBreaks(TaskStateText(s));
}

int Submit(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    std::vector<fs::path> scenes(options.files.begin() + 1, options.files.end());
    if (scenes.empty())
        return UsageError("farm submit needs FILE...");
    TFarmOptions farm;
    farm.renderer = options.renderer ? *options.renderer : ConfiguredRenderer(programFolder);
    farm.partition = Option(options, "--partition");
    farm.timeLimit = Option(options, "--time");
    if (const std::string n = Option(options, "--max-parallel"); !n.empty()) {
        if (n.size() > 6 || n.find_first_not_of("0123456789") != std::string::npos || std::stoi(n) < 1)
            return UsageError("--max-parallel needs a whole number from 1");
        farm.maxParallel = std::stoi(n);
    }
    if (const std::string folder = Option(options, "--folder"); !folder.empty())
        farm.folder = folder;
    farm.sceneProgram = ExecutableFolder() / "kelvane-scene";
    TSlurmScheduler slurm;
    const TFarmJob job = SubmitFarmJob(slurm, scenes, farm, workFolder);
    Say(job.jobId);
    Say("kelvane-scene: " + std::to_string(job.scenes.size()) + " scene" + (job.scenes.size() == 1 ? "" : "s") +
            " submitted as Slurm job " + job.jobId + "; job folder " + job.folder.string(), stderr);
    return 0;
}

int Status(const TFarmJob& job, IScheduler& scheduler)
{
    std::string queueError;
    const std::vector<TTaskStatus> states = FarmJobStates(scheduler, job, &queueError);
    if (!queueError.empty())
        Say("kelvane-scene: " + queueError + " (states from the status files only)", stderr);
    for (size_t i = 0; i < states.size(); ++i)
        Say(job.scenes[i].string() + ": " + StateText(states[i]));
    return 0;
}

int Wait(const TFarmJob& job, IScheduler& scheduler)
{
    std::string lastError;
    const size_t n = job.scenes.size();
    for (;;) {
        std::string queueError;
        const std::vector<TTaskStatus> states = FarmJobStates(scheduler, job, &queueError);
        if (!queueError.empty() && queueError != lastError)
            Say("\nkelvane-scene: " + queueError, stderr);
        lastError = queueError;
        size_t done = 0, ended = 0;
        for (const TTaskStatus& s : states) {
            done += s.state == ETaskState::Done;
            ended += Ended(s.state);
        }
        const size_t filled = n ? done * kBarWidth / n : kBarWidth;
        std::fprintf(stderr, "\r[%s%s] %zu/%zu done", std::string(filled, '#').c_str(),
                     std::string(kBarWidth - filled, '-').c_str(), done, n);
        std::fflush(stderr);
        if (ended == n) {
            std::fputc('\n', stderr);
            for (size_t i = 0; i < n; ++i)
                if (states[i].state != ETaskState::Done)
                    Say(job.scenes[i].string() + ": " + StateText(states[i]), stderr);
            return done == n ? 0 : 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

// Run by the job script on a node: renders one scene and records how it went.
int Task(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    if (options.files.size() != 3 || !options.renderer)
        return UsageError("farm task needs FOLDER INDEX --renderer PATH");
    const fs::path folder = options.files[1];
    const std::string& index = options.files[2];
    if (index.empty() || index.size() > 9 || index.find_first_not_of("0123456789") != std::string::npos)
        return UsageError("farm task: \"" + index + "\" is not a task index");
    const size_t task = std::stoul(index);
    std::vector<std::string> scenes;
    const std::string list = ReadWholeFile(folder / "scenes.txt");
    for (size_t from = 0; from < list.size();) {
        const size_t end = std::min(list.find('\n', from), list.size());
        scenes.push_back(list.substr(from, end - from));
        from = end + 1;
    }
    if (task >= scenes.size())
        return UsageError("farm task: the job has no task " + index);
    WriteTaskStatus(folder, task, {ETaskState::Running, {}});
    TOptions render;
    render.command = "render";
    render.files = {scenes[task]};
    render.renderer = options.renderer;
    TRenderReport report;
    const int code = RunRender(render, workFolder, programFolder, &report);
    if (code == 0)
        WriteTaskStatus(folder, task, {ETaskState::Done, report.timeText});
    else if (code == 130)
        WriteTaskStatus(folder, task, {ETaskState::Cancelled, {}});
    else
        WriteTaskStatus(folder, task, {ETaskState::Failed, report.messages.empty() ? "the render failed" : report.messages});
    return code;
}

} // namespace

std::string FarmHelpText()
{
    return "Usage: kelvane-scene farm COMMAND [ARGUMENTS]\n"
           "Renders a batch of scenes on a Slurm cluster: one job array, one task per scene, each task the\n"
           "render job of 'kelvane-scene render'; every picture is written beside its scene.\n\n"
           "Commands:\n"
           "  submit FILE... [--renderer PATH] [--partition P] [--max-parallel N] [--time LIMIT] [--folder DIR]\n"
           "      check that every scene reads, write a job folder (DIR, else a new \"kelvane-farm-\" folder\n"
           "      beside the first scene) and submit it with sbatch; prints the job id. The renderer (from\n"
           "      PATH, else from \"Pellith.ini\" beside the program) and the scenes must be at the same\n"
           "      absolute paths on the nodes; N caps the tasks that run at once\n"
           "  status JOBID|FOLDER\n"
           "      one line per scene: pending, running, done (render time), failed: MESSAGE, cancelled\n"
           "  wait JOBID|FOLDER\n"
           "      a progress bar on standard error until every task has ended; exit status 0 when all are\n"
           "      done, 1 when any failed or was cancelled (their messages follow)\n"
           "  cancel JOBID|FOLDER\n"
           "      scancel the job; the tasks that had not ended are marked cancelled\n"
           "  task FOLDER INDEX --renderer PATH\n"
           "      run by the job script on a node: render scene INDEX of the folder and record the outcome\n\n"
           "A JOBID is found while Slurm still knows the job; the job folder always works. The job folder\n"
           "holds scenes.txt, job.sh, job.txt, log/N.txt and status/N.txt for task N.\n"
           "Slurm is used through sbatch, squeue and scancel on PATH; SLURM_CONF picks the cluster.\n\n"
           "Exit status: 0 on success, 1 on failure, 2 for a usage error.\n";
}

int RunFarm(const TOptions& options, const fs::path& workFolder, const fs::path& programFolder)
{
    if (options.files.empty())
        return UsageError("farm needs a command: submit, status, wait, cancel");
    const std::string& command = options.files.front();
    if (command != "submit" && !options.farm.empty())
        return UsageError(options.farm.begin()->first + " is an option of farm submit");
    if (options.renderer && command != "submit" && command != "task")
        return UsageError("--renderer is an option of farm submit");
    try {
        if (command == "submit")
            return Submit(options, workFolder, programFolder);
        if (command == "task")
            return Task(options, workFolder, programFolder);
        if (command != "status" && command != "wait" && command != "cancel")
            return UsageError("unknown farm command '" + command + "'");
        if (options.files.size() != 2)
            return UsageError("farm " + command + " needs JOBID|FOLDER");
        TSlurmScheduler slurm;
        const TFarmJob job = OpenFarmJob(slurm, options.files[1]);
        if (command == "status")
            return Status(job, slurm);
        if (command == "wait")
            return Wait(job, slurm);
        CancelFarmJob(slurm, job);
        Say("kelvane-scene: cancelled Slurm job " + job.jobId, stderr);
        return 0;
    } catch (const std::exception& e) {
        Say("kelvane-scene: " + std::string(e.what()), stderr);
        return 1;
    }
}

} // namespace kelvane::cli
