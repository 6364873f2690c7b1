#include "shell/ui/FarmWindow.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/QtText.h"
#include "editing/SceneSession.h"
#include "render/PreflightCheck.h"
#include "render/RenderJob.h"
#include "render/Targa.h"
#include "scene/FileIO.h"
#include "scene/TempFiles.h"
#include "shell/ProgramFolder.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/FarmSubmit.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ui/UnitMain.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QColor StateColour(ETaskState state)
{
    switch (state) {
    case ETaskState::Done: return QColor(0, 128, 0);
    case ETaskState::Running: return QColor(0, 0, 192);
    case ETaskState::Failed: return QColor(192, 0, 0);
    case ETaskState::Cancelled: return QColor(128, 128, 128);
    case ETaskState::Pending: break;
    }
    return QColor(128, 96, 0);
}

QTableWidgetItem* Cell(const QString& text, const QString& tip = {})
{
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(tip.isEmpty() ? text : tip);
    return item;
}

QTableWidget* Grid(QWidget* parent, const char* name, const QStringList& headers)
{
    auto* grid = new QTableWidget(0, int(headers.size()), parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setHorizontalHeaderLabels(headers);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setVisible(false);
    return grid;
}

} // namespace

struct TfrmFarmJobs::TJobRow {
    TListedJob listed;
    std::unique_ptr<IScheduler> scheduler;
    std::optional<TFarmJob> job;
    std::vector<TTaskStatus> states;
    std::vector<std::string> labels;
    std::string error;       // why the job cannot be read
    std::string queueError;  // the scheduler's words when it did not answer
    bool ended = false;
};

TfrmFarmJobs::TfrmFarmJobs(TSchedulerPlace place, fs::path jobList, QWidget* parent)
    : QWidget(parent, Qt::Window), place_(std::move(place)), jobList_(std::move(jobList))
{
    setObjectName(QStringLiteral("frmFarmJobs"));
    setWindowTitle(QStringLiteral("Farm jobs"));
    schedulerFor = [this](const fs::path& folder) { return SchedulerOfFolder(folder, DefaultSchedulerName(), place_); };
    gridJobs = Grid(this, "gridJobs",
                    {QStringLiteral("Job"), QStringLiteral("Scenes"), QStringLiteral("Done/failed/running/pending"),
                     QStringLiteral("Submitted"), QStringLiteral("State"), QStringLiteral("Folder")});
    gridScenes = Grid(this, "gridScenes",
                      {QStringLiteral("Scene"), QStringLiteral("State"), QStringLiteral("Attempts"), QStringLiteral("Render time")});
    memoDetails = new QPlainTextEdit(this);
    memoDetails->setObjectName(QStringLiteral("memoDetails"));
    memoDetails->setReadOnly(true);
    lbJob = new QLabel(this);
    lbJob->setObjectName(QStringLiteral("lbJob"));
    lbJob->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbJob->setWordWrap(true);
    btnCancelJob = new QPushButton(QStringLiteral("Cancel job"), this);
    btnCancelJob->setObjectName(QStringLiteral("btnCancelJob"));
    connect(btnCancelJob, &QPushButton::clicked, this, &TfrmFarmJobs::CancelJob);
    btnForgetJob = new QPushButton(QStringLiteral("Forget job"), this);
    btnForgetJob->setObjectName(QStringLiteral("btnForgetJob"));
    btnForgetJob->setToolTip(QStringLiteral("Takes an ended job off the list, and its job folder off the disk if you choose"));
    connect(btnForgetJob, &QPushButton::clicked, this, &TfrmFarmJobs::ForgetJob);
    connect(gridJobs, &QTableWidget::itemSelectionChanged, this, &TfrmFarmJobs::ShowScenes);
    connect(gridScenes, &QTableWidget::itemSelectionChanged, this, &TfrmFarmJobs::SceneChosen);
    connect(gridScenes, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { SceneOpened(row); });

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(gridJobs);
    splitter->addWidget(gridScenes);
    splitter->addWidget(memoDetails);
    splitter->setStretchFactor(1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lbJob, 1);
    bottom->addWidget(btnForgetJob);
    bottom->addWidget(btnCancelJob);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    resize(760, 520);

    refreshTimer = new QTimer(this);
    refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    refreshTimer->setInterval(refreshMs);
    connect(refreshTimer, &QTimer::timeout, this, &TfrmFarmJobs::Refresh);
}

