#include "render/ProcessRunner.h"

#include "scene/SceneText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    pid_t pid = -1;
    bool killed = false;
    int status = 0;

    void Kill()
    {
        if (pid > 0 && !killed) {
            ::kill(-pid, SIGKILL);  // its own process group: helpers it started go too
            ::kill(pid, SIGKILL);
            killed = true;
        }
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
    child.pid = pid;
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

    std::string errText;
    std::string& errTarget = &out == &err ? errText : err;
    std::vector<char> buffer(kReadSize);
    int hashes = 0;
    long long killedAt = 0;
    auto checkStop = [&] {
        if (request.renderJob && !child.killed && observer && observer->StopRequested()) {
            child.Kill();
            killedAt = NowMs();
        }
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
            std::string& text = isOut ? out : errTarget;
            // Large texts grow in big steps on huge pages: page faults, not copying, dominate.
            // The new block is advised before anything touches it.
            if (text.capacity() - text.size() < static_cast<size_t>(count) && text.size() >= (4u << 20)) {
                std::string grown;
                ReserveLargeText(grown, text.capacity() * 2);
                grown.append(text);
                text.swap(grown);
            }
            for (size_t at = 0; at < static_cast<size_t>(count); at += kSlice) {
                const char* slice = buffer.data() + at;
                const size_t size = std::min(kSlice, static_cast<size_t>(count) - at);
                const void* zero = std::memchr(slice, '\0', size);
                const size_t textSize = zero ? static_cast<size_t>(static_cast<const char*>(zero) - slice) : size;
                text.append(slice, textSize);
                if (isOut && request.renderJob) {
                    checkStop();
                    hashes += static_cast<int>(std::count(slice, slice + size, '#'));
                    if (observer)
                        observer->Progress(hashes, out);
                }
            }
        }
        if (observer)
            observer->Idle();
        checkStop();
        // Something the renderer started may keep a pipe open after the kill: give up on it.
        if (child.killed && NowMs() - killedAt > 2000)
            break;
    }
    CloseFd(child.outFd);
    CloseFd(child.errFd);
    // The renderer may have closed its streams and still be running: keep the interface alive.
    for (;;) {
        pid_t done;
        while ((done = ::waitpid(child.pid, &child.status, WNOHANG)) < 0 && errno == EINTR) {
        }
        if (done != 0)
            break;
        if (observer)
            observer->Idle();
        checkStop();
        ::usleep(20000);
    }
    child.pid = -1;
    result.killed = child.killed;
    if (WIFEXITED(child.status))
        result.exitCode = WEXITSTATUS(child.status);
    else if (WIFSIGNALED(child.status))
        result.signal = WTERMSIG(child.status);
    if (&out == &err)
        out += errText;
    return true;
}

} // namespace kelvane
