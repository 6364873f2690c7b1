#pragma once
// Render farms: a batch of scenes handed to a cluster scheduler as job arrays, each task the same
// render job as `kelvane-scene render` for one or more scenes. Everything a job needs and leaves
// lives in its job folder:
//   scenes.txt    the scenes' absolute paths, one a line; scene N is line N + 1
//   farm.txt      the submission's settings, "key value" lines (renderer, retries, per-task, ...)
//   job.txt       the scheduler's name and a job id per submission, one a line
//   tasks/K.txt   submission K's tasks: line T + 1 lists the scenes task T renders
//   log/N.txt     scene N's log, every attempt of every submission appended
//   log/task-JOB_T.txt  what task T of job JOB printed outside its scenes
//   status/N.txt  scene N's state, written by its task (and by cancel and resubmit)
// Each task is `kelvane-scene farm task FOLDER SUBMISSION TASK ...` (TaskCommand); a scheduler may
// add files of its own (Slurm's job.sh). States are read from the status files and the
// scheduler's queue, so no accounting is needed.
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

// A scene's state with its detail: the message of a failed one, the attempts and render time.
struct TTaskStatus {
    ETaskState state = ETaskState::Pending;
    std::string detail;
    int attempts = 0;          // renders tried (the running one included); 0 when not recorded
    long long renderMs = -1;   // a done scene's render time; -1 when not recorded
    bool unanswered = false;   // no status file tells, and the scheduler did not answer
};

// "done (0min 3sec)", "done (2 attempts, 0min 3sec)", "failed: MESSAGE", "failed after 3
// attempts: MESSAGE" (line breaks kept), "running (attempt 2)", "pending" and the like.
std::string TaskStateText(const TTaskStatus& status);

// What the scheduler's queue says of the tasks of one job it still knows, by task index.
using TQueue = std::map<size_t, TTaskStatus>;
// The queues of the job ids that were asked and answered.
using TQueues = std::map<std::string, TQueue>;

struct TFarmOptions {
    std::string renderer;                      // made absolute on submit
    std::string partition;                     // empty: the cluster's default
    std::string timeLimit;                     // empty: the partition's default
    std::string memory = "1G";                 // memory per task; empty: the scheduler's default
    int maxParallel = 0;                       // 0: as many tasks at once as the cluster runs
    int retries = 0;                           // renders again of a failing scene within its task
    int perTask = 1;                           // consecutive scenes per task
    bool hold = false;                         // submitted held, until released
    std::optional<int> nice;                   // the scheduler's niceness
    std::optional<std::filesystem::path> folder;  // else a new "kelvane-farm-" folder beside the first scene
    std::filesystem::path sceneProgram;        // the kelvane-scene the tasks run
    std::filesystem::path jobList;             // "FarmJobs.txt" that records the job; empty: none
};

// One submission of a job folder: a job array of the scheduler.
struct TSubmission {
    std::string jobId;
    std::vector<std::vector<size_t>> tasks;    // the scenes of each task, in order
};

struct TFarmJob {
    std::filesystem::path folder;
    std::vector<std::filesystem::path> scenes;
    std::string scheduler;
    std::string jobId;                         // the latest submission's
    std::vector<TSubmission> submissions;      // in the order made
};

// A cluster scheduler as the farm commands use it. Errors raise EFarmError with the tool's words.
class IScheduler {
public:
    virtual ~IScheduler() = default;
    virtual std::string Name() const = 0;
    // "Slurm": how messages name it ("Slurm job 4711", "Slurm does not answer").
    virtual std::string Title() const = 0;
    // Empty when the scheduler's tools are here, else why they cannot be used.
    virtual std::string Unavailable() const = 0;
    // Submits TaskCommand(job, submission, options) with the task index appended as tasks
    // 0..tasks-1; returns the job id.
    virtual std::string Submit(const TFarmJob& job, size_t submission, size_t tasks, const TFarmOptions& options) = 0;
    virtual TQueue Query(const std::string& jobId) = 0;
    virtual void Cancel(const std::string& jobId) = 0;
    // Lets a held job run.
    virtual void Release(const std::string& jobId) = 0;
    // The job folder of a job the scheduler still knows; nullopt when it does not.
    virtual std::optional<std::filesystem::path> FolderOfJob(const std::string& jobId) = 0;
};

// The command each task of a submission runs, without the task index that follows it.
std::vector<std::string> TaskCommand(const TFarmJob& job, size_t submission, const TFarmOptions& options);

// The scheduler named in the folder's job.txt; empty when it names none.
std::string JobSchedulerName(const std::filesystem::path& folder);