TfrmFarmJobs::~TfrmFarmJobs() = default;

void TfrmFarmJobs::Reload(const std::optional<fs::path>& select)
{
    std::optional<fs::path> keep = select;
    if (!keep)
        if (const TJobRow* row = Selected())
            keep = row->listed.folder;
    jobs_.clear();
    std::vector<TListedJob> listed;
    try {
        listed = ListedFarmJobs(jobList_);
    } catch (const std::exception& e) {
        lbJob->setText(QtText(e.what()));
    }
    for (TListedJob& l : listed) {
        auto row = std::make_unique<TJobRow>();
        row->listed = std::move(l);
        try {
            row->scheduler = schedulerFor(row->listed.folder);
            row->job = OpenFarmJob(*row->scheduler, row->listed.folder.string());
            row->labels = SceneLabels(row->job->scenes);
        } catch (const std::exception& e) {
            row->error = e.what();
            row->ended = true;
        }
        jobs_.push_back(std::move(row));
    }
    const QSignalBlocker block(gridJobs);
    gridJobs->setRowCount(int(jobs_.size()));
    int selected = jobs_.empty() ? -1 : 0;
    for (size_t i = 0; i < jobs_.size(); ++i)
        if (keep && jobs_[i]->listed.folder == *keep)
            selected = int(i);
    Refresh();
    if (selected >= 0)
        gridJobs->selectRow(selected);
    ShowScenes();
}

void TfrmFarmJobs::Refresh()
{
    bool open = false;
    for (size_t i = 0; i < jobs_.size(); ++i) {
        TJobRow& row = *jobs_[i];
        if (!row.ended && row.job) {
            row.queueError.clear();
            try {
                row.states = FarmJobStates(*row.scheduler, *row.job, &row.queueError);
            } catch (const std::exception& e) {
                row.queueError = e.what();
            }
            row.ended = !row.states.empty() && std::all_of(row.states.begin(), row.states.end(),
                                                           [](const TTaskStatus& s) { return Ended(s.state); });
        }
        open = open || !row.ended;
        FillJobRow(int(i));
    }
    ShowScenes();
    if (open && !refreshTimer->isActive())
        refreshTimer->start();
    else if (!open)
        refreshTimer->stop();
}

void TfrmFarmJobs::FillJobRow(int r)
{
    const TJobRow& row = *jobs_[size_t(r)];
    const QString when = QtText(LocalTimeText(row.listed.submitted, "%Y-%m-%d %H:%M"));
    QString scenes = QStringLiteral("-"), counts = QStringLiteral("-"), state = QStringLiteral("missing");
    if (row.job) {
        const TFarmCounts c = CountStates(row.states);
        scenes = QString::number(row.job->scenes.size());
        counts = QStringLiteral("%1/%2/%3/%4").arg(c.count[2]).arg(c.count[3] + c.count[4]).arg(c.count[1]).arg(c.count[0]);
        state = QtText(FarmJobStateText(c, row.scheduler->Title()));
    }
    const QString job = QtText(row.listed.jobId) + (row.scheduler ? QStringLiteral(" (") + QtText(row.scheduler->Name()) + ")" : QString());
    gridJobs->setItem(r, 0, Cell(job));
    gridJobs->setItem(r, 1, Cell(scenes));
    gridJobs->setItem(r, 2, Cell(counts));
    gridJobs->setItem(r, 3, Cell(when));
    gridJobs->setItem(r, 4, Cell(state, row.error.empty() ? state : QtText(row.error)));
    gridJobs->setItem(r, 5, Cell(QtText(row.listed.folder.filename().string()), QtText(row.listed.folder.string())));
}

TfrmFarmJobs::TJobRow* TfrmFarmJobs::Selected()
{
    const int row = gridJobs->currentRow();
    return row >= 0 && size_t(row) < jobs_.size() && !gridJobs->selectedItems().isEmpty() ? jobs_[size_t(row)].get() : nullptr;
}

