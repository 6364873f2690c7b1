#pragma once
// Render farms: a batch of scenes handed to a cluster scheduler as one job array, one task per
// scene, each task the same render job as `kelvane-scene render`. Everything a job needs and
// leaves lives in its job folder:
//   scenes.txt    the scenes' absolute paths, one a line; task N renders line N + 1
//   job.sh        the task script the scheduler runs
//   job.txt       the scheduler's name and the job id, once submitted
//   log/N.txt     task N's standard output and error, appended by the task script
//   status/N.txt  task N's state, written by the task itself (and by cancel)
// States are read from the status files and the scheduler's queue, so no accounting is needed.
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "scene/Errors.h"

namespace kelvane {

class EFarmError : public EKelvaneError {
public:
    using EKelvaneError::EKelvaneError;
};

enum class ETaskState { Pending, Running, Done, Failed, Cancelled };

// "pending", "running", "done", "failed", "cancelled".
const char* TaskStateName(ETaskState state);
inline bool Ended(ETaskState s) { return s == ETaskState::Done || s == ETaskState::Failed || s == ETaskState::Cancelled; }

struct TTaskStatus;
// "done (0min 3sec)", "failed: " and the message (line breaks kept), "running" and the like.
std::string TaskStateText(const TTaskStatus& status);

// A task's state with its detail: the render time of a done task, the message of a failed one.
struct TTaskStatus {
    ETaskState state = ETaskState::Pending;
    std::string detail;
};

// What the scheduler's queue says of the tasks it still knows, by task index.
using TQueue = std::map<size_t, TTaskStatus>;

struct TFarmOptions {
    std::string renderer;                      // made absolute on submit
    std::string partition;                     // empty: the cluster's default
    std::string timeLimit;                     // empty: the partition's default
    int maxParallel = 0;                       // 0: as many tasks at once as the cluster runs
    std::optional<std::filesystem::path> folder;  // else a new "kelvane-farm-" folder beside the first scene
    std::filesystem::path sceneProgram;        // the kelvane-scene the tasks run
};

struct TFarmJob {
    std::filesystem::path folder;
    std::vector<std::filesystem::path> scenes;
    std::string scheduler;
    std::string jobId;
};

// A cluster scheduler as the farm commands use it. Errors raise EFarmError with the tool's words.
class IScheduler {
public:
    virtual ~IScheduler() = default;
    virtual std::string Name() const = 0;
    // Empty when the scheduler's tools are here, else why they cannot be used.
    virtual std::string Unavailable() const = 0;
    // Submits job.sh of the folder as tasks 0..n-1; returns the job id.
    virtual std::string Submit(const TFarmJob& job, const TFarmOptions& options) = 0;
    virtual TQueue Query(const std::string& jobId) = 0;
    virtual void Cancel(const std::string& jobId) = 0;
    // The job folder of a job the scheduler still knows; nullopt when it does not.
    virtual std::optional<std::filesystem::path> FolderOfJob(const std::string& jobId) = 0;
};

// Why a scene does not read (as File > Open reads it); empty when it reads.
std::string SceneReadError(const std::filesystem::path& scene, const std::filesystem::path& tempDir);

// "kelvane-farm-YYYYMMDD-HHMMSS" for the local time `when`.
std::string FarmFolderName(std::time_t when);

// Checks every scene reads, writes the job folder and submits it. Nothing is submitted (and no
// folder is left) when a scene does not read or the scheduler refuses; EFarmError says why, one
// line per scene that does not read.
TFarmJob SubmitFarmJob(IScheduler& scheduler, const std::vector<std::filesystem::path>& scenes,
                       TFarmOptions options, const std::filesystem::path& tempDir);

// The job of a folder, or of a job id the scheduler still knows.
TFarmJob OpenFarmJob(IScheduler& scheduler, const std::string& folderOrJobId);

std::optional<TTaskStatus> ReadTaskStatus(const std::filesystem::path& folder, size_t task);
void WriteTaskStatus(const std::filesystem::path& folder, size_t task, const TTaskStatus& status);

// Each scene's state: its status file, else (or when the task left it "running") the queue.
// A task the queue no longer holds that wrote no result failed; an unknown queue (nullptr, e.g.
// the scheduler did not answer) leaves such tasks as they are.
std::vector<TTaskStatus> MergeTaskStates(const TFarmJob& job, const TQueue* queue);
std::vector<TTaskStatus> FarmJobStates(IScheduler& scheduler, const TFarmJob& job, std::string* queueError = nullptr);

// Cancels the job; every task that has not ended is marked cancelled.
void CancelFarmJob(IScheduler& scheduler, const TFarmJob& job);

// The shell's single-quoted form of text.
std::string ShellQuote(const std::string& text);

} // namespace kelvane
