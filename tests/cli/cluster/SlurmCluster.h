#pragma once
// A private single-node Slurm cluster for the farm tests: munged with a fresh key, slurmctld and
// slurmd from a generated slurm.conf on unused ports, everything in one temporary folder. The
// daemons are stopped by their process ids when the cluster is destroyed; a watchdog process
// stops them too when the test program dies without that (a crash, a time-out).
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kelvane::test {

class TSlurmCluster {
public:
    TSlurmCluster() = default;
    ~TSlurmCluster() { Stop(); }
    TSlurmCluster(const TSlurmCluster&) = delete;
    TSlurmCluster& operator=(const TSlurmCluster&) = delete;

    // Empty when the tools are installed and the user may run them, else what is missing.
    static std::string Missing();
    // Starts the daemons and waits until the node is idle; false with `error` set otherwise (the
    // daemons that did start are stopped again).
    bool Start(std::string& error);
    void Stop();
    // Stops slurmctld alone (a controller that does not answer), and starts it again.
    void StopController();
    bool StartController(std::string& error);

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path ConfFile() const { return folder_ / "slurm.conf"; }

private:
    bool StartDaemon(const std::vector<std::string>& argv, const std::filesystem::path& pidFile, std::string& error);

    std::filesystem::path folder_;
    std::vector<pid_t> pids_;
    pid_t watchdog_ = -1;
    int watchdogPipe_ = -1;
};

} // namespace kelvane::test
