#include "shell/ui/FarmSubmit.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/QtText.h"
#include "render/Schedulers.h"
#include "shell/ui/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <thread>

namespace kelvane {

namespace {

constexpr const char* kSection = "Farm";

// A whole number within [low, high]; nullopt when malformed or outside.
std::optional<int> Count(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TfrmFarmSubmit::TfrmFarmSubmit(TIniFileCompo& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("frmFarmSubmit"));
    setWindowTitle(QStringLiteral("Render on farm"));
    auto* form = new QFormLayout;
    auto field = [&](const char* name, const char* label, const std::string& value, const char* tip) {
        auto* edit = new QLineEdit(QtText(value), this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setToolTip(QString::fromUtf8(tip));
        form->addRow(QString::fromUtf8(label), edit);
        return edit;
    };
    combScheduler = new QComboBox(this);
    combScheduler->setObjectName(QStringLiteral("combScheduler"));
    for (const TSchedulerKind& kind : SchedulerKinds())
        combScheduler->addItem(QString::fromLatin1(kind.name));
    const std::string chosen = settings_.ReadString(kSection, "Scheduler", DefaultSchedulerName());
    combScheduler->setCurrentIndex(std::max(0, combScheduler->findText(QtText(chosen))));
    combScheduler->setToolTip(QStringLiteral("Where the tasks run: a Slurm cluster, or this machine"));
    if (combScheduler->count() > 1)
        form->addRow(QStringLiteral("Scheduler"), combScheduler);
    else
        combScheduler->hide();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    edtPartition = field("edtPartition", "Partition", settings_.ReadString(kSection, "Partition", ""),
                         "The Slurm partition; empty: the cluster's default");
    edtTimeLimit = field("edtTimeLimit", "Time limit", settings_.ReadString(kSection, "TimeLimit", ""),
                         "Each task's time limit: minutes, H:M:S or D-H; empty: the partition's default");
    edtMemory = field("edtMemory", "Memory per task", settings_.ReadString(kSection, "Memory", "1G"),
                      "Memory each task asks for (\"1G\", \"512M\"); empty: the whole node's");
    edtMaxParallel = field("edtMaxParallel", "Tasks at once", settings_.ReadString(kSection, "MaxParallel", ""),
                           ("How many tasks run at once; empty: as many as the cluster runs (here: " +
                            std::to_string(cores) + ")").c_str());
    edtRetries = field("edtRetries", "Retries", settings_.ReadString(kSection, "Retries", "0"),
                       "How many more times a failing scene is rendered before it counts as failed");
    edtPerTask = field("edtPerTask", "Scenes per task", settings_.ReadString(kSection, "PerTask", "1"),
                       "Consecutive scenes each task renders");
    cbHold = new QCheckBox(QStringLiteral("Hold until released"), this);
    cbHold->setObjectName(QStringLiteral("cbHold"));
    cbHold->setChecked(settings_.ReadString(kSection, "Hold", "0") == "1");
    form->addRow(QString(), cbHold);
    OKBtn = new QPushButton(QStringLiteral("Submit"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TfrmFarmSubmit::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void TfrmFarmSubmit::OKBtnClick()
{
    TFarmOptions o;
    o.partition = edtPartition->text().trimmed().toStdString();
    o.timeLimit = edtTimeLimit->text().trimmed().toStdString();
    o.memory = edtMemory->text().trimmed().toStdString();
    std::string refused;
    if (o.partition.find_first_of(" \t,") != std::string::npos)
        refused = "the partition is one name";
    else if (!o.timeLimit.empty() && !TimeLimitError(o.timeLimit).empty())
        refused = TimeLimitError(o.timeLimit);
    else if (!o.memory.empty() && !MemorySizeError(o.memory).empty())
        refused = MemorySizeError(o.memory);
    const QString parallel = edtMaxParallel->text().trimmed();
    const std::optional<int> maxParallel = parallel.isEmpty() ? std::optional<int>(0) : Count(parallel, 1, 999999);
    const std::optional<int> retries = Count(edtRetries->text(), 0, 1000);
    const std::optional<int> perTask = Count(edtPerTask->text(), 1, 1000000);
    if (refused.empty() && !maxParallel)
        refused = "tasks at once is a whole number from 1, or empty";
    if (refused.empty() && !retries)
        refused = "retries is a whole number from 0 to 1000";
    if (refused.empty() && !perTask)
        refused = "scenes per task is a whole number from 1";
    if (!refused.empty()) {
        refused[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(refused[0])));
        Dialogs().Error(this, QtText(refused + "."));
        return;
    }
    o.maxParallel = *maxParallel;
    o.retries = *retries;
    o.perTask = *perTask;
    o.hold = cbHold->isChecked();
    options_ = o;
    scheduler_ = combScheduler->currentText().toStdString();
    settings_.WriteString(kSection, "Scheduler", scheduler_);
    settings_.WriteString(kSection, "Partition", o.partition);
    settings_.WriteString(kSection, "TimeLimit", o.timeLimit);
    settings_.WriteString(kSection, "Memory", o.memory);
    settings_.WriteString(kSection, "MaxParallel", parallel.toStdString());
    settings_.WriteString(kSection, "Retries", std::to_string(o.retries));
    settings_.WriteString(kSection, "PerTask", std::to_string(o.perTask));
    settings_.WriteString(kSection, "Hold", o.hold ? "1" : "0");
    accept();
}

} // namespace kelvane
