#include "support/Process.h"

#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kelvane::test {

namespace fs = std::filesystem;

int SpawnProcess(const fs::path& scratch, const std::string& program, const std::vector<std::string>& args,
                 const TProcessOptions& options)
{
    const fs::path inFile = scratch / ".stdin", outFile = scratch / ".stdout", errFile = scratch / ".stderr";
    FILE* in = std::fopen(inFile.c_str(), "wb");
    if (in) {
        std::fwrite(options.input.data(), 1, options.input.size(), in);
        std::fclose(in);
    }

    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    if (!options.tempFolder.empty()) {
        fs::create_directories(options.tempFolder);
        env.push_back("TMPDIR=" + options.tempFolder.string());
    }
    env.insert(env.end(), options.environment.begin(), options.environment.end());
    for (char** e = environ; *e; ++e)
        if (options.tempFolder.empty() || std::string_view(*e).substr(0, 7) != "TMPDIR=")
            env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, options.keepOutput ? outFile.c_str() : "/dev/null",
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!options.workFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workFolder.c_str());
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

TProcessResult RunProcess(const fs::path& scratch, const std::string& program,
                          const std::vector<std::string>& args, const TProcessOptions& options)
{
    const fs::path outFile = scratch / ".stdout", errFile = scratch / ".stderr";
    const pid_t pid = SpawnProcess(scratch, program, args, options);
    TProcessResult result;
    if (pid < 0) {
        result.err = "cannot start " + program;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    int wstatus = 0;
    for (;;) {
        if (waitpid(pid, &wstatus, WNOHANG) == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            result.err = "timed out";
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.exited = WIFEXITED(wstatus);
    result.status = result.exited ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
    result.out = options.keepOutput ? ReadAll(outFile) : std::string();
    result.err = ReadAll(errFile);
    return result;
}

} // namespace kelvane::test
