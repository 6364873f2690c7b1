#include "render/LocalScheduler.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include "render/FarmJobList.h"
#include "render/ProcessRunner.h"
#include "scene/FileIO.h"

namespace kelvane {

namespace {

constexpr int kPollMs = 100;
constexpr int kStartWaitMs = 10000;

bool WholeNumber(const std::string& text)
{
    return !text.empty() && text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
}

// The "key value" lines of a file.
std::map<std::string, std::string> KeyValues(const fs::path& file)
{
    std::map<std::string, std::string> values;
    const std::string text = ReadWholeFile(file);
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        const std::string line = text.substr(from, end - from);
        const size_t space = line.find(' ');
        if (space != std::string::npos)
            values[line.substr(0, space)] = line.substr(space + 1);
        from = end + 1;
    }
    return values;
}

std::set<size_t> Indices(const fs::path& file)
{
    std::set<size_t> indices;
    if (!FileExists(file))
        return indices;
    const std::string text = ReadWholeFile(file);
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        const std::string word = text.substr(from, end - from);
        if (WholeNumber(word))
            indices.insert(std::stoul(word));
        from = end + 1;
    }
    return indices;
}

// The start time of a process in clock ticks after boot (field 22 of /proc/PID/stat); empty when
// there is no such process.
std::string StartTime(pid_t pid)
{
    std::string stat;
    try {
        stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    } catch (const std::exception&) {
        return {};
    }
    // The name in parentheses may hold spaces: count fields after its closing one (field 2).
    size_t at = stat.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field)
        at = stat.find(' ', at + 1);
    if (at == std::string::npos)
        return {};
    return stat.substr(at + 1, stat.find(' ', at + 1) - at - 1);
}

// The runner's process id while it runs; 0 once it has ended.
pid_t LiveRunner(const fs::path& state)
{
    const fs::path file = state / "runner.txt";
    if (!FileExists(file))
        return 0;
    const std::string text = ReadWholeFile(file);
    const size_t space = text.find(' ');
    const std::string pid = text.substr(0, space);
    if (!WholeNumber(pid) || space == std::string::npos)
        return 0;
    std::string start = text.substr(space + 1);
    start = start.substr(0, start.find('\n'));
    const pid_t id = static_cast<pid_t>(std::stol(pid));
    return StartTime(id) == start ? id : 0;
}

// A task of the runner: output to the job folder's task log, stdin from /dev/null, ended with
// the runner.
pid_t StartTask(std::vector<std::string> argv, const fs::path& log, const std::string& label)
{
    std::vector<char*> words;
    for (std::string& w : argv)
        words.push_back(w.data());
    words.push_back(nullptr);
    std::string variable = "KELVANE_FARM_TASK=" + label;
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "KELVANE_FARM_TASK=", 18) != 0)
            environment.push_back(*e);
    environment.push_back(variable.data());
    environment.push_back(nullptr);
    const int out = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        if (in >= 0)
            ::dup2(in, 0);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execve(words[0], words.data(), environment.data());
        ::_exit(127);
    }
    if (out >= 0)
        ::close(out);
    if (in >= 0)
        ::close(in);
    return pid;
}

void RunTasks(const fs::path& state, const fs::path& folder, const std::vector<std::string>& command, size_t count,
              size_t parallel);

} // namespace

TLocalScheduler::TLocalScheduler(fs::path stateFolder, fs::path runner)
    : stateFolder_(std::move(stateFolder)), runner_(std::move(runner))
{
}

std::string TLocalScheduler::Unavailable() const
{
    if (::access(runner_.c_str(), X_OK) != 0)
        return "the local scheduler needs kelvane-scene at " + runner_.string();
    return {};
}

fs::path TLocalScheduler::JobFolder(const std::string& jobId) const
{
    if (!WholeNumber(jobId))
        throw EFarmError("\"" + jobId + "\" is not a local job id");
    return stateFolder_ / jobId;
}

