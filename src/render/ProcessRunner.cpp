#include "render/ProcessRunner.h"

#include "render/KeptText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace kelvane {

namespace {

constexpr size_t kSlice = 1024;
constexpr size_t kReadSize = 1024 * kSlice;
constexpr int kPollMs = 100;
constexpr long long kAfterExitMs = 1000;

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Owns the pipe ends and the child: whatever happens, the ends are closed and the child reaped.
struct TChild {
    int outFd = -1;
    int errFd = -1;
    pid_t pid = -1;    // until reaped
    pid_t group = -1;  // the renderer's process group, which outlives it while members remain
    bool killed = false;
    int status = 0;

    void Kill()
    {
        if (group > 0 && !killed) {
            ::kill(-group, SIGKILL);  // its own process group: helpers it started go too
            if (pid > 0)
                ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    // True once the renderer has ended (and is reaped).
    bool TryReap()
    {
        if (pid <= 0)
            return true;
        pid_t done;
        while ((done = ::waitpid(pid, &status, WNOHANG)) < 0 && errno == EINTR) {
        }
        if (done == 0)
            return false;
        pid = -1;
        return true;
    }
    void Reap()
    {
        if (pid > 0) {
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            pid = -1;
        }
    }
    ~TChild()
    {
        CloseFd(outFd);
        CloseFd(errFd);
        if (pid > 0) {
            Kill();
            Reap();
        }
    }
};

struct TProcess {
    pid_t pid = 0, parent = 0, group = 0;
    std::string name;
};

// Every process of /proc that can be read: its id, parent, group and name.
std::vector<TProcess> Processes()
{
    std::vector<TProcess> list;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return list;
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        std::string stat;
        char chunk[512];
        const int fd = ::open((std::string("/proc/") + entry->d_name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ssize_t got;
        while ((got = ::read(fd, chunk, sizeof chunk)) > 0)
            stat.append(chunk, static_cast<size_t>(got));
        ::close(fd);
        // "pid (name) state ppid pgrp ...": the name may hold blanks and parentheses.
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open)
            continue;
        TProcess p;
        p.pid = static_cast<pid_t>(std::atol(entry->d_name));
        p.name = stat.substr(open + 1, close - open - 1);
        char state = 0;
        long parent = 0, group = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld %ld", &state, &parent, &group) == 3) {
            p.parent = static_cast<pid_t>(parent);
            p.group = static_cast<pid_t>(group);
            list.push_back(p);
        }
    }
    ::closedir(proc);
    return list;
}

// The living descendants of `root` that are not in `group`.
std::vector<TProcess> DescendantsOutsideGroup(pid_t root, pid_t group)
{
    const std::vector<TProcess> all = Processes();
    std::vector<pid_t> family = {root};
    std::vector<TProcess> outside;
    for (size_t k = 0; k < family.size(); ++k)
        for (const TProcess& p : all)
            if (p.parent == family[k]) {
                family.push_back(p.pid);
                if (p.group != group)
                    outside.push_back(p);
            }
    return outside;
}

ino_t PipeInode(int fd)
{
    struct stat st {};
    return fd >= 0 && ::fstat(fd, &st) == 0 ? st.st_ino : 0;
}

// Other processes that hold a write end of one of the two pipes.
std::vector<TProcess> PipeHolders(ino_t first, ino_t second)
{
    std::vector<TProcess> holders;
    const pid_t self = ::getpid();
    for (const TProcess& p : Processes()) {
        if (p.pid == self)
            continue;
        const std::string base = "/proc/" + std::to_string(p.pid);
        DIR* fds = ::opendir((base + "/fd").c_str());
        if (!fds)
            continue;
        bool holds = false;
        while (const dirent* entry = ::readdir(fds)) {
            if (holds || entry->d_name[0] == '.')
                continue;
            char link[64];
            const ssize_t n = ::readlink((base + "/fd/" + entry->d_name).c_str(), link, sizeof link - 1);
            if (n <= 0)
                continue;
            link[n] = '\0';
            unsigned long inode = 0;
            if (std::sscanf(link, "pipe:[%lu]", &inode) != 1 || (inode != first && inode != second))
                continue;
            // Only write ends keep the pipe from reaching its end of file.
            std::string info;
            const int fd = ::open((base + "/fdinfo/" + entry->d_name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                char chunk[256];
                const ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got > 0)
                    info.assign(chunk, static_cast<size_t>(got));
                ::close(fd);
            }
            const size_t at = info.find("flags:");
            holds = at != std::string::npos && (std::strtoul(info.c_str() + at + 6, nullptr, 8) & O_ACCMODE) != O_RDONLY;
        }
        ::closedir(fds);
        if (holds)
            holders.push_back(p);
    }
    return holders;
}

long long NowMs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

bool IsRenderJobFile(const std::string& scene)
{
    const size_t cut = scene.find_last_of("/\\:");
    return (cut == std::string::npos ? scene : scene.substr(cut + 1)) == "~Rendering.tmp";
}

std::string FindExecutable(const std::string& executable)
{
    if (executable.empty())
        return {};
    if (executable.find('/') != std::string::npos) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(executable, ec);
        const std::string path = ec ? executable : absolute.string();
        return IsExecutableFile(path) ? path : std::string();
    }
    const char* pathVar = std::getenv("PATH");
    const std::string dirs = pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        // An empty entry stands for the current folder.
        const std::string candidate = (end > start ? dirs.substr(start, end - start) : std::string(".")) + "/" + executable;
        if (IsExecutableFile(candidate)) {
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(candidate, ec);
            return ec ? candidate : absolute.string();
        }
        start = end + 1;
    }
    return {};
}

