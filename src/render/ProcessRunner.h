#pragma once
// Runs the renderer on one scene file (or any program with its own argument list): the executable (an absolute path or a command found on
// PATH) with the arguments "yafray" and the scene file, standard input from /dev/null, standard
// output and standard error into pipes, the given working folder. Both pipes are drained together,
// so a renderer that writes a lot to one stream while the runner waits on the other never blocks.
//
// Each read is taken in slices of at most 1024 bytes; a slice adds to its text only up to its
// first zero byte. In a render-job run every standard-output slice first acts on a stop request
// (the renderer's whole process group is killed), then adds its '#' characters to the progress
// count. A render-job run also acts on a stop request while the renderer is silent, within a
// tenth of a second.
//
// Each text keeps the first and the last `keepBytes` of its stream (TKeptText), so a renderer
// that prints without end costs bounded memory. A run ends at end of file on both pipes, or one
// second after the renderer itself has ended: processes it left behind that hold a pipe open (or,
// on a stop, that left its process group) are named in TRunOutcome::leftRunning.
//
// Nothing is left behind: the pipes are closed and the child is reaped whether the start failed,
// the renderer ended, was killed, or the observer threw.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class IRunObserver {
public:
    virtual ~IRunObserver() = default;
    // Between reads and at least every tenth of a second: the place to process window events.
    virtual void Idle() {}
    // Asked in a render-job run only.
    virtual bool StopRequested() { return false; }
    // Total '#' count after every standard-output slice of a render-job run.
    virtual void Progress(long long /*hashes*/) {}
    // Every slice of either stream as it is added to its text (up to its first zero byte); in a
    // render-job run before Progress.
    virtual void Output(std::string_view /*slice*/, bool /*error*/) {}
};

// What each text keeps of the renderer's output: the first and the last 2 MiB.
inline constexpr size_t kKeptOutputBytes = size_t(2) << 20;

struct TRunRequest {
    std::string executable;             // absolute path, or a bare command name looked up on PATH
    std::filesystem::path scene;        // passed as the one argument after "yafray"
    std::filesystem::path workFolder;   // the child's working folder
    bool renderJob = false;             // progress counting and stop requests
    std::vector<std::string> argv = {}; // when set: the whole argument list, in place of "yafray" scene
    size_t keepBytes = kKeptOutputBytes; // per text, head and tail each; 0 keeps everything
    int timeLimitMs = 0;                 // > 0: the run is stopped (its group killed) after this long
};

struct TRunOutcome {
    bool started = false;
    bool killed = false;      // stopped on request or at the time limit
    bool timedOut = false;    // stopped at the time limit
    int exitCode = -1;        // when it exited normally
    int signal = 0;           // when a signal ended it
    std::string startError;   // why the start failed
    // "PID NAME" of each process the run left running: holding an output pipe open when the run
    // ended, or (on a stop) started by the renderer outside its process group.
    std::vector<std::string> leftRunning;
};

// Empties both texts, runs the renderer to its end and returns whether it was started. When out
// and err are the same string, the error text follows the output text.
bool RunRenderer(const TRunRequest& request, std::string& out, std::string& err, IRunObserver* observer = nullptr,
                 TRunOutcome* outcome = nullptr);

// The absolute path the runner would start for `executable`; empty when there is none.
std::string FindExecutable(const std::string& executable);

// "SIGSEGV" and the like; "signal N" for a number without a name.
std::string SignalName(int signal);

// True when the file-name part (after the last '/', '\\' or ':') of scene is "~Rendering.tmp".
bool IsRenderJobFile(const std::string& scene);

} // namespace kelvane
