#pragma once
// Work run in a child process of its own, so that its peak memory is its own.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelvane::bench {

// Runs work in a child process, so that its memory is its own, and returns what it gives (a plain
// value sent back through a pipe); peakKb, when given, gets the child's peak resident size. A
// child that fails ends the benchmark.
template <class T, class F>
T InChild(F&& work, long* peakKb = nullptr)
{
    int fds[2];
    if (pipe(fds) != 0)
        std::exit(1);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        T r{};
        try {
            r = work();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child failed: %s\n", e.what());
            _exit(1);
        }
        if (write(fds[1], &r, sizeof r) != sizeof r)
            _exit(1);
        _exit(0);
    }
    close(fds[1]);
    T r{};
    const bool got = read(fds[0], &r, sizeof r) == sizeof r;
    close(fds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "child failed\n");
        std::exit(1);
    }
    if (peakKb)
        *peakKb = usage.ru_maxrss;
    return r;
}

} // namespace kelvane::bench
