#pragma once
// The local scheduler: a job's tasks run on this machine, N at a time, under a runner process
// (`kelvane-scene farm run-local STATEFOLDER/ID`) detached from the terminal and the program that
// submitted it, so the job outlives both. Job ids count up per state folder; each job keeps there
//   ID/job.txt      "folder PATH", "tasks N", "parallel N" lines
//   ID/command      the task command, its words separated by NUL bytes
//   ID/runner.txt   "PID START" of the runner (START from /proc, against reused ids)
//   ID/started.txt  the tasks started, ID/ended.txt the tasks ended, one index a line
//   ID/held         present while the job is held; ID/cancelled once it was cancelled
// Each task's output goes to log/task-ID_T.txt of the job folder.
#include "render/Farm.h"

namespace kelvane {

class TLocalScheduler : public IScheduler {
public:
    // `stateFolder` keeps the jobs' records; `runner` is the kelvane-scene that runs them.
    TLocalScheduler(std::filesystem::path stateFolder, std::filesystem::path runner);

    std::string Name() const override { return "local"; }
    std::string Title() const override { return "local"; }
    std::string Unavailable() const override;
    std::string Submit(const TFarmJob& job, size_t submission, size_t tasks, const TFarmOptions& options) override;
    TQueue Query(const std::string& jobId) override;
    void Cancel(const std::string& jobId) override;
    void Release(const std::string& jobId) override;
    std::optional<std::filesystem::path> FolderOfJob(const std::string& jobId) override;

private:
    std::filesystem::path JobFolder(const std::string& jobId) const;

    std::filesystem::path stateFolder_;
    std::filesystem::path runner_;
};

// The runner: starts the tasks of the job kept in `jobState`, at most its "parallel" at once, and
// records each start and end; returns when every task has ended. 0, or 1 when the records cannot
// be read.
int RunLocalJob(const std::filesystem::path& jobState);

} // namespace kelvane