// Why a scene does not read (as File > Open reads it); empty when it reads.
std::string SceneReadError(const std::filesystem::path& scene, const std::filesystem::path& tempDir);

// The local time `when` in strftime's `format` (at most 63 characters).
std::string LocalTimeText(std::time_t when, const char* format);

// "kelvane-farm-YYYYMMDD-HHMMSS-FIRSTSCENE" for the local time `when` and the first scene's file
// name without its extension (characters other than letters, digits, '-', '_' and '.' as '_').
std::string FarmFolderName(std::time_t when, const std::filesystem::path& firstScene);

// The scene paths of a list file, one a line (blank lines skipped, CR LF taken as LF).
std::vector<std::filesystem::path> ReadSceneList(const std::filesystem::path& list);

// Checks every scene reads, writes the job folder and submits it. Nothing is submitted (and no
// folder is left) when a scene does not read or the scheduler refuses; EFarmError says why, one
// line per scene that does not read.
TFarmJob SubmitFarmJob(IScheduler& scheduler, const std::vector<std::filesystem::path>& scenes,
                       TFarmOptions options, const std::filesystem::path& tempDir);

// The job of a folder, or of a job id the scheduler still knows.
TFarmJob OpenFarmJob(IScheduler& scheduler, const std::string& folderOrJobId);

// Submits the scenes again as a new array in the job's folder, with the job's settings; their
// status files start over as pending, the logs are kept. Returns the new job id. `allUnfinished`
// takes every scene neither done nor running, else the failed and cancelled ones; none: EFarmError.
std::string ResubmitFarmJob(IScheduler& scheduler, TFarmJob& job, bool allUnfinished, const std::filesystem::path& jobList);

std::optional<TTaskStatus> ReadTaskStatus(const std::filesystem::path& folder, size_t scene);
void WriteTaskStatus(const std::filesystem::path& folder, size_t scene, const TTaskStatus& status);

// Each scene's state: its status file, else (or when its task left it "running", or "pending"
// within a running task) the queue of the submission that last took it. A task the queue no
// longer holds that wrote no result failed; a job whose queue is not known (not in `queues`)
// leaves its scenes as the files say, marked unanswered when no file tells.
std::vector<TTaskStatus> MergeTaskStates(const TFarmJob& job, const TQueues& queues);
// The same with the queues asked of the scheduler, only for the jobs that have scenes the files
// leave open. `queueError` gets the scheduler's words when it did not answer.
std::vector<TTaskStatus> FarmJobStates(IScheduler& scheduler, const TFarmJob& job, std::string* queueError = nullptr);

// A failure's message on one line: line breaks as " / ", carriage returns dropped.
std::string OneLine(const std::string& text);

// "N done, N running, N pending, N failed, N cancelled", then "; mean M s" over the done scenes'
// render times and "; finish about HH:MM" (local time from `now`) while scenes remain.
std::string FarmSummary(const std::vector<TTaskStatus>& states, std::time_t now);

// Scenes per state (indexed by ETaskState) and those no one could tell.
struct TFarmCounts {
    size_t count[5] = {0, 0, 0, 0, 0};
    size_t unanswered = 0;
};
TFarmCounts CountStates(const std::vector<TTaskStatus>& states);
// The job's state as one word: running, pending, failed, cancelled or done; "TITLE does not
// answer" while the scheduler is silent about scenes no file tells.
std::string FarmJobStateText(const TFarmCounts& counts, const std::string& schedulerTitle);

// Short names that tell the scenes apart: the file name, with as many of its folders in front as
// it takes ("f3/sample.xml" beside "f4/sample.xml").
std::vector<std::string> SceneLabels(const std::vector<std::filesystem::path>& scenes);

// Removes the folder of a job whose scenes have all ended; EFarmError (and the folder stays) when
// one has not, or the folder cannot be removed.
void DeleteEndedFarmJob(IScheduler& scheduler, const TFarmJob& job);

// Cancels the job; every scene that has not ended is marked cancelled.
void CancelFarmJob(IScheduler& scheduler, const TFarmJob& job);

// Why a memory size is refused ("512M", "2G", or megabytes: Slurm's --mem), empty when taken.
std::string MemorySizeError(const std::string& text);
// Why a time limit is refused (minutes, "M:S", "H:M:S", "D-H", "D-H:M", "D-H:M:S"; Slurm's
// --time), empty when taken.
std::string TimeLimitError(const std::string& text);

// The shell's single-quoted form of text.
std::string ShellQuote(const std::string& text);

} // namespace kelvane
