#include "render/Schedulers.h"

#include "render/LocalScheduler.h"
#include "render/ProcessRunner.h"
#include "render/SlurmScheduler.h"

namespace kelvane {

const std::vector<TSchedulerKind>& SchedulerKinds()
{
    static const std::vector<TSchedulerKind> kinds = {
        {"slurm", "a Slurm cluster (sbatch, squeue, scancel, scontrol)",
         [](const TSchedulerPlace&) -> std::unique_ptr<IScheduler> { return std::make_unique<TSlurmScheduler>(); }},
        {"local", "this machine, N tasks at a time",
         [](const TSchedulerPlace& place) -> std::unique_ptr<IScheduler> {
             return std::make_unique<TLocalScheduler>(place.programFolder / "LocalFarm", place.sceneProgram);
         }},
    };
    return kinds;
}

std::string DefaultSchedulerName()
{
    return FindExecutable("sbatch").empty() ? "local" : "slurm";
}

std::unique_ptr<IScheduler> MakeScheduler(const std::string& name, const TSchedulerPlace& place)
{
    std::string names;
    for (const TSchedulerKind& kind : SchedulerKinds()) {
        if (name == kind.name)
            return kind.make(place);
        names += std::string(names.empty() ? "" : ", ") + kind.name;
    }
    throw EFarmError("no scheduler \"" + name + "\"; there are " + names);
}

std::unique_ptr<IScheduler> SchedulerOfFolder(const std::filesystem::path& folder, const std::string& fallback,
                                              const TSchedulerPlace& place)
{
    const std::string named = JobSchedulerName(folder);
    return MakeScheduler(named.empty() ? fallback : named, place);
}

} // namespace kelvane
