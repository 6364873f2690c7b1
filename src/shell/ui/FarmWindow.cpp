#include "shell/ui/FarmWindow.h"

#include "controls/IniFileCompo.h"
#include "editing/SceneSession.h"
#include "render/FarmJobList.h"
#include "render/ProcessRunner.h"
#include "render/SlurmScheduler.h"
#include "scene/FileIO.h"
#include "shell/ProgramFolder.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/UnitMain.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QString ToQ(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QString StateText(const TTaskStatus& s)
{
    return ToQ(TaskStateText(s)).simplified();
}

} // namespace

TFarmWindow::TFarmWindow(std::unique_ptr<IScheduler> scheduler, TFarmJob job, QWidget* parent)
    : QWidget(parent, Qt::Window), scheduler_(std::move(scheduler)), job_(std::move(job))
{
    setObjectName(QStringLiteral("FarmWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Render farm  --  job ") + ToQ(job_.jobId));
    auto* layout = new QVBoxLayout(this);
    lbJob = new QLabel(this);
    lbJob->setObjectName(QStringLiteral("lbJob"));
    lbJob->setTextInteractionFlags(Qt::TextSelectableByMouse);
    gridScenes = new QTableWidget(int(job_.scenes.size()), 2, this);
    gridScenes->setObjectName(QStringLiteral("gridScenes"));
    gridScenes->setHorizontalHeaderLabels({QStringLiteral("Scene"), QStringLiteral("State")});
    gridScenes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridScenes->horizontalHeader()->setStretchLastSection(true);
    gridScenes->verticalHeader()->setVisible(false);
    for (int row = 0; row < gridScenes->rowCount(); ++row) {
        auto* scene = new QTableWidgetItem(ToQ(job_.scenes[size_t(row)].filename().string()));
        scene->setToolTip(ToQ(job_.scenes[size_t(row)].string()));
        gridScenes->setItem(row, 0, scene);
        gridScenes->setItem(row, 1, new QTableWidgetItem(QStringLiteral("pending")));
    }
    gridScenes->resizeColumnToContents(0);
    farmProgress = new QProgressBar(this);
    farmProgress->setObjectName(QStringLiteral("farmProgress"));
    farmProgress->setRange(0, int(job_.scenes.size()));
    farmProgress->setFormat(QStringLiteral("%v/%m done"));
    btnCancelJob = new QPushButton(QStringLiteral("Cancel job"), this);
    btnCancelJob->setObjectName(QStringLiteral("btnCancelJob"));
    connect(btnCancelJob, &QPushButton::clicked, this, &TFarmWindow::CancelJob);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(farmProgress, 1);
    bottom->addWidget(btnCancelJob);
    layout->addWidget(lbJob);
    layout->addWidget(gridScenes, 1);
    layout->addLayout(bottom);
    resize(520, 320);

    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(refreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &TFarmWindow::Refresh);
    Refresh();
    if (!finished_)
        refreshTimer->start();
}

TFarmWindow::~TFarmWindow() = default;

void TFarmWindow::Refresh()
{
    std::string queueError;
    const std::vector<TTaskStatus> states = FarmJobStates(*scheduler_, job_, &queueError);
    int done = 0, ended = 0;
    for (size_t i = 0; i < states.size(); ++i) {
        done += states[i].state == ETaskState::Done;
        ended += Ended(states[i].state);
        QTableWidgetItem* item = gridScenes->item(int(i), 1);
        item->setText(StateText(states[i]));
        item->setToolTip(ToQ(states[i].detail));
    }
    farmProgress->setValue(done);
    finished_ = ended == int(states.size());
    QString text = QStringLiteral("Job %1 on %2, folder %3").arg(ToQ(job_.jobId), ToQ(job_.scheduler), ToQ(job_.folder.string()));
    if (finished_)
        text += done == int(states.size()) ? QStringLiteral("\nEvery scene is done.") : QStringLiteral("\nThe job has ended.");
    else if (!queueError.empty())
        text += QStringLiteral("\n") + ToQ(queueError);
    lbJob->setText(text);
    btnCancelJob->setEnabled(!finished_);
    if (finished_)
        refreshTimer->stop();
}

void TFarmWindow::CancelJob()
{
    try {
        CancelFarmJob(*scheduler_, job_);
    } catch (const std::exception& e) {
        Dialogs().Error(this, ToQ(e.what()));
    }
    Refresh();
}

bool FarmAvailable()
{
    return !FindExecutable("sbatch").empty();
}

TFarmWindow* RenderOnFarm(QWidget* parent, const std::vector<fs::path>& scenes, const std::string& renderer)
{
    auto slurm = std::make_unique<TSlurmScheduler>();
    TFarmOptions options;
    options.renderer = renderer;
    // The command-line tool installed beside this executable runs each task.
    options.sceneProgram = ExecutableFolder() / "kelvane-scene";
    options.jobList = ProgramFolder() / kFarmJobListFile;  // so that `kelvane-scene farm list` shows it
    TFarmJob job;
    const fs::path temp = MakePrivateTempDir("kelvane-farm");
    try {
        job = SubmitFarmJob(*slurm, scenes, options, temp);
    } catch (const std::exception& e) {
        std::error_code ec;
        fs::remove_all(temp, ec);
        Dialogs().Error(parent, ToQ(e.what()));
        return nullptr;
    }
    std::error_code ec;
    fs::remove_all(temp, ec);
    auto* window = new TFarmWindow(std::move(slurm), std::move(job), parent);
    window->show();
    return window;
}

void TfrmMain::RenderOnFarm1Click()
{
    if (session_->OpenFiles().empty()) {
        Dialogs().Message(this, QStringLiteral("Open the scenes to render first."));
        return;
    }
    // The nodes read the scene files as saved.
    RenderOnFarm(this, session_->OpenFiles(), iniFileCom_->ReadString("System", "EXEPath", "C:/yafray/yafray.exe"));
}

} // namespace kelvane
