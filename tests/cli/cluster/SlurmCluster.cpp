#include "SlurmCluster.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvane::test {

namespace {

const char* const kTools[] = {"munged", "slurmctld", "slurmd", "sbatch", "squeue", "scancel", "sinfo", "scontrol"};

std::string Which(const std::string& tool)
{
    const char* path = std::getenv("PATH");
    std::string dirs = std::string(path ? path : "") + ":/usr/sbin:/sbin";
    size_t from = 0;
    while (from <= dirs.size()) {
        size_t end = dirs.find(':', from);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(from, end - from) + "/" + tool;
        if (end > from && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        from = end + 1;
    }
    return {};
}

int UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

pid_t ReadPid(const fs::path& file)
{
    std::ifstream in(file);
    long pid = 0;
    in >> pid;
    return pid > 1 ? static_cast<pid_t>(pid) : -1;
}

bool Alive(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// Runs argv to its end (a daemon's first process ends once the daemon runs), its output in the
// file `log`; true when it exits with status 0. `out` gets the output.
bool Run(const std::vector<std::string>& argv, const fs::path& log, std::string& out)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_RDONLY);
        if (fd < 0 || null < 0)
            ::_exit(126);
        ::dup2(null, 0);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::ifstream in(log);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// SIGTERM, then SIGKILL for a daemon that is still there after ten seconds.
void StopPid(pid_t pid)
{
    if (!Alive(pid))
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200 && Alive(pid); ++i) {
        ::waitpid(pid, nullptr, WNOHANG);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (Alive(pid))
        ::kill(pid, SIGKILL);
}

const char* const kPidFiles[] = {"slurmd.pid", "slurmctld.pid", "munge/munged.pid"};

// Cancels every job of the cluster and waits (at most 20 s) until none is left, so no job step
// or renderer outlives the daemons.
void CancelAllJobs(const fs::path& folder)
{
    std::string out;
    const passwd* user = ::getpwuid(::geteuid());
    if (!user || !Alive(ReadPid(folder / "slurmctld.pid")) ||
        !Run({"scancel", std::string("--user=") + user->pw_name}, folder / "scancel.out", out))
        return;
    for (int i = 0; i < 100; ++i) {
        if (!Run({"squeue", "--noheader"}, folder / "squeue.out", out) || out.empty())
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

} // namespace

std::string TSlurmCluster::Missing()
{
    for (const char* tool : kTools)
        if (Which(tool).empty())
            return std::string("\"") + tool + "\" is not installed (scripts/setup.sh installs slurm-wlm and munge)";
    if (::geteuid() != 0)
        return "the private Slurm cluster runs its daemons as root";
    return {};
}

bool TSlurmCluster::StartDaemon(const std::vector<std::string>& argv, const fs::path& pidFile, std::string& error)
{
    std::string out;
    if (!Run(argv, pidFile.string() + ".out", out)) {
        error = argv[0] + " did not start: " + out;
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        if (const pid_t pid = ReadPid(pidFile); pid > 0) {
            pids_.push_back(pid);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = argv[0] + " wrote no pid file " + pidFile.string();
    return false;
}

bool TSlurmCluster::Start(std::string& error)
{
    char name[] = "/tmp/kelvane-slurm-XXXXXX";
    if (!::mkdtemp(name)) {
        error = "cannot make a temporary folder";
        return false;
    }
    folder_ = name;
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);

    // The watchdog waits for the pipe to close (this program ended), then stops what is left.
    int fds[2];
    if (::pipe(fds) == 0) {
        watchdog_ = ::fork();
        if (watchdog_ == 0) {
            ::close(fds[1]);
            ::setsid();
            char c;
            while (::read(fds[0], &c, 1) > 0 || errno == EINTR) {
            }
            ::setenv("SLURM_CONF", (folder_ / "slurm.conf").c_str(), 1);
            CancelAllJobs(folder_);
            std::vector<pid_t> left;
            for (const char* file : kPidFiles)
                if (const pid_t pid = ReadPid(folder_ / file); Alive(pid)) {
                    ::kill(pid, SIGTERM);
                    left.push_back(pid);
                }
            for (int i = 0; i < 100 && std::any_of(left.begin(), left.end(), Alive); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::error_code ec;
            fs::remove_all(folder_, ec);
            ::_exit(0);
        }
        ::close(fds[0]);
        watchdogPipe_ = fds[1];
        ::fcntl(watchdogPipe_, F_SETFD, FD_CLOEXEC);
    }

    const fs::path munge = folder_ / "munge";
    fs::create_directories(munge);
    fs::permissions(munge, fs::perms::owner_all);
    {
        std::random_device random;
        std::string key(1024, '\0');
        for (char& c : key)
            c = static_cast<char>(random());
        std::ofstream(munge / "munge.key", std::ios::binary) << key;
        fs::permissions(munge / "munge.key", fs::perms::owner_read);
    }
    const fs::path socket = munge / "munge.socket";
    if (!StartDaemon({Which("munged"), "--key-file=" + (munge / "munge.key").string(), "--socket=" + socket.string(),
                      "--pid-file=" + (munge / "munged.pid").string(), "--log-file=" + (munge / "munged.log").string(),
                      "--seed-file=" + (munge / "munged.seed").string(), "--force"},
                     munge / "munged.pid", error)) {
        Stop();
        return false;
    }

    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::string node = host;
    node = node.substr(0, node.find('.'));
    const passwd* user = ::getpwuid(::geteuid());
    const std::string userName = user ? user->pw_name : "root";
    const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    for (const char* dir : {"state", "spool"})
        fs::create_directories(folder_ / dir);
    const std::string f = folder_.string();
    std::ofstream conf(ConfFile());
    conf << "ClusterName=kelvanetest\n"
         << "SlurmctldHost=" << node << "(127.0.0.1)\n"
         << "AuthType=auth/munge\nAuthInfo=socket=" << socket.string() << "\nCredType=cred/munge\n"
         << "SlurmUser=" << userName << "\nSlurmdUser=" << userName << "\n"
         << "SlurmctldPort=" << UnusedPort() << "\nSlurmdPort=" << UnusedPort() << "\n"
         << "StateSaveLocation=" << f << "/state\nSlurmdSpoolDir=" << f << "/spool\n"
         << "SlurmctldPidFile=" << f << "/slurmctld.pid\nSlurmdPidFile=" << f << "/slurmd.pid\n"
         << "SlurmctldLogFile=" << f << "/slurmctld.log\nSlurmdLogFile=" << f << "/slurmd.log\n"
         << "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\nJobAcctGatherType=jobacct_gather/none\n"
         << "AccountingStorageType=accounting_storage/none\nMpiDefault=none\nMailProg=/bin/true\n"
         << "SelectType=select/cons_tres\nSelectTypeParameters=CR_Core_Memory\nReturnToService=2\nKillWait=5\n"
         << "SchedulerParameters=sched_interval=1\n"
         << "NodeName=" << node << " NodeAddr=127.0.0.1 CPUs=" << cpus << " RealMemory=4000 State=UNKNOWN\n"
         << "PartitionName=kelvane Nodes=" << node << " Default=YES MaxTime=INFINITE State=UP\n";
    conf.close();
    ::setenv("SLURM_CONF", ConfFile().c_str(), 1);

    if (!StartDaemon({Which("slurmctld")}, folder_ / "slurmctld.pid", error) ||
        !StartDaemon({Which("slurmd")}, folder_ / "slurmd.pid", error)) {
        Stop();
        return false;
    }
    std::string out;
    for (int i = 0; i < 600; ++i) {
        if (Run({"sinfo", "-h", "-o", "%t"}, folder_ / "sinfo.out", out) && out.rfind("idle", 0) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = "the node did not become idle (sinfo said \"" + out + "\"); see the logs in " + folder_.string();
    Stop();
    return false;
}

void TSlurmCluster::StopController()
{
    const pid_t pid = ReadPid(folder_ / "slurmctld.pid");
    StopPid(pid);
    pids_.erase(std::remove(pids_.begin(), pids_.end(), pid), pids_.end());
    std::error_code ec;
    fs::remove(folder_ / "slurmctld.pid", ec);
}

bool TSlurmCluster::StartController(std::string& error)
{
    return StartDaemon({Which("slurmctld")}, folder_ / "slurmctld.pid", error);
}

void TSlurmCluster::Stop()
{
    if (!folder_.empty())
        CancelAllJobs(folder_);
    // slurmd first, then the controller, then munged.
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it)
        StopPid(*it);
    pids_.clear();
    if (watchdogPipe_ >= 0) {
        ::close(watchdogPipe_);
        watchdogPipe_ = -1;
    }
    if (watchdog_ > 0) {
        ::waitpid(watchdog_, nullptr, 0);
        watchdog_ = -1;
    }
    if (!folder_.empty() && !std::getenv("KELVANE_KEEP_CLUSTER")) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    folder_.clear();
}

} // namespace kelvane::test
