#pragma once
// Slurm through its own tools: sbatch, squeue, scancel and scontrol found on PATH, the cluster
// chosen as they choose it (SLURM_CONF, else their built-in configuration file). A tool that has
// not answered within toolTimeLimitMs is stopped and counts as a failure. Submit writes the job
// folder's job.sh, which runs the task command for $SLURM_ARRAY_TASK_ID.
#include "render/Farm.h"

namespace kelvane {

class TSlurmScheduler : public IScheduler {
public:
    std::string Name() const override { return "slurm"; }
    std::string Title() const override { return "Slurm"; }
    std::string Unavailable() const override;
    std::string Submit(const TFarmJob& job, size_t submission, size_t tasks, const TFarmOptions& options) override;
    TQueue Query(const std::string& jobId) override;
    void Cancel(const std::string& jobId) override;
    void Release(const std::string& jobId) override;
    std::optional<std::filesystem::path> FolderOfJob(const std::string& jobId) override;

    int toolTimeLimitMs = 120000;
};

// squeue's lines "JOBID_TASK STATE" (STATE its short code); a pending remainder may show as
// "JOBID_[0-5%2]". Lines of other jobs are skipped.
TQueue ParseSlurmQueue(const std::string& text, const std::string& jobId);

} // namespace kelvane