std::string SignalName(int signal)
{
    if (const char* name = ::sigabbrev_np(signal))
        return std::string("SIG") + name;
    return "signal " + std::to_string(signal);
}

bool RunRenderer(const TRunRequest& request, std::string& out, std::string& err, IRunObserver* observer,
                 TRunOutcome* outcome)
{
    TRunOutcome local;
    TRunOutcome& result = outcome ? *outcome : local;
    result = TRunOutcome();
    out.clear();
    err.clear();

    const std::string program = FindExecutable(request.executable);
    if (program.empty()) {
        result.startError = "no executable file \"" + request.executable + "\"";
        return false;
    }
    // Everything the child needs is prepared before the fork: it only calls async-signal-safe
    // functions.
    const std::string scene = request.scene.string();
    const std::string folder = request.workFolder.string();
    std::vector<std::string> words = request.argv;
    if (words.empty())
        words = {"yafray", scene};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    TChild child;
    int outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1}, execPipe[2] = {-1, -1};
    auto closeAll = [&] {
        for (int* p : {outPipe, errPipe, execPipe}) {
            CloseFd(p[0]);
            CloseFd(p[1]);
        }
    };
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0 || ::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0 ||
        ::pipe2(execPipe, O_CLOEXEC) != 0) {
        result.startError = std::string("cannot make pipes: ") + std::strerror(errno);
        if (devNull >= 0)
            ::close(devNull);
        closeAll();
        return false;
    }
    [[maybe_unused]] const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
#ifdef __linux__
        // A program that dies without its clean-up takes the renderer along.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
