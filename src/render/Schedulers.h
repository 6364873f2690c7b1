#pragma once
// The schedulers a farm job can go to, in one table: a new scheduler is one row (and its unit).
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "render/Farm.h"

namespace kelvane {

// What a scheduler may need of the program that uses it.
struct TSchedulerPlace {
    std::filesystem::path programFolder;  // the local scheduler keeps its jobs in "LocalFarm" here
    std::filesystem::path sceneProgram;   // the kelvane-scene that runs the tasks
};

struct TSchedulerKind {
    const char* name;         // as --scheduler and job.txt name it
    const char* description;  // for the help and the submit dialog
    std::unique_ptr<IScheduler> (*make)(const TSchedulerPlace& place);
};

const std::vector<TSchedulerKind>& SchedulerKinds();

// "slurm" when sbatch is on PATH, else "local".
std::string DefaultSchedulerName();

// The scheduler of that name; EFarmError for a name no row has.
std::unique_ptr<IScheduler> MakeScheduler(const std::string& name, const TSchedulerPlace& place);

// The scheduler a job folder was submitted to; `fallback` for a folder whose job.txt names none.
std::unique_ptr<IScheduler> SchedulerOfFolder(const std::filesystem::path& folder, const std::string& fallback,
                                              const TSchedulerPlace& place);

} // namespace kelvane
