#pragma once
// Runs a program as a child process for the tests that drive the real binaries.
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane::test {

struct TProcessResult {
    bool exited = false;   // ended by itself (no signal, no time-out)
    int status = -1;       // exit status, or minus the signal number
    std::string out, err;
};

struct TProcessOptions {
    std::filesystem::path workFolder;      // empty: the test's own
    std::string input;                     // standard input
    std::filesystem::path tempFolder;      // TMPDIR for the child; empty: inherited
    bool keepOutput = true;                // false: standard output goes to /dev/null
    int timeoutSeconds = 120;              // then the child is killed and err says "timed out"
    std::vector<std::string> environment;  // "NAME=value" entries added to the child's
};

// Standard output and error are collected through files in `scratch`.
TProcessResult RunProcess(const std::filesystem::path& scratch, const std::string& program,
                          const std::vector<std::string>& args, const TProcessOptions& options = {});

// Starts the child as RunProcess does and returns its process id (-1 when it cannot start); the
// caller waits for it.
int SpawnProcess(const std::filesystem::path& scratch, const std::string& program,
                 const std::vector<std::string>& args, const TProcessOptions& options = {});

} // namespace kelvane::test