#endif
        int code = 0;
        if (!folder.empty() && ::chdir(folder.c_str()) != 0)
            code = errno;
        if (code == 0 && (::dup2(devNull, 0) < 0 || ::dup2(outPipe[1], 1) < 0 || ::dup2(errPipe[1], 2) < 0))
            code = errno;
        if (code == 0) {
            ::execv(program.c_str(), argv.data());
            code = errno;
        }
        ssize_t ignored = ::write(execPipe[1], &code, sizeof code);
        (void)ignored;
        ::_exit(127);
    }
    ::close(devNull);
    if (pid < 0) {
        result.startError = std::string("cannot start a process: ") + std::strerror(errno);
        closeAll();
        return false;
    }
    ::setpgid(pid, pid);  // also from here, so a kill before the child ran setpgid still finds the group
    child.pid = child.group = pid;
    CloseFd(outPipe[1]);
    CloseFd(errPipe[1]);
    CloseFd(execPipe[1]);
    child.outFd = outPipe[0];
    child.errFd = errPipe[0];
    // Larger pipes: fewer wake-ups for a renderer that writes a lot (best effort).
    ::fcntl(child.outFd, F_SETPIPE_SZ, 1 << 20);
    ::fcntl(child.errFd, F_SETPIPE_SZ, 1 << 20);
    outPipe[0] = errPipe[0] = -1;

    // The exec pipe closes on a successful exec, or carries the child's errno.
    int code = 0;
    ssize_t got;
    while ((got = ::read(execPipe[0], &code, sizeof code)) < 0 && errno == EINTR) {
    }
    CloseFd(execPipe[0]);
    if (got > 0) {
        child.Reap();
        CloseFd(child.outFd);
        CloseFd(child.errFd);
        result.startError = "cannot run \"" + program + "\": " + std::strerror(code);
        return false;
    }
    result.started = true;
    const ino_t pipes[2] = {PipeInode(child.outFd), PipeInode(child.errFd)};

    TKeptText outText(request.keepBytes), errText(request.keepBytes);
    std::vector<char> buffer(kReadSize);
    long long hashes = 0;
    long long exitedAt = -1;  // when the renderer ended
    std::vector<TProcess> leftGroup;
    const long long startedAt = NowMs();
    auto checkStop = [&] {
        if (request.timeLimitMs > 0 && !child.killed && exitedAt < 0 && NowMs() - startedAt > request.timeLimitMs) {
            child.Kill();
            result.timedOut = true;
        }
        if (request.renderJob && !child.killed && observer && observer->StopRequested()) {
            // Whatever the renderer started outside its group outlives the kill: note it first.
            if (child.pid > 0)
                leftGroup = DescendantsOutsideGroup(child.pid, child.group);
            child.Kill();
        }
    };
    auto checkExit = [&] {
        if (exitedAt < 0 && child.TryReap())
            exitedAt = NowMs();
    };
    while (child.outFd >= 0 || child.errFd >= 0) {
        pollfd fds[2];
        nfds_t n = 0;
        if (child.outFd >= 0)
            fds[n++] = {child.outFd, POLLIN, 0};
        if (child.errFd >= 0)
            fds[n++] = {child.errFd, POLLIN, 0};
        const int ready = ::poll(fds, n, kPollMs);
        if (ready < 0 && errno != EINTR)
            break;
        for (nfds_t i = 0; ready > 0 && i < n; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)))
                continue;
            const bool isOut = fds[i].fd == child.outFd;
            const ssize_t count = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                CloseFd(isOut ? child.outFd : child.errFd);
                continue;
            }
            TKeptText& text = isOut ? outText : errText;
            for (size_t at = 0; at < static_cast<size_t>(count); at += kSlice) {
                const char* slice = buffer.data() + at;
                const size_t size = std::min(kSlice, static_cast<size_t>(count) - at);
                const void* zero = std::memchr(slice, '\0', size);
                const std::string_view kept(slice, zero ? static_cast<size_t>(static_cast<const char*>(zero) - slice) : size);
                text.Append(kept);
                if (observer)
                    observer->Output(kept, !isOut);
                if (isOut && request.renderJob) {
                    checkStop();
                    hashes += std::count(slice, slice + size, '#');
                    if (observer)
                        observer->Progress(hashes);
                }
            }
        }
        if (observer)
            observer->Idle();
        checkStop();
        checkExit();
        // Something the renderer started may keep a pipe open after it ended: give up on it.
        if (exitedAt >= 0 && NowMs() - exitedAt >= kAfterExitMs)
            break;
    }
    if (child.outFd >= 0 || child.errFd >= 0)
        for (const TProcess& p : PipeHolders(pipes[0], pipes[1]))
            result.leftRunning.push_back(std::to_string(p.pid) + " " + p.name);
    for (const TProcess& p : leftGroup)
        if (::kill(p.pid, 0) == 0 &&
            std::find(result.leftRunning.begin(), result.leftRunning.end(), std::to_string(p.pid) + " " + p.name) ==
                result.leftRunning.end())
            result.leftRunning.push_back(std::to_string(p.pid) + " " + p.name);
    CloseFd(child.outFd);
    CloseFd(child.errFd);
    // The renderer may have closed its streams and still be running: keep the interface alive.
    while (exitedAt < 0) {
        if (observer)
            observer->Idle();
        checkStop();
        checkExit();
        if (exitedAt < 0)
            ::usleep(20000);
    }
    result.killed = child.killed;
    if (WIFEXITED(child.status))
        result.exitCode = WEXITSTATUS(child.status);
    else if (WIFSIGNALED(child.status))
        result.signal = WTERMSIG(child.status);
    out = outText.Text();
    if (&out == &err)
        out += errText.Text();
    else
        err = errText.Text();
    return true;
}

} // namespace kelvane
