#pragma once
// The status window of a render-farm job: one row per scene with its state, a progress bar of
// the scenes done, refreshed from the job folder and the scheduler until every task has ended.
// It does not own the job: closing it (or the editor) leaves the job running.
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "render/Farm.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kelvane {

class TFarmWindow : public QWidget {
    Q_OBJECT
public:
    TFarmWindow(std::unique_ptr<IScheduler> scheduler, TFarmJob job, QWidget* parent = nullptr);
    ~TFarmWindow() override;

    // Reads the states now; the timer calls it every refreshMs until the job has ended.
    void Refresh();
    bool Finished() const { return finished_; }
    const TFarmJob& Job() const { return job_; }

    QLabel* lbJob = nullptr;
    QTableWidget* gridScenes = nullptr;
    QProgressBar* farmProgress = nullptr;
    QPushButton* btnCancelJob = nullptr;
    QTimer* refreshTimer = nullptr;
    static constexpr int refreshMs = 2000;

private:
    void CancelJob();

    std::unique_ptr<IScheduler> scheduler_;
    TFarmJob job_;
    bool finished_ = false;
};

// Whether a Slurm cluster can take jobs from here (sbatch on PATH).
bool FarmAvailable();

// Submits the scenes to Slurm with the renderer and shows the job's status window; a scene that
// does not read or a refusal of the scheduler is reported and nothing is submitted. Returns the
// window, or nullptr.
TFarmWindow* RenderOnFarm(QWidget* parent, const std::vector<std::filesystem::path>& scenes,
                          const std::string& renderer);

} // namespace kelvane
