#pragma once
// The farm: File > Render on farm (the submit dialog, then the pre-flight check of every scene)
// and the one Jobs window. The window lists the jobs of the program folder's list, read from their
// job folders, so it finds jobs of earlier runs; the selected job's scenes show below with their
// state, attempts and render time, a failure's whole message in the details pane. It does not own
// the jobs: closing it (or the editor) leaves them running.
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "render/Farm.h"
#include "render/FarmJobList.h"
#include "render/Schedulers.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kelvane {

class TfrmFarmJobs : public QWidget {
    Q_OBJECT
public:
    TfrmFarmJobs(TSchedulerPlace place, std::filesystem::path jobList, QWidget* parent = nullptr);
    ~TfrmFarmJobs() override;

    // Reads the list of jobs again; the job of `select` (a folder), else the selected one, stays
    // selected.
    void Reload(const std::optional<std::filesystem::path>& select = std::nullopt);
    // Reads the states of the jobs that have not ended; the timer calls it every refreshMs while
    // one has not.
    void Refresh();
    // "N" of each job that still has scenes to render.
    std::vector<std::string> RunningJobs() const;

    // Opens a done scene's picture (set by the main window).
    std::function<void(const std::filesystem::path& picture)> openPicture;
    // The scheduler of a job folder; tests put their own.
    std::function<std::unique_ptr<IScheduler>(const std::filesystem::path& folder)> schedulerFor;

    QTableWidget* gridJobs = nullptr;
    QTableWidget* gridScenes = nullptr;
    QPlainTextEdit* memoDetails = nullptr;
    QLabel* lbJob = nullptr;
    QPushButton* btnCancelJob = nullptr;
    QPushButton* btnForgetJob = nullptr;
    QTimer* refreshTimer = nullptr;
    static constexpr int refreshMs = 2000;

private:
    struct TJobRow;
    void FillJobRow(int row);
    void ShowScenes();
    void SceneChosen();
    void SceneOpened(int row);
    void CancelJob();
    void ForgetJob();
    TJobRow* Selected();

    TSchedulerPlace place_;
    std::filesystem::path jobList_;
    std::vector<std::unique_ptr<TJobRow>> jobs_;
};

// Whether the chosen scheduler can take jobs from here.
bool FarmAvailable();

// The place of the editor's schedulers: the program folder, the kelvane-scene beside the editor.
TSchedulerPlace EditorSchedulerPlace();

} // namespace kelvane