std::string TLocalScheduler::Submit(const TFarmJob& job, size_t submission, size_t tasks, const TFarmOptions& options)
{
    std::error_code ec;
    fs::create_directories(stateFolder_, ec);
    // The next id after the highest taken; mkdir decides between submitters racing for it.
    unsigned long next = 1;
    for (const fs::directory_entry& e : fs::directory_iterator(stateFolder_, ec))
        if (WholeNumber(e.path().filename().string()))
            next = std::max(next, std::stoul(e.path().filename().string()) + 1);
    if (ec)
        throw EFarmError("cannot use " + stateFolder_.string() + ": " + ec.message());
    fs::path state;
    for (;; ++next) {
        state = stateFolder_ / std::to_string(next);
        if (fs::create_directory(state, ec))
            break;
        if (ec)
            throw EFarmError("cannot make " + state.string() + ": " + ec.message());
    }
    const std::string id = std::to_string(next);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t parallel = options.maxParallel > 0 ? size_t(options.maxParallel) : cores;
    std::string command;
    for (const std::string& word : TaskCommand(job, submission, options))
        command += word + '\0';
    WriteFileAtomic(state / "job.txt", "folder " + job.folder.string() + "\ntasks " + std::to_string(tasks) + "\nparallel " +
                                           std::to_string(parallel) + "\n");
    WriteFileAtomic(state / "command", command);
    if (options.hold)
        WriteFileAtomic(state / "held", "");

    // Detached: a new session under a process of its own whose parent ends at once.
    std::string program = runner_.string(), verb1 = "farm", verb2 = "run-local", where = state.string();
    char* argv[] = {program.data(), verb1.data(), verb2.data(), where.data(), nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    if (child < 0) {
        fs::remove_all(state, ec);
        throw EFarmError(std::string("cannot start the local runner: ") + std::strerror(errno));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    for (int waited = 0; !FileExists(state / "runner.txt"); waited += kPollMs) {
        if (waited >= kStartWaitMs) {
            fs::remove_all(state, ec);
            throw EFarmError("the local runner " + runner_.string() + " did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return id;
}

TQueue TLocalScheduler::Query(const std::string& jobId)
{
    const fs::path state = JobFolder(jobId);
    if (!FileExists(state / "job.txt"))
        return {};  // not a job of this scheduler, as Slurm forgets old ones
    const std::map<std::string, std::string> job = KeyValues(state / "job.txt");
    const auto tasks = job.find("tasks");
    const size_t count = tasks != job.end() && WholeNumber(tasks->second) ? std::stoul(tasks->second) : 0;
    const bool alive = LiveRunner(state) != 0 && !FileExists(state / "cancelled");
    // Read the ends first: a task that ends between the two reads is then seen as running.
    const std::set<size_t> ended = Indices(state / "ended.txt");
    const std::set<size_t> started = Indices(state / "started.txt");
    TQueue queue;
    for (size_t t = 0; t < count; ++t) {
        if (ended.count(t))
            queue[t] = {ETaskState::Done, {}};
        else if (alive)
            queue[t] = {started.count(t) ? ETaskState::Running : ETaskState::Pending, {}};
        // Else the runner is gone: the task ended without a result.
    }
    return queue;
}

void TLocalScheduler::Cancel(const std::string& jobId)
{
    const fs::path state = JobFolder(jobId);
    if (!FileExists(state / "job.txt"))
        throw EFarmError("local job " + jobId + " is not known");
    WriteFileAtomic(state / "cancelled", "");
    // The runner leads its session and process group, its tasks in it.
    if (const pid_t runner = LiveRunner(state))
        ::kill(-runner, SIGTERM);
}

void TLocalScheduler::Release(const std::string& jobId)
{
    const fs::path state = JobFolder(jobId);
    if (!FileExists(state / "job.txt"))
        throw EFarmError("local job " + jobId + " is not known");
    std::error_code ec;
    fs::remove(state / "held", ec);
}

std::optional<fs::path> TLocalScheduler::FolderOfJob(const std::string& jobId)
{
    const fs::path state = JobFolder(jobId);
    if (!FileExists(state / "job.txt"))
        return std::nullopt;
    const std::map<std::string, std::string> job = KeyValues(state / "job.txt");
    const auto folder = job.find("folder");
    if (folder == job.end())
        return std::nullopt;
    return fs::path(folder->second);
}

int RunLocalJob(const fs::path& state)
{
    std::map<std::string, std::string> job;
    std::vector<std::string> command;
    try {
        job = KeyValues(state / "job.txt");
        const std::string words = ReadWholeFile(state / "command");
        for (size_t from = 0; from < words.size();) {
            const size_t end = std::min(words.find('\0', from), words.size());
            command.push_back(words.substr(from, end - from));
            from = end + 1;
        }
        WriteFileAtomic(state / "runner.txt", std::to_string(::getpid()) + " " + StartTime(::getpid()) + "\n");
    } catch (const std::exception&) {
        return 1;
    }
    const fs::path folder = job["folder"];
    const size_t count = WholeNumber(job["tasks"]) ? std::stoul(job["tasks"]) : 0;
    const size_t parallel = std::max<size_t>(1, WholeNumber(job["parallel"]) ? std::stoul(job["parallel"]) : 1);
    if (command.empty())
        return 1;
    try {
        RunTasks(state, folder, command, count, parallel);
    } catch (const std::exception&) {
        return 1;  // the tasks end with the runner
    }
    return 0;
}

namespace {

void RunTasks(const fs::path& state, const fs::path& folder, const std::vector<std::string>& command, size_t count,
              size_t parallel)
{
    const std::string id = state.filename().string();
    std::map<pid_t, size_t> running;
    size_t next = 0;
    for (;;) {
        if (FileExists(state / "cancelled"))
            break;
        const bool held = FileExists(state / "held");
        while (!held && running.size() < parallel && next < count) {
            std::vector<std::string> argv = command;
            argv.push_back(std::to_string(next));
            const std::string label = id + "_" + std::to_string(next);
            AppendRecord(state / "started.txt", std::to_string(next) + "\n");
            const pid_t pid = StartTask(argv, folder / "log" / ("task-" + label + ".txt"), label);
            if (pid > 0)
                running[pid] = next;
            else
                AppendRecord(state / "ended.txt", std::to_string(next) + "\n");
            ++next;
        }
        if (running.empty() && next >= count)
            break;
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, WNOHANG);
        if (pid > 0) {
            const auto it = running.find(pid);
            if (it != running.end()) {
                AppendRecord(state / "ended.txt", std::to_string(it->second) + "\n");
                running.erase(it);
            }
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

} // namespace

} // namespace kelvane