void TfrmFarmJobs::ShowScenes()
{
    const TJobRow* row = Selected();
    const QSignalBlocker block(gridScenes);
    const int keep = gridScenes->currentRow();
    const size_t count = row && row->job ? row->states.size() : 0;
    gridScenes->setRowCount(int(count));
    for (size_t i = 0; i < count; ++i) {
        const TTaskStatus& s = row->states[i];
        gridScenes->setItem(int(i), 0, Cell(QtText(row->labels[i]), QtText(row->job->scenes[i].string())));
        QTableWidgetItem* state = Cell(QtText(s.unanswered ? FarmJobStateText({{}, 1}, row->scheduler->Title()) : OneLine(TaskStateText(s))),
                                       QtText(TaskStateText(s)));
        state->setForeground(QBrush(StateColour(s.state)));
        gridScenes->setItem(int(i), 1, state);
        gridScenes->setItem(int(i), 2, Cell(s.attempts > 0 ? QString::number(s.attempts) : QString()));
        gridScenes->setItem(int(i), 3, Cell(s.renderMs >= 0 ? QtText(RenderTimeText(s.renderMs)) : QString()));
    }
    if (keep >= 0 && keep < int(count))
        gridScenes->selectRow(keep);
    if (!row) {
        lbJob->setText(jobs_.empty() ? QStringLiteral("No farm jobs yet: File > Render on farm submits one.") : QString());
        btnCancelJob->setEnabled(false);
        btnForgetJob->setEnabled(false);
    } else {
        QString text = QtText(row->error.empty() ? "Job " + row->listed.jobId + " on " + row->scheduler->Title() + ", folder " +
                                                     row->listed.folder.string()
                                               : row->error);
        if (row->job && !row->states.empty())
            text += QStringLiteral("\n") + QtText(FarmSummary(row->states, std::time(nullptr)));
        if (!row->queueError.empty())
            text += QStringLiteral("\n") + QtText(row->queueError);
        lbJob->setText(text);
        btnCancelJob->setEnabled(row->job && !row->ended);
        btnForgetJob->setEnabled(row->ended);
    }
    SceneChosen();
}

void TfrmFarmJobs::SceneChosen()
{
    const TJobRow* row = Selected();
    const int scene = gridScenes->currentRow();
    if (!row || scene < 0 || size_t(scene) >= row->states.size() || gridScenes->selectedItems().isEmpty()) {
        memoDetails->clear();
        return;
    }
    const TTaskStatus& s = row->states[size_t(scene)];
    memoDetails->setPlainText(QtText(row->job->scenes[size_t(scene)].string() + "\n" + TaskStateText(s)));
}

void TfrmFarmJobs::SceneOpened(int scene)
{
    const TJobRow* row = Selected();
    if (!row || scene < 0 || size_t(scene) >= row->states.size())
        return;
    const TTaskStatus& s = row->states[size_t(scene)];
    if (s.state == ETaskState::Done && openPicture) {
        openPicture(fs::path(row->job->scenes[size_t(scene)]).replace_extension(".tga"));
    } else if (s.state == ETaskState::Failed || s.state == ETaskState::Cancelled) {
        const fs::path log = row->listed.folder / "log" / (std::to_string(scene) + ".txt");
        if (!Dialogs().OpenDocument(QtText(log.string())))
            Dialogs().Error(this, QStringLiteral("Cannot open %1.").arg(QtText(log.string())));
    }
}

void TfrmFarmJobs::CancelJob()
{
    TJobRow* row = Selected();
    if (!row || !row->job)
        return;
    const TFarmCounts c = CountStates(row->states);
    const size_t left = c.count[0] + c.count[1];
    if (Dialogs().Ask(this, QStringLiteral("Cancel job %1 with %2 scenes still to render?").arg(QtText(row->listed.jobId)).arg(left),
                      {QStringLiteral("Yes"), QStringLiteral("No")}, 1) != 0)
        return;
    Guarded(this, [&] { CancelFarmJob(*row->scheduler, *row->job); });
    row->ended = false;
    Refresh();
}

void TfrmFarmJobs::ForgetJob()
{
    TJobRow* row = Selected();
    if (!row || !row->ended)
        return;
    const bool folder = row->job.has_value();
    const int answer =
        folder ? Dialogs().Ask(this, QStringLiteral("Take job %1 off the list and delete its folder %2?")
                                         .arg(QtText(row->listed.jobId), QtText(row->listed.folder.string())),
                               {QStringLiteral("Delete folder"), QStringLiteral("Keep folder"), QStringLiteral("Cancel")}, 2)
               : Dialogs().Ask(this, QStringLiteral("Take job %1 off the list?").arg(QtText(row->listed.jobId)),
                               {QStringLiteral("Yes"), QStringLiteral("No")}, 1) == 0 ? 1 : 2;
    if (answer != 0 && answer != 1)
        return;
    Guarded(this, [&] {
        if (answer == 0)
            DeleteEndedFarmJob(*row->scheduler, *row->job);
        ForgetFarmJob(jobList_, row->listed.folder.string());
    });
    Reload();
}

