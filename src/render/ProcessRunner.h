#pragma once
// Runs the renderer on one scene file (or any program with its own argument list): the executable (an absolute path or a command found on
// PATH) with the arguments "yafray" and the scene file, standard input from /dev/null, standard
// output and standard error into pipes, the given working folder. Both pipes are drained together,
// so a renderer that writes a lot to one stream while the runner waits on the other never blocks.
//
// Each read is taken in slices of at most 1024 bytes; a slice adds to its text only up to its
// first zero byte. In a render-job run every standard-output slice first acts on a stop request
// (the renderer is killed), then adds its '#' characters to the progress count. A render-job run
// also acts on a stop request while the renderer is silent, within a tenth of a second.
//
// Nothing is left behind: the pipes are closed and the child is reaped whether the start failed,
// the renderer ended, was killed, or the observer threw.
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

class IRunObserver {
public:
    virtual ~IRunObserver() = default;
    // Between reads and at least every tenth of a second: the place to process window events.
    virtual void Idle() {}
    // Asked in a render-job run only.
    virtual bool StopRequested() { return false; }
    // Total '#' count after every standard-output slice of a render-job run, with the output
    // text so far.
    virtual void Progress(int /*hashes*/, const std::string& /*out*/) {}
};

struct TRunRequest {
    std::string executable;             // absolute path, or a bare command name looked up on PATH
    std::filesystem::path scene;        // passed as the one argument after "yafray"
    std::filesystem::path workFolder;   // the child's working folder
    bool renderJob = false;             // progress counting and stop requests
    std::vector<std::string> argv = {}; // when set: the whole argument list, in place of "yafray" scene
};

struct TRunOutcome {
    bool started = false;
    bool killed = false;      // stopped on request
    int exitCode = -1;        // when it exited normally
    int signal = 0;           // when a signal ended it
    std::string startError;   // why the start failed
};

// Empties both texts, runs the renderer to its end and returns whether it was started. When out
// and err are the same string, the error text follows the output text.
bool RunRenderer(const TRunRequest& request, std::string& out, std::string& err, IRunObserver* observer = nullptr,
                 TRunOutcome* outcome = nullptr);

// The absolute path the runner would start for `executable`; empty when there is none.
std::string FindExecutable(const std::string& executable);

// True when the file-name part (after the last '/', '\\' or ':') of scene is "~Rendering.tmp".
bool IsRenderJobFile(const std::string& scene);

} // namespace kelvane