std::vector<std::string> TfrmFarmJobs::RunningJobs() const
{
    std::vector<std::string> running;
    for (const auto& row : jobs_)
        if (row->job && !row->ended)
            running.push_back(row->listed.jobId);
    return running;
}

TSchedulerPlace EditorSchedulerPlace()
{
    return {ProgramFolder(), ExecutableFolder() / "kelvane-scene"};
}

bool FarmAvailable()
{
    try {
        return MakeScheduler(DefaultSchedulerName(), EditorSchedulerPlace())->Unavailable().empty();
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

// The pre-flight findings of every scene as saved, one line each.
QString SceneFindings(const std::vector<fs::path>& scenes, const fs::path& temp)
{
    QString lines;
    for (const fs::path& scene : scenes) {
        std::vector<TPreflightFinding> findings;
        try {
            findings = CheckSceneFile(scene, temp / "~Check.tmp");
        } catch (const std::exception&) {
            continue;  // the submission names it
        }
        for (const TPreflightFinding& f : findings)
            lines += QStringLiteral("\n") + QtText(scene.filename().string() + ": " + FindingText(f));
    }
    return lines;
}

} // namespace

void TfrmMain::RenderOnFarm1Click()
{
    if (session_->OpenFiles().empty()) {
        Dialogs().Message(this, QStringLiteral("Open the scenes to render first."));
        return;
    }
    // The nodes read the scene files as saved.
    if (!SaveBeforeFarm())
        return;
    TfrmFarmSubmit dialog(*iniFileCom_, this);
    Dialogs().RunFarmSubmit(dialog);
    if (dialog.result() != QDialog::Accepted)
        return;
    const std::vector<fs::path> scenes = session_->OpenFiles();
    TFarmOptions options = dialog.Options();
    options.renderer = iniFileCom_->ReadString("System", "EXEPath", "C:/yafray/yafray.exe");
    const TSchedulerPlace place = EditorSchedulerPlace();
    options.sceneProgram = place.sceneProgram;
    options.jobList = ProgramFolder() / kFarmJobListFile;  // so that `kelvane-scene farm list` shows it
    const fs::path temp = MakePrivateTempDir("kelvane-farm");
    TFarmJob job;
    bool submitted = false;
    Guarded(this, [&] {
        const QString findings = SceneFindings(scenes, temp);
        if (!findings.isEmpty() &&
            Dialogs().Ask(this, QStringLiteral("The check before submitting found:") + findings,
                          {QStringLiteral("Submit anyway"), QStringLiteral("Cancel")}, 1) != 0)
            return;
        const std::unique_ptr<IScheduler> scheduler = MakeScheduler(dialog.Scheduler(), place);
        job = SubmitFarmJob(*scheduler, scenes, options, temp);
        submitted = true;
    });
    std::error_code ec;
    fs::remove_all(temp, ec);
    if (submitted)
        ShowFarmJobs(job.folder);
}

void TfrmMain::ShowFarmJobs(const std::optional<fs::path>& select)
{
    if (!farmJobs_) {
        farmJobs_ = new TfrmFarmJobs(EditorSchedulerPlace(), ProgramFolder() / kFarmJobListFile, this);
        farmJobs_->openPicture = [this](const fs::path& picture) {
            Guarded(this, [&] {
                if (image_)
                    image_->ShowRendered(DecodeTarga(ReadWholeFile(picture)));
            });
        };
    }
    farmJobs_->Reload(select);
    farmJobs_->show();
    farmJobs_->raise();
    farmJobs_->activateWindow();
}

void TfrmMain::SayFarmJobsRunning()
{
    if (!farmJobs_)
        return;
    farmJobs_->Refresh();
    for (const std::string& id : farmJobs_->RunningJobs())
        Dialogs().Message(this, QStringLiteral("Farm job %1 keeps running; Window > Farm jobs shows it.").arg(QtText(id)));
}

} // namespace kelvane
